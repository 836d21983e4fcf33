#include "CentralPush.h"

#include "CentralDatabase.h"
#include "DataStore.h"
#include "Ledger.h"
#include "PatrolDataLoader.h"
#include "PatrolPlan.h"
#include "PatrolRow.h"
#include "PlanStore.h"
#include "TagStore.h"
#include "Workspace.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <optional>

namespace {

constexpr qsizetype kRecordsPerInsert = 5000;

struct LedgerFacts
{
    QString rowHash;
    QDateTime at; // UTC
    std::optional<qint64> offset;
    QString family;
    QString machineNo;
};

// The ledger's download row of a file name, when there is one.
std::optional<LedgerFacts> ledgerFacts(const QString &fileName)
{
    QString error;
    QSqlDatabase db = DataStore::database(DataStore::kConnLog, &error);
    if (!db.isOpen())
        return std::nullopt;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT RowHash, At, ClockOffsetSec, Family, MachineNo FROM Ledger "
                             "WHERE Kind = 'download' AND FileName = ? ORDER BY RowNo DESC LIMIT 1"));
    q.addBindValue(Ledger::relativeName(QDir(Workspace::unapprovedFolder()).filePath(fileName)));
    if (!q.exec() || !q.next())
        return std::nullopt;
    LedgerFacts facts{q.value(0).toString(), QDateTime::fromString(q.value(1).toString(), Qt::ISODate), {},
                      q.value(3).toString(), q.value(4).toString()};
    if (!q.value(2).isNull())
        facts.offset = q.value(2).toLongLong();
    return facts;
}

// A PostgreSQL array literal of texts: {"a","b"}.
void appendElement(QString &array, const QString &text)
{
    array += array.size() > 1 ? QStringLiteral(",\"") : QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\')
            array += u'\\';
        array += c;
    }
    array += u'"';
}

struct FileRecord
{
    QString machineNo;
    QString readAt; // yyyy-MM-dd HH:mm:ss
    QString code;
    int seq;
};

bool fail(QSqlDatabase &db)
{
    db.rollback();
    return false;
}

bool begin(QSqlDatabase &db, const QString &what, QString *error)
{
    if (db.transaction())
        return true;
    *error = QStringLiteral("%1: %2").arg(what, CentralDatabase::reason(db.lastError().text()));
    return false;
}

bool commit(QSqlDatabase &db, const QString &what, QString *error)
{
    if (db.commit())
        return true;
    *error = QStringLiteral("%1: %2").arg(what, CentralDatabase::reason(db.lastError().text()));
    return fail(db);
}

// The workspace's definitions as a site pushes them.
struct Definitions
{
    QList<TagDef> tags;
    QSet<QString> guards;               // TagStore::codeKey
    QHash<QString, QString> incidents;  // TagStore::codeKey -> text
    QList<PatrolPlan> plans;

    bool read(QString *error)
    {
        QString problem;
        tags = TagStore::all(&problem);
        guards = TagStore::guardCodes(&problem);
        incidents = TagStore::incidentTexts(&problem);
        plans = PlanStore::all(&problem);
        if (problem.isEmpty())
            return true;
        *error = problem;
        return false;
    }
    // "guard", "incident", or empty for a checkpoint.
    QString kind(const QString &key) const
    {
        return guards.contains(key) ? QStringLiteral("guard")
            : incidents.contains(key) ? QStringLiteral("incident")
                                      : QString();
    }
};

}

bool CentralPush::registerSite(QSqlDatabase db, const SiteIdentity::Site &site, QString *error)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO sites (id, name) VALUES (?::uuid, ?) "
                             "ON CONFLICT (id) DO UPDATE SET name = excluded.name WHERE sites.name <> excluded.name"));
    q.addBindValue(site.id);
    q.addBindValue(site.name);
    return CentralDatabase::exec(q, QStringLiteral("The site %1 cannot be registered").arg(site.name), error);
}

bool CentralPush::pushFile(QSqlDatabase db, const QString &siteId, const QString &path, const QString &fileName,
                           Outcome *outcome, QString *error)
{
    const QString name = fileName.isEmpty() ? QFileInfo(path).fileName() : fileName;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    const QString sha = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());

    // The records as the file holds them; lines without a date and time are no reads.
    QList<FileRecord> records;
    QSet<QString> months;
    QList<int> skipped;
    PatrolRow row;
    int seq = 0;
    QString readError;
    if (!PatrolDataLoader::readTvl(
            path, [&](qsizetype size) { records.reserve(size / 40 + 1); },
            [&](const QList<QStringView> &fields) {
                row.date = fields[2].toString();
                row.time = fields[3].toString();
                const QDate date = row.dateValue();
                const QTime time = row.timeValue();
                ++seq;
                if (!date.isValid() || !time.isValid())
                    return;
                const QDateTime at = PatrolPlan::moment(date, time);
                records.append({fields[0].toString(), at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                fields[1].toString(), seq});
                months.insert(at.toString(QStringLiteral("yyyy-MM-01")));
            },
            &skipped, &readError)) {
        *error = readError;
        return false;
    }

    const std::optional<LedgerFacts> facts = ledgerFacts(name);
    QDateTime downloaded = facts ? facts->at : QFileInfo(path).lastModified();
    if (facts && downloaded.timeSpec() == Qt::LocalTime) // the ledger writes UTC, with or without its Z
        downloaded = QDateTime(downloaded.date(), downloaded.time(), Qt::UTC);
    downloaded = downloaded.toLocalTime(); // the PC's wall clock, as the records have the terminal's

    QSqlQuery q(db);
    // Month partitions first, each in a short transaction of its own: making
    // one locks the records table, which a long batch must not hold.
    for (const QString &month : std::as_const(months)) {
        q.prepare(QStringLiteral("SELECT ensure_record_partition(?::timestamp)"));
        q.addBindValue(month);
        if (!CentralDatabase::exec(q, QStringLiteral("%1 cannot be pushed").arg(name), error))
            return false;
    }

    const QString what = QStringLiteral("%1 cannot be pushed").arg(name);
    if (!begin(db, what, error))
        return false;
    q.prepare(QStringLiteral("INSERT INTO downloads (site_id, ledger_hash, file_name, sha256, machine_no, family, "
                             "downloaded_at, clock_offset_sec, record_count, bytes) "
                             "VALUES (?::uuid, ?, ?, ?, ?, ?, ?::timestamp, ?, ?, ?) ON CONFLICT DO NOTHING RETURNING id"));
    q.addBindValue(siteId);
    q.addBindValue(facts ? QVariant(facts->rowHash) : QVariant(QMetaType(QMetaType::QString)));
    q.addBindValue(name);
    q.addBindValue(sha);
    q.addBindValue(facts && !facts->machineNo.isEmpty() ? QVariant(facts->machineNo)
                   : records.isEmpty()                   ? QVariant(QMetaType(QMetaType::QString))
                                                         : QVariant(records.first().machineNo));
    q.addBindValue(facts ? QVariant(facts->family) : QVariant(QMetaType(QMetaType::QString)));
    q.addBindValue(downloaded.isValid() ? QVariant(downloaded.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                                        : QVariant(QMetaType(QMetaType::QString)));
    q.addBindValue(facts && facts->offset ? QVariant(*facts->offset) : QVariant(QMetaType(QMetaType::LongLong)));
    q.addBindValue(records.size());
    q.addBindValue(bytes);
    if (!CentralDatabase::exec(q, what, error))
        return fail(db);
    if (!q.next()) {
        // The bytes are there already (from this or another site), or the
        // name holds other bytes: the first is kept, the second noted.
        q.prepare(QStringLiteral("SELECT sha256 FROM downloads WHERE site_id = ?::uuid AND file_name = ?"));
        q.addBindValue(siteId);
        q.addBindValue(name);
        if (!CentralDatabase::exec(q, what, error))
            return fail(db);
        const QString existing = q.next() ? q.value(0).toString() : QString();
        if (existing.isEmpty() || existing == sha) {
            *outcome = Outcome::AlreadyThere;
        } else {
            q.prepare(QStringLiteral("INSERT INTO conflicts (site_id, kind, natural_key, existing_sha256, "
                                     "incoming_sha256, incoming) VALUES (?::uuid, 'download', ?, ?, ?, ?) "
                                     "ON CONFLICT DO NOTHING"));
            q.addBindValue(siteId);
            q.addBindValue(name);
            q.addBindValue(existing);
            q.addBindValue(sha);
            q.addBindValue(bytes);
            if (!CentralDatabase::exec(q, what, error))
                return fail(db);
            *outcome = Outcome::Conflict;
        }
        return commit(db, what, error);
    }
    const qint64 downloadId = q.value(0).toLongLong();

    // The records go in as arrays, a few thousand a statement.
    for (qsizetype first = 0; first < records.size(); first += kRecordsPerInsert) {
        QString machines = QStringLiteral("{"), times = QStringLiteral("{"), codes = QStringLiteral("{"),
                seqs = QStringLiteral("{");
        const qsizetype end = std::min(records.size(), first + kRecordsPerInsert);
        for (qsizetype i = first; i < end; ++i) {
            const FileRecord &r = records.at(i);
            appendElement(machines, r.machineNo);
            appendElement(times, r.readAt);
            appendElement(codes, r.code);
            if (seqs.size() > 1)
                seqs += u',';
            seqs += QString::number(r.seq);
        }
        machines += u'}';
        times += u'}';
        codes += u'}';
        seqs += u'}';
        q.prepare(QStringLiteral("INSERT INTO records (site_id, machine_no, read_at, code, download_id, seq) "
                                 "SELECT ?::uuid, m, t, c, ?, s "
                                 "FROM unnest(?::text[], ?::timestamp[], ?::text[], ?::integer[]) AS r (m, t, c, s) "
                                 "ON CONFLICT DO NOTHING"));
        q.addBindValue(siteId);
        q.addBindValue(downloadId);
        q.addBindValue(machines);
        q.addBindValue(times);
        q.addBindValue(codes);
        q.addBindValue(seqs);
        if (!CentralDatabase::exec(q, what, error))
            return fail(db);
    }
    if (!commit(db, what, error))
        return false;
    *outcome = Outcome::Landed;
    return true;
}

QString CentralPush::definitionsHash(QString *error)
{
    Definitions defs;
    if (!defs.read(error))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const TagDef &t : std::as_const(defs.tags)) {
        const QString key = TagStore::codeKey(t.code);
        hash.addData(QStringLiteral("%1\t%2\t%3\t%4\n")
                         .arg(t.code, t.description, defs.kind(key), defs.incidents.value(key))
                         .toUtf8());
    }
    hash.addData(PlanStore::toJson(defs.plans));
    return QString::fromLatin1(hash.result().toHex());
}

bool CentralPush::pushDefinitions(QSqlDatabase db, const QString &siteId, QString *error)
{
    Definitions defs;
    if (!defs.read(error))
        return false;
    const QString what = QStringLiteral("The tag definitions and plans cannot be pushed");
    if (!begin(db, what, error))
        return false;
    QSqlQuery q(db);
    // The site's definitions are its own: replaced whole, in one transaction.
    for (const char *table : {"plan_points", "plans", "tags"}) {
        q.prepare(QStringLiteral("DELETE FROM %1 WHERE site_id = ?::uuid").arg(QLatin1String(table)));
        q.addBindValue(siteId);
        if (!CentralDatabase::exec(q, what, error))
            return fail(db);
    }
    for (const TagDef &t : std::as_const(defs.tags)) {
        const QString key = TagStore::codeKey(t.code);
        const QString kind = defs.kind(key);
        q.prepare(QStringLiteral("INSERT INTO tags (site_id, code, description, kind, kind_text) "
                                 "VALUES (?::uuid, ?, ?, ?, ?) ON CONFLICT DO NOTHING"));
        q.addBindValue(siteId);
        q.addBindValue(t.code);
        q.addBindValue(t.description);
        q.addBindValue(kind.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(kind));
        q.addBindValue(defs.incidents.contains(key) ? QVariant(defs.incidents.value(key))
                                                    : QVariant(QMetaType(QMetaType::QString)));
        if (!CentralDatabase::exec(q, what, error))
            return fail(db);
    }
    for (const PatrolPlan &p : std::as_const(defs.plans)) {
        q.prepare(QStringLiteral("INSERT INTO plans (site_id, name, start_time, end_time, interval_minutes, weekdays) "
                                 "VALUES (?::uuid, ?, ?::time, ?::time, ?, ?)"));
        q.addBindValue(siteId);
        q.addBindValue(p.name);
        q.addBindValue(p.start.toString(QStringLiteral("HH:mm")));
        q.addBindValue(p.end.toString(QStringLiteral("HH:mm")));
        q.addBindValue(p.interval);
        q.addBindValue(p.weekdays);
        if (!CentralDatabase::exec(q, what, error))
            return fail(db);
        for (qsizetype i = 0; i < p.checkpoints.size(); ++i) {
            const PlanCheckpoint &c = p.checkpoints.at(i);
            q.prepare(QStringLiteral("INSERT INTO plan_points (site_id, plan_name, seq, code, minutes, tolerance, "
                                     "min_minutes) VALUES (?::uuid, ?, ?, ?, ?, ?, ?)"));
            q.addBindValue(siteId);
            q.addBindValue(p.name);
            q.addBindValue(int(i + 1));
            q.addBindValue(c.code);
            q.addBindValue(c.minutes);
            q.addBindValue(c.tolerance);
            q.addBindValue(c.minMinutes ? QVariant(c.minMinutes) : QVariant(QMetaType(QMetaType::Int)));
            if (!CentralDatabase::exec(q, what, error))
                return fail(db);
        }
    }
    return commit(db, what, error);
}

bool CentralPush::notePush(QSqlDatabase db, const QString &siteId, int waiting, QString *error)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("UPDATE sites SET last_push = now(), waiting = ? WHERE id = ?::uuid"));
    q.addBindValue(waiting);
    q.addBindValue(siteId);
    return CentralDatabase::exec(q, QStringLiteral("The push cannot be recorded"), error);
}
