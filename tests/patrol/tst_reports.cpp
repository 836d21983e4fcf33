#include "CRes.h"
#include "DataStore.h"
#include "PatrolTableModel.h"
#include "TestEnv.h"
#include "rptPatrolData.h"
#include "rptTagDef.h"

#include <QImage>
#include <QProcess>
#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_Reports : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void patrolRowsSortedAndJoined_data();
    void patrolRowsSortedAndJoined();
    void pagesOnImageAndPdf_data();
    void pagesOnImageAndPdf();
};

namespace {

PatrolRow row(const char *machine, const char *date, const char *time, const char *code, const char *description = "")
{
    return {QString::fromUtf8(machine), QString::fromUtf8(date), QString::fromUtf8(time), QString::fromUtf8(code),
            QString::fromUtf8(description)};
}

void addTag(const QString &code, const QString &description)
{
    QSqlQuery q(QSqlDatabase::database(DataStore::kConnTVL));
    q.prepare(u"INSERT INTO TagDef (Code, Description) VALUES (?, ?)"_s);
    for (const QString &value : {code, description})
        q.addBindValue(value);
    QVERIFY(q.exec());
}

// What a poppler tool prints for a PDF.
QString poppler(const char *tool, const QStringList &args)
{
    QProcess p;
    p.start(QString::fromLatin1(tool), args);
    p.waitForFinished();
    // Compatibility form turns the "fi" ligature glyphs back into letters.
    return QString::fromUtf8(p.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
}

}

void tst_Reports::patrolRowsSortedAndJoined_data()
{
    QTest::addColumn<QList<PatrolRow>>("list");
    QTest::addColumn<QStringList>("expected"); // machine number, code, description of each report row

    // Text order would put 8:00:15 after 10:00:00 and 2024/01 after 2024-02.
    QTest::newRow("any order, both date forms") << QList<PatrolRow>{
        row("3", "2024/03/01", "12:00:00", "C3"), row("1", "2024/01/08", "10:00:00", "C1"),
        row("2", "2024-02-29", "06:05:09", "C2"), row("0", "2024/01/08", "8:00:15", "C0")}
        << QStringList{"0 C0 Zero", "1 C1 ", "2 C2 ", "3 C3 "};
    QTest::newRow("empty time and bad date left out") << QList<PatrolRow>{
        row("1", "2024/01/08", "", "C1"), row("2", "2024/13/08", "08:00:00", "C1"),
        row("3", "2024/01/08", "08:00:00", "C1")}
        << QStringList{"3 C1 "};
    QTest::newRow("descriptions from the current tags") << QList<PatrolRow>{
        row("1", "2024-01-08", "08:00:15", "C0", "Old name"), row("1", "2024-01-08", "08:00:16", "C9", "Gone")}
        << QStringList{"1 C0 Zero", "1 C9 "};
    QTest::newRow("empty list") << QList<PatrolRow>{} << QStringList{};
}

void tst_Reports::patrolRowsSortedAndJoined()
{
    QFETCH(QList<PatrolRow>, list);
    QFETCH(QStringList, expected);
    TestEnv env;
    addTag(u"C0"_s, u"Zero"_s);
    // A previous report's rows must not stay in the working table.
    rptPatrolData earlier;
    QString error;
    QVERIFY(earlier.load({row("9", "2020/01/01", "00:00:00", "X")}, &error));

    rptPatrolData report;
    QVERIFY2(report.load(list, &error), qPrintable(error));
    QStringList got;
    for (const QStringList &r : report.rows)
        got << r.value(0) + u' ' + r.value(1) + u' ' + r.value(4);
    QCOMPARE(got, expected);
    QCOMPARE(report.Function1(), qsizetype(expected.size()));
    // Stored in sortable form, shown as the list shows them.
    const QLocale locale = QLocale::system();
    for (qsizetype r = 0; r < report.rows.size(); ++r) {
        const QDate date = QDate::fromString(report.rows[r][2], Qt::ISODate);
        const QTime time = QTime::fromString(report.rows[r][3], Qt::ISODate);
        QVERIFY(date.isValid() && time.isValid());
        QCOMPARE(report.cellText(r, 2), locale.toString(date, QLocale::ShortFormat));
        QCOMPARE(report.cellText(r, 3), locale.toString(time, PatrolTableModel::longTimeFormatWithoutZone()));
    }
    QSqlQuery count = DataStore::run(u"rptPatrolData"_s);
    int stored = 0;
    while (count.next())
        ++stored;
    QCOMPARE(stored, expected.size());
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
    TestEnv env;
    CRes::destroyInstance();
    QList<PatrolRow> list;
    for (int i = 0; i < rows; ++i) {
        const QString code = u"00%1"_s.arg(i, 8, 16, QLatin1Char('0')).toUpper();
        addTag(code, u"Checkpoint %1"_s.arg(i));
        // Reversed in time, so the last list row comes first.
        list.prepend({QString::number(1 + i % 3), u"2024/01/08"_s, QTime(0, 0).addSecs(i * 60).toString(u"HH:mm:ss"_s), code, {}});
    }
    std::unique_ptr<ReportLayout> report;
    QString error;
    if (tags) {
        auto tagReport = std::make_unique<rptTagDef>();
        QVERIFY(tagReport->load(&error));
        tagReport->SetupTagDefReport();
        report = std::move(tagReport);
    } else {
        auto patrolReport = std::make_unique<rptPatrolData>();
        QVERIFY(patrolReport->load(list, &error));
        patrolReport->SetupPatrolDataReport();
        report = std::move(patrolReport);
    }
    QCOMPARE(report->lblTitle, CRes::instance().ResString(tags ? 124 : 123));

    // Every row is on exactly one page, in order; the page is drawn.
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
    QCOMPARE(pages > 1, rows > 60);
    report->render(image, 0);
    int dark = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            dark += qGray(image.pixel(x, y)) < 128;
    QVERIFY(dark > 500);

    const QString pdf = env.root() + u"/report.pdf"_s;
    QVERIFY2(report->writePdf(pdf, &error), qPrintable(error));
    if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty())
        QSKIP("pdftotext and pdfinfo (poppler-utils) are needed to read the PDF back");
    const int pdfPages = poppler("pdfinfo", {pdf}).section(QLatin1String("Pages:"), 1).section(QLatin1Char('\n'), 0, 0)
                             .trimmed().toInt();
    QCOMPARE(pdfPages > 1, rows > 60);
    const QString text = poppler("pdftotext", {u"-layout"_s, pdf, u"-"_s});
    for (const QString &label : {report->lblTitle, report->lblPrintedDate, report->columns.last().caption,
                                 report->lblRecordCount + QLatin1Char(' ') + QString::number(rows),
                                 QString::number(pdfPages)})
        QVERIFY2(text.contains(label), qPrintable(label));
    // Sorted by time: the row first in the list is the last in the report.
    if (rows > 0 && !tags)
        QVERIFY(text.lastIndexOf(u"Checkpoint %1"_s.arg(rows - 1))
                > text.lastIndexOf(u"Checkpoint 0 "_s));
}

QTEST_MAIN(tst_Reports)
#include "tst_reports.moc"
