#pragma once

#include <QString>

// The folder that holds the databases (tvl.mdb, tvl.mon, Res.mdb) and the two
// patrol-data folders. One workspace is current for the whole run.
class Workspace
{
public:
    // Resolution order: the explicit folder (--workspace), $TAVREL_WORKSPACE,
    // the executable's folder when it is writable and already holds tvl.mdb or
    // FirstLoad.txt (a portable install), otherwise $XDG_DATA_HOME/Tavrel.
    static QString resolve(const QString &explicitFolder, const QString &executableFolder);

    // Creates a workspace that does not exist yet, complete: the folder,
    // Unapproved/, Approved/ and FirstLoad.txt (the databases are created by
    // DataStore). An empty folder is filled the same way; a folder with anything
    // in it is left as it is. False with `error` set when something cannot be made.
    static bool createIfMissing(const QString &folder, QString *error);

    // Makes Unapproved/ and Approved/ in `folder` when they are missing;
    // existing ones are left as they are.
    static bool ensureFolders(const QString &folder, QString *error);

    // A workspace is in use once either database exists or Unapproved/ or
    // Approved/ holds a file; a database missing from it then is news, not a
    // new installation. The first-start marker plays no part.
    static bool inUse(const QString &folder);

    static void setCurrent(const QString &folder);
    static QString current();

    // Paths inside the current workspace.
    static QString path(const QString &name);
    static QString tvlMdb() { return path(QStringLiteral("tvl.mdb")); }
    static QString tvlMon() { return path(QStringLiteral("tvl.mon")); }
    static QString resMdb() { return path(QStringLiteral("Res.mdb")); }
    static QString firstLoadMarker() { return path(QStringLiteral("FirstLoad.txt")); }
    static QString unapprovedFolder() { return path(QStringLiteral("Unapproved")); }
    static QString approvedFolder() { return path(QStringLiteral("Approved")); }
};

// True when FirstLoad.txt exists in the current workspace.
bool IsFirstLoad();
