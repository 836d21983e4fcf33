#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>

// One named database command: the connection it runs on, whether it returns
// records, and its text (a table name for table commands).
struct NamedCommand
{
    enum class Kind { Table, SqlRecords, SqlNoRecords };
    QString name;
    QString connection;
    Kind kind;
    QString text;
    QStringList parameters;
};

// The databases of the workspace: tvl.mdb (connection "connTVL") and tvl.mon
// (connection "connLog"), SQLite files that keep the names, tables, columns and
// command texts of the original Jet databases. connOldDB and connOldPatrolData
// are reserved for the old-generation Access files and start empty.
class DataStore
{
public:
    static const QString kConnTVL;
    static const QString kConnLog;
    static const QString kConnOldDB;
    static const QString kConnOldPatrolData;

    // Points connTVL and connLog at the current workspace and opens them.
    // A missing database is created with its tables (its path is added to
    // `created`); a file that exists but is not a database, or lacks a table,
    // is left untouched and makes open fail with `error` describing it.
    static bool open(QString *error, QStringList *created = nullptr);
    static void close();
    // Tells the user (message, and the operation log) that the databases at
    // `paths` were missing from a workspace in use and were made new and empty:
    // a moved tvl.mdb must not pass for an empty tag table.
    static void reportRecreated(const QStringList &paths);
    static bool isOpen();

    // Every named command, in one table.
    static const QList<NamedCommand> &commands();
    static const NamedCommand *command(const QString &name);

    // The database of a connection, open: connTVL and connLog are opened on
    // first use with the checks of start-up. Not open, with `error` set, on failure.
    static QSqlDatabase database(const QString &connection, QString *error);
    // Threads other than the program's get connections of their own to
    // tvl.mdb and tvl.mon from database() and run(); such a thread closes
    // them with closeThreadConnections() before it ends.
    static void closeThreadConnections();
    // Runs a named command with its parameters in the order listed. A table
    // command selects every row of its table. The returned query is active on
    // success; on failure `error` is set and the query is inactive.
    static QSqlQuery run(const QString &name, const QVariantList &parameters = {}, QString *error = nullptr);

    // Creates a database file with the tables of the given connection
    // (kConnTVL or kConnLog) when it is missing, and checks it otherwise.
    // `created` tells whether the file was made new.
    static bool prepareFile(const QString &connection, const QString &path, QString *error, bool *created = nullptr);

private:
    // The name of `connection` in the calling thread.
    static QString threadConnection(const QString &connection);
};
