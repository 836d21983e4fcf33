#pragma once

#include <QString>

// The checks behind the two password dialogs. The current password lives in
// AppState::password; besides it, the maintenance code is always accepted.
class ApplicationPassword
{
public:
    static constexpr const char *kMaintenanceCode = "QZWX";

    // Exact comparison, case-sensitive, no trimming; an empty entry matches an
    // empty current password.
    static bool accepts(const QString &entry);
    // An accepted entry becomes the current password (so after the maintenance
    // code it is the maintenance code until the program restarts).
    static void unlock(const QString &entry);
    // Saves `entry` to Security/Password and makes it current. When the store
    // cannot be written nothing changes and `error` says why.
    static bool change(const QString &entry, QString *error);
};
