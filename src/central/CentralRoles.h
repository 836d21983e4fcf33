#pragma once

#include "CentralReport.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The roles of the central database: each site pushes under a login role of
// its own that may write and read only its site's rows (row-level security
// on the site id), and head office reads every site under the group role
// tavrel_reader, which changes nothing. The statements are plain SQL, printed
// for the administrator; running them again changes nothing and gives the
// sites registered since then their roles. Passwords are the administrator's
// business (ALTER ROLE ... PASSWORD, or peer or certificate authentication).
class CentralRoles
{
public:
    static QString readerRole() { return QStringLiteral("tavrel_reader"); }
    // The group role holding what a site's pusher may do.
    static QString siteGroup() { return QStringLiteral("tavrel_site"); }
    // tavrel_site_ and the first 8 hexadecimal digits of the site's id.
    static QString siteRole(const QString &siteId);

    // The grants and policies, then a login role for each of `sites`.
    static QStringList statements(const QList<CentralReport::Site> &sites);
    // Runs statements() for every registered site in one transaction;
    // `statements` gets what ran, `roles` "role<TAB>site name" per site.
    static bool apply(QSqlDatabase db, QStringList *statements, QStringList *roles, QString *error);

    // `error` as one line that says the server refused `what` when it was a
    // matter of privileges ("The central database refused the report:
    // permission denied for table sites"); other errors as they are.
    static QString refusal(const QString &what, const QString &error);
};
