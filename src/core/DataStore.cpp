#include "DataStore.h"

#include "Workspace.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>

const QString DataStore::kConnTVL = QStringLiteral("connTVL");
const QString DataStore::kConnLog = QStringLiteral("connLog");
const QString DataStore::kConnOldDB = QStringLiteral("connOldDB");
const QString DataStore::kConnOldPatrolData = QStringLiteral("connOldPatrolData");

namespace {

struct TableSchema
{
    const char *name;
    const char *create;
};

// Column types are loose on purpose: the program writes text and the current
// date-time only. TagDef.Code is unique so a duplicate tag is refused here.
const TableSchema kTvlTables[] = {
    {"TagDef", "CREATE TABLE TagDef (Code TEXT NOT NULL UNIQUE, Description TEXT)"},
    {"PatrolData", "CREATE TABLE PatrolData (MachID TEXT, Code TEXT, `Date` TEXT, `Time` TEXT)"},
};
const TableSchema kLogTables[] = {
    {"Log", "CREATE TABLE Log (`DateTime` TEXT, Command TEXT, Description TEXT)"},
};

QList<TableSchema> schemaFor(const QString &connection)
{
    if (connection == DataStore::kConnLog)
        return {std::begin(kLogTables), std::end(kLogTables)};
    return {std::begin(kTvlTables), std::end(kTvlTables)};
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

bool DataStore::prepareFile(const QString &connection, const QString &path, QString *error)
{
    const bool existed = QFileInfo::exists(path);
    QSqlDatabase db = connectionFor(connection, path);
    if (!db.isOpen() && !db.open()) {
        if (error)
            *error = QStringLiteral("Cannot open %1: %2").arg(path, db.lastError().text());
        return false;
    }
    QSqlQuery probe(db);
    // Reading the catalogue is what makes SQLite look at the file's header.
    if (!probe.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"))) {
        if (error)
            *error = QStringLiteral("%1 is not a database: %2").arg(path, probe.lastError().text());
        db.close();
        return false;
    }
    QStringList present;
    while (probe.next())
        present << probe.value(0).toString();
    probe.finish();

    for (const TableSchema &table : schemaFor(connection)) {
        const QString name = QLatin1String(table.name);
        if (present.contains(name, Qt::CaseInsensitive))
            continue;
        if (existed) {
            if (error)
                *error = QStringLiteral("The database %1 has no table %2").arg(path, name);
            db.close();
            return false;
        }
        QSqlQuery create(db);
        if (!create.exec(QLatin1String(table.create))) {
            if (error)
                *error = QStringLiteral("Cannot create table %1 in %2: %3")
                             .arg(name, path, create.lastError().text());
            db.close();
            return false;
        }
    }
    return true;
}

bool DataStore::open(QString *error)
{
    if (!prepareFile(kConnTVL, Workspace::tvlMdb(), error))
        return false;
    if (!prepareFile(kConnLog, Workspace::tvlMon(), error))
        return false;
    // The old-generation connections get their file per use.
    for (const QString &name : {kConnOldDB, kConnOldPatrolData})
        if (!QSqlDatabase::contains(name))
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    return true;
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

bool DataStore::isOpen()
{
    return QSqlDatabase::contains(kConnTVL) && QSqlDatabase::database(kConnTVL, false).isOpen();
}

QSqlQuery DataStore::run(const QString &name, const QVariantList &parameters, QString *error)
{
    const NamedCommand *cmd = command(name);
    if (!cmd) {
        if (error)
            *error = QStringLiteral("Unknown database command %1").arg(name);
        return QSqlQuery();
    }
    if (!QSqlDatabase::contains(cmd->connection)) {
        if (error)
            *error = QStringLiteral("The connection %1 is not set up").arg(cmd->connection);
        return QSqlQuery();
    }
    QSqlDatabase db = QSqlDatabase::database(cmd->connection);
    if (!db.isOpen()) {
        if (error)
            *error = QStringLiteral("Cannot open %1: %2").arg(db.databaseName(), db.lastError().text());
        return QSqlQuery();
    }
    QSqlQuery query(db);
    const QString text = cmd->kind == NamedCommand::Kind::Table
        ? QStringLiteral("SELECT * FROM %1").arg(cmd->text)
        : cmd->text;
    if (!query.prepare(text)) {
        if (error)
            *error = query.lastError().text();
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
