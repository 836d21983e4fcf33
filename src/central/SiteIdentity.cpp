#include "SiteIdentity.h"

#include "DataStore.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QUuid>
#include <QVariant>

namespace {

bool failed(const QSqlQuery &query, QString *error)
{
    *error = QStringLiteral("The site of this workspace cannot be read or stored: %1").arg(query.lastError().text());
    return false;
}

}

bool SiteIdentity::current(Site *site, QString *error)
{
    QSqlDatabase db = DataStore::database(DataStore::kConnLog, error);
    if (!db.isOpen())
        return false;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT Id, Name FROM Site LIMIT 1")))
        return failed(q, error);
    if (q.next()) {
        *site = {q.value(0).toString(), q.value(1).toString()};
        return true;
    }
    q.finish();
    // INSERT ... WHERE NOT EXISTS: two programs of one workspace making the
    // id at the same moment still end with one row, and both read it back.
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString name = QSysInfo::machineHostName();
    if (name.isEmpty())
        name = QStringLiteral("site");
    q.prepare(QStringLiteral("INSERT INTO Site (Id, Name) SELECT ?, ? WHERE NOT EXISTS (SELECT 1 FROM Site)"));
    q.addBindValue(id);
    q.addBindValue(name);
    if (!q.exec())
        return failed(q, error);
    if (!q.exec(QStringLiteral("SELECT Id, Name FROM Site LIMIT 1")) || !q.next())
        return failed(q, error);
    *site = {q.value(0).toString(), q.value(1).toString()};
    return true;
}

bool SiteIdentity::setName(const QString &name, QString *error)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        *error = QStringLiteral("A site needs a name");
        return false;
    }
    Site site;
    if (!current(&site, error))
        return false;
    QSqlDatabase db = DataStore::database(DataStore::kConnLog, error);
    QSqlQuery q(db);
    q.prepare(QStringLiteral("UPDATE Site SET Name = ? WHERE Id = ?"));
    q.addBindValue(trimmed);
    q.addBindValue(site.id);
    return q.exec() || failed(q, error);
}
