#pragma once

#include <QList>
#include <QString>

#include <memory>
#include <utility>

class QSettings;

// Per-user text store addressed by application, section and key, kept as an INI file in
// $XDG_CONFIG_HOME/<application>/<application>.conf. Every write reaches the disk at once.
QString GetSetting(const QString &application, const QString &section, const QString &key,
                   const QString &defaultValue = QString());
void SaveSetting(const QString &application, const QString &section, const QString &key,
                 const QString &value);
// Several keys of one section in one write: a list written a key at a time would rewrite and
// sync the whole file once per entry.
void SaveSettings(const QString &application, const QString &section,
                  const QList<std::pair<QString, QString>> &values);

// Many keys from one reading of the file. Each GetSetting reads a store of more than a few
// hundred keys anew, so a list read a key at a time would read it once per entry.
class SettingsReader
{
public:
    explicit SettingsReader(const QString &application);
    ~SettingsReader();
    // As GetSetting.
    QString value(const QString &section, const QString &key, const QString &defaultValue = QString()) const;

private:
    std::unique_ptr<const QSettings> m_store;
};

// Where the store of an application lives; tests read the file directly.
QString settingsFilePath(const QString &application);
