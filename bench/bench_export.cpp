// Export and report speed for a large patrol list: the .xlsx workbook, the
// patrol-data report written as PDF, the time until the report preview has
// its first page; and a .tag import of 10,000 definitions.

#include "DataStore.h"
#include "PatrolExport.h"
#include "PreviewWait.h"
#include "ReportPreview.h"
#include "Settings.h"
#include "TagFile.h"
#include "Workspace.h"
#include "rptPatrolData.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPrintPreviewDialog>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    Settings::setConfigFolder(dir.filePath(QStringLiteral("config")));
    const QString workspace = dir.filePath(QStringLiteral("ws"));
    QString error;
    Workspace::createIfMissing(workspace, &error);
    Workspace::setCurrent(workspace);
    if (!DataStore::open(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    QList<PatrolRow> rows;
    rows.reserve(count);
    const QDateTime start(QDate(2024, 1, 1), QTime(0, 0));
    for (int i = 0; i < count; ++i) {
        const QDateTime at = start.addSecs(qint64(count - i) * 37);
        rows.append({QString::number(1 + i % 8), at.toString(QStringLiteral("yyyy/MM/dd")),
                     at.toString(QStringLiteral("HH:mm:ss")),
                     QStringLiteral("%1").arg(0x4A1B2C3ull + i % 500, 10, 16, QLatin1Char('0')).toUpper(),
                     QStringLiteral("Checkpoint %1").arg(i % 500)});
    }

    QElapsedTimer clock;
    clock.start();
    if (!PatrolExport::writeXlsx(dir.filePath(QStringLiteral("out.xlsx")), rows, PatrolExport::captions(), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("xlsx export of %d rows: %lld ms (%lld bytes)\n", count, clock.elapsed(),
                QFileInfo(dir.filePath(QStringLiteral("out.xlsx"))).size());

    clock.restart();
    auto report = std::make_shared<rptPatrolData>();
    if (!report->load(rows, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    report->SetupPatrolDataReport();
    const qint64 loadMs = clock.elapsed();
    int pages = 0;
    if (!report->writePdf(dir.filePath(QStringLiteral("out.pdf")), &error, &pages)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("patrol report of %d rows to PDF: %lld ms (working table and join %lld ms), %d pages, %lld bytes\n",
                count, clock.elapsed(), loadMs, pages, QFileInfo(dir.filePath(QStringLiteral("out.pdf"))).size());

    // From the command to the first page on screen: the rows through the
    // working table, then the preview's first drawing.
    clock.restart();
    auto report2 = std::make_shared<rptPatrolData>();
    report2->load(rows, &error);
    report2->SetupPatrolDataReport();
    const qint64 preparedMs = clock.elapsed();
    QPrintPreviewDialog *preview = ReportPreview::show(report2, nullptr);
    waitForFirstPage(preview);
    const qint64 firstMs = clock.elapsed();
    const int previewPages = waitForAllPages(preview);
    std::printf("report preview: first page after %lld ms (rows ready after %lld ms); all %d pages after %lld ms\n",
                firstMs, preparedMs, previewPages, clock.elapsed());
    delete preview;

    // Importing a .tag file of 10,000 definitions.
    QByteArray tagText;
    for (int i = 0; i < 10000; ++i)
        tagText += QStringLiteral("%1\tCheckpoint %2\r\n").arg(0x100000000ull + i, 10, 16, QLatin1Char('0')).arg(i).toUpper().toLatin1();
    const QString tagPath = dir.filePath(QStringLiteral("tags.tag"));
    QFile tagFile(tagPath);
    if (!tagFile.open(QIODevice::WriteOnly) || tagFile.write(tagText) != tagText.size())
        return 1;
    tagFile.close();
    clock.restart();
    int imported = 0;
    if (!TagFile::import(tagPath, &imported, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("tag import from .tag: %d definitions in %lld ms\n", imported, clock.elapsed());
    return 0;
}
