#pragma once

#include <QString>

// Per-user text store addressed by application, section and key, kept as an INI file in
// $XDG_CONFIG_HOME/<application>/<application>.conf. Every write reaches the disk at once.
QString GetSetting(const QString &application, const QString &section, const QString &key,
                   const QString &defaultValue = QString());
void SaveSetting(const QString &application, const QString &section, const QString &key,
                 const QString &value);

// Where the store of an application lives; tests read the file directly.
QString settingsFilePath(const QString &application);
