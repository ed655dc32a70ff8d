#pragma once

#include <QList>
#include <QString>

#include <memory>
#include <utility>

class QSettings;

// Per-user text store addressed by application, section and key, kept as an INI file in
// $XDG_CONFIG_HOME/<application>/<application>.conf.
//
// The file is read once per run. Changes are kept in memory and written together on the next
// turn of the event loop, so that a dialog closing or the program exiting writes the file once
// rather than once per key; with no application object there is no event loop to wait for, and
// each change is written at once. A write merges with what another instance wrote in the
// meantime and replaces the file whole, so a crash leaves either the old file or the new one.
// For use on the GUI thread only.
class SettingsStore
{
public:
    // The store of the application's file. Stores are told apart by file rather than by name:
    // tests move the config home between stores.
    static SettingsStore &of(const QString &application);
    ~SettingsStore();

    QString value(const QString &section, const QString &key, const QString &defaultValue = QString()) const;
    void setValues(const QString &section, const QList<std::pair<QString, QString>> &values);

private:
    explicit SettingsStore(const QString &path);

    std::unique_ptr<QSettings> m_settings;
};

// Writes what has changed in every store and closes them; the next use reads the files anew.
// Runs as the application object is destroyed; tests run it before they move the config home.
void closeSettingsStores();

QString GetSetting(const QString &application, const QString &section, const QString &key,
                   const QString &defaultValue = QString());
void SaveSetting(const QString &application, const QString &section, const QString &key,
                 const QString &value);
void SaveSettings(const QString &application, const QString &section,
                  const QList<std::pair<QString, QString>> &values);

// Where the store of an application lives; tests read the file directly.
QString settingsFilePath(const QString &application);
