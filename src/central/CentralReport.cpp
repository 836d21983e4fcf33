#include "CentralReport.h"

#include "CentralDatabase.h"
#include "ExceptionReport.h"
#include "TagStore.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

bool CentralReport::sites(QSqlDatabase db, QList<Site> *sites, QString *error)
{
    QSqlQuery q(db);
    if (!CentralDatabase::exec(q, QStringLiteral("SELECT id::text, name FROM sites ORDER BY name, id"),
                               QStringLiteral("The sites cannot be read"), error))
        return false;
    sites->clear();
    while (q.next())
        sites->append({q.value(0).toString(), q.value(1).toString()});
    return true;
}

bool CentralReport::definitions(QSqlDatabase db, const QString &siteId, Definitions *definitions, QString *error)
{
    *definitions = {};
    const QString what = QStringLiteral("The definitions of the site cannot be read");
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT code, description, kind, kind_text FROM tags WHERE site_id = ?::uuid"));
    q.addBindValue(siteId);
    if (!CentralDatabase::exec(q, what, error))
        return false;
    // As the workspace's description map: a code defined twice (in another case) has no description.
    QSet<QString> twice;
    while (q.next()) {
        const QString key = TagStore::codeKey(q.value(0).toString());
        if (definitions->names.contains(key))
            twice.insert(key);
        definitions->names.insert(key, q.value(1).toString());
        const QString kind = q.value(2).toString();
        if (kind == QLatin1String("guard"))
            definitions->guards.insert(key);
        else if (kind == QLatin1String("incident"))
            definitions->incidents.insert(key, q.value(3).toString());
    }
    for (const QString &key : std::as_const(twice))
        definitions->names.remove(key);

    q.prepare(QStringLiteral("SELECT p.name, to_char(p.start_time, 'HH24:MI'), to_char(p.end_time, 'HH24:MI'), "
                             "p.interval_minutes, p.weekdays, pp.code, pp.minutes, pp.tolerance, pp.min_minutes "
                             "FROM plans p JOIN plan_points pp ON pp.site_id = p.site_id AND pp.plan_name = p.name "
                             "WHERE p.site_id = ?::uuid ORDER BY p.name, pp.seq"));
    q.addBindValue(siteId);
    if (!CentralDatabase::exec(q, what, error))
        return false;
    while (q.next()) {
        const QString name = q.value(0).toString();
        if (definitions->plans.isEmpty() || definitions->plans.last().name != name) {
            PatrolPlan plan;
            plan.name = name;
            plan.start = QTime::fromString(q.value(1).toString(), QStringLiteral("HH:mm"));
            plan.end = QTime::fromString(q.value(2).toString(), QStringLiteral("HH:mm"));
            plan.interval = q.value(3).toInt();
            plan.weekdays = q.value(4).toInt();
            definitions->plans.append(plan);
        }
        definitions->plans.last().checkpoints.append(
            {q.value(5).toString(), q.value(6).toInt(), q.value(7).toInt(), q.value(8).toInt()});
    }
    return true;
}

bool CentralReport::marks(QSqlDatabase db, const QString &siteId, const Definitions &definitions, const QDate &from,
                          const QDate &to, FlagData *marks, QString *error)
{
    Q_UNUSED(to); // a download after the range can still hold reads of it
    *marks = {};
    const QString what = QStringLiteral("The records of the site cannot be read");
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // A download holds reads older than itself only: one saved more than a
    // day before the range (a terminal's clock may run a day ahead) holds
    // none of it. Its file is named after its download time.
    const QString downloadsFrom = QStringLiteral("(d.file_name !~ '^[0-9]{8} [0-9]{6}' OR left(d.file_name, 8) >= ?)");
    const QString oldest = from.addDays(-1).toString(QStringLiteral("yyyyMMdd"));
    // Times come as seconds: a timestamp's epoch is its wall clock read as UTC, as PatrolPlan::moment counts.
    q.prepare(QStringLiteral("SELECT d.id, d.file_name, extract(epoch FROM d.downloaded_at)::bigint, d.clock_offset_sec "
                             "FROM downloads d WHERE d.site_id = ?::uuid AND %1 ORDER BY d.file_name, d.id")
                  .arg(downloadsFrom));
    q.addBindValue(siteId);
    q.addBindValue(oldest);
    if (!CentralDatabase::exec(q, what, error))
        return false;
    QHash<qint64, int> downloadOf;
    QString ids = QStringLiteral("{");
    while (q.next()) {
        DownloadInfo info;
        info.file = q.value(1).toString();
        if (!q.value(2).isNull())
            info.at = q.value(2).toLongLong();
        if (!q.value(3).isNull())
            info.offset = q.value(3).toLongLong();
        downloadOf.insert(q.value(0).toLongLong(), int(marks->downloads.size()));
        if (ids.size() > 1)
            ids += u',';
        ids += q.value(0).toString();
        marks->downloads.push_back(info);
        marks->paths << info.file;
    }
    ids += u'}';
    if (marks->downloads.empty()) {
        FlagReport::evaluate(definitions.plans, definitions.guards, definitions.incidents, marks);
        return true;
    }
    // In no order: sorting by download and place here is cheaper than on the server.
    q.prepare(QStringLiteral("SELECT download_id, machine_no, extract(epoch FROM read_at)::bigint, code, seq FROM records "
                             "WHERE site_id = ?::uuid AND download_id = ANY(?::bigint[])"));
    q.addBindValue(siteId);
    q.addBindValue(ids);
    if (!CentralDatabase::exec(q, what, error))
        return false;
    struct Row
    {
        FlagRead read;
        int seq;
    };
    std::vector<Row> rows;
    // The same few terminals and codes again and again: one text of each.
    QHash<QString, QString> machines, codes;
    while (q.next()) {
        const int download = downloadOf.value(q.value(0).toLongLong(), -1);
        if (download < 0)
            continue;
        QString machine = q.value(1).toString();
        QString &sharedMachine = machines[machine];
        if (sharedMachine.isNull())
            sharedMachine = machine;
        const QString code = TagStore::codeKey(q.value(3).toString());
        QString &sharedCode = codes[code];
        if (sharedCode.isNull())
            sharedCode = code;
        rows.push_back({{sharedMachine, q.value(2).toLongLong(), sharedCode, download}, q.value(4).toInt()});
    }
    std::sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) {
        return a.read.download != b.read.download ? a.read.download < b.read.download : a.seq < b.seq;
    });
    marks->reads.reserve(rows.size());
    marks->rowOf.reserve(rows.size());
    for (Row &r : rows) {
        marks->reads.push_back(std::move(r.read));
        marks->rowOf.push_back(r.seq - 1);
    }
    FlagReport::evaluate(definitions.plans, definitions.guards, definitions.incidents, marks);
    return true;
}

bool CentralReport::twins(QSqlDatabase db, const QString &siteId, const QDate &first, const QDate &last,
                          QList<Twin> *twins, QString *error)
{
    twins->clear();
    // The site's terminals and days first (its own rows, by the site's
    // index), then for each any other site's read of that number that day.
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT m.machine_no, to_char(m.day, 'YYYY-MM-DD'), string_agg(s.name, '\t' ORDER BY s.name) "
                             "FROM (SELECT DISTINCT machine_no, read_at::date AS day FROM records "
                             "      WHERE site_id = ?::uuid AND read_at >= ?::timestamp AND read_at < ?::timestamp) m "
                             "CROSS JOIN LATERAL (SELECT DISTINCT r.site_id FROM records r "
                             "      WHERE r.machine_no = m.machine_no AND r.read_at >= m.day "
                             "        AND r.read_at < m.day + 1 AND r.site_id <> ?::uuid) o "
                             "JOIN sites s ON s.id = o.site_id "
                             "GROUP BY m.machine_no, m.day ORDER BY m.day, m.machine_no"));
    q.addBindValue(siteId);
    q.addBindValue(first.toString(Qt::ISODate));
    q.addBindValue(last.addDays(1).toString(Qt::ISODate));
    q.addBindValue(siteId);
    if (!CentralDatabase::exec(q, QStringLiteral("The records of the other sites cannot be read"), error))
        return false;
    while (q.next())
        twins->append({q.value(0).toString(), QDate::fromString(q.value(1).toString(), Qt::ISODate),
                       q.value(2).toString().split(u'\t')});
    return true;
}

bool CentralReport::allTwins(QSqlDatabase db, const QDate &first, const QDate &last,
                             QHash<QString, QList<Twin>> *twins, QString *error)
{
    twins->clear();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("WITH days AS (SELECT DISTINCT site_id, machine_no, read_at::date AS day FROM records "
                             "              WHERE read_at >= ?::timestamp AND read_at < ?::timestamp), "
                             "shared AS (SELECT machine_no, day FROM days GROUP BY machine_no, day HAVING count(*) > 1) "
                             "SELECT d.site_id::text, d.machine_no, to_char(d.day, 'YYYY-MM-DD'), "
                             "       string_agg(s.name, '\t' ORDER BY s.name) "
                             "FROM days d JOIN shared USING (machine_no, day) "
                             "JOIN days o ON o.machine_no = d.machine_no AND o.day = d.day AND o.site_id <> d.site_id "
                             "JOIN sites s ON s.id = o.site_id "
                             "GROUP BY d.site_id, d.machine_no, d.day ORDER BY d.day, d.machine_no"));
    q.addBindValue(first.toString(Qt::ISODate));
    q.addBindValue(last.addDays(1).toString(Qt::ISODate));
    if (!CentralDatabase::exec(q, QStringLiteral("The records of the other sites cannot be read"), error))
        return false;
    while (q.next())
        (*twins)[q.value(0).toString()].append({q.value(1).toString(),
                                                QDate::fromString(q.value(2).toString(), Qt::ISODate),
                                                q.value(3).toString().split(u'\t')});
    return true;
}

void CentralReport::addTwins(const QList<Twin> &twins, FlagData *marks)
{
    if (twins.isEmpty())
        return;
    // Machine number -> (day as days since 1970, into twins); reads count time from 1970 in seconds.
    const QDate epoch(1970, 1, 1);
    QHash<QString, QList<std::pair<qint64, qsizetype>>> twinDays;
    for (qsizetype t = 0; t < twins.size(); ++t)
        twinDays[twins[t].machineNo].append({epoch.daysTo(twins[t].day), t});
    // The earliest read of each twin's number and day: one flag a day and site is enough to look into.
    QList<qsizetype> firstRead(twins.size(), -1);
    for (qsizetype i = 0; i < qsizetype(marks->reads.size()); ++i) {
        const FlagRead &r = marks->reads[size_t(i)];
        const auto it = twinDays.constFind(r.machineNo);
        if (it == twinDays.constEnd())
            continue;
        const qint64 day = r.at >= 0 ? r.at / 86400 : (r.at - 86399) / 86400;
        for (const auto &[twinDay, t] : *it) {
            if (twinDay != day)
                continue;
            qsizetype &first = firstRead[t];
            if (first < 0 || r.at < marks->reads[size_t(first)].at)
                first = i;
        }
    }
    for (qsizetype t = 0; t < twins.size(); ++t)
        if (firstRead[t] >= 0)
            marks->flags.append({firstRead[t], FlagRule::Twin,
                                 QStringLiteral("also read at %1 on %2")
                                     .arg(twins[t].otherSites.join(QStringLiteral(", ")),
                                          twins[t].day.toString(Qt::ISODate))});
    std::stable_sort(marks->flags.begin(), marks->flags.end(), [](const ReadFlag &a, const ReadFlag &b) {
        return a.read != b.read ? a.read < b.read : int(a.rule) < int(b.rule);
    });
}

bool CentralReport::run(QSqlDatabase db, const QString &siteId, const QDate &from, const QDate &to,
                        const QString &planName, ExceptionResult *result, QString *error)
{
    Definitions defs;
    return run(db, siteId, from, to, planName, result, &defs, error);
}

bool CentralReport::run(QSqlDatabase db, const QString &siteId, const QDate &from, const QDate &to,
                        const QString &planName, ExceptionResult *result, Definitions *defs, QString *error)
{
    if (!definitions(db, siteId, defs, error))
        return false;
    if (!planName.isEmpty()
        && std::none_of(defs->plans.begin(), defs->plans.end(), [&](const PatrolPlan &p) { return p.name == planName; })) {
        *error = QStringLiteral("There is no plan called %1").arg(planName);
        return false;
    }
    if (defs->plans.isEmpty()) {
        *result = {};
        return true;
    }
    QDate first, last;
    ExceptionMatcher::claimingDays(defs->plans, from, to, &first, &last);
    FlagData flagData;
    QList<Twin> twinReads;
    if (!marks(db, siteId, *defs, first, last, &flagData, error) || !twins(db, siteId, first, last, &twinReads, error))
        return false;
    addTwins(twinReads, &flagData);
    *result = ExceptionReport::compute(defs->plans, defs->guards, defs->names, defs->incidents, flagData, from, to,
                                       planName);
    return true;
}
