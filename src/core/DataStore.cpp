#include "DataStore.h"

#include "MessageReporter.h"
#include "OperationLog.h"
#include "Workspace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QThread>

const QString DataStore::kConnTVL = QStringLiteral("connTVL");
const QString DataStore::kConnLog = QStringLiteral("connLog");
const QString DataStore::kConnOldDB = QStringLiteral("connOldDB");
const QString DataStore::kConnOldPatrolData = QStringLiteral("connOldPatrolData");

namespace {

struct TableSchema
{
    const char *name;
    const char *create;
    QStringList columns;
};

// Column types are loose on purpose: the program writes text and the current
// date-time only. TagDef.Code is unique so a duplicate tag is refused here.
QList<TableSchema> schemaFor(const QString &connection)
{
    if (connection == DataStore::kConnLog)
        return {{"Log", "CREATE TABLE Log (`DateTime` TEXT, Command TEXT, Description TEXT)",
                 {QStringLiteral("DateTime"), QStringLiteral("Command"), QStringLiteral("Description")}}};
    return {{"TagDef", "CREATE TABLE TagDef (Code TEXT NOT NULL UNIQUE, Description TEXT)",
             {QStringLiteral("Code"), QStringLiteral("Description")}},
            {"PatrolData", "CREATE TABLE PatrolData (MachID TEXT, Code TEXT, `Date` TEXT, `Time` TEXT)",
             {QStringLiteral("MachID"), QStringLiteral("Code"), QStringLiteral("Date"), QStringLiteral("Time")}}};
}

// Tables that came after the first databases: made in a new file with the
// others, and added to an existing tvl.mdb the first time it is opened. An
// older file without them is no damaged file.
QStringList addedTables(const QString &connection)
{
    // The download ledger (see Ledger): append-only, so the database itself
    // refuses to change or remove a row.
    if (connection == DataStore::kConnLog)
        return {QStringLiteral("CREATE TABLE IF NOT EXISTS Ledger (RowNo INTEGER PRIMARY KEY, At TEXT NOT NULL, "
                               "Kind TEXT NOT NULL, FileName TEXT, FileHash TEXT, RecordCount INTEGER, Family TEXT, "
                               "MachineNo TEXT, ClockOffsetSec INTEGER, PrevHash TEXT NOT NULL, RowHash TEXT NOT NULL)"),
                QStringLiteral("CREATE TABLE IF NOT EXISTS LedgerBaseline (RowNo INTEGER NOT NULL, FileName TEXT NOT NULL, "
                               "FileHash TEXT NOT NULL)"),
                QStringLiteral("CREATE TRIGGER IF NOT EXISTS LedgerNoUpdate BEFORE UPDATE ON Ledger "
                               "BEGIN SELECT RAISE(ABORT, 'The ledger is append-only'); END"),
                QStringLiteral("CREATE TRIGGER IF NOT EXISTS LedgerNoDelete BEFORE DELETE ON Ledger "
                               "BEGIN SELECT RAISE(ABORT, 'The ledger is append-only'); END"),
                QStringLiteral("CREATE TRIGGER IF NOT EXISTS LedgerBaselineNoUpdate BEFORE UPDATE ON LedgerBaseline "
                               "BEGIN SELECT RAISE(ABORT, 'The ledger is append-only'); END"),
                QStringLiteral("CREATE TRIGGER IF NOT EXISTS LedgerBaselineNoDelete BEFORE DELETE ON LedgerBaseline "
                               "BEGIN SELECT RAISE(ABORT, 'The ledger is append-only'); END"),
                // This workspace as a site of a central database: one row, made on first need.
                QStringLiteral("CREATE TABLE IF NOT EXISTS Site (Id TEXT NOT NULL PRIMARY KEY, Name TEXT NOT NULL)"),
                // The exception reports sent by mail (see ReportMail), so that a
                // period goes out once to the same recipients.
                QStringLiteral("CREATE TABLE IF NOT EXISTS SentReport (Period TEXT NOT NULL, PlanName TEXT NOT NULL, "
                               "Site TEXT NOT NULL, Recipients TEXT NOT NULL, MessageId TEXT NOT NULL, "
                               "SentAt TEXT NOT NULL)"),
                // Saved downloads on their way to the central database (see Outbox).
                QStringLiteral("CREATE TABLE IF NOT EXISTS CentralOutbox (Seq INTEGER PRIMARY KEY, Queued TEXT NOT NULL, "
                               "FileName TEXT NOT NULL, FileHash TEXT, Pushed TEXT, Attempts INTEGER NOT NULL DEFAULT 0, "
                               "LastError TEXT, Gone TEXT)"),
                QStringLiteral("CREATE TABLE IF NOT EXISTS CentralPushState (Key TEXT NOT NULL PRIMARY KEY, Value TEXT)")};
    if (connection != DataStore::kConnTVL)
        return {};
    return {QStringLiteral("CREATE TABLE IF NOT EXISTS Plan (Name TEXT NOT NULL UNIQUE, StartTime TEXT NOT NULL, "
                           "EndTime TEXT NOT NULL, IntervalMinutes INTEGER NOT NULL, Weekdays INTEGER NOT NULL)"),
            QStringLiteral("CREATE TABLE IF NOT EXISTS PlanPoint (PlanName TEXT NOT NULL, Seq INTEGER NOT NULL, "
                           "Code TEXT NOT NULL, Minutes INTEGER NOT NULL, Tolerance INTEGER NOT NULL, "
                           "MinMinutes INTEGER, PRIMARY KEY (PlanName, Seq))"),
            // The kind of a tag other than a checkpoint: "guard", or "incident"
            // with the incident's text. One mark per code in any case.
            QStringLiteral("CREATE TABLE IF NOT EXISTS TagKind (Code TEXT NOT NULL PRIMARY KEY COLLATE NOCASE, "
                           "Kind TEXT NOT NULL, Text TEXT)")};
}

bool hasColumn(QSqlDatabase &db, const QString &table, const QString &column)
{
    QSqlQuery info(db);
    if (!info.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table)))
        return false;
    while (info.next())
        if (info.value(1).toString().compare(column, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Brings an existing tvl.mdb to the shape of the added tables. PlanPoint of
// an older file gets its MinMinutes column. The guard marks of the older table
// GuardTag move into TagKind: copied and GuardTag dropped in one transaction,
// so every mark is in exactly one of the two tables at any moment and no later
// open can bring back a mark removed since.
void upgradeTvl(QSqlDatabase &db, const QString &path)
{
    auto warn = [&](const QSqlQuery &q) { qWarning("%s: %s", qPrintable(path), qPrintable(q.lastError().text())); };
    QSqlQuery q(db);
    if (!hasColumn(db, QStringLiteral("PlanPoint"), QStringLiteral("MinMinutes"))
        && !q.exec(QStringLiteral("ALTER TABLE PlanPoint ADD COLUMN MinMinutes INTEGER")))
        warn(q);
    if (!q.exec(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'GuardTag'")) || !q.next())
        return;
    q.finish();
    if (!db.transaction())
        return;
    if (q.exec(QStringLiteral("INSERT OR IGNORE INTO TagKind (Code, Kind) SELECT Code, 'guard' FROM GuardTag"))
        && q.exec(QStringLiteral("DROP TABLE GuardTag")) && db.commit())
        return;
    warn(q);
    db.rollback();
}

QSqlDatabase connectionFor(const QString &name, const QString &path)
{
    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                   : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    if (db.databaseName() != path) {
        db.close();
        db.setDatabaseName(path);
    }
    return db;
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

// Every SQLite file starts with these 16 bytes.
constexpr char kSqliteHeader[] = "SQLite format 3";

// SQLite's primary result codes SQLITE_BUSY and SQLITE_LOCKED: another
// connection holds the file locked for longer than the busy time-out.
bool isInUse(const QSqlError &error)
{
    const int code = error.nativeErrorCode().toInt() & 0xff;
    return code == 5 || code == 6;
}

QString inUseText(const QString &path)
{
    return QStringLiteral("The database %1 is in use by another program.").arg(QDir::toNativeSeparators(path));
}

// Looks at an existing file through a connection of its own before the
// workspace's connection uses it. Only a file with SQLite's header is opened at
// all, so a file that is not a database of ours (an empty one included, which
// SQLite would take for a new database) is refused untouched. The connection is
// read-write: a write cut short by a crash or a full disk leaves a hot journal
// (tvl.mdb-journal), and only a connection that may write can roll it back; the
// check itself writes nothing.
bool checkExistingFile(const QString &connection, const QString &path, QString *error)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("Cannot open %1: %2").arg(QDir::toNativeSeparators(path),
                                                                 file.errorString()));
        return false;
    }
    const QByteArray header = file.read(sizeof kSqliteHeader);
    file.close();
    if (header != QByteArray(kSqliteHeader, sizeof kSqliteHeader)) {
        setError(error, QStringLiteral("Unrecognized database format '%1'.").arg(QDir::toNativeSeparators(path)));
        return false;
    }

    const QString checkName = QStringLiteral("tavrel-check-") + connection;
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), checkName);
        db.setDatabaseName(path);
        if (!db.open()) {
            setError(error, isInUse(db.lastError())
                                ? inUseText(path)
                                : QStringLiteral("Cannot open %1: %2").arg(QDir::toNativeSeparators(path),
                                                                           db.lastError().text()));
            ok = false;
        }
        for (const TableSchema &table : schemaFor(connection)) {
            if (!ok)
                break;
            QSqlQuery info(db);
            const QString name = QLatin1String(table.name);
            if (!info.exec(QStringLiteral("PRAGMA table_info(%1)").arg(name))) {
                setError(error, isInUse(info.lastError())
                                    ? inUseText(path)
                                    : QStringLiteral("Unrecognized database format '%1': %2")
                                          .arg(QDir::toNativeSeparators(path), info.lastError().text()));
                ok = false;
                break;
            }
            QStringList present;
            while (info.next())
                present << info.value(1).toString();
            if (present.isEmpty()) {
                setError(error, QStringLiteral("The database %1 has no table %2.")
                                    .arg(QDir::toNativeSeparators(path), name));
                ok = false;
                break;
            }
            for (const QString &column : table.columns) {
                if (!present.contains(column, Qt::CaseInsensitive)) {
                    setError(error, QStringLiteral("The table %1 of %2 has no column %3.")
                                        .arg(name, QDir::toNativeSeparators(path), column));
                    ok = false;
                    break;
                }
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(checkName);
    return ok;
}

}

const QList<NamedCommand> &DataStore::commands()
{
    using K = NamedCommand::Kind;
    static const QList<NamedCommand> all = {
        {QStringLiteral("TagDef"), kConnTVL, K::Table, QStringLiteral("TagDef"), {}},
        {QStringLiteral("GetDescriptionWithSpecCode_TagDef"), kConnTVL, K::SqlRecords,
         QStringLiteral("SELECT Description FROM TagDef WHERE (Code = @Code)"), {QStringLiteral("Code")}},
        {QStringLiteral("DeletePatrolData"), kConnTVL, K::SqlNoRecords, QStringLiteral("DELETE FROM PatrolData"), {}},
        {QStringLiteral("InsertPatrolData"), kConnTVL, K::SqlNoRecords,
         QStringLiteral("INSERT INTO PatrolData(MachID, Code, `Date`, `Time`) VALUES (@MachID, @Code, @Date , @Time )"),
         {QStringLiteral("MachID"), QStringLiteral("Code"), QStringLiteral("Date"), QStringLiteral("Time")}},
        {QStringLiteral("rptPatrolData"), kConnTVL, K::SqlRecords,
         QStringLiteral("SELECT PatrolData.MachID, PatrolData.Code, PatrolData.`DATE`, PatrolData.`TIME`, "
                        "TagDef.Description FROM PatrolData LEFT JOIN TagDef ON PatrolData.Code = TagDef.Code "
                        "ORDER BY PatrolData.`DATE`, PatrolData.`TIME`"),
         {}},
        {QStringLiteral("rptTagDef"), kConnTVL, K::SqlRecords,
         QStringLiteral("SELECT Code, Description FROM TagDef ORDER BY Code"), {}},
        {QStringLiteral("DeleteTagDef"), kConnTVL, K::SqlNoRecords, QStringLiteral("DELETE FROM TagDef"), {}},
        {QStringLiteral("TagDef_Old"), kConnOldDB, K::Table, QStringLiteral("TagsDef"), {}},
        {QStringLiteral("PatrolData_Old"), kConnOldPatrolData, K::Table, QStringLiteral("RawData"), {}},
        {QStringLiteral("Log"), kConnLog, K::Table, QStringLiteral("Log"), {}},
    };
    return all;
}

const NamedCommand *DataStore::command(const QString &name)
{
    for (const NamedCommand &c : commands())
        if (c.name == name)
            return &c;
    return nullptr;
}

namespace {

// Makes a new database file with the tables of `connection`: built complete in
// a temporary file beside `path` and renamed into place, so that a crash never
// leaves a half-made file that every later start would refuse.
bool createFile(const QString &connection, const QString &path, QString *error)
{
    QTemporaryFile temp(path + QStringLiteral(".XXXXXX"));
    if (!temp.open()) {
        setError(error, QStringLiteral("Cannot create %1: %2").arg(QDir::toNativeSeparators(path), temp.errorString()));
        return false;
    }
    temp.close();
    const QString buildName = QStringLiteral("tavrel-create-") + connection;
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), buildName);
        db.setDatabaseName(temp.fileName());
        if (!db.open()) {
            setError(error, QStringLiteral("Cannot create %1: %2").arg(QDir::toNativeSeparators(path),
                                                                       db.lastError().text()));
            ok = false;
        }
        for (const TableSchema &table : schemaFor(connection)) {
            if (!ok)
                break;
            QSqlQuery create(db);
            if (!create.exec(QLatin1String(table.create))) {
                setError(error, QStringLiteral("Cannot create table %1 in %2: %3")
                                    .arg(QLatin1String(table.name), QDir::toNativeSeparators(path),
                                         create.lastError().text()));
                ok = false;
            }
        }
        for (const QString &statement : addedTables(connection)) {
            QSqlQuery create(db);
            if (ok && !create.exec(statement)) {
                setError(error, QStringLiteral("Cannot create %1: %2").arg(QDir::toNativeSeparators(path),
                                                                           create.lastError().text()));
                ok = false;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(buildName);
    // rename() never replaces: a file that appeared meanwhile is kept and checked instead.
    if (ok && !temp.rename(path)) {
        setError(error, QStringLiteral("Cannot create %1: %2").arg(QDir::toNativeSeparators(path), temp.errorString()));
        ok = false;
    }
    if (ok)
        temp.setAutoRemove(false);
    return ok;
}

}

bool DataStore::prepareFile(const QString &connection, const QString &path, QString *error, bool *created)
{
    if (created)
        *created = false;
    const bool existed = QFileInfo::exists(path) || QFileInfo(path).isSymLink();
    if (!existed) {
        if (!createFile(connection, path, error))
            return false;
        if (created)
            *created = true;
    } else if (!checkExistingFile(connection, path, error)) {
        if (QSqlDatabase::contains(connection))
            QSqlDatabase::database(connection, false).close();
        return false;
    }
    QSqlDatabase db = connectionFor(connection, path);
    if (!db.isOpen() && !db.open()) {
        setError(error, QStringLiteral("Cannot open %1: %2").arg(QDir::toNativeSeparators(path),
                                                                 db.lastError().text()));
        return false;
    }
    // A file that cannot take the new tables (read-only) still serves the old
    // ones; the plans then report the failure when they are used.
    for (const QString &statement : addedTables(connection)) {
        QSqlQuery create(db);
        if (!create.exec(statement))
            qWarning("%s: %s", qPrintable(path), qPrintable(create.lastError().text()));
    }
    if (connection == kConnTVL)
        upgradeTvl(db, path);
    return true;
}

bool DataStore::open(QString *error, QStringList *created)
{
    if (created)
        created->clear();
    bool made = false;
    for (const auto &[connection, path] : {std::pair{kConnTVL, Workspace::tvlMdb()}, std::pair{kConnLog, Workspace::tvlMon()}}) {
        if (!prepareFile(connection, path, error, &made))
            return false;
        if (made && created)
            created->append(path);
    }
    // The old-generation connections get their file per use.
    for (const QString &name : {kConnOldDB, kConnOldPatrolData})
        if (!QSqlDatabase::contains(name))
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    return true;
}

void DataStore::reportRecreated(const QStringList &paths)
{
    for (const QString &path : paths) {
        const QString text = QStringLiteral("The database %1 was missing and has been created again, empty. "
                                            "If it was moved, close Tavrel and put it back.")
                                 .arg(QDir::toNativeSeparators(path));
        MessageReporter::instance().message(text, MessageReporter::Icon::Exclamation);
        WriteLog(QStringLiteral("DB"), text);
    }
}

void DataStore::close()
{
    for (const QString &name : {kConnTVL, kConnLog}) {
        if (QSqlDatabase::contains(name)) {
            {
                QSqlDatabase db = QSqlDatabase::database(name, false);
                db.close();
            }
            QSqlDatabase::removeDatabase(name);
        }
    }
}

QString DataStore::threadConnection(const QString &connection)
{
    const QCoreApplication *app = QCoreApplication::instance();
    if ((connection != kConnTVL && connection != kConnLog) || !app || QThread::currentThread() == app->thread())
        return connection;
    return QStringLiteral("%1@%2").arg(connection).arg(quintptr(QThread::currentThread()), 0, 16);
}

void DataStore::closeThreadConnections()
{
    for (const QString &name : {kConnTVL, kConnLog}) {
        const QString own = threadConnection(name);
        if (own == name || !QSqlDatabase::contains(own))
            continue;
        {
            QSqlDatabase db = QSqlDatabase::database(own, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(own);
    }
}

bool DataStore::isOpen()
{
    return QSqlDatabase::contains(kConnTVL) && QSqlDatabase::database(kConnTVL, false).isOpen();
}

QSqlDatabase DataStore::database(const QString &connection, QString *error)
{
    const QString own = threadConnection(connection);
    if (own != connection) {
        // A QSqlDatabase belongs to the thread that opened it: another thread
        // (the central pusher) gets its own connection to the same file, which
        // the program's thread has prepared at start-up.
        if (!QSqlDatabase::contains(own)) {
            if (Workspace::current().isEmpty()) {
                setError(error, QStringLiteral("No workspace is set"));
                return QSqlDatabase();
            }
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), own)
                .setDatabaseName(connection == kConnTVL ? Workspace::tvlMdb() : Workspace::tvlMon());
        }
        QSqlDatabase db = QSqlDatabase::database(own);
        if (!db.isOpen())
            setError(error, QStringLiteral("Cannot open %1: %2").arg(db.databaseName(), db.lastError().text()));
        return db;
    }
    // connTVL opens on first use and connLog opens again after a close, both
    // with the same checks as at start-up.
    const bool ownFile = connection == kConnTVL || connection == kConnLog;
    const bool open = QSqlDatabase::contains(connection) && QSqlDatabase::database(connection, false).isOpen();
    if (!open && ownFile) {
        if (Workspace::current().isEmpty()) {
            setError(error, QStringLiteral("No workspace is set"));
            return QSqlDatabase();
        }
        const QString path = connection == kConnTVL ? Workspace::tvlMdb() : Workspace::tvlMon();
        if (!prepareFile(connection, path, error))
            return QSqlDatabase();
    }
    if (!QSqlDatabase::contains(connection) || QSqlDatabase::database(connection, false).databaseName().isEmpty()) {
        setError(error, QStringLiteral("No database file is set for the connection %1").arg(connection));
        return QSqlDatabase();
    }
    QSqlDatabase db = QSqlDatabase::database(connection);
    if (!db.isOpen())
        setError(error, QStringLiteral("Cannot open %1: %2").arg(db.databaseName(), db.lastError().text()));
    return db;
}

QSqlQuery DataStore::run(const QString &name, const QVariantList &parameters, QString *error)
{
    const NamedCommand *cmd = command(name);
    if (!cmd) {
        if (error)
            *error = QStringLiteral("Unknown database command %1").arg(name);
        return QSqlQuery();
    }
    QSqlDatabase db = database(cmd->connection, error);
    if (!db.isOpen())
        return QSqlQuery();
    QSqlQuery query(db);
    const QString text = cmd->kind == NamedCommand::Kind::Table
        ? QStringLiteral("SELECT * FROM %1").arg(cmd->text)
        : cmd->text;
    if (!query.prepare(text)) {
        if (error)
            *error = query.lastError().text();
        return QSqlQuery();
    }
    if (parameters.size() != cmd->parameters.size()) {
        setError(error, QStringLiteral("The command %1 takes %2 parameters, %3 were given")
                            .arg(name).arg(cmd->parameters.size()).arg(parameters.size()));
        return QSqlQuery();
    }
    // SQLite numbers the @name parameters in order of appearance, which is the
    // order the command lists them in.
    for (const QVariant &value : parameters)
        query.addBindValue(value.toString());
    if (!query.exec()) {
        if (error)
            *error = query.lastError().text();
        return QSqlQuery();
    }
    return query;
}
