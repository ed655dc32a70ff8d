#include "platform/SettingsStore.h"

#include <QCoreApplication>
#include <QSettings>
#include <QStandardPaths>

#include <map>

namespace {

QString sectionKey(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}

// Never destroyed: a store still open after main() has nothing left to write, and closing it
// among the other static objects could find Qt's own already gone.
std::map<QString, std::unique_ptr<SettingsStore>> &openStores()
{
    static auto *stores = new std::map<QString, std::unique_ptr<SettingsStore>>;
    return *stores;
}

// The application object whose end writes the stores, once per application object.
void closeStoresWithApplication()
{
    static const QCoreApplication *registered = nullptr;
    const QCoreApplication *application = QCoreApplication::instance();
    if (!application || application == registered)
        return;
    registered = application;
    qAddPostRoutine(closeSettingsStores);
}

} // namespace

QString settingsFilePath(const QString &application)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/')
        + application + QLatin1Char('/') + application + QStringLiteral(".conf");
}

SettingsStore::SettingsStore(const QString &path)
    : m_settings(std::make_unique<QSettings>(path, QSettings::IniFormat))
{
}

SettingsStore::~SettingsStore() = default;

SettingsStore &SettingsStore::of(const QString &application)
{
    closeStoresWithApplication();
    const QString path = settingsFilePath(application);
    auto &stores = openStores();
    auto found = stores.find(path);
    if (found == stores.end())
        found = stores.emplace(path, std::unique_ptr<SettingsStore>(new SettingsStore(path))).first;
    return *found->second;
}

QString SettingsStore::value(const QString &section, const QString &key, const QString &defaultValue) const
{
    const QVariant value = m_settings->value(sectionKey(section, key));
    if (!value.isValid())
        return defaultValue;
    // A value holding a comma comes back from INI as a list; it is still one text to us.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

void SettingsStore::setValues(const QString &section, const QList<std::pair<QString, QString>> &values)
{
    // QSettings itself asks for a sync on the next turn of the event loop after the first change.
    for (const auto &[key, value] : values)
        m_settings->setValue(sectionKey(section, key), value);
    if (!QCoreApplication::instance())
        m_settings->sync();
}

void closeSettingsStores()
{
    // Destroying a QSettings writes its changes.
    openStores().clear();
}

QString GetSetting(const QString &application, const QString &section, const QString &key,
                   const QString &defaultValue)
{
    return SettingsStore::of(application).value(section, key, defaultValue);
}

void SaveSetting(const QString &application, const QString &section, const QString &key,
                 const QString &value)
{
    SaveSettings(application, section, {{key, value}});
}

void SaveSettings(const QString &application, const QString &section,
                  const QList<std::pair<QString, QString>> &values)
{
    SettingsStore::of(application).setValues(section, values);
}
