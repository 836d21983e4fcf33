#include "PatrolExport.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

class tst_PatrolExport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void workbookHoldsHeadingAndTypedValues();
    void textLayout_data();
    void textLayout();
    void failedExportKeepsOldTarget_data();
    void failedExportKeepsOldTarget();
    void excelFormats_data();
    void excelFormats();
};

namespace {

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

void tst_PatrolExport::workbookHoldsHeadingAndTypedValues()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.xlsx"_s);
    const QList<PatrolRow> rows = {{u"1"_s, u"2024/01/08"_s, u"08:00:15"_s, u"0004A1B2C3"_s, u"Tür Nord"_s},
                                   {u"2"_s, u"2024-02-29"_s, u"12:00:00"_s, u"00052F6E9D"_s, u"北門"_s},
                                   {u"3"_s, u"not a date"_s, QString(), u"00FFEE0011"_s, QString()}};
    QString error;
    QVERIFY2(PatrolExport::writeXlsx(path, rows, kCaptions, &error), qPrintable(error));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"out.xlsx"_s});

    QVERIFY(unzip(path, u"xl/workbook.xml"_s).contains("name=\"RawData\""));
    QVERIFY(unzip(path, u"xl/styles.xml"_s).contains("<b/>"));
    const QByteArray sheet = unzip(path, u"xl/worksheets/sheet1.xml"_s);
    QVERIFY(sheet.contains("ySplit=\"1\"") && sheet.contains("state=\"frozen\""));
    QVERIFY(sheet.contains("<autoFilter ref=\"A1:E4\""));
    QHash<QString, QString> style;
    const QHash<QString, QString> c = cells(sheet, &style);
    for (int i = 0; i < 5; ++i) {
        const QString ref = QString(QLatin1Char('A' + i)) + QLatin1Char('1');
        QCOMPARE(c.value(ref), u"inlineStr:"_s + kCaptions[i]);
        QCOMPARE(style.value(ref), style.value(u"A1"_s)); // all bold
    }
    // Texts stay text; dates and times are serial numbers with their own formats.
    const QStringList expected = {"A2=inlineStr:1", "B2=:45299", "D3=inlineStr:00052F6E9D",
                                  "E2=inlineStr:Tür Nord", "B3=:45351", "C3=:0.5", "E3=inlineStr:北門",
                                  "B4=inlineStr:not a date", "C4=", "E4="}; // empty cells are left out
    for (const QString &e : expected)
        QCOMPARE(e.section(QLatin1Char('='), 0, 0) + QLatin1Char('=') + c.value(e.section(QLatin1Char('='), 0, 0)), e);
    QCOMPARE(qRound(c.value(u"C2"_s).mid(1).toDouble() * 86400), 8 * 3600 + 15);
    QVERIFY(style.value(u"B2"_s) != style.value(u"C2"_s) && style.value(u"B2"_s) != style.value(u"A1"_s));
    QVERIFY(!c.contains(u"A5"_s));
}

void tst_PatrolExport::textLayout_data()
{
    QTest::addColumn<QList<PatrolRow>>("rows");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("two rows") << QList<PatrolRow>{{u"1"_s, u"2024-01-08"_s, u"8:00:15"_s, u"0004A1B2C3"_s, u"Gate"_s},
                                                  {u"12"_s, u"2024/12/31"_s, u"23:59:59"_s, u"ÄBC"_s, QString()}}
                              << QByteArray("1,0004A1B2C3,2024/01/08,08:00:15\r\n12,\xC4" "BC,2024/12/31,23:59:59\r\n");
    QTest::newRow("unreadable date kept") << QList<PatrolRow>{{u"1"_s, u"??"_s, QString(), u"C"_s, QString()}}
                                          << QByteArray("1,C,??,\r\n");
    QTest::newRow("empty list") << QList<PatrolRow>{} << QByteArray();
}

void tst_PatrolExport::textLayout()
{
    QFETCH(QList<PatrolRow>, rows);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"data0.txt"_s);
    QVERIFY(writeTestFile(path, "old contents\r\n"));
    QString error;
    QVERIFY2(PatrolExport::writeText(path, rows, &error), qPrintable(error));
    QCOMPARE(readTestFile(path), expected);
}

void tst_PatrolExport::failedExportKeepsOldTarget_data()
{
    QTest::addColumn<bool>("xlsx");
    QTest::addColumn<bool>("readOnlyFolder"); // otherwise the target is a folder
    QTest::newRow("xlsx, target is a folder") << true << false;
    QTest::newRow("text, target is a folder") << false << false;
    // Permissions do not stop the superuser.
    if (geteuid() != 0) {
        QTest::newRow("xlsx, read-only folder") << true << true;
        QTest::newRow("text, read-only folder") << false << true;
    }
}

void tst_PatrolExport::failedExportKeepsOldTarget()
{
    QFETCH(bool, xlsx);
    QFETCH(bool, readOnlyFolder);
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"out"_s);
    QVERIFY(QDir().mkpath(folder));
    const QString target = folder + u"/export"_s;
    const QString keptFile = readOnlyFolder ? target : target + u"/keep.txt"_s;
    if (!readOnlyFolder)
        QVERIFY(QDir().mkpath(target));
    QVERIFY(writeTestFile(keptFile, "previous export"));
    if (readOnlyFolder)
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));

    const QList<PatrolRow> rows = {{u"1"_s, u"2024/01/08"_s, u"08:00:15"_s, u"0004A1B2C3"_s, u"Gate"_s}};
    QString error;
    const bool ok = xlsx ? PatrolExport::writeXlsx(target, rows, kCaptions, &error)
                         : PatrolExport::writeText(target, rows, &error);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(!ok);
    QVERIFY(error.contains(QDir::toNativeSeparators(target)));
    QCOMPARE(readTestFile(keptFile), QByteArray("previous export"));
    // No temporary file is left beside the target.
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{u"export"_s});
}

void tst_PatrolExport::excelFormats_data()
{
    QTest::addColumn<QString>("qt");
    QTest::addColumn<QString>("excel");
    QTest::newRow("US short date") << "M/d/yy" << "m/d/yy";
    QTest::newRow("ISO date") << "yyyy-MM-dd" << "yyyy-mm-dd";
    QTest::newRow("German date") << "dd.MM.yy" << "dd.mm.yy";
    QTest::newRow("24-hour long time with zone") << "HH:mm:ss t" << "hh:mm:ss";
    QTest::newRow("12-hour long time") << "h:mm:ss AP t" << "h:mm:ss AM/PM";
    QTest::newRow("quoted text") << "yyyy'年'M'月'd'日'" << "yyyy\"年\"m\"月\"d\"日\"";
}

void tst_PatrolExport::excelFormats()
{
    QFETCH(QString, qt);
    QFETCH(QString, excel);
    QCOMPARE(PatrolExport::excelFormat(qt), excel);
}

QTEST_GUILESS_MAIN(tst_PatrolExport)
#include "tst_patrolexport.moc"
