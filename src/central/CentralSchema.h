#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The schema of the central database: numbered migrations, each applied in
// one transaction together with its row in schema_version, so a schema is
// always exactly at one version. A database at a version newer than this
// program knows is refused: an older Tavrel must not write into tables it
// does not understand.
class CentralSchema
{
public:
    struct Migration
    {
        int version;
        const char *title;
        QStringList statements;
    };
    static const QList<Migration> &migrations();
    // The newest version this program knows.
    static int knownVersion();

    // The version of the database's schema, 0 for an empty database; -1 with `error` when unreadable.
    static int version(QSqlDatabase db, QString *error);
    // Brings the schema up to knownVersion(); `applied` gets the titles of the
    // migrations run. A newer schema is refused with `error`, nothing changed.
    static bool migrate(QSqlDatabase db, QStringList *applied, QString *error);
    // True when the database is at knownVersion(); else `error` says what to do.
    static bool check(QSqlDatabase db, QString *error);
};
