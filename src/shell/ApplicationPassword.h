#pragma once

#include <QString>

// The checks behind the two password dialogs. The current password lives in
// AppState::password; besides it, the maintenance code is accepted unless the
// installation switched it off (Security/MaintenanceCode = 0).
class ApplicationPassword
{
public:
    static constexpr const char *kMaintenanceCode = "QZWX";

    // Security/MaintenanceCode, read at every check: 1 (the default) accepts
    // the maintenance code, 0 refuses it everywhere.
    static bool maintenanceCodeEnabled();
    // Exact comparison, case-sensitive, no trimming; an empty entry matches an
    // empty current password.
    static bool accepts(const QString &entry);
    // The program was unlocked with the maintenance code (and it is on): the
    // terminal dialogs then offer their service commands.
    static bool maintenanceUnlocked();
    // An accepted entry becomes the current password (so after the maintenance
    // code it is the maintenance code until the program restarts).
    static void unlock(const QString &entry);
    // Saves `entry` to Security/Password and makes it current. When the store
    // cannot be written nothing changes and `error` says why.
    static bool change(const QString &entry, QString *error);
};
