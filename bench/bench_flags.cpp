// The suspicious-read rules over a month: 20 terminals downloaded daily (600
// downloads, a third with the clock off), 50 plans of 10 checkpoints with a
// minimum from the previous checkpoint, about 500,000 records with bursts,
// repeats, hurried checkpoints and clocks set back. Times ReadFlags::evaluate
// a few times and prints wall and processor time and the flags found.
// Run a Release build: bench_flags [runs].

#include "BenchSupport.h"
#include "ReadFlags.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cstdio>

namespace {

constexpr int kTerminals = 20;
constexpr int kDays = 30;
constexpr int kPlans = 50;
constexpr int kCheckpoints = 10;
constexpr int kReadsPerDay = 834; // per terminal: 20 x 30 x 834 = 500,400

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? QByteArray(argv[1]).toInt() : 5;
    QRandomGenerator random(22);

    QList<PatrolPlan> plans;
    for (int p = 0; p < kPlans; ++p) {
        PatrolPlan plan{QStringLiteral("Plan %1").arg(p), QTime(0, 0), QTime(23, 0), 60, PatrolPlan::kEveryDay, {}};
        for (int c = 0; c < kCheckpoints; ++c)
            plan.checkpoints.append({codeOf(p * kCheckpoints + c), c * 3, 2, c > 0 ? 2 : 0});
        plans.append(plan);
    }
    const QList<TransitRule> transit = ReadFlags::transitRules(plans);
    QSet<QString> guards;
    for (int t = 0; t < kTerminals; ++t)
        guards.insert(codeOf(10000 + t));

    // Terminal t walks plans t, t + 20 (and t + 40): mostly 60 to 200 s
    // between reads; now and then a burst of reads seconds apart, a tag read
    // twice, or a clock that steps back.
    const qint64 start = PatrolPlan::moment(QDate(2026, 11, 1), QTime(0, 0)).toSecsSinceEpoch();
    std::vector<FlagRead> reads;
    std::vector<DownloadInfo> downloads;
    reads.reserve(size_t(kTerminals) * kDays * kReadsPerDay);
    for (int day = 0; day < kDays; ++day) {
        for (int t = 0; t < kTerminals; ++t) {
            const QString machine = QString::number(t + 1);
            DownloadInfo info;
            info.file = QStringLiteral("%1 %2.tvl").arg(day).arg(t);
            info.at = start + qint64(day + 1) * 86400 + 600;
            if (random.bounded(3) == 0)
                info.offset = random.bounded(-300, 300);
            const int download = int(downloads.size());
            downloads.push_back(info);
            qint64 at = start + qint64(day) * 86400 + 300;
            reads.push_back({machine, at, codeOf(10000 + t), download});
            for (int r = 1; r < kReadsPerDay; ++r) {
                const int plan = t + kTerminals * int(random.bounded(kPlans / kTerminals + 1) % 3);
                const int point = r % kCheckpoints;
                const int roll = int(random.bounded(100));
                at += roll < 3 ? random.bounded(1, 10) : roll < 4 ? -random.bounded(1, 30) : random.bounded(60, 200);
                const QString code = roll >= 97 && roll < 99 ? reads.back().code : codeOf(qMin(plan, kPlans - 1) * kCheckpoints + point);
                reads.push_back({machine, at, code, download});
            }
        }
    }

    std::printf("reads %zu, downloads %zu, transit rules %lld\n", reads.size(), downloads.size(),
                static_cast<long long>(transit.size()));
    QList<ReadFlag> flags;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer wall;
        const double cpu = cpuMs();
        wall.start();
        flags = ReadFlags::evaluate(reads, downloads, transit, guards, FlagThresholds());
        std::printf("run %d: %lld ms wall, %.0f ms processor\n", run + 1, static_cast<long long>(wall.elapsed()),
                    cpuMs() - cpu);
    }
    int counts[4] = {};
    for (const ReadFlag &f : std::as_const(flags))
        ++counts[int(f.rule)];
    std::printf("flags %lld: burst %d, repeat %d, transit %d, clock %d\n", static_cast<long long>(flags.size()),
                counts[0], counts[1], counts[2], counts[3]);
    return 0;
}
