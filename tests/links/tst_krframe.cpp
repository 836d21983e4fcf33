#include "KrFrame.h"

#include <QtTest>

// The terminal ID in commands and the scan that decides when a frame is complete.
class tst_KrFrame : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void idText_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("10") << 10 << QByteArray("0A");
        QTest::newRow("256 keeps the last two digits") << 256 << QByteArray("00");
        QTest::newRow("-1 as its 16-bit pattern") << -1 << QByteArray("FF");
    }

    void idText()
    {
        QFETCH(int, id);
        QTEST(KrFrame::idText(qint16(id)), "text");
    }

    void scan_data()
    {
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<int>("scan");
        QTest::addColumn<QByteArray>("data");
        using S = KrFrame::Scan;
        QTest::newRow("good frame") << QByteArray("\x02" "10\x03\x01") << int(S::Complete) << QByteArray("10");
        QTest::newRow("wrong check byte") << QByteArray("\x02" "10\x03\x02") << int(S::BadFrame) << QByteArray();
        QTest::newRow("check byte equal to ETX") << QByteArray("\x02" "12\x03\x03") << int(S::Complete) << QByteArray("12");
        QTest::newRow("no data") << QByteArray("\x02\x03\x00", 3) << int(S::BadFrame) << QByteArray();
        QTest::newRow("stray byte before STX") << QByteArray("\xFF\x02" "10\x03\x01") << int(S::BadFrame) << QByteArray();
        QTest::newRow("noise then EOT") << QByteArray("\x00\xFF\x04", 3) << int(S::EndOfData) << QByteArray();
        QTest::newRow("up to ETX") << QByteArray("\x02" "10\x03") << int(S::Incomplete) << QByteArray();
        QTest::newRow("EOT inside a started frame") << QByteArray("\x02" "1,\x04") << int(S::Incomplete) << QByteArray();
    }

    void scan()
    {
        QFETCH(QByteArray, received);
        QByteArray out;
        QTEST(int(KrFrame::scan(received, &out)), "scan");
        QTEST(out, "data");
    }
};

QTEST_GUILESS_MAIN(tst_KrFrame)
#include "tst_krframe.moc"
