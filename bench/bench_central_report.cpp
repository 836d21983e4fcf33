// The exception report across the sites of the central database for a
// month: 20 sites, each with 3 terminals walking 5 plans of 10 checkpoints
// with a round every hour, about 37,000 records a site (750,000 in all) with
// late, missed and double reads; every file pushed through CentralPush as a
// site pushes it. Times CentralExceptions::run over the month for every site
// (parallel, each site on its own connection), for one site and for one day,
// and prints wall and processor time, then the plans the server chose for the
// main queries. A throw-away PostgreSQL cluster; run a Release build:
// bench_central_report [runs [threads]].

#include "BenchSupport.h"
#include "CentralDatabase.h"
#include "CentralExceptions.h"
#include "CentralPush.h"
#include "CentralReport.h"
#include "ExceptionReport.h"
#include "CentralSchema.h"
#include "PatrolFile.h"
#include "PgCluster.h"
#include "PlanStore.h"
#include "TagStore.h"
#include "Workspace.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QThreadPool>
#include <QUuid>

#include <cstdio>

namespace {

constexpr int kSites = 20;
constexpr int kTerminals = 3;
constexpr int kPlans = 5;
constexpr int kCheckpoints = 10;
constexpr int kInterval = 60;

int fail(const QString &error)
{
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return 1;
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? QByteArray(argv[1]).toInt() : 3;
    // bench_central_report RUNS THREADS: the sites on fewer threads, to compare.
    if (argc > 2)
        QThreadPool::globalInstance()->setMaxThreadCount(QByteArray(argv[2]).toInt());
    QTemporaryDir dir;
    QString error;
    if (!openBenchWorkspace(dir, &error))
        return fail(error);
    PgCluster pg;
    if (!pg.start(&error))
        return fail(error);
    const CentralSettings settings = pg.settings();
    QSqlDatabase db = CentralDatabase::open(settings, QStringLiteral("bench"), &error);
    if (!db.isOpen() || !CentralSchema::migrate(db, nullptr, &error))
        return fail(error);

    // Every site has the same plans and tags, each its own copy of them.
    QList<PatrolPlan> plans;
    for (int p = 0; p < kPlans; ++p) {
        PatrolPlan plan{QStringLiteral("Plan %1").arg(p), QTime(0, p * 7), QTime(23, 59), kInterval,
                        PatrolPlan::kEveryDay, {}};
        for (int c = 0; c < kCheckpoints; ++c)
            plan.checkpoints.append({codeOf(p * kCheckpoints + c), c * 4, 2});
        plans.append(plan);
    }
    if (!PlanStore::replaceAll(plans, &error))
        return fail(error);
    for (int t = 0; t < kTerminals; ++t)
        if (!TagStore::setGuard(codeOf(1000 + t), true, &error))
            return fail(error);

    QRandomGenerator random(23);
    const QDate first(2026, 12, 1);
    const QDate last(2026, 12, 31);
    qint64 records = 0;
    int files = 0;
    QElapsedTimer pushClock;
    pushClock.start();
    for (int s = 0; s < kSites; ++s) {
        const SiteIdentity::Site site{QUuid::createUuid().toString(QUuid::WithoutBraces),
                                      QStringLiteral("Site %1").arg(s, 2, 10, QLatin1Char('0'))};
        if (!CentralPush::registerSite(db, site, &error) || !CentralPush::pushDefinitions(db, site.id, &error))
            return fail(error);
        for (QDate day = first; day <= last; day = day.addDays(1)) {
            QList<QByteArray> bytes(kTerminals);
            auto add = [&](int terminal, const QDateTime &at, const QString &code) {
                // Machine numbers are the site's own, but terminal 0 of sites 0 and 1 share one on the 15th.
                const int machine = s == 1 && terminal == 0 && day == QDate(2026, 12, 15) ? 1 : s * 10 + terminal + 1;
                bytes[terminal] += PatrolFile::encode(QStringLiteral("%1,%2,%3,%4")
                                                          .arg(machine)
                                                          .arg(code, at.toString(QStringLiteral("yyyy/MM/dd")),
                                                               at.toString(QStringLiteral("HH:mm:ss"))));
                bytes[terminal] += "\r\n";
                ++records;
            };
            for (int t = 0; t < kTerminals; ++t)
                add(t, PatrolPlan::moment(day, QTime(0, 0, t)), codeOf(1000 + t));
            for (qsizetype p = 0; p < plans.size(); ++p)
                for (const QDateTime &start : plans[p].roundStarts(day, day))
                    for (const PlanCheckpoint &c : plans[p].checkpoints) {
                        const int roll = int(random.bounded(100));
                        if (roll < 3)
                            continue; // missed
                        const QDateTime due = start.addSecs(c.minutes * 60);
                        add(int(p) % kTerminals, due.addSecs(random.bounded(-150, 200)), c.code);
                        if (roll > 97)
                            add(int(p) % kTerminals, due.addSecs(random.bounded(60, 300)), c.code); // double visit
                    }
            for (int t = 0; t < kTerminals; ++t) {
                const QDateTime saved(day.addDays(1), QTime(6, 0, t));
                const QString path = QDir(Workspace::unapprovedFolder()).filePath(PatrolFile::fileNameFor(saved));
                QFile file(path);
                if (!file.open(QIODevice::WriteOnly) || file.write(bytes[t]) != bytes[t].size())
                    return fail(path + QStringLiteral(": ") + file.errorString());
                // Without a ledger row the push takes the download time from the file's.
                file.setFileTime(saved, QFileDevice::FileModificationTime);
                file.close();
                CentralPush::Outcome outcome;
                if (!CentralPush::pushFile(db, site.id, path, {}, &outcome, &error))
                    return fail(error);
                QFile::remove(path);
                ++files;
            }
        }
    }
    const double pushSeconds = pushClock.nsecsElapsed() / 1e9;
    std::printf("pushed %lld records in %d files of %d sites in %.1f s (%.0f records/s)\n",
                static_cast<long long>(records), files, kSites, pushSeconds, records / pushSeconds);
    QSqlQuery q(db);
    q.exec(QStringLiteral("VACUUM ANALYZE"));

    auto timed = [&](const QString &site, const QDate &from, const QDate &to, const char *what) {
        for (int run = 0; run < runs; ++run) {
            CentralExceptions::Result result;
            QElapsedTimer clock;
            const double cpu = cpuMs();
            clock.start();
            if (CentralExceptions::run(settings, site, from, to, {}, &result, &error) != CentralExceptions::Status::Ok)
                return false;
            const double wall = clock.nsecsElapsed() / 1e6;
            int twins = 0;
            for (const FlaggedRead &f : std::as_const(result.report.flagged))
                twins += f.rules.contains(QLatin1String("twin"));
            OutcomeTotals all;
            for (const OutcomeTotals &t : std::as_const(result.report.byPlan)) {
                all.onTime += t.onTime, all.early += t.early, all.late += t.late;
                all.missed += t.missed, all.extra += t.extra;
            }
            std::printf("%s, run %d: %.0f ms wall, %.0f ms processor; %d sites, %lld outcomes (on time %d, early %d, "
                        "late %d, missed %d, extra %d), %lld flagged reads (%d twin)\n",
                        what, run + 1, wall, cpuMs() - cpu, int(result.sites.size()),
                        static_cast<long long>(result.report.outcomes.size()), all.onTime, all.early, all.late,
                        all.missed, all.extra, static_cast<long long>(result.report.flagged.size()), twins);
        }
        return true;
    };
    if (!timed({}, first, last, "20 sites, a month") || !timed(QStringLiteral("Site 01"), first, last, "one site, a month")
        || !timed({}, QDate(2026, 12, 15), QDate(2026, 12, 15), "20 sites, one day"))
        return fail(error);

    // The two halves, one site after the other on one connection: fetching a
    // site's definitions and records with their flags, and the matching.
    {
        QList<CentralReport::Site> sites;
        if (!CentralReport::sites(db, &sites, &error))
            return fail(error);
        double fetchWall = 0, fetchCpu = 0, matchWall = 0, matchCpu = 0;
        for (const CentralReport::Site &site : std::as_const(sites)) {
            QElapsedTimer clock;
            double cpu = cpuMs();
            clock.start();
            CentralReport::Definitions defs;
            FlagData marks;
            QDate from, to;
            if (!CentralReport::definitions(db, site.id, &defs, &error))
                return fail(error);
            ExceptionMatcher::claimingDays(defs.plans, first, last, &from, &to);
            if (!CentralReport::marks(db, site.id, defs, from, to, &marks, &error))
                return fail(error);
            fetchWall += clock.nsecsElapsed() / 1e6;
            fetchCpu += cpuMs() - cpu;
            cpu = cpuMs();
            clock.restart();
            const ExceptionResult result =
                ExceptionReport::compute(defs.plans, defs.guards, defs.names, defs.incidents, marks, first, last, {});
            matchWall += clock.nsecsElapsed() / 1e6;
            matchCpu += cpuMs() - cpu;
        }
        std::printf("one site after the other: fetching %.0f ms wall, %.0f ms processor; matching %.0f ms wall, "
                    "%.0f ms processor\n", fetchWall, fetchCpu, matchWall, matchCpu);
    }

    // What a record costs on disk, with its indexes, and a download's bytes.
    std::printf("\nrecords_202612: %s\n",
                qPrintable(pg.value(QStringLiteral(
                    "SELECT count(*) || ' rows, table ' || pg_size_pretty(pg_relation_size('records_202612')) "
                    "|| ', with indexes ' || pg_size_pretty(pg_total_relation_size('records_202612')) "
                    "|| ', ' || pg_total_relation_size('records_202612') / count(*) || ' bytes a record' "
                    "FROM records_202612"))));
    std::printf("downloads: %s\n",
                qPrintable(pg.value(QStringLiteral(
                    "SELECT count(*) || ' rows, ' || pg_size_pretty(pg_total_relation_size('downloads')) || ', ' "
                    "|| pg_total_relation_size('downloads') / sum(record_count) || ' bytes a record' FROM downloads"))));

    // How the server reads a site's month: partitions pruned, indexes used.
    const QString site = pg.value(QStringLiteral("SELECT id FROM sites WHERE name = 'Site 01'"));
    for (const QString &sql :
         {QStringLiteral("SELECT download_id, machine_no, extract(epoch FROM read_at)::bigint, code, seq FROM records "
                         "WHERE site_id = '%1' AND download_id = ANY(ARRAY(SELECT id FROM downloads WHERE site_id = '%1' "
                         "AND left(file_name, 8) >= '20261130'))"),
          QStringLiteral("WITH days AS (SELECT DISTINCT site_id, machine_no, read_at::date AS day FROM records "
                         "WHERE read_at >= '2026-11-30' AND read_at < '2027-01-02'), shared AS (SELECT machine_no, day "
                         "FROM days GROUP BY machine_no, day HAVING count(*) > 1) SELECT d.site_id, d.machine_no, d.day, "
                         "string_agg(s.name, ',') FROM days d JOIN shared USING (machine_no, day) JOIN days o ON "
                         "o.machine_no = d.machine_no AND o.day = d.day AND o.site_id <> d.site_id JOIN sites s ON "
                         "s.id = o.site_id WHERE '%1' <> '' GROUP BY d.site_id, d.machine_no, d.day"),
          QStringLiteral("SELECT m.machine_no, m.day, string_agg(s.name, ',') FROM (SELECT DISTINCT machine_no, "
                         "read_at::date AS day FROM records WHERE site_id = '%1' AND read_at >= '2026-11-30' "
                         "AND read_at < '2027-01-02') m CROSS JOIN LATERAL (SELECT DISTINCT r.site_id FROM records r "
                         "WHERE r.machine_no = m.machine_no AND r.read_at >= m.day AND r.read_at < m.day + 1 "
                         "AND r.site_id <> '%1') o JOIN sites s ON s.id = o.site_id GROUP BY m.machine_no, m.day")}) {
        QString plan;
        if (!pg.psql(QStringLiteral("EXPLAIN (ANALYZE, COSTS OFF, BUFFERS OFF) ") + sql.arg(site), &plan, &error))
            return fail(error);
        std::printf("\n%s", qPrintable(plan));
    }
    q.finish();
    db = QSqlDatabase();
    CentralDatabase::close(QStringLiteral("bench"));
    return 0;
}
