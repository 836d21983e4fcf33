#pragma once

#include "SiteIdentity.h"

#include <QSqlDatabase>
#include <QString>

// What a site sends to the central database, one transaction each; sending
// the same thing twice lands it once. Keys never take other content: a file
// name of the site that arrives with other bytes is kept as a conflict row
// beside the first, which stays as it was.
class CentralPush
{
public:
    enum class Outcome { Landed, AlreadyThere, Conflict };

    // Makes or renames the site's row.
    static bool registerSite(QSqlDatabase db, const SiteIdentity::Site &site, QString *error);

    // The patrol-data file at `path` (Unapproved/ or Approved/ of the current
    // workspace) with its records; its download time, clock offset and ledger
    // hash come from the ledger's download row of its name (`fileName`, the
    // name it was saved under; the file's own name when empty), else its
    // modification time.
    static bool pushFile(QSqlDatabase db, const QString &siteId, const QString &path, const QString &fileName,
                         Outcome *outcome, QString *error);

    // Replaces the site's tag definitions (with their guard and incident
    // marks) and plans by those of the workspace.
    static bool pushDefinitions(QSqlDatabase db, const QString &siteId, QString *error);
    // A hash of the workspace's definitions as pushDefinitions sends them:
    // unchanged definitions need no push. Empty with `error` when unreadable.
    static QString definitionsHash(QString *error);

    // Records the site's last push and how many batches it still holds.
    static bool notePush(QSqlDatabase db, const QString &siteId, int waiting, QString *error);
};
