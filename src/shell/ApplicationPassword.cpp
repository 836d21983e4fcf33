#include "ApplicationPassword.h"

#include "AppState.h"
#include "Settings.h"

bool ApplicationPassword::maintenanceCodeEnabled()
{
    return GetSettingNumber(QStringLiteral("Security"), QStringLiteral("MaintenanceCode"), 1) != 0;
}

bool ApplicationPassword::accepts(const QString &entry)
{
    return entry == AppState::password || (entry == QLatin1String(kMaintenanceCode) && maintenanceCodeEnabled());
}

bool ApplicationPassword::maintenanceUnlocked()
{
    return AppState::password == QLatin1String(kMaintenanceCode) && maintenanceCodeEnabled();
}

void ApplicationPassword::unlock(const QString &entry)
{
    AppState::password = entry;
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
    AppState::password = entry;
    return true;
}
