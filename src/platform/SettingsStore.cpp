#include "platform/SettingsStore.h"

#include <QSettings>
#include <QStandardPaths>

namespace {

QString sectionKey(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}

} // namespace

QString settingsFilePath(const QString &application)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/')
        + application + QLatin1Char('/') + application + QStringLiteral(".conf");
}

SettingsReader::SettingsReader(const QString &application)
    : m_store(std::make_unique<const QSettings>(settingsFilePath(application), QSettings::IniFormat))
{
}

SettingsReader::~SettingsReader() = default;

QString SettingsReader::value(const QString &section, const QString &key, const QString &defaultValue) const
{
    const QVariant value = m_store->value(sectionKey(section, key));
    if (!value.isValid())
        return defaultValue;
    // A value holding a comma comes back from INI as a list; it is still one text to us.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

QString GetSetting(const QString &application, const QString &section, const QString &key,
                   const QString &defaultValue)
{
    return SettingsReader(application).value(section, key, defaultValue);
}

void SaveSetting(const QString &application, const QString &section, const QString &key,
                 const QString &value)
{
    SaveSettings(application, section, {{key, value}});
}

void SaveSettings(const QString &application, const QString &section,
                  const QList<std::pair<QString, QString>> &values)
{
    QSettings store(settingsFilePath(application), QSettings::IniFormat);
    for (const auto &[key, value] : values)
        store.setValue(sectionKey(section, key), value);
    store.sync();
}
