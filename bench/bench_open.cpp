// Opening a large patrol-data file: 100,000 records with 5,000 tag
// definitions, read into the patrol model with descriptions from one map,
// against the same file with one GetDescriptionWithSpecCode_TagDef query per
// row. Also find next without a match over every row, and the heap the rows
// take. Run a Release build: bench_open [records] [tags].

#include "BenchSupport.h"
#include "DataStore.h"
#include "PatrolDataLoader.h"
#include "PatrolFile.h"
#include "PatrolTableModel.h"
#include "RowSearch.h"
#include "Settings.h"
#include "TagStore.h"
#include "Workspace.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <malloc.h>

namespace {

size_t heapInUse()
{
    return mallinfo2().uordblks;
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const int tags = argc > 2 ? QByteArray(argv[2]).toInt() : 5000;
    QTemporaryDir dir;
    QString error;
    if (!openBenchWorkspace(dir, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QList<TagDef> defs;
    for (int i = 0; i < tags; ++i)
        defs.append({codeOf(i), QStringLiteral("Checkpoint %1, building %2").arg(i).arg(i % 17)});
    if (!TagStore::replaceAll(defs, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    // Every fifth record reads a tag that has no definition.
    const QString path = dir.filePath(QStringLiteral("20240108 080000.tvl"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        QByteArray all;
        const QDateTime start(QDate(2024, 1, 1), QTime(0, 0));
        for (int i = 0; i < records; ++i) {
            const QDateTime at = start.addSecs(qint64(i) * 37);
            const int tag = i % 5 == 4 ? tags + i % 100 : (i * 7) % tags;
            all += PatrolFile::encode(QStringLiteral("%1,%2,%3,%4")
                                          .arg(1 + i % 8)
                                          .arg(codeOf(tag), at.toString(QStringLiteral("yyyy/MM/dd")),
                                               at.toString(QStringLiteral("hh:mm:ss"))));
            all += "\r\n";
        }
        file.write(all);
    }

    PatrolTableModel model;
    const size_t heapBefore = heapInUse();
    QElapsedTimer clock;
    double cpu = cpuMs();
    clock.start();
    const QHash<QString, QString> map = TagStore::descriptionMap(&error);
    PatrolLoadResult result = PatrolDataLoader::load(path, map);
    model.setRows(std::move(result.rows));
    const double openMs = clock.nsecsElapsed() / 1e6;
    const double openCpu = cpuMs() - cpu;
    const size_t heapRows = heapInUse() - heapBefore;
    if (model.rowCount() != records) {
        std::fprintf(stderr, "loaded %d of %d records\n", model.rowCount(), records);
        return 1;
    }

    // The same file with one query per row, as the description lookup was.
    clock.restart();
    PatrolLoadResult plain = PatrolDataLoader::load(path, {});
    for (PatrolRow &row : plain.rows)
        row.description = TagStore::GetTagDescription(row.code, &error);
    const double perRowMs = clock.nsecsElapsed() / 1e6;
    for (int i = 0; i < records; ++i)
        if (plain.rows[i].description != model.rows()[i].description) {
            std::fprintf(stderr, "row %d: the two lookups differ\n", i);
            return 1;
        }

    cpu = cpuMs();
    clock.restart();
    const int found = RowSearch::findInto(QStringLiteral("no such text"), model.rowCount(), 0, RowSearch::FindNext,
                                      [&](int row, QString *into) { model.rowText(row, into); });
    const double searchMs = clock.nsecsElapsed() / 1e6;
    const double searchCpu = cpuMs() - cpu;
    clock.restart();
    RowSearch::findInto(QStringLiteral("no such text"), model.rowCount(), 0, RowSearch::FindNext,
                    [&](int row, QString *into) { model.rowText(row, into); });
    const double searchAgainMs = clock.nsecsElapsed() / 1e6;

    std::printf("records %d, tag definitions %d, file %.1f MB\n", records, tags, QFile(path).size() / 1e6);
    std::printf("open into the model (one map):    %8.1f ms  (processor %.1f ms)\n", openMs, openCpu);
    std::printf("open with one query per row:      %8.1f ms  (%.0fx slower)\n", perRowMs, perRowMs / openMs);
    std::printf("find next, no match, every row:   %8.1f ms  (processor %.1f ms; again: %.1f ms)%s\n", searchMs,
                searchCpu, searchAgainMs,
                found < 0 ? "" : "  UNEXPECTED MATCH");
    std::printf("heap taken by the rows:           %8.1f MB\n", heapRows / 1048576.0);
    DataStore::close();
    return 0;
}
