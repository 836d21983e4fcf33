#include "ApplicationPassword.h"

#include "Settings.h"
#include "Startup.h"

namespace {

// Global: the program has one unlock state for its whole run, which the
// start-up prompt, the tray's prompt, the password change and the terminal
// dialogs' maintenance commands all share; it lives only here.
QString &currentPassword()
{
    static QString password = QString::fromLatin1(Startup::kDefaultPassword);
    return password;
}

}

QString ApplicationPassword::current()
{
    return currentPassword();
}

void ApplicationPassword::setCurrent(const QString &password)
{
    currentPassword() = password;
}

bool ApplicationPassword::maintenanceCodeEnabled()
{
    return GetSettingNumber(QStringLiteral("Security"), QStringLiteral("MaintenanceCode"), 1) != 0;
}

bool ApplicationPassword::accepts(const QString &entry)
{
    return entry == currentPassword() || (entry == QLatin1String(kMaintenanceCode) && maintenanceCodeEnabled());
}

bool ApplicationPassword::maintenanceUnlocked()
{
    return currentPassword() == QLatin1String(kMaintenanceCode) && maintenanceCodeEnabled();
}

bool ApplicationPassword::change(const QString &entry, QString *error)
{
    // Saved first: a password that could not be stored must not be in force
    // while the dialog reports the failure and stays open.
    if (!SaveSetting(QStringLiteral("Security"), QStringLiteral("Password"), entry)) {
        if (error)
            *error = Settings::lastError();
        return false;
    }
    currentPassword() = entry;
    return true;
}
