#include "Outbox.h"

#include "DataStore.h"
#include "Ledger.h"
#include "Settings.h"
#include "Workspace.h"

#include <QDateTime>
#include <QDir>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

QString now()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
}

bool failed(const QSqlQuery &query, QString *error)
{
    if (error)
        *error = QStringLiteral("The central outbox in %1 cannot be read or written: %2")
                     .arg(QDir::toNativeSeparators(Workspace::tvlMon()), query.lastError().text());
    return false;
}

// Runs a prepared statement with its values on tvl.mon.
bool run(QSqlQuery &query, const QString &sql, const QVariantList &values, QString *error)
{
    if (!query.prepare(sql))
        return failed(query, error);
    for (const QVariant &v : values)
        query.addBindValue(v);
    return query.exec() || failed(query, error);
}

bool logDatabase(QSqlDatabase *db, QString *error)
{
    *db = DataStore::database(DataStore::kConnLog, error);
    return db->isOpen();
}

}

bool Outbox::enabled()
{
    return !GetSetting(QStringLiteral("Central"), QStringLiteral("Database")).trimmed().isEmpty();
}

bool Outbox::queue(QSqlDatabase db, const QString &fileName, const QString &fileHash, QString *error)
{
    QSqlQuery q(db);
    return run(q, QStringLiteral("INSERT INTO CentralOutbox (Queued, FileName, FileHash) VALUES (?, ?, ?)"),
               {now(), fileName, fileHash}, error);
}

bool Outbox::queueAll(int *added, QString *error)
{
    *added = 0;
    QSqlDatabase db;
    if (!logDatabase(&db, error))
        return false;
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("SELECT FileHash FROM CentralOutbox WHERE FileHash IS NOT NULL AND Gone IS NULL"), {},
             error))
        return false;
    QSet<QString> known;
    while (q.next())
        known.insert(q.value(0).toString());
    q.finish();
    if (!db.transaction())
        return failed(q, error);
    for (const QString &name : Ledger::patrolFiles()) {
        const QString hash = Ledger::hashFile(Workspace::path(name), error);
        if (hash.isEmpty()) {
            db.rollback();
            return false;
        }
        if (known.contains(hash))
            continue;
        known.insert(hash);
        if (!queue(db, name, hash, error)) {
            db.rollback();
            return false;
        }
        ++*added;
    }
    return db.commit() || failed(q, error);
}

bool Outbox::waiting(QList<Entry> *entries, QString *error)
{
    entries->clear();
    QSqlDatabase db;
    if (!logDatabase(&db, error))
        return false;
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("SELECT Seq, Queued, FileName, FileHash, Attempts, LastError FROM CentralOutbox "
                               "WHERE Pushed IS NULL AND Gone IS NULL ORDER BY Seq"),
             {}, error))
        return false;
    while (q.next())
        entries->append({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                         q.value(4).toInt(), q.value(5).toString()});
    return true;
}

bool Outbox::summary(Summary *summary, QString *error)
{
    *summary = {};
    QSqlDatabase db;
    if (!logDatabase(&db, error))
        return false;
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("SELECT count(*) FILTER (WHERE Pushed IS NULL AND Gone IS NULL), "
                               "count(*) FILTER (WHERE Gone IS NOT NULL), "
                               "min(Queued) FILTER (WHERE Pushed IS NULL AND Gone IS NULL) FROM CentralOutbox"),
             {}, error)
        || !q.next())
        return false;
    summary->waiting = q.value(0).toInt();
    summary->gone = q.value(1).toInt();
    summary->oldestWaiting = q.value(2).toString();
    if (!run(q, QStringLiteral("SELECT LastError FROM CentralOutbox WHERE LastError IS NOT NULL AND Pushed IS NULL "
                               "ORDER BY Seq DESC LIMIT 1"),
             {}, error))
        return false;
    if (q.next())
        summary->lastError = q.value(0).toString();
    return true;
}

bool Outbox::markPushed(qint64 seq, QString *error)
{
    QSqlDatabase db;
    if (!logDatabase(&db, error))
        return false;
    QSqlQuery q(db);
    return run(q, QStringLiteral("UPDATE CentralOutbox SET Pushed = ?, LastError = NULL WHERE Seq = ?"), {now(), seq},
               error);
}

bool Outbox::markFailed(qint64 seq, const QString &reason, QString *error)
{
    QSqlDatabase db;
    if (!logDatabase(&db, error))
        return false;
    QSqlQuery q(db);
    return seq == 0 ? run(q, QStringLiteral("UPDATE CentralOutbox SET Attempts = Attempts + 1, LastError = ? "
                                            "WHERE Pushed IS NULL AND Gone IS NULL"),
                          {reason}, error)
                    : run(q, QStringLiteral("UPDATE CentralOutbox SET Attempts = Attempts + 1, LastError = ? WHERE Seq = ?"),
                          {reason, seq}, error);
}

bool Outbox::markGone(qint64 seq, const QString &reason, QString *error)
{
    QSqlDatabase db;
    if (!logDatabase(&db, error))
        return false;
    QSqlQuery q(db);
    return run(q, QStringLiteral("UPDATE CentralOutbox SET Gone = ?, LastError = ? WHERE Seq = ?"), {now(), reason, seq},
               error);
}

QString Outbox::value(const QString &key)
{
    QString error;
    QSqlDatabase db;
    if (!logDatabase(&db, &error))
        return {};
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("SELECT Value FROM CentralPushState WHERE Key = ?"), {key}, &error) || !q.next())
        return {};
    return q.value(0).toString();
}

bool Outbox::setValue(const QString &key, const QString &value, QString *error)
{
    QSqlDatabase db;
    if (!logDatabase(&db, error))
        return false;
    QSqlQuery q(db);
    return value.isEmpty()
        ? run(q, QStringLiteral("DELETE FROM CentralPushState WHERE Key = ?"), {key}, error)
        : run(q, QStringLiteral("INSERT OR REPLACE INTO CentralPushState (Key, Value) VALUES (?, ?)"), {key, value},
              error);
}
