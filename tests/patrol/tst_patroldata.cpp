#include "LegacyDatabase.h"
#include "PatrolDataLoader.h"
#include "PatrolFile.h"
#include "PatrolTableModel.h"
#include "RowSearch.h"
#include "TestEnv.h"
#include "TestFiles.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_PatrolData : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void legacyFiles_data();
    void legacyFiles();
    void missingColumnIsRefused();
    void damagedOldFileIsSurvived();
    void tvlSkipsBadLinesAndKeepsGoing();
    void displayFormats_data();
    void displayFormats();
    void timeFormatterMatchesQt_data();
    void timeFormatterMatchesQt();
    void search_data();
    void search();
};

namespace {

QString legacy(const char *name)
{
    return TestEnv::dataFile(u"legacy/"_s + QLatin1String(name));
}

}

void tst_PatrolData::legacyFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("errorPart");

    QTest::newRow("password") << legacy("old-patrol.mdb") << true << 12 << QString();
    QTest::newRow("empty") << legacy("old-empty.mdb") << true << 0 << QString();
    QTest::newRow("wrong table") << legacy("old-wrongtable.mdb") << false << 0 << u"no table RawData"_s;
    QTest::newRow("not a database") << legacy("not-a-database.mdb") << false << 0 << u"not an Access (Jet 4) database"_s;
    QTest::newRow("missing") << legacy("no-such-file.mdb") << false << 0 << u"Cannot open"_s;
    QTest::newRow("upper-case extension") << u"COPY"_s << true << 12 << QString();
}

void tst_PatrolData::legacyFiles()
{
    QFETCH(QString, file);
    QFETCH(bool, ok);
    QFETCH(int, rows);
    QFETCH(QString, errorPart);
    QTemporaryDir dir;
    if (file == QLatin1String("COPY")) {
        file = dir.filePath(u"OLD.MDB"_s);
        QVERIFY(QFile::copy(legacy("old-patrol.mdb"), file));
    }
    // Descriptions of an old file come from the file, never from the map.
    const PatrolLoadResult r = PatrolDataLoader::load(file, {{u"0004A1B2C3"_s, u"X"_s}});
    QCOMPARE(r.ok, ok);
    QCOMPARE(r.rows.size(), rows);
    if (!ok)
        QVERIFY2(r.error.contains(errorPart), qPrintable(r.error));
    if (rows == 12) {
        const PatrolRow &first = r.rows.first();
        QCOMPARE((QStringList{first.machineNo, first.date, first.time, first.code, first.description}),
                 (QStringList{"1", "2024-01-08", "08:00:15", "0004A1B2C3", "Main Gate"}));
        QCOMPARE((QStringList{r.rows[2].description, r.rows[4].description, r.rows[5].time, r.rows[7].date, r.rows[11].time}),
                 (QStringList{"", u"北門"_s, "00:00:00", "2024-02-29", "21:15:42"}));
    }
}

// An old table without a column the reader needs is refused, not read short.
void tst_PatrolData::missingColumnIsRefused()
{
    LegacyDatabase db;
    QString error;
    QVERIFY2(db.open(legacy("old-tags.tu"), LegacyDatabase::kPassword, &error), qPrintable(error));
    QList<QStringList> rows;
    QVERIFY(!db.readTable(u"TagsDef"_s, {u"Code"_s, u"Missing"_s}, &rows, &error));
    QVERIFY(error.contains(QLatin1String("Missing")));
}

void tst_PatrolData::tvlSkipsBadLinesAndKeepsGoing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"20261206 072252.TVL"_s);
    const QByteArray good = PatrolFile::encode(u"1,0004A1B2C3,2026/12/06,07:00:00"_s);
    QByteArray bad = good;
    bad[3] = 'x';
    QVERIFY(writeTestFile(path, QByteArrayList{good, bad, PatrolFile::encode(u"1,0004A1B2C4,2026/12/06"_s), "12345",
                                               PatrolFile::encode(u"2,0004A1B2C4,2026/12/06,07:05:00"_s),
                                               PatrolFile::encode(u"2,0004A1B2C3,2026/12/06,07:09:00"_s)}
                                    .join("\r\n")));
    const PatrolLoadResult r = PatrolDataLoader::load(path, {{u"0004A1B2C3"_s, u"Main Gate"_s}});
    QVERIFY(r.ok);
    QCOMPARE(r.skippedLines, (QList<int>{2, 3, 4}));
    QCOMPARE(r.rows.size(), 3);
    QCOMPARE((QStringList{r.rows[0].description, r.rows[1].description, r.rows[1].machineNo, r.rows[2].time}),
             (QStringList{"Main Gate", QString(), "2", "07:09:00"}));
    QCOMPARE(PatrolDataLoader::skippedText(r.skippedLines, u"%1 / %2"_s), u"3 / 2, 3, 4"_s);
}

void tst_PatrolData::displayFormats_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("shownDate");
    QTest::addColumn<QString>("shownTime");
    const QLocale sys = QLocale::system();
    const QString timeFormat = PatrolTableModel::longTimeFormatWithoutZone();
    const QString shortDate = sys.dateFormat(QLocale::ShortFormat);
    QTest::newRow("file") << "2026/12/06" << "07:22:52" << sys.toString(QDate(2026, 12, 6), shortDate)
                          << sys.toString(QTime(7, 22, 52), timeFormat);
    QTest::newRow("old file") << "2024-02-29" << "00:00:00" << sys.toString(QDate(2024, 2, 29), shortDate)
                              << sys.toString(QTime(0, 0), timeFormat);
    QTest::newRow("not a date") << "2026/13/45" << "25:61:00" << "2026/13/45" << "25:61:00";
}

void tst_PatrolData::displayFormats()
{
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, shownDate);
    QFETCH(QString, shownTime);
    PatrolTableModel model;
    model.setRows({{u"7"_s, date, time, u"0004A1B2C3"_s, u"Gate"_s}});
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE((QStringList{model.displayText(0, 1), model.displayText(0, 2), model.data(model.index(0, 2)).toString()}),
             (QStringList{shownDate, shownTime, shownTime}));
    QCOMPARE(model.rowText(0), QStringList({u"7"_s, shownDate, shownTime, u"0004A1B2C3"_s, u"Gate"_s}).join(u'\t'));
    QVERIFY(!PatrolTableModel::longTimeFormatWithoutZone().contains(u't'));
}

void tst_PatrolData::timeFormatterMatchesQt_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("format");
    QTest::newRow("zh_TW") << "zh_TW" << "Ah:mm:ss";
    QTest::newRow("quoted text") << "de_DE" << "HH:mm 'Uhr'";
}

void tst_PatrolData::timeFormatterMatchesQt()
{
    QFETCH(QString, locale);
    QFETCH(QString, format);
    const QLocale l(locale);
    for (const QTime t : {QTime(0, 0, 0), QTime(7, 5, 9), QTime(12, 0, 0), QTime(13, 41, 22), QTime(23, 59, 59)})
        QCOMPARE(PatrolTableModel::formatTime(t, format, l), l.toString(t, format));
}

void tst_PatrolData::search_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("found");
    QTest::newRow("first") << "12" << 0 << 2 << 0;
    QTest::newRow("next after a match") << "12" << 1 << 0 << 2;
    QTest::newRow("no wrap-around") << "12" << 1 << 2 << -1;
    QTest::newRow("case-sensitive") << "gate" << 0 << -1 << -1;
    QTest::newRow("tab across columns") << "0004A1B2C4\tDock" << 0 << -1 << 1;
    QTest::newRow("empty text") << "" << 0 << -1 << -1;
}

void tst_PatrolData::search()
{
    QFETCH(QString, text);
    QFETCH(int, mode);
    QFETCH(int, selected);
    QFETCH(int, found);
    PatrolTableModel model;
    model.setRows({{"12", "2026/12/06", "07:00:00", "0004A1B2C3", "Gate"},
                   {"3", "2026/12/06", "07:05:00", "0004A1B2C4", "Dock"},
                   {"4", "2026/12/06", "08:00:00", "0000000012", ""}});
    QCOMPARE(RowSearch::find(text, model.rowCount(), selected, mode, [&](int r) { return model.rowText(r); }),
             found);
}

// Found by fuzzing: row offsets that send libmdb's row reader past its page
// buffer (a crash where that memory is not mapped). Whatever libmdb makes of
// it, reading goes on in this process and a failure names the file.
void tst_PatrolData::damagedOldFileIsSurvived()
{
    const QString path = legacy("damaged-rows.mdb");
    const PatrolLoadResult r = PatrolDataLoader::load(path, {});
    QVERIFY2(r.ok || r.error.contains(QDir::toNativeSeparators(path)), qPrintable(r.error));
}

QTEST_GUILESS_MAIN(tst_PatrolData)
#include "tst_patroldata.moc"
