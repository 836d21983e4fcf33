#include "PatrolExport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <unistd.h>

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

const QStringList kCaptions = {QStringLiteral("ID"), QStringLiteral("Datum"), QStringLiteral("Zeit"),
                               QStringLiteral("Code"), QStringLiteral("Beschreibung")};

QByteArray unzip(const QString &archive, const QString &member)
{
    QProcess p;
    p.start(QStringLiteral("unzip"), {QStringLiteral("-p"), archive, member});
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
    const QString path = dir.filePath(QStringLiteral("out.xlsx"));
    const QList<PatrolRow> rows = {
        {QStringLiteral("1"), QStringLiteral("2024/01/08"), QStringLiteral("08:00:15"), QStringLiteral("0004A1B2C3"),
         QStringLiteral("Tür Nord")},
        {QStringLiteral("2"), QStringLiteral("2024-02-29"), QStringLiteral("12:00:00"), QStringLiteral("00052F6E9D"),
         QStringLiteral("北門")},
        {QStringLiteral("3"), QStringLiteral("not a date"), QString(), QStringLiteral("00FFEE0011"), QString()},
    };
    QString error;
    QVERIFY2(PatrolExport::writeXlsx(path, rows, kCaptions, &error), qPrintable(error));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.xlsx")});

    QVERIFY(unzip(path, QStringLiteral("xl/workbook.xml")).contains("name=\"RawData\""));
    QVERIFY(unzip(path, QStringLiteral("xl/styles.xml")).contains("<b/>"));
    const QByteArray sheet = unzip(path, QStringLiteral("xl/worksheets/sheet1.xml"));
    QVERIFY(sheet.contains("ySplit=\"1\"") && sheet.contains("state=\"frozen\""));
    QVERIFY(sheet.contains("<autoFilter ref=\"A1:E4\""));
    QHash<QString, QString> style;
    const QHash<QString, QString> c = cells(sheet, &style);
    for (int i = 0; i < 5; ++i) {
        const QString ref = QString(QLatin1Char('A' + i)) + QLatin1Char('1');
        QCOMPARE(c.value(ref), QStringLiteral("inlineStr:") + kCaptions[i]);
        QCOMPARE(style.value(ref), style.value(QStringLiteral("A1"))); // all bold
    }
    // Texts stay text; dates and times are serial numbers with their own formats.
    const QStringList expected = {"A2=inlineStr:1", "B2=:45299", "D3=inlineStr:00052F6E9D",
                                  "E2=inlineStr:Tür Nord", "B3=:45351", "C3=:0.5", "E3=inlineStr:北門",
                                  "B4=inlineStr:not a date", "C4=", "E4="}; // empty cells are left out
    for (const QString &e : expected)
        QCOMPARE(e.section(QLatin1Char('='), 0, 0) + QLatin1Char('=') + c.value(e.section(QLatin1Char('='), 0, 0)), e);
    QCOMPARE(qRound(c.value(QStringLiteral("C2")).mid(1).toDouble() * 86400), 8 * 3600 + 15);
    QVERIFY(style.value(QStringLiteral("B2")) != style.value(QStringLiteral("C2")));
    QVERIFY(style.value(QStringLiteral("B2")) != style.value(QStringLiteral("A1")));
    QVERIFY(!c.contains(QStringLiteral("A5")));
}

void tst_PatrolExport::textLayout_data()
{
    QTest::addColumn<QList<PatrolRow>>("rows");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("two rows") << QList<PatrolRow>{
        {QStringLiteral("1"), QStringLiteral("2024-01-08"), QStringLiteral("8:00:15"), QStringLiteral("0004A1B2C3"),
         QStringLiteral("Gate")},
        {QStringLiteral("12"), QStringLiteral("2024/12/31"), QStringLiteral("23:59:59"), QStringLiteral("ÄBC"),
         QString()}}
                              << QByteArray("1,0004A1B2C3,2024/01/08,08:00:15\r\n12,\xC4" "BC,2024/12/31,23:59:59\r\n");
    QTest::newRow("unreadable date kept") << QList<PatrolRow>{{QStringLiteral("1"), QStringLiteral("??"),
                                                               QString(), QStringLiteral("C"), QString()}}
                                          << QByteArray("1,C,??,\r\n");
    QTest::newRow("empty list") << QList<PatrolRow>{} << QByteArray();
}

void tst_PatrolExport::textLayout()
{
    QFETCH(QList<PatrolRow>, rows);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data0.txt"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old contents\r\n") > 0);
    old.close();
    QString error;
    QVERIFY2(PatrolExport::writeText(path, rows, &error), qPrintable(error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), expected);
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
    const QString folder = dir.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(folder));
    const QString target = folder + QStringLiteral("/export");
    const QString keptFile = readOnlyFolder ? target : target + QStringLiteral("/keep.txt");
    if (!readOnlyFolder)
        QVERIFY(QDir().mkpath(target));
    QFile keep(keptFile);
    QVERIFY(keep.open(QIODevice::WriteOnly) && keep.write("previous export") > 0);
    keep.close();
    if (readOnlyFolder)
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));

    const QList<PatrolRow> rows = {{QStringLiteral("1"), QStringLiteral("2024/01/08"), QStringLiteral("08:00:15"),
                                    QStringLiteral("0004A1B2C3"), QStringLiteral("Gate")}};
    QString error;
    const bool ok = xlsx ? PatrolExport::writeXlsx(target, rows, kCaptions, &error)
                         : PatrolExport::writeText(target, rows, &error);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(!ok);
    QVERIFY(error.contains(QDir::toNativeSeparators(target)));
    QVERIFY(keep.open(QIODevice::ReadOnly));
    QCOMPARE(keep.readAll(), QByteArray("previous export"));
    // No temporary file is left beside the target.
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("export")});
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
