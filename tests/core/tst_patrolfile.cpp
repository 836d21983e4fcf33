#include "PatrolFile.h"
#include "RecordingReporter.h"

#include <QBuffer>
#include <QFile>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_PatrolFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyByteRoundTrips();
    void readFailures_data();
    void readFailures();
    void writtenLines();
};

void tst_PatrolFile::everyByteRoundTrips()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = PatrolFile::fromAnsi(all);
    QCOMPARE(PatrolFile::toAnsi(text), all);
    QString back;
    QCOMPARE(PatrolFile::decode(PatrolFile::encode(text), &back), PatrolFile::Decode::Ok);
    QCOMPARE(back, text);
    QCOMPARE(PatrolFile::fromAnsi("\x80\xe9"), u"\u20ac\u00e9"_s);
    // A character the code page lacks is written as "?", as the code page conversion does.
    QCOMPARE(PatrolFile::toAnsi(u"\u65e5"_s), QByteArray("?"));
}

void tst_PatrolFile::readFailures_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("reported");
    QTest::newRow("7 digits") << QByteArray("5740905") << false;
    QTest::newRow("empty line") << QByteArray("") << false;
    QTest::newRow("second group above 574139") << QByteArray("574090574140") << true;
    QTest::newRow("below 574139 - 255") << QByteArray("573883") << true;
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
    // The reader goes on with the following line.
    QVERIFY(ReadPatrolLine(buffer, text));
    QCOMPARE(text, u"next"_s);
}

void tst_PatrolFile::writtenLines()
{
    // Six digits per byte of the code page, 574139 minus the byte; CR LF after the line.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(WritePatrolLine(buffer, u"1,\u20ac"_s));
    QVERIFY(!WritePatrolLine(buffer, QString())); // an empty record is not written
    QCOMPARE(buffer.data(), QByteArray("574090574095574011\r\n"));

    QFile full(u"/dev/full"_s);
    if (!full.open(QIODevice::WriteOnly))
        QSKIP("/dev/full is not available");
    RecordingReporter reporter;
    QVERIFY(!WritePatrolLine(full, u"1,A,2024/12/31,22:00:00"_s));
    QVERIFY(reporter.entries.size() == 1 && reporter.entries.first().isFailure);
}

QTEST_GUILESS_MAIN(tst_PatrolFile)
#include "tst_patrolfile.moc"
