#pragma once

#include <QString>

// The application password: the one the program is unlocked with, and the
// checks behind the two password dialogs. Besides the current password, the
// maintenance code is accepted unless the installation switched it off
// (Security/MaintenanceCode = 0).
class ApplicationPassword
{
public:
    static constexpr const char *kMaintenanceCode = "QZWX";

    // The password every prompt compares against. Start-up sets it to the
    // stored Security/Password before the first prompt; an accepted entry
    // replaces it (so after the maintenance code it is the maintenance code
    // until the program restarts).
    static QString current();
    static void setCurrent(const QString &password);

    // Security/MaintenanceCode, read at every check: 1 (the default) accepts
    // the maintenance code, 0 refuses it everywhere.
    static bool maintenanceCodeEnabled();
    // Exact comparison, case-sensitive, no trimming; an empty entry matches an
    // empty current password.
    static bool accepts(const QString &entry);
    // The program was unlocked with the maintenance code (and it is on): the
    // terminal dialogs then offer their service commands.
    static bool maintenanceUnlocked();
    // Saves `entry` to Security/Password and makes it current. When the store
    // cannot be written nothing changes and `error` says why.
    static bool change(const QString &entry, QString *error);
};
