#pragma once

#include <QString>
#include <QStringList>

// The recent-files list: newest first, at most six entries, unique without regard to case.
// An entry is the path exactly as it was last added, letter case included.
class MruList
{
public:
    static constexpr int kCapacity = 6;

    int size() const { return int(m_entries.size()); }
    // Index of the last entry in use; -1 while the list is empty.
    int last() const { return size() - 1; }
    const QString &at(int index) const { return m_entries.at(index); }
    const QStringList &entries() const { return m_entries; }

    // Index of the entry equal to path ignoring case, or -1.
    int find(const QString &path) const;
    // Puts path on top, moving it there (in its new letter case) when it is already listed.
    void add(const QString &path);
    // Puts a path that is not listed on top; a full list loses its oldest entry.
    void insert(const QString &path);
    // Removes entry index and puts path on top; the entries after index keep their places.
    void moveToTop(QString path, int index);  // by value: path may be one of the entries
    void clear() { m_entries.clear(); }

    // Section "MRUFiles": key "0" is the top entry. Reading stops at the first missing or
    // empty key; writing leaves keys beyond the list alone.
    void load();
    void save() const;

private:
    QStringList m_entries;
};
