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

QString GetSetting(const QString &application, const QString &section, const QString &key,
                   const QString &defaultValue)
{
    const QSettings store(settingsFilePath(application), QSettings::IniFormat);
    const QVariant value = store.value(sectionKey(section, key));
    if (!value.isValid())
        return defaultValue;
    // A value holding a comma comes back from INI as a list; it is still one text to us.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

void SaveSetting(const QString &application, const QString &section, const QString &key,
                 const QString &value)
{
    QSettings store(settingsFilePath(application), QSettings::IniFormat);
    store.setValue(sectionKey(section, key), value);
    store.sync();
}
