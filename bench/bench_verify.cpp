// tavrel-cli verify's work on a large workspace: 5,000 patrol-data files
// holding 2,000,000 records, each with its download row in the ledger. Every
// file is hashed and the whole chain recomputed. Run a Release build:
// bench_verify [files] [records].

#include "BenchSupport.h"
#include "DataStore.h"
#include "Ledger.h"
#include "LedgerVerifier.h"
#include "PatrolFile.h"
#include "Workspace.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThreadPool>

#include <cstdio>

namespace {

// The files and their chained rows, written in one transaction (the program
// itself appends row by row; only the result matters here).
bool makeWorkspace(int files, int records, qint64 *bytes, QString *error)
{
    const QDateTime first(QDate(2026, 1, 1), QTime(6, 0));
    QSqlDatabase db = DataStore::database(DataStore::kConnLog, error);
    QSqlQuery query(db);
    query.exec(QStringLiteral("BEGIN"));
    QString prev = Ledger::kZeroHash;
    int written = 0;
    for (int f = 0; f < files; ++f) {
        const int count = records / files + (f < records % files ? 1 : 0);
        const QString name = first.addSecs(qint64(f) * 600).toString(QStringLiteral("yyyyMMdd HHmmss")) + ".tvl";
        const QString path = QDir(Workspace::unapprovedFolder()).filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            *error = file.errorString();
            return false;
        }
        for (int r = 0; r < count; ++r, ++written) {
            const QDateTime at = first.addSecs(qint64(written) * 13);
            WritePatrolLine(file, QStringLiteral("%1,%2,%3").arg(1 + f % 40).arg(codeOf(written % 3000),
                                                                          at.toString(QStringLiteral("yyyy/MM/dd,HH:mm:ss"))));
        }
        file.close();
        *bytes += file.size();
        LedgerRow row;
        row.rowNo = f + 1;
        row.at = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
        row.kind = Ledger::kDownload;
        row.fileName = QStringLiteral("Unapproved/") + name;
        row.fileHash = Ledger::hashFile(path);
        row.recordCount = count;
        row.family = QStringLiteral("KR");
        row.machineNo = QString::number(1 + f % 40);
        row.prevHash = prev;
        row.rowHash = Ledger::computeHash(row);
        prev = row.rowHash;
        query.prepare(QStringLiteral("INSERT INTO Ledger (RowNo, At, Kind, FileName, FileHash, RecordCount, Family, "
                                     "MachineNo, PrevHash, RowHash) VALUES (?,?,?,?,?,?,?,?,?,?)"));
        for (const QVariant &v : {QVariant(row.rowNo), QVariant(row.at), QVariant(row.kind), QVariant(row.fileName),
                                  QVariant(row.fileHash), QVariant(*row.recordCount), QVariant(row.family),
                                  QVariant(row.machineNo), QVariant(row.prevHash), QVariant(row.rowHash)})
            query.addBindValue(v);
        if (!query.exec()) {
            *error = query.lastError().text();
            return false;
        }
    }
    return query.exec(QStringLiteral("COMMIT"));
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int files = argc > 1 ? QByteArray(argv[1]).toInt() : 5000;
    const int records = argc > 2 ? QByteArray(argv[2]).toInt() : 2000000;
    QTemporaryDir dir;
    QString error;
    qint64 bytes = 0;
    if (!openBenchWorkspace(dir, &error) || !makeWorkspace(files, records, &bytes, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("workspace: %d files, %d records, %.1f MB, %d hashing threads\n", files, records, bytes / 1e6,
                QThreadPool::globalInstance()->maxThreadCount());
    // The second run finds the files in the page cache, as a verify run soon
    // after the downloads does; the first may read them from the disk.
    for (int run = 1; run <= 2; ++run) {
        QList<LedgerFinding> findings;
        QElapsedTimer timer;
        const double cpu = cpuMs();
        timer.start();
        const bool ok = LedgerVerifier::verify(&findings, &error);
        std::printf("verify run %d: %lld ms wall, %.0f ms cpu, %lld findings%s\n", run,
                    static_cast<long long>(timer.elapsed()), cpuMs() - cpu, static_cast<long long>(findings.size()),
                    ok ? "" : " (ledger unreadable)");
    }
    return 0;
}
