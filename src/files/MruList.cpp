#include "files/MruList.h"

#include "prefs/SettingKeys.h"

namespace {

bool samePath(const QString &a, const QString &b)
{
    // Upper-case forms, so that "straße" and "STRASSE" are one entry as they look alike.
    return a.toUpper() == b.toUpper();
}

} // namespace

int MruList::find(const QString &path) const
{
    for (int i = 0; i < size(); ++i) {
        if (samePath(m_entries[i], path))
            return i;
    }
    return -1;
}

void MruList::add(const QString &path)
{
    const int index = find(path);
    if (index < 0)
        insert(path);
    else
        moveToTop(path, index);
}

void MruList::insert(const QString &path)
{
    if (size() == kCapacity)
        m_entries.removeLast();
    m_entries.prepend(path);
}

void MruList::moveToTop(QString path, int index)
{
    if (index < 0 || index >= size())
        return;
    m_entries.removeAt(index);
    m_entries.prepend(path);
}

void MruList::load()
{
    // Adding the stored values from the last back to key "0" keeps the first six distinct
    // ones, each spelt as under its lowest key; values after the sixth distinct one cannot
    // change that, so the reading stops there instead of walking a long store to its end.
    const settings::ListReader store(settings::sectionMru());
    QStringList stored;
    MruList distinct;
    for (int key = 0; distinct.size() < kCapacity; ++key) {
        const QString value = store.entry(key);
        if (value.isEmpty())
            break;
        stored << value;
        if (distinct.find(value) < 0)
            distinct.insert(value);
    }
    clear();
    for (auto it = stored.crbegin(); it != stored.crend(); ++it)
        add(*it);
}

void MruList::save() const
{
    settings::writeListEntries(settings::sectionMru(), m_entries);
}
