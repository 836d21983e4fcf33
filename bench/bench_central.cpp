// The central push's throughput: 20 sites (workspaces) with 25,000 records
// each, in files of 1,000 as downloads bring them, queued in each site's
// outbox, then pushed site after site into a throw-away PostgreSQL cluster.
// Run a Release build: bench_central [sites] [records per site].

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
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kRecordsPerFile = 1000;

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
        const int count = std::min(kRecordsPerFile, records - written);
        for (int r = 0; r < count; ++r, ++written) {
            // Reads 37 s apart over about ten days: a site's records span two months.
            const QDateTime at = first.addDays(site).addSecs(qint64(written) * 37);
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

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int sites = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    const int records = argc > 2 ? std::max(1, atoi(argv[2])) : 25000;

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
                records, kRecordsPerFile, clock.elapsed() / 1000.0);

    qint64 landed = 0;
    double pushMs = 0, cpu = 0;
    for (int s = 0; s < sites; ++s) {
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
    const QString stored = pg.value(QStringLiteral("SELECT count(*) FROM records"));
    const double total = double(sites) * records;
    std::printf("pushed %lld files, %s records stored, in %.1f s: %.0f records/s (goal 50000); "
                "this process's processor time %.1f s\n",
                static_cast<long long>(landed), qPrintable(stored), pushMs / 1000.0, total / (pushMs / 1000.0),
                cpu / 1000.0);
    DataStore::close();
    return stored.toLongLong() == qint64(total) ? 0 : 1;
}
