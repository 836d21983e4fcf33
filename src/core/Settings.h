#pragma once

#include <QString>

// The per-user settings store: an INI file under the application name "Tavrel"
// ($XDG_CONFIG_HOME/Tavrel/Tavrel.conf), addressed by section and key. Every
// reader supplies its own default. The files are created and kept with mode
// 0600: they hold the application password.
QString GetSetting(const QString &section, const QString &key, const QString &defaultValue = QString());
// False when the store could not be written; Settings::lastError() then says why.
bool SaveSetting(const QString &section, const QString &key, const QString &value);
// Removes a key; used for the Ports map and by tests.
bool DeleteSetting(const QString &section, const QString &key);

// Numeric value of the leading decimal digits (an optional sign first), 0 when
// there are none: "12abc" gives 12, "abc" gives 0.
int LeadingNumber(const QString &text);
// GetSetting read as a number by the leading-digits rule.
int GetSettingNumber(const QString &section, const QString &key, int defaultValue);

namespace Settings {
// The settings file; the application name decides the file name, so
// "GridColWidth" is a file of its own beside Tavrel.conf.
QString filePath(const QString &applicationName = QStringLiteral("Tavrel"));
// Points the store at another folder (the folder that holds Tavrel/Tavrel.conf);
// an empty folder returns to $XDG_CONFIG_HOME. Tests and the demo use it.
void setConfigFolder(const QString &folder);
QString configFolder();
// Settings of another application name (the language editor's column widths).
QString GetAppSetting(const QString &application, const QString &section, const QString &key,
                      const QString &defaultValue = QString());
bool SaveAppSetting(const QString &application, const QString &section, const QString &key,
                    const QString &value);
// Why the last SaveSetting failed.
QString lastError();
// False with `error` set when the store exists but cannot be read, so that a
// reader would silently get its defaults (among them the default password).
// A store that others can read is made private to its user here too.
bool checkStore(QString *error);
}
