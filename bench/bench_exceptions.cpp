// The exception report over a month: 20 terminals downloaded daily into
// their own files (half approved), 50 plans of 10 checkpoints with a round
// every 45 minutes, about 500,000 records with late, missed and double reads
// and guard tags. Runs ExceptionReport::run over the month, then over one
// day, a few times and prints wall and processor time. Run a Release build: bench_exceptions [runs].

#include "BenchSupport.h"
#include "ExceptionReport.h"
#include "PatrolFile.h"
#include "PlanStore.h"
#include "TagStore.h"
#include "Workspace.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <cstdio>

namespace {

constexpr int kTerminals = 20;
constexpr int kPlans = 50;
constexpr int kCheckpoints = 10;
constexpr int kInterval = 45;

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
    QTemporaryDir dir;
    QString error;
    if (!openBenchWorkspace(dir, &error))
        return fail(error);

    QList<PatrolPlan> plans;
    for (int p = 0; p < kPlans; ++p) {
        PatrolPlan plan{QStringLiteral("Plan %1").arg(p, 2, 10, QLatin1Char('0')), QTime(0, p % 45), QTime(23, 59),
                        kInterval, PatrolPlan::kEveryDay, {}};
        for (int c = 0; c < kCheckpoints; ++c)
            plan.checkpoints.append({codeOf(p * kCheckpoints + c), c * 3, 2});
        plans.append(plan);
    }
    if (!PlanStore::replaceAll(plans, &error))
        return fail(error);
    for (int t = 0; t < kTerminals; ++t)
        if (!TagStore::setGuard(codeOf(10000 + t), true, &error))
            return fail(error);

    // Plan p is walked by terminal p % 20; each terminal names its guard at
    // midnight and noon. The records of a day are downloaded the next morning.
    QRandomGenerator random(14);
    const QDate first(2026, 12, 1);
    const QDate last(2026, 12, 31);
    qint64 records = 0;
    for (QDate day = first; day <= last; day = day.addDays(1)) {
        QList<QByteArray> files(kTerminals);
        auto add = [&](int terminal, const QDateTime &at, const QString &code) {
            files[terminal] += PatrolFile::encode(QStringLiteral("%1,%2,%3,%4")
                                                      .arg(terminal + 1)
                                                      .arg(code, at.toString(QStringLiteral("yyyy/MM/dd")),
                                                           at.toString(QStringLiteral("HH:mm:ss"))));
            files[terminal] += "\r\n";
            ++records;
        };
        for (int t = 0; t < kTerminals; ++t)
            for (int hour : {0, 12})
                add(t, PatrolPlan::moment(day, QTime(hour, 0)), codeOf(10000 + (t + hour) % kTerminals));
        for (qsizetype p = 0; p < plans.size(); ++p)
            for (const QDateTime &start : plans[p].roundStarts(day, day))
                for (const PlanCheckpoint &c : plans[p].checkpoints) {
                    const int roll = int(random.bounded(100));
                    if (roll < 3)
                        continue; // missed
                    const QDateTime due = start.addSecs(c.minutes * 60);
                    add(int(p) % kTerminals, due.addSecs(random.bounded(-180, 240)), c.code);
                    if (roll > 97)
                        add(int(p) % kTerminals, due.addSecs(random.bounded(60, 300)), c.code); // double visit
                }
        for (int t = 0; t < kTerminals; ++t) {
            const QString folder = t % 2 ? Workspace::approvedFolder() : Workspace::unapprovedFolder();
            QFile file(QDir(folder).filePath(
                PatrolFile::fileNameFor(QDateTime(day.addDays(1), QTime(6, 0, t)))));
            if (!file.open(QIODevice::WriteOnly) || file.write(files[t]) != files[t].size())
                return fail(file.fileName() + QStringLiteral(": ") + file.errorString());
        }
    }

    // One report of the range, timed on the wall clock and in processor time.
    auto timedReport = [&](const QDate &from, const QDate &to, ExceptionResult *result, QStringList *warnings,
                           double *wallMs, double *cpuUsed) {
        QElapsedTimer clock;
        const double cpu = cpuMs();
        clock.start();
        const bool ok = ExceptionReport::run(from, to, {}, result, &error, warnings);
        *wallMs = clock.nsecsElapsed() / 1e6;
        *cpuUsed = cpuMs() - cpu;
        return ok;
    };
    for (int run = 0; run < runs; ++run) {
        ExceptionResult result;
        QStringList warnings;
        double wallMs = 0;
        double cpuUsed = 0;
        if (!timedReport(first, last, &result, &warnings, &wallMs, &cpuUsed))
            return fail(error);
        qsizetype rounds = 0;
        for (qsizetype i = 0; i < result.outcomes.size(); ++i)
            rounds += result.outcomes[i].seq == 1;
        OutcomeTotals all;
        for (const OutcomeTotals &t : std::as_const(result.byPlan)) {
            all.onTime += t.onTime, all.early += t.early, all.late += t.late;
            all.missed += t.missed, all.extra += t.extra, all.outOfOrder += t.outOfOrder;
        }
        std::printf("run %d: %.0f ms wall, %.0f ms processor; %lld records in %d files, %lld rounds, %lld outcomes "
                    "(on time %d, early %d, late %d, missed %d, extra %d, out of order %d), %lld warnings\n",
                    run + 1, wallMs, cpuUsed, static_cast<long long>(records), kTerminals * int(first.daysTo(last) + 1),
                    static_cast<long long>(rounds), static_cast<long long>(result.outcomes.size()), all.onTime,
                    all.early, all.late, all.missed, all.extra, all.outOfOrder,
                    static_cast<long long>(warnings.size()));
    }

    // A daily report in the middle of the month, as a scheduled job runs it.
    const QDate day(2026, 12, 15);
    for (int run = 0; run < runs; ++run) {
        ExceptionResult result;
        QStringList warnings;
        double wallMs = 0;
        double cpuUsed = 0;
        if (!timedReport(day, day, &result, &warnings, &wallMs, &cpuUsed))
            return fail(error);
        std::printf("one day, run %d: %.0f ms wall, %.0f ms processor, %lld outcomes\n", run + 1, wallMs, cpuUsed,
                    static_cast<long long>(result.outcomes.size()));
    }

    // The two halves: reading the files, and the matching.
    QElapsedTimer clock;
    double cpu = cpuMs();
    clock.start();
    QStringList warnings;
    const QList<PatrolRead> reads = ExceptionReport::readRange(first, last, &warnings);
    std::printf("reading: %.0f ms wall, %.0f ms processor\n", clock.nsecsElapsed() / 1e6, cpuMs() - cpu);
    cpu = cpuMs();
    clock.restart();
    const ExceptionResult result = ExceptionMatcher::match(plans, reads, first, last, TagStore::guardCodes(&error), {});
    std::printf("matching: %.0f ms wall, %.0f ms processor, %lld outcomes\n", clock.nsecsElapsed() / 1e6,
                cpuMs() - cpu, static_cast<long long>(result.outcomes.size()));
    return 0;
}
