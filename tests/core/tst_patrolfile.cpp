#include "DataStore.h"
#include "PatrolFile.h"
#include "RecordingReporter.h"
#include "TestEnv.h"

#include <QBuffer>
#include <QSqlQuery>
#include <QtTest>

class tst_PatrolFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void encodesSixDigitsPerByte();
    void everyByteRoundTrips();
    void readFailures();
    void namedCommandsAndLeftJoin();
};

void tst_PatrolFile::encodesSixDigitsPerByte()
{
    const QString record = QStringLiteral("1,ABC,2024/01/31,23:59:05");
    QCOMPARE(record.size(), 25);
    const QByteArray line = PatrolFile::encode(record);
    QCOMPARE(line.size(), 150);
    QCOMPARE(line.left(6), QByteArray::number(574139 - '1'));
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
    QCOMPARE(PatrolFile::fromAnsi("\x80\xe9"), QStringLiteral("\u20ac\u00e9"));
}

void tst_PatrolFile::readFailures()
{
    RecordingReporter reporter;
    QByteArray data = PatrolFile::encode(QStringLiteral("ok")) + "\r\n" + "1234567\r\n" + "\r\n"
        + QByteArray::number(574139 + 1) + "\r\n" + QByteArray::number(574139 - 256) + "\r\n";
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QString text = QStringLiteral("unchanged");
    QVERIFY(ReadPatrolLine(buffer, text));
    QCOMPARE(text, QStringLiteral("ok"));
    text = QStringLiteral("unchanged");
    QVERIFY(!ReadPatrolLine(buffer, text)); // 7 digits
    QVERIFY(!ReadPatrolLine(buffer, text)); // empty line
    QVERIFY(reporter.entries.isEmpty());
    QVERIFY(!ReadPatrolLine(buffer, text)); // above K
    QVERIFY(!ReadPatrolLine(buffer, text)); // below K - 255
    QCOMPARE(reporter.entries.size(), 2);
    QVERIFY(!ReadPatrolLine(buffer, text)); // end of file
    QCOMPARE(text, QStringLiteral("unchanged"));
}

void tst_PatrolFile::namedCommandsAndLeftJoin()
{
    TestEnv env;
    QString error;
    QVERIFY2(DataStore::run(QStringLiteral("InsertPatrolData"),
                            {QStringLiteral("1"), QStringLiteral("0004A1B2C3"), QStringLiteral("2024/01/08"),
                             QStringLiteral("08:00:15")},
                            &error)
                 .isActive(),
             qPrintable(error));
    QSqlQuery q = DataStore::run(QStringLiteral("rptPatrolData"), {}, &error);
    QVERIFY2(q.isActive(), qPrintable(error));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("1"));
    QCOMPARE(q.value(1).toString(), QStringLiteral("0004A1B2C3"));
    QCOMPARE(q.value(4).toString(), QString());
}

QTEST_GUILESS_MAIN(tst_PatrolFile)
#include "tst_patrolfile.moc"
