#include "CRes.h"
#include "ModalAnswer.h"
#include "FileSizeLimit.h"
#include "Ledger.h"
#include "LedgerVerifier.h"
#include "PatrolDataLoader.h"
#include "PatrolExport.h"
#include "PatrolFile.h"
#include "PatrolTableModel.h"
#include "RecordingReporter.h"
#include "TestEnv.h"
#include "TagStore.h"
#include "TestFiles.h"
#include "Workspace.h"
#include "PatrolDataView.h"
#include "frmMain.h"
#include "rptExceptions.h"
#include "rptPatrolData.h"
#include "rptTagDef.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QPainter>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QProcess>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QXmlStreamReader>
#include <QtTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

// Patrol rows as they leave the program: the reports, the workbook and
// data0.txt, and the main window's commands that produce them.
class tst_Reports : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup() { cancelModalAnswers(); m_env.reset(); CRes::destroyInstance(); }
    void patrolRowsSortedAndJoined();
    void pagesOnImageAndPdf_data();
    void pagesOnImageAndPdf();
    void longNamesPrintedWhole();
    void firstPageFigure();
    void workbookHoldsHeadingAndTypedValues();
    void textLines();
    void failedExportKeepsOldTarget();
    void excelFormats();
    void saveCommands_data();
    void saveCommands();
    void previewIsNotModal();

private:
    std::unique_ptr<TestEnv> m_env;
    QString m_tvl; // a patrol-data file in Unapproved
};

namespace {

// The text of a PDF as pdftotext reads it in drawing order, with every run of
// white space made one space.
QString pdfText(const QString &pdf, const QStringList &options = {u"-raw"_s}, bool asCopied = false)
{
    QProcess pdftotext;
    pdftotext.start(u"pdftotext"_s, options + QStringList{pdf, u"-"_s});
    if (!pdftotext.waitForFinished() || pdftotext.exitCode() != 0)
        return u"pdftotext failed: "_s + QString::fromLocal8Bit(pdftotext.readAllStandardError());
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    // Compatibility form turns the "fi" ligature glyphs back into letters;
    // `asCopied` keeps what a reader copying from the PDF would get.
    return asCopied ? text : text.normalized(QString::NormalizationForm_KC);
}

PatrolRow row(const char *machine, const char *date, const char *time, const char *code, const char *description = "")
{
    return {QString::fromUtf8(machine), QString::fromUtf8(date), QString::fromUtf8(time), QString::fromUtf8(code),
            QString::fromUtf8(description)};
}

const QStringList kCaptions = {u"ID"_s, u"Datum"_s, u"Zeit"_s, u"Code"_s, u"Beschreibung"_s};

QByteArray unzip(const QString &archive, const QString &member)
{
    QProcess p;
    p.start(u"unzip"_s, {u"-p"_s, archive, member});
    if (!p.waitForFinished() || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput();
}

// Each cell of a sheet by reference ("B2") as "type:value", the type empty
// for a number; inline strings gathered from their <t> elements.
QHash<QString, QString> cells(const QByteArray &xml, QHash<QString, QString> *styles)
{
    QHash<QString, QString> out;
    QXmlStreamReader r(xml);
    QString ref;
    while (!r.atEnd()) {
        if (r.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (r.name() == QLatin1String("c")) {
            ref = r.attributes().value(QLatin1String("r")).toString();
            out[ref] = r.attributes().value(QLatin1String("t")).toString() + QLatin1Char(':');
            (*styles)[ref] = r.attributes().value(QLatin1String("s")).toString();
        } else if (r.name() == QLatin1String("v") || r.name() == QLatin1String("t")) {
            out[ref] += r.readElementText();
        }
    }
    return out;
}

}

void tst_Reports::init()
{
    m_env = std::make_unique<TestEnv>();
    CRes::destroyInstance();
    m_tvl = Workspace::unapprovedFolder() + u"/20240108 080000.tvl"_s;
    QVERIFY(writeTestFile(m_tvl, PatrolFile::encode(u"1,0004A1B2C3,2024/01/08,08:00:15"_s) + "\r\n"
                                     + PatrolFile::encode(u"2,0004A1B2C4,2024/01/08,07:00:00"_s) + "\r\n"));
}

void tst_Reports::patrolRowsSortedAndJoined()
{
    QVERIFY(TagStore::replaceAll({{u"C0"_s, u"Zero"_s}}, nullptr));
    // A previous report's rows must not stay in the working table.
    rptPatrolData earlier;
    QString error;
    QVERIFY(earlier.load({row("9", "2020/01/01", "00:00:00", "X")}, &error));

    // Text order would put 8:00:15 after 10:00:00 and 2024/01 after 2024-02;
    // an empty time and a date that does not exist are left out.
    rptPatrolData report;
    QVERIFY2(report.load({row("3", "2024/03/01", "12:00:00", "C3"), row("1", "2024/01/08", "10:00:00", "C1"),
                          row("4", "2024/01/08", "", "C1"), row("2", "2024-02-29", "06:05:09", "C2"),
                          row("5", "2024/13/08", "08:00:00", "C1"), row("0", "2024/01/08", "8:00:15", "C0")},
                         &error),
             qPrintable(error));
    QStringList got; // machine number, code, description of each report row
    for (const QStringList &r : report.rows)
        got << r.value(0) + u' ' + r.value(1) + u' ' + r.value(4);
    QCOMPARE(got, (QStringList{"0 C0 Zero", "1 C1 ", "2 C2 ", "3 C3 "}));
    // Stored in sortable form, shown as the list shows them.
    const QLocale locale = QLocale::system();
    for (qsizetype r = 0; r < report.rows.size(); ++r) {
        const QDate date = QDate::fromString(report.rows[r][2], Qt::ISODate);
        const QTime time = QTime::fromString(report.rows[r][3], Qt::ISODate);
        QVERIFY(date.isValid() && time.isValid());
        QCOMPARE(report.cellText(r, 2), locale.toString(date, QLocale::ShortFormat));
        QCOMPARE(report.cellText(r, 3), locale.toString(time, PatrolTableModel::longTimeFormatWithoutZone()));
    }
}

void tst_Reports::pagesOnImageAndPdf_data()
{
    QTest::addColumn<bool>("tags");
    QTest::addColumn<int>("rows");
    QTest::newRow("patrol, empty") << false << 0;
    QTest::newRow("patrol, several pages") << false << 300;
    QTest::newRow("tags, several pages") << true << 150;
}

void tst_Reports::pagesOnImageAndPdf()
{
    QFETCH(bool, tags);
    QFETCH(int, rows);
    QList<PatrolRow> list;
    QList<TagDef> definitions;
    for (int i = 0; i < rows; ++i) {
        const QString code = u"00%1"_s.arg(i, 8, 16, QLatin1Char('0')).toUpper();
        definitions.append({code, u"Checkpoint %1"_s.arg(i)});
        list.append({QString::number(1 + i % 3), u"2024/01/08"_s, QTime(0, 0).addSecs(i * 60).toString(u"HH:mm:ss"_s), code, {}});
    }
    QVERIFY(TagStore::replaceAll(definitions, nullptr));
    // The patrol data report carries the ledger's head at the foot of its pages.
    QVERIFY(Ledger::appendFile(Ledger::kDownload, m_tvl, 2, nullptr));
    LedgerRow head;
    QVERIFY(Ledger::head(&head));
    rptTagDef tagReport;
    rptPatrolData patrolReport;
    ReportLayout *report = tags ? static_cast<ReportLayout *>(&tagReport) : &patrolReport;
    QString error;
    QVERIFY(tags ? tagReport.load(&error) : patrolReport.load(list, &error));
    if (tags)
        tagReport.SetupTagDefReport();
    else
        patrolReport.SetupPatrolDataReport();

    // Every row is on exactly one page, in order.
    QImage image(827, 1169, QImage::Format_RGB32); // A4 at 100 dpi
    image.setDotsPerMeterX(3937);
    image.setDotsPerMeterY(3937);
    const QRectF area(50, 40, 727, 1089);
    const int pages = report->pageCount(&image, area);
    qsizetype next = 0;
    for (int p = 0; p < pages; ++p) {
        qsizetype first = 0, count = 0;
        report->rowsOfPage(&image, area, p, &first, &count);
        QCOMPARE(first, next);
        next += count;
    }
    QCOMPARE(next, qsizetype(rows));

    const QString pdf = m_env->root() + u"/report.pdf"_s;
    int pdfPages = 0;
    QVERIFY2(report->writePdf(pdf, &error, &pdfPages), qPrintable(error));
    QCOMPARE(pdfPages > 1, rows > 60);
    const QString text = pdfText(pdf, {u"-layout"_s});
    for (const QString &label : {report->lblTitle, report->lblPrintedDate, report->columns.last().caption,
                                 report->lblRecordCount + QLatin1Char(' ') + QString::number(rows),
                                 QString::number(pdfPages), rows ? u"Checkpoint %1"_s.arg(rows - 1) : QString()})
        QVERIFY2(text.contains(label), qPrintable(label));
    QCOMPARE(text.count(u"Ledger head "_s + head.rowHash.left(12) + u", "_s + head.at), tags ? 0 : pdfPages);
    // A head copied from the paper's PDF matches: no "ff" ligature joins its digits.
    report->footerNote = u"Ledger head 0ff1ffa2b3c4"_s;
    QVERIFY2(report->writePdf(pdf, &error), qPrintable(error));
    QVERIFY(pdfText(pdf, {u"-layout"_s}, true).contains(report->footerNote));
}

namespace {

// A report whose first page carries a figure filled in red.
class FigureReport : public ReportLayout
{
public:
    qreal figureHeightPoints() const override { return 300; }
    void paintFigure(QPainter &painter, const QRectF &rect, const QFont &) const override
    {
        painter.fillRect(rect, Qt::red);
        drawn << rect;
    }
    mutable QList<QRectF> drawn;
};

}

// A first-page figure sits between the report header and the column headings:
// nothing else is drawn over it, the first page holds fewer rows for it, and
// every row still lands on exactly one page.
void tst_Reports::firstPageFigure()
{
    FigureReport report;
    report.lblTitle = u"Title"_s;
    report.columns = {{u"A"_s, 1}, {u"B"_s, 1}};
    for (int i = 0; i < 120; ++i)
        report.rows.append({QString::number(i), u"row"_s});
    QImage image(827, 1169, QImage::Format_RGB32); // A4 at 100 dpi
    image.setDotsPerMeterX(3937);
    image.setDotsPerMeterY(3937);
    const QRectF area = QRectF(image.rect()).adjusted(25 * 100 / 72.0, 20 * 100 / 72.0, -25 * 100 / 72.0,
                                                      -20 * 100 / 72.0);
    const int pages = report.pageCount(&image, area);
    qsizetype next = 0;
    QList<qsizetype> counts;
    for (int p = 0; p < pages; ++p) {
        qsizetype first = 0, count = 0;
        report.rowsOfPage(&image, area, p, &first, &count);
        QCOMPARE(first, next);
        next += count;
        counts << count;
        report.render(image, p);
    }
    QCOMPARE(next, qsizetype(120));
    QVERIFY(pages >= 2 && counts[0] < counts[1]);
    QCOMPARE(report.drawn.size(), 1);
    const QRect figure = report.drawn.first().toAlignedRect().adjusted(1, 1, -1, -1);
    QCOMPARE(figure.height(), qRound(300 * 100 / 72.0) - 2);
    report.render(image, 0);
    int other = 0;
    for (int y = figure.top(); y <= figure.bottom(); ++y)
        for (int x = figure.left(); x <= figure.right(); ++x)
            other += image.pixel(x, y) != qRgb(255, 0, 0);
    QCOMPARE(other, 0);
}

void tst_Reports::longNamesPrintedWhole()
{
    // Long plan, guard and checkpoint names and the longest outcome, on the
    // lines and in the totals: on paper every word of them is there, in order.
    const QString plan = u"Morning round of the east wing and car park"_s;
    const QString guard = u"Alexandra Christodoulopoulou-Whitfield"_s;
    const QString checkpoint = u"Loading bay door beside the north stairwell"_s;
    QVERIFY(TagStore::replaceAll({{u"000000000A"_s, checkpoint}}, nullptr));
    const QDateTime start(QDate(2026, 12, 7), QTime(8, 0));
    ExceptionResult result;
    CheckpointOutcome o{plan, start, 1, u"000000000A"_s, start, CheckpointOutcome::Kind::Early, -7, true,
                        start.addSecs(-7 * 60), u"12"_s, guard};
    for (int i = 0; i < 80; ++i) { // past the first page
        result.outcomes.append(o);
        result.byPlan[plan].add(o);
        result.byGuard[guard].add(o);
        o.roundStart = o.roundStart.addSecs(3600);
    }
    rptExceptions report;
    report.setResult(result, start.date(), start.date().addDays(3));
    const QString pdf = m_env->root() + u"/exceptions.pdf"_s;
    QString error;
    int pages = 0;
    QVERIFY2(report.writePdf(pdf, &error, &pages), qPrintable(error));
    // A word longer than its column breaks inside: compare without white space.
    const auto squeezed = [](QString s) { return s.remove(QRegularExpression(u"\\s+"_s)); };
    const QString text = squeezed(pdfText(pdf));
    QVERIFY2(!text.contains(QChar(0x2026)), qPrintable(text.left(2000)));
    // Each round's plan, every line's checkpoint, outcome and guard, then the
    // totals line of the plan and of the guard.
    QCOMPARE(text.count(squeezed(plan)), 80 + 1);
    QCOMPARE(text.count(squeezed(guard)), 80 + 1);
    QCOMPARE(text.count(squeezed(checkpoint)), 80);
    QCOMPARE(text.count(squeezed(u"Early, out of order"_s)), 80);
    QVERIFY(pages > 1);
}

void tst_Reports::workbookHoldsHeadingAndTypedValues()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.xlsx"_s);
    const QList<PatrolRow> rows = {row("1", "2024/01/08", "08:00:15", "0004A1B2C3", "Tür Nord"),
                                   row("2", "2024-02-29", "12:00:00", "00052F6E9D", "北門"),
                                   row("3", "not a date", "", "00FFEE0011")};
    QString error;
    QVERIFY2(PatrolExport::writeXlsx(path, rows, kCaptions, &error), qPrintable(error));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"out.xlsx"_s});

    const QByteArray sheet = unzip(path, u"xl/worksheets/sheet1.xml"_s);
    QVERIFY(sheet.contains("<autoFilter ref=\"A1:E4\""));
    QHash<QString, QString> style;
    const QHash<QString, QString> c = cells(sheet, &style);
    // Texts stay text; dates and times are serial numbers with their own formats.
    const QStringList expected = {"A1=inlineStr:ID", "E1=inlineStr:Beschreibung", "A2=inlineStr:1", "B2=:45299",
                                  "D3=inlineStr:00052F6E9D",
                                  "E2=inlineStr:Tür Nord", "B3=:45351", "C3=:0.5", "E3=inlineStr:北門",
                                  "B4=inlineStr:not a date", "C4=", "E4="}; // empty cells are left out
    for (const QString &e : expected)
        QCOMPARE(e.section(QLatin1Char('='), 0, 0) + QLatin1Char('=') + c.value(e.section(QLatin1Char('='), 0, 0)), e);
    QVERIFY(style.value(u"B2"_s) != style.value(u"C2"_s) && style.value(u"B2"_s) != style.value(u"A1"_s));
    QVERIFY(!c.contains(u"A5"_s));
}

// data0.txt lines in the file's own form, unreadable dates and times kept as they are.
void tst_Reports::textLines()
{
    const QString path = m_env->root() + u"/data0.txt"_s;
    QVERIFY(writeTestFile(path, "old contents\r\n"));
    QString error;
    QVERIFY2(PatrolExport::writeText(path, {row("1", "2024-01-08", "8:00:15", "0004A1B2C3", "Gate"),
                                            row("12", "2024/12/31", "23:59:59", "ÄBC"), row("1", "??", "", "C")},
                                     &error),
             qPrintable(error));
    QCOMPARE(readTestFile(path),
             QByteArray("1,0004A1B2C3,2024/01/08,08:00:15\r\n12,\xC4" "BC,2024/12/31,23:59:59\r\n1,C,??,\r\n"));
}

void tst_Reports::failedExportKeepsOldTarget()
{
    // The target is a folder: the workbook writer gets as far as its temporary file.
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"out"_s);
    const QString target = folder + u"/export"_s;
    QVERIFY(QDir().mkpath(target));
    QVERIFY(writeTestFile(target + u"/keep.txt"_s, "previous export"));
    for (const bool xlsx : {true, false}) {
        QString error;
        const bool ok = xlsx ? PatrolExport::writeXlsx(target, {row("1", "2024/01/08", "08:00:15", "C")}, kCaptions, &error)
                             : PatrolExport::writeText(target, {row("1", "2024/01/08", "08:00:15", "C")}, &error);
        QVERIFY(!ok);
        QVERIFY2(error.contains(QDir::toNativeSeparators(target)), qPrintable(error));
        QCOMPARE(readTestFile(target + u"/keep.txt"_s), QByteArray("previous export"));
        // No temporary file is left beside the target.
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{u"export"_s});
    }
    // A read-only folder: data0.txt cannot be replaced in one step, so it is
    // not written at all (permissions do not stop the superuser).
    if (geteuid() == 0)
        return;
    const QString dataText = folder + u"/data0.txt"_s;
    QVERIFY(writeTestFile(dataText, "previous export"));
    QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    QString error;
    const bool ok = PatrolExport::writeText(dataText, {row("1", "2024/01/08", "08:00:15", "C")}, &error);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(!ok);
    QCOMPARE(readTestFile(dataText), QByteArray("previous export"));
}

// Qt date and time formats of the system locale as Excel number formats.
void tst_Reports::excelFormats()
{
    QCOMPARE(PatrolExport::excelFormat(u"M/d/yy"_s), u"m/d/yy"_s);
    QCOMPARE(PatrolExport::excelFormat(u"h:mm:ss AP t"_s), u"h:mm:ss AM/PM"_s);
    QCOMPARE(PatrolExport::excelFormat(u"yyyy'年'M'月'd'日'"_s), u"yyyy\"年\"m\"月\"d\"日\""_s);
}

void tst_Reports::saveCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("oldMdb");   // the file clicked is an old-generation .mdb
    QTest::addColumn<int>("filter");    // 0 the .tvl filter, 1 the .xlsx one
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("full");     // the disk is full (a file size limit of 1 byte)
    QTest::addColumn<QString>("saved"); // the file written; empty when none is
    QTest::addColumn<bool>("dataTextWritten");
    QTest::addColumn<QString>("message"); // part of the one message shown; empty for none
    QTest::newRow("toolbar save as .tvl") << "save" << false << 0 << "copy.tvl" << false << "copy.tvl" << false << "";
    QTest::newRow("menu Save... as .xlsx") << "mnuFiles_1" << false << 0 << "copy.xlsx" << false << "copy.xlsx" << true
                                           << "";
    QTest::newRow("no extension, .tvl filter") << "save" << false << 0 << "copy" << false << "copy.tvl" << false << "";
    QTest::newRow("no extension, .xlsx filter") << "save" << false << 1 << "copy" << false << "copy.xlsx" << false
                                                << "";
    QTest::newRow(".xls becomes .xlsx") << "save" << false << 0 << "copy.xls" << false << "copy.xlsx" << false << "";
    QTest::newRow("other extension says why") << "save" << false << 1 << "copy.txt" << false << "" << false
                                              << "copy.txt was not saved";
    QTest::newRow("old .mdb as .tvl records") << "save" << true << 0 << "old.tvl" << false << "old.tvl" << false << "";
    QTest::newRow("full disk, .tvl") << "save" << false << 0 << "copy.tvl" << true << "" << false << "Cannot write";
    QTest::newRow("full disk, .xlsx") << "save" << false << 1 << "copy.xlsx" << true << "" << false << "Cannot write";
    QTest::newRow("full disk, data0.txt") << "mnuFiles_1" << false << 0 << "" << true << "" << false
                                          << "Cannot write";
}

void tst_Reports::saveCommands()
{
    QFETCH(QString, command);
    QFETCH(bool, oldMdb);
    QFETCH(int, filter);
    QFETCH(QString, typed);
    QFETCH(bool, full);
    QFETCH(QString, saved);
    QFETCH(bool, dataTextWritten);
    QFETCH(QString, message);
    RecordingReporter reporter;
    const QString dataText = Workspace::path(u"data0.txt"_s);
    QVERIFY(writeTestFile(dataText, "old\r\n"));
    const QString folder = Workspace::current() + QLatin1Char('/');
    if (full && !typed.isEmpty()) {
        QVERIFY(writeTestFile(folder + typed, "OLD"));
        reporter.answers << true; // overwrite it
    }
    const QString opened = oldMdb ? TestEnv::dataFile(u"legacy/old-patrol.mdb"_s) : m_tvl;

    frmMain window;
    window.show();
    // No dialog while no file is open (an unanswered one would hang the test).
    window.action(u"save"_s)->trigger();
    window.patrolView()->OpenPatrolDataFile(opened);
    // The user picks a filter, types a name into the file dialog and accepts it.
    whenModal<QFileDialog>([typed, filter](QFileDialog *dialog) {
        if (typed.isEmpty())
            return dialog->reject();
        dialog->selectNameFilter(dialog->nameFilters().value(filter));
        dialog->findChild<QLineEdit *>(u"fileNameEdit"_s)->setText(typed);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const QStringList before = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    {
        FileSizeLimit limit(full ? 1 : -1);
        window.action(command)->trigger();
    }
    QCOMPARE(readTestFile(dataText), dataTextWritten ? QByteArray("1,0004A1B2C3,2024/01/08,08:00:15\r\n"
                                                              "2,0004A1B2C4,2024/01/08,07:00:00\r\n")
                                                 : QByteArray("old\r\n"));
    // The file written, and nothing else (no temporary file either).
    QStringList added = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : before)
        added.removeAll(name);
    QCOMPARE(added, saved.isEmpty() ? QStringList{} : QStringList{saved});
    if (full && !typed.isEmpty())
        QCOMPARE(readTestFile(folder + typed), QByteArray("OLD"));
    if (saved.endsWith(u".xlsx"_s))
        QVERIFY(readTestFile(folder + saved).startsWith("PK"));
    const auto records = [](const QString &path) {
        QStringList lines;
        for (const PatrolRow &r : PatrolDataLoader::load(path, {}).rows)
            lines << PatrolExport::textLine(r);
        return lines;
    };
    // An old .mdb is saved as the records a download writes.
    if (saved.endsWith(u".tvl"_s))
        QVERIFY(!records(opened).isEmpty() && records(folder + saved) == records(opened));
    // A .tvl saved is in the ledger with the bytes written, and the chain holds.
    if (saved.endsWith(u".tvl"_s)) {
        QList<LedgerRow> rows;
        QList<LedgerFinding> findings;
        QVERIFY(Ledger::rows(&rows, nullptr) && !rows.isEmpty());
        QCOMPARE(rows.last().kind + u' ' + rows.last().fileName, u"saveas "_s + saved);
        QCOMPARE(rows.last().fileHash, Ledger::hashFile(folder + saved));
        QVERIFY(LedgerVerifier::verify(&findings, nullptr));
        QCOMPARE(findings.size(), 0);
    }
    QStringList shown = reporter.texts();
    shown.removeAll(u"File already exists, overwrite?"_s);
    QVERIFY2(message.isEmpty() ? shown.isEmpty() : shown.size() == 1 && shown[0].contains(message),
             qPrintable(shown.join(u'\n')));
}

void tst_Reports::previewIsNotModal()
{
    RecordingReporter reporter;
    frmMain window;
    window.show();
    auto *tree = window.findChild<QTreeWidget *>(u"tvwPatrolData"_s);
    QTreeWidgetItem *fileNode = tree->topLevelItem(0)->child(0);
    QVERIFY(fileNode);
    const QPoint at = tree->visualItemRect(fileNode).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(window.patrolView()->CurrentFilePath(), m_tvl);

    auto *preview = window.findChild<QPrintPreviewDialog *>();
    QVERIFY(preview && preview->isVisible() && !preview->isModal());
    QVERIFY(!QApplication::activeModalWidget() && preview->findChild<QAction *>(u"exportPdf"_s));
    // The menu's preview opens a second window; the first stays.
    window.action(u"mnuFiles_7"_s)->trigger();
    QCOMPARE(window.findChildren<QPrintPreviewDialog *>().size(), 2);
    QVERIFY(reporter.entries.isEmpty());
}

QTEST_MAIN(tst_Reports)
#include "tst_reports.moc"
