// The central push's throughput: 20 sites (workspaces) with 25,000 records
// each, in files of 1,000 as downloads bring them, queued in each site's
// outbox, then pushed into a throw-away PostgreSQL cluster.
// Every site pushes at the same time (a tavrel-cli central push each), or
// with "sequential" one after the other in this process.
// Run a Release build: bench_central [sites] [records per site] [records per file] [parallel|sequential].

#include "BenchSupport.h"
#include "CentralDatabase.h"
#include "CentralPusher.h"
#include "CentralSchema.h"
#include "Ledger.h"
#include "PatrolFile.h"
#include "PgCluster.h"
#include "SiteIdentity.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

#include <memory>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

int g_recordsPerFile = 1000;

bool openSite(const QTemporaryDir &dir, int site, QString *error)
{
    DataStore::close();
    const QString workspace = dir.filePath(QStringLiteral("ws%1").arg(site));
    if (!Workspace::createIfMissing(workspace, error))
        return false;
    Workspace::setCurrent(workspace);
    return DataStore::open(error);
}

bool makeSite(const QTemporaryDir &dir, int site, int records, QString *error)
{
    if (!openSite(dir, site, error) || !SiteIdentity::setName(QStringLiteral("Site %1").arg(site + 1), error))
        return false;
    const QDateTime first(QDate(2026, 1, 1), QTime(6, 0));
    for (int f = 0, written = 0; written < records; ++f) {
        const QString name = first.addSecs(qint64(f) * 3600).toString(QStringLiteral("yyyyMMdd HHmmss")) + ".tvl";
        const QString path = QDir(Workspace::unapprovedFolder()).filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            *error = file.errorString();
            return false;
        }
        const int count = std::min(g_recordsPerFile, records - written);
        for (int r = 0; r < count; ++r, ++written) {
            // Reads 37 s apart over about eleven days, each site three days
            // after the one before: 20 sites make three monthly partitions.
            const QDateTime at = first.addDays(3 * site).addSecs(qint64(written) * 37);
            WritePatrolLine(file, QStringLiteral("%1,%2,%3")
                                      .arg(1 + f % 40)
                                      .arg(codeOf(written % 3000), at.toString(QStringLiteral("yyyy/MM/dd,HH:mm:ss"))));
        }
        file.close();
        if (!Ledger::appendFile(Ledger::kDownload, path, count, error))
            return false;
    }
    return true;
}

// Processor time of the server: the postmaster, its live children and the
// children it has reaped (each connection's backend ends with its connection).
// Processor time of the child processes that have ended.
double childCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double serverCpuMs(const PgCluster &pg)
{
    QFile pidFile(QDir(pg.socketFolder()).filePath(QStringLiteral("data/postmaster.pid")));
    if (!pidFile.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray postmaster = pidFile.readLine().trimmed();
    const double tick = 1000.0 / double(sysconf(_SC_CLK_TCK));
    double total = 0;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        // After the command in parentheses: state, ppid, ... utime (14), stime, cutime, cstime.
        const QList<QByteArray> f = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (f.size() < 15)
            continue;
        const bool isPostmaster = pid.toLatin1() == postmaster;
        if (!isPostmaster && f.at(1) != postmaster)
            continue;
        total += (f.at(11).toDouble() + f.at(12).toDouble()) * tick;
        if (isPostmaster)
            total += (f.at(13).toDouble() + f.at(14).toDouble()) * tick;
    }
    return total;
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int sites = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    const int records = argc > 2 ? std::max(1, atoi(argv[2])) : 25000;
    if (argc > 3)
        g_recordsPerFile = std::max(1, atoi(argv[3]));
    const bool parallel = !(argc > 4 && QByteArrayView(argv[4]) == "sequential");

    PgCluster pg;
    QTemporaryDir dir;
    QString error;
    if (!pg.start(&error)) {
        std::fprintf(stderr, "bench_central: %s\n", qPrintable(error));
        return 1;
    }
    Settings::setConfigFolder(dir.filePath(QStringLiteral("config")));
    {
        QSqlDatabase db = CentralDatabase::open(pg.settings(), QStringLiteral("init"), &error);
        const bool ok = db.isOpen() && CentralSchema::migrate(db, nullptr, &error) && pg.configure(&error);
        db = QSqlDatabase();
        CentralDatabase::close(QStringLiteral("init"));
        if (!ok) {
            std::fprintf(stderr, "bench_central: %s\n", qPrintable(error));
            return 1;
        }
    }
    QElapsedTimer clock;
    clock.start();
    for (int s = 0; s < sites; ++s) {
        if (!makeSite(dir, s, records, &error)) {
            std::fprintf(stderr, "bench_central: %s\n", qPrintable(error));
            return 1;
        }
    }
    std::printf("prepared %d sites x %d records (files of %d, queued with their ledger rows) in %.1f s\n", sites,
                records, g_recordsPerFile, clock.elapsed() / 1000.0);

    qint64 landed = 0;
    double pushMs = 0, cpu = 0;
    const double serverStart = serverCpuMs(pg);
    if (parallel) {
        // Every site's tavrel-cli central push at once, as sites push on their own.
        std::vector<std::unique_ptr<QProcess>> pushes;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        const double childStart = childCpuMs();
        clock.restart();
        for (int s = 0; s < sites; ++s) {
            pushes.push_back(std::make_unique<QProcess>());
            pushes.back()->setProcessEnvironment(env);
            pushes.back()->start(QStringLiteral(TAVREL_CLI_PATH),
                                 {QStringLiteral("--workspace"), dir.filePath(QStringLiteral("ws%1").arg(s)),
                                  QStringLiteral("central"), QStringLiteral("push")});
        }
        for (auto &p : pushes) {
            if (!p->waitForFinished(-1) || p->exitCode() != 0) {
                std::fprintf(stderr, "bench_central: %s\n", p->readAllStandardError().constData());
                return 1;
            }
            landed += p->readAllStandardOutput().split('\n').value(0).split('\t').value(1).toLongLong();
        }
        pushMs = clock.nsecsElapsed() / 1e6;
        cpu = childCpuMs() - childStart;
    }
    for (int s = 0; s < sites && !parallel; ++s) {
        if (!openSite(dir, s, &error)) {
            std::fprintf(stderr, "bench_central: %s\n", qPrintable(error));
            return 1;
        }
        CentralPusher::Report report;
        const double cpuStart = cpuMs();
        clock.restart();
        if (!CentralPusher::pushPending(CentralSettings::fromSettings(), QStringLiteral("bench"), &report, &error)) {
            std::fprintf(stderr, "bench_central: %s\n", qPrintable(error));
            return 1;
        }
        pushMs += clock.nsecsElapsed() / 1e6;
        cpu += cpuMs() - cpuStart;
        landed += report.landed;
    }
    const double server = serverCpuMs(pg) - serverStart;
    const QString stored = pg.value(QStringLiteral("SELECT count(*) FROM records"));
    const double total = double(sites) * records;
    std::printf("pushed %lld files, %s records stored, in %.1f s: %.0f records/s (goal 50000)\n",
                static_cast<long long>(landed), qPrintable(stored), pushMs / 1000.0, total / (pushMs / 1000.0));
    // On a machine shared with other work the clock says little: the processor
    // time both sides needed is the figure that carries over.
    std::printf("processor time: pushers %.1f s (%.0f records/s), server %.1f s (%.0f records/s), "
                "together %.0f records/s\n",
                cpu / 1000.0, total / (cpu / 1000.0), server / 1000.0, total / (server / 1000.0),
                total / ((cpu + server) / 1000.0));
    DataStore::close();
    return stored.toLongLong() == qint64(total) ? 0 : 1;
}
