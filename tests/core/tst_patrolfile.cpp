#include "PatrolFile.h"
#include "RecordingReporter.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "Workspace.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_PatrolFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void encodesSixDigitsPerByte();
    void everyByteRoundTrips();
    void readFailures_data();
    void readFailures();
    void fileRoundTrip();
    void sameSecondAppends();
    void fullDiskReported();
};

void tst_PatrolFile::encodesSixDigitsPerByte()
{
    const QString record = u"1,ABC,2024/01/31,23:59:05"_s;
    QCOMPARE(record.size(), 25);
    const QByteArray line = PatrolFile::encode(record);
    QCOMPARE(line.size(), 150);
    QCOMPARE(line.left(6), QByteArray::number(574139 - '1'));
    QCOMPARE(line.mid(6, 6), QByteArray("574095")); // 574139 - ','
    for (const char c : line)
        QVERIFY(c >= '0' && c <= '9');
}

void tst_PatrolFile::everyByteRoundTrips()
{
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(char(b));
    const QString text = PatrolFile::fromAnsi(all);
    QCOMPARE(PatrolFile::toAnsi(text), all);
    QString back;
    QCOMPARE(PatrolFile::decode(PatrolFile::encode(text), &back), PatrolFile::Decode::Ok);
    QCOMPARE(back, text);
    QCOMPARE(PatrolFile::fromAnsi("\x80\xe9"), u"\u20ac\u00e9"_s);
    // Byte 0 is the highest group value a line can hold.
    QCOMPARE(PatrolFile::encode(QString(QChar(0))), QByteArray("574139"));
    // A character the code page lacks is written as "?", as the code page conversion does.
    QCOMPARE(PatrolFile::toAnsi(u"\u65e5"_s), QByteArray("?"));
}

void tst_PatrolFile::readFailures_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("reported");
    QTest::newRow("7 digits") << QByteArray("5740905") << false;
    QTest::newRow("empty line") << QByteArray("") << false;
    QTest::newRow("13 digits") << QByteArray("5740905740901") << false;
    QTest::newRow("above K") << QByteArray::number(574139 + 1) << true;
    QTest::newRow("below K - 255") << QByteArray::number(574139 - 256) << true;
    QTest::newRow("second group bad") << QByteArray("574090999999") << true;
    QTest::newRow("not digits") << QByteArray("57409x") << true;
}

void tst_PatrolFile::readFailures()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, reported);
    RecordingReporter reporter;
    QByteArray data = PatrolFile::encode(u"ok"_s) + "\r\n" + line + "\r\n" + PatrolFile::encode(u"next"_s) + "\r\n";
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QString text;
    QVERIFY(ReadPatrolLine(buffer, text));
    QCOMPARE(text, u"ok"_s);
    QVERIFY(!ReadPatrolLine(buffer, text));
    QCOMPARE(text, u"ok"_s); // left unchanged
    QCOMPARE(reporter.entries.size(), reported ? 1 : 0);
    QVERIFY(!reported || reporter.entries.first().isFailure);
    // The reader goes on with the following line, and fails quietly at the end.
    QVERIFY(ReadPatrolLine(buffer, text));
    QCOMPARE(text, u"next"_s);
    QVERIFY(!ReadPatrolLine(buffer, text));
    QCOMPARE(text, u"next"_s);
    QCOMPARE(reporter.entries.size(), reported ? 1 : 0);
}

void tst_PatrolFile::fileRoundTrip()
{
    TestEnv env(false);
    const QStringList records = {u"1,0004A1B2C3,2024/01/08,08:00:15"_s, u"12,Caf\u00e9 \u20ac,2024/01/09,23:59:59"_s,
                                 u"3,\u00c4\u00d6\u00dc\u00df,2024/02/29,00:00:00"_s};
    QFile file;
    QString error;
    const QString name = PatrolFile::fileNameFor(QDateTime(QDate(2024, 1, 8), QTime(8, 5, 9)));
    QCOMPARE(name, u"20240108 080509.tvl"_s);
    QVERIFY2(PatrolFile::openForAppend(file, name, &error), qPrintable(error));
    for (const QString &r : records)
        QVERIFY(WritePatrolLine(file, r));
    QVERIFY(!WritePatrolLine(file, QString())); // an empty record is not written
    file.close();

    const QList<QByteArray> lines = readTestFile(QDir(Workspace::unapprovedFolder()).filePath(name)).split('\n');
    QCOMPARE(lines.size(), records.size() + 1); // CR LF after every line, nothing after the last
    QVERIFY(lines.last().isEmpty());
    for (int i = 0; i < records.size(); ++i) {
        QVERIFY(lines[i].endsWith('\r'));
        QCOMPARE(lines[i].size() - 1, records[i].size() * 6); // one byte per character, é and € included
    }
    QCOMPARE(TestEnv::patrolLines(name), records);
}

void tst_PatrolFile::sameSecondAppends()
{
    TestEnv env(false);
    const QString name = PatrolFile::fileNameFor(QDateTime(QDate(2024, 12, 31), QTime(23, 0, 1)));
    QCOMPARE(name, u"20241231 230001.tvl"_s);
    for (const char *record : {"1,A,2024/12/31,22:00:00", "2,B,2024/12/31,22:30:00"}) {
        QFile file;
        QVERIFY(PatrolFile::openForAppend(file, name, nullptr));
        QVERIFY(WritePatrolLine(file, QLatin1String(record)));
    }
    QCOMPARE(TestEnv::patrolLines(name), (QStringList{"1,A,2024/12/31,22:00:00", "2,B,2024/12/31,22:30:00"}));
}

void tst_PatrolFile::fullDiskReported()
{
    QFile full(u"/dev/full"_s);
    if (!full.open(QIODevice::WriteOnly))
        QSKIP("/dev/full is not available");
    RecordingReporter reporter;
    QVERIFY(!WritePatrolLine(full, u"1,A,2024/12/31,22:00:00"_s));
    QVERIFY(reporter.entries.size() == 1 && reporter.entries.first().isFailure);
}

QTEST_GUILESS_MAIN(tst_PatrolFile)
#include "tst_patrolfile.moc"
