#include "DownloadState.h"
#include "KrFrame.h"
#include "KrSimFixture.h"
#include "QtSerialTransport.h"
#include "RecordingReporter.h"
#include "SimFixture.h"
#include "ucKR500_900.h"

#include <QtTest>

// The KR link against the terminal simulator on a pseudo-terminal.
class tst_KrLink : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void errMessage();
    void replyFrames_data();
    void replyFrames();
    void nakInsteadOfAck();
    void noReplyClosesOnlyAfterFrameWait();
    void recordRetries_data();
    void recordRetries();
    void downloadInOrderThenEnd();
    void downloadRecoversCorruptedFrames_data();
    void downloadRecoversCorruptedFrames();
    void eotAtOnce();
    void recordCountAndCancelFlag();
    void recordCountLimit_data();
    void recordCountLimit();
    void setIdAndGetIdHexadecimal();
    void setTimeSendsFourteenDigits();
    void getTime();
    void clearRecoverTestPowerDown();
    void tagUploadAndDownload();
    void baseStationAtItsOwnSpeed();
    void deviceVanishesMidDownload();
    void deviceVanishesBetweenCommands();
    void missingPort();
    void portHeldElsewhere();
    void portLifeCycle();
    void endlessTalkerIsCutOff();

private:
    void startDownload(int records);
    QByteArray received() { return m_sim->sim([](KrTerminalSim &s) { return s.received(); }); }

    std::unique_ptr<KrSimFixture> m_sim;
    std::unique_ptr<ucKR500_900> m_link;
};

namespace {
// A device that answers every byte with a stream of text and never a frame.
class Talker : public TerminalSim
{
protected:
    void handleBytes(const QByteArray &) override { send(QByteArray(4000, 'x')); }
};

const QByteArray kEnq("\x05");
const QByteArray kStx("\x02");
const QByteArray kEtx("\x03");
const QByteArray kEot("\x04");
const QByteArray kAck("\x06");
const QByteArray kNak("\x15");

// STX data ETX and the XOR of the data, written out here rather than taken
// from the link.
QByteArray frame(const QByteArray &data)
{
    unsigned char x = 0;
    for (char c : data)
        x ^= static_cast<unsigned char>(c);
    return kStx + data + kEtx + QByteArray(1, char(x));
}
}

void tst_KrLink::init()
{
    DownloadState::m_blnCancelDownload = false;
    m_sim = std::make_unique<KrSimFixture>();
    m_link = std::make_unique<ucKR500_900>();
    m_link->setCommPort(qint16(m_sim->port()));
    // Short enough to keep the silent cases quick.
    m_link->setTimeout(250);
}

void tst_KrLink::cleanup()
{
    m_link.reset();
    m_sim.reset();
    DownloadState::m_blnCancelDownload = false;
}

void tst_KrLink::startDownload(int records)
{
    m_sim->sim([&](KrTerminalSim &s) { s.setRecords(KrTerminalSim::generateRecords(records)); });
    m_link->setErrCode(0);
    m_link->BeginDownload(0);
    QCOMPARE(m_link->ErrCode(), 0);
}



void tst_KrLink::errMessage()
{
    // Code 0 names the link's own last error.
    m_link->setErrCode(-4);
    QCOMPARE(m_link->ErrMessage(0), QStringLiteral("KR_ERR_INVALID_BCC"));
    QCOMPARE(m_link->ErrMessage(-1), QStringLiteral("KR_ERR_TIMEOUT"));
    QCOMPARE(m_link->ErrMessage(-2), QStringLiteral("KR_ERR_PORT_NOT_OPEN"));
    QCOMPARE(m_link->ErrMessage(-3), QStringLiteral("KR_ERR_ACK_NOT_GET"));
    QCOMPARE(m_link->ErrMessage(-5), QStringLiteral("KR_ERR_EOT_NOT_GET"));
    QCOMPARE(m_link->ErrMessage(-6), QStringLiteral("KR_ERR_UNKNOWN"));
}

enum class ReplyFault { None, BadBcc, Stray, CutShort, EotInside, EotInstead, Silent, Pieces, NoEot };

void tst_KrLink::replyFrames_data()
{
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("result");
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<QByteArray>("hostBytes");

    const QByteArray enquiry = kEnq + "00V";
    const QByteArray closed = enquiry + kAck;
    QTest::newRow("10: check byte 0x01") << QByteArray("10") << int(ReplyFault::None) << 0 << "10" << true << closed;
    QTest::newRow("check byte equal to ETX") << QByteArray("12") << int(ReplyFault::None) << 0 << "12" << true << closed;
    QTest::newRow("frame without data") << QByteArray() << int(ReplyFault::None) << -4 << "unchanged" << true << enquiry;
    QTest::newRow("wrong check byte") << QByteArray("10") << int(ReplyFault::BadBcc) << -4 << "unchanged" << true << enquiry;
    QTest::newRow("stray bytes before the frame")
        << QByteArray("KR900 V2.31") << int(ReplyFault::Stray) << -4 << "unchanged" << true << enquiry;
    QTest::newRow("EOT inside the data")
        << QByteArray("KR900 V2.31") << int(ReplyFault::EotInside) << -4 << "unchanged" << true << enquiry;
    QTest::newRow("EOT instead of a frame") << QByteArray("10") << int(ReplyFault::EotInstead) << 1 << "unchanged" << true
                                            << enquiry;
    QTest::newRow("frame cut short") << QByteArray("KR900 V2.31") << int(ReplyFault::CutShort) << -1 << "unchanged"
                                     << false << enquiry;
    QTest::newRow("no reply") << QByteArray("10") << int(ReplyFault::Silent) << -1 << "unchanged" << false << enquiry;
    QTest::newRow("reply in pieces") << QByteArray("KR900 V2.31") << int(ReplyFault::Pieces) << 0 << "KR900 V2.31"
                                     << true << closed;
    QTest::newRow("NAK in place of the closing EOT")
        << QByteArray("KR900 V2.31") << int(ReplyFault::NoEot) << -5 << "unchanged" << true << closed;
}

void tst_KrLink::replyFrames()
{
    QFETCH(QByteArray, version);
    QFETCH(int, fault);
    QFETCH(int, code);
    QFETCH(QString, result);
    QFETCH(bool, portOpen);
    QFETCH(QByteArray, hostBytes);

    m_sim->sim([&](KrTerminalSim &s) {
        s.setVersion(version);
        switch (ReplyFault(fault)) {
        case ReplyFault::BadBcc: s.setBadBccFrames(1); break;
        case ReplyFault::Stray: s.setStrayBytes(1); break;
        case ReplyFault::CutShort: s.setCutShortFrames(1); break;
        case ReplyFault::EotInside: s.setEotInsideFrames(1); break;
        case ReplyFault::EotInstead: s.setEotInsteadOfData(true); break;
        case ReplyFault::Silent: s.setSilent(true); break;
        case ReplyFault::Pieces: s.setSendPieces(4); break;
        case ReplyFault::NoEot: s.setNoEotAfterReply(1); break;
        case ReplyFault::None: break;
        }
    });
    RecordingReporter reporter;
    QString out = QStringLiteral("unchanged");
    m_link->getVersion(0, out);
    QCOMPARE(m_link->ErrCode(), code);
    QCOMPARE(out, result);
    QCOMPARE(m_link->isPortOpen(), portOpen);
    if (ReplyFault(fault) == ReplyFault::Silent)
        QCOMPARE(m_sim->sim([](KrTerminalSim &s) { return s.bytesReceived(); }), hostBytes.size());
    else
        QTRY_COMPARE(received(), hostBytes);
    QVERIFY(reporter.entries.isEmpty());
}

void tst_KrLink::nakInsteadOfAck()
{
    m_sim->sim([](KrTerminalSim &s) { s.setRefuseCommands(true); });
    m_link->ClearData(0);
    QCOMPARE(m_link->ErrCode(), -3);
    m_link->SetTime(0, QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)));
    QCOMPARE(m_link->ErrCode(), -3);
    m_link->PowerDown(0);
    QCOMPARE(m_link->ErrCode(), -3);
    // Nothing follows a refused command: no data frame, no EOT.
    QTRY_COMPARE(received(), kEnq + "00D" + kEnq + "00S" + kEnq + "00O");
    QVERIFY(m_link->isPortOpen());

    // A data frame refused by the terminal: the clock is not set and no EOT claims it was.
    m_sim->sim([](KrTerminalSim &s) {
        s.setRefuseCommands(false);
        s.setNakHostFrames(1);
        s.clearReceived();
    });
    const QDateTime before = m_sim->sim([](KrTerminalSim &s) { return s.clock(); });
    m_link->SetTime(0, QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)));
    QCOMPARE(m_link->ErrCode(), -3);
    QTRY_COMPARE(received(), kEnq + "00S" + KrFrame::dataFrame("20240305070809"));
    QVERIFY(qAbs(m_sim->sim([](KrTerminalSim &s) { return s.clock(); }).secsTo(before)) < 60);
}

void tst_KrLink::noReplyClosesOnlyAfterFrameWait()
{
    m_sim->sim([](KrTerminalSim &s) { s.setSilent(true); });
    m_link->ClearData(0);
    QCOMPARE(m_link->ErrCode(), -1);
    QVERIFY(m_link->isPortOpen());
    qint16 count = 7;
    m_link->GetRecordCount(0, count);
    QCOMPARE(m_link->ErrCode(), -1);
    QCOMPARE(count, qint16(7));
    QVERIFY(!m_link->isPortOpen());
    // The next command opens it again.
    m_sim->sim([](KrTerminalSim &s) {
        s.setSilent(false);
        s.setRecords({QStringLiteral("r")});
    });
    m_link->GetRecordCount(0, count);
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(count, qint16(1));
}

void tst_KrLink::recordRetries_data()
{
    QTest::addColumn<int>("badFrames");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("gotRecord");
    QTest::addColumn<int>("naks");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("portOpen");
    QTest::newRow("three bad frames, a good fourth") << 3 << false << 0 << true << 3 << QStringList() << true;
    QTest::newRow("four bad frames") << 4 << false << -4 << false << 3 << QStringList{"Time out"} << true;
    QTest::newRow("silent terminal") << 0 << true << -2 << false << 0 << QStringList{"Time out"} << false;
}

void tst_KrLink::recordRetries()
{
    QFETCH(int, badFrames);
    QFETCH(bool, silent);
    QFETCH(int, code);
    QFETCH(bool, gotRecord);
    QFETCH(int, naks);
    QFETCH(QStringList, messages);
    QFETCH(bool, portOpen);

    const QStringList records = KrTerminalSim::generateRecords(2);
    m_sim->sim([&](KrTerminalSim &s) {
        s.setRecords(records);
        s.setBadBccFrames(badFrames);
        s.setSilent(silent);
    });
    RecordingReporter reporter;
    m_link->setErrCode(0);
    m_link->BeginDownload(0);
    QString record = QStringLiteral("unchanged");
    m_link->GetRecord(record);
    QCOMPARE(m_link->ErrCode(), code);
    QCOMPARE(record, gotRecord ? records.first() : QStringLiteral("unchanged"));
    QCOMPARE(reporter.texts(), messages);
    QCOMPARE(m_link->isPortOpen(), portOpen);
    if (gotRecord)
        QTRY_COMPARE(m_sim->sim([](KrTerminalSim &s) { return s.acksReceived(); }), 1);
    QCOMPARE(m_sim->sim([](KrTerminalSim &s) { return s.naksReceived(); }), naks);
    // The ACK of a good record brings the next one.
    const int framesSent = silent ? 0 : naks + 1 + (gotRecord ? 1 : 0);
    QTRY_COMPARE(m_sim->sim([](KrTerminalSim &s) { return s.framesSent(); }), framesSent);
}

void tst_KrLink::downloadInOrderThenEnd()
{
    startDownload(6);
    const QStringList expected = KrTerminalSim::generateRecords(6);
    QStringList got;
    for (;;) {
        QString record;
        m_link->GetRecord(record);
        if (m_link->ErrCode() != 0)
            break;
        got << record;
    }
    QCOMPARE(m_link->ErrCode(), 1);
    QCOMPARE(got, expected);
    // Each record acknowledged once; the final EOT is not.
    QTRY_COMPARE(m_sim->sim([](KrTerminalSim &s) { return s.recordsAcknowledged(); }), 6);
    QByteArray expectedBytes = kEnq + "00I";
    for (int i = 0; i < 6; ++i)
        expectedBytes += kAck;
    QCOMPARE(received(), expectedBytes);
}

void tst_KrLink::downloadRecoversCorruptedFrames_data()
{
    QTest::addColumn<int>("fault");
    QTest::newRow("bad check byte") << int(ReplyFault::BadBcc);
    QTest::newRow("stray bytes") << int(ReplyFault::Stray);
    QTest::newRow("EOT inside the data") << int(ReplyFault::EotInside);
}

void tst_KrLink::downloadRecoversCorruptedFrames()
{
    // A corrupted record is asked for again; it never passes for the end of
    // the data, which would leave the rest of the records behind.
    QFETCH(int, fault);
    m_sim->sim([&](KrTerminalSim &s) {
        switch (ReplyFault(fault)) {
        case ReplyFault::BadBcc: s.setBadBccFrames(1); break;
        case ReplyFault::Stray: s.setStrayBytes(1); break;
        default: s.setEotInsideFrames(1); break;
        }
    });
    RecordingReporter reporter;
    startDownload(4);
    QStringList got;
    for (;;) {
        QString record;
        m_link->GetRecord(record);
        if (m_link->ErrCode() != 0)
            break;
        got << record;
    }
    QCOMPARE(m_link->ErrCode(), 1);
    QCOMPARE(got, KrTerminalSim::generateRecords(4));
    QCOMPARE(m_sim->sim([](KrTerminalSim &s) { return s.naksReceived(); }), 1);
    QVERIFY(reporter.entries.isEmpty());
}

void tst_KrLink::eotAtOnce()
{
    m_sim->sim([](KrTerminalSim &s) { s.setEotInsteadOfData(true); });
    startDownload(3);
    QString record = QStringLiteral("unchanged");
    m_link->GetRecord(record);
    QCOMPARE(m_link->ErrCode(), 1);
    QCOMPARE(record, QStringLiteral("unchanged"));
    qint16 count = 5;
    m_link->GetRecordCount(0, count);
    QCOMPARE(m_link->ErrCode(), 1);
    QCOMPARE(count, qint16(5));
    // Neither EOT is acknowledged.
    QTRY_COMPARE(received(), kEnq + "00I" + kEnq + "00A");
}

void tst_KrLink::recordCountAndCancelFlag()
{
    m_sim->sim([](KrTerminalSim &s) { s.setRecords(KrTerminalSim::generateRecords(12)); });
    qint16 count = 77;
    DownloadState::m_blnCancelDownload = true;
    m_link->GetRecordCount(0, count);
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(count, qint16(77));
    QVERIFY(DownloadState::m_blnCancelDownload);

    DownloadState::m_blnCancelDownload = false;
    m_link->GetRecordCount(0, count);
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(count, qint16(12));
    // Only the second reply was acknowledged.
    QTRY_COMPARE(received(), kEnq + "00A" + kEnq + "00A" + kAck);
}

void tst_KrLink::recordCountLimit_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("overflow");
    QTest::newRow("largest 16-bit") << QByteArray("32767") << 0 << 32767 << false;
    QTest::newRow("one above") << QByteArray("32768") << -99 << 5 << true;
    QTest::newRow("leading digits") << QByteArray("12 recs") << 0 << 12 << false;
    QTest::newRow("no digits") << QByteArray("none") << 0 << 0 << false;
}

void tst_KrLink::recordCountLimit()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, code);
    QFETCH(int, count);
    QFETCH(bool, overflow);
    m_sim->sim([&](KrTerminalSim &s) { s.setCountReply(reply); });
    RecordingReporter reporter;
    qint16 out = 5;
    m_link->GetRecordCount(0, out);
    QCOMPARE(m_link->ErrCode(), code);
    QCOMPARE(int(out), count);
    if (overflow) {
        QCOMPARE(reporter.entries.size(), 1);
        QVERIFY(reporter.entries.first().isFailure);
        QCOMPARE(reporter.entries.first().text, QStringLiteral("Overflow"));
        QCOMPARE(reporter.entries.first().number, 6);
    } else {
        QVERIFY(reporter.entries.isEmpty());
    }
}

void tst_KrLink::setIdAndGetIdHexadecimal()
{
    m_link->SetID(0, 255);
    QCOMPARE(m_link->ErrCode(), 0);
    // ENQ 00 P, ACK; STX "FF" ETX BCC(0); ACK; EOT.
    QTRY_COMPARE(received(), kEnq + "00P" + kStx + "FF" + kEtx + QByteArray(1, '\0') + kEot);
    QCOMPARE(m_sim->sim([](KrTerminalSim &s) { return s.id(); }), 255);

    // The terminal now answers only to FF.
    qint16 id = -1;
    m_link->GetID(0, id);
    QCOMPARE(m_link->ErrCode(), -1);
    QCOMPARE(id, qint16(-1));
    m_link->GetID(255, id);
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(id, qint16(255));

}

void tst_KrLink::setTimeSendsFourteenDigits()
{
    m_link->SetTime(0, QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)));
    QCOMPARE(m_link->ErrCode(), 0);
    QTRY_COMPARE(received(), kEnq + "00S" + frame("20240305070809") + kEot);

    RecordingReporter reporter;
    m_link->SetTime(0, QDateTime());
    QCOMPARE(m_link->ErrCode(), -99);
    QCOMPARE(reporter.entries.size(), 1);
}

void tst_KrLink::getTime()
{
    const QDateTime set(QDate(2024, 3, 5), QTime(19, 8, 9));
    m_sim->sim([&](KrTerminalSim &s) { s.setClock(set); });
    QDateTime got;
    m_link->GetTime(0, got);
    QCOMPARE(m_link->ErrCode(), 0);
    // The terminal's clock runs on; a minute covers any slow machine.
    QVERIFY2(got >= set && got < set.addSecs(60), qPrintable(got.toString(Qt::ISODate)));
    QTRY_COMPARE(received(), kEnq + "00T" + kAck);
}

void tst_KrLink::clearRecoverTestPowerDown()
{
    const QStringList records = KrTerminalSim::generateRecords(3);
    m_sim->sim([&](KrTerminalSim &s) { s.setRecords(records); });
    m_link->ClearData(0);
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(m_sim->sim([](KrTerminalSim &s) { return s.records(); }), QStringList());
    m_link->RecoverData(0);
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(m_sim->sim([](KrTerminalSim &s) { return s.records(); }), records);
    m_link->InvokeTest(0);
    QCOMPARE(m_link->ErrCode(), 0);
    m_link->PowerDown(0);
    QCOMPARE(m_link->ErrCode(), 0);
    QTRY_VERIFY(m_sim->sim([](KrTerminalSim &s) { return s.isPoweredDown(); }));
    QCOMPARE(m_sim->sim([](KrTerminalSim &s) { return s.testsRun(); }), 1);
    QCOMPARE(received(), kEnq + "00D" + kEot + kEnq + "00M" + kEot + kEnq + "00Z" + kEnq + "00O");

    // The self-test awaits nothing: it succeeds with a silent terminal too.
    m_sim->sim([](KrTerminalSim &s) { s.setSilent(true); });
    m_link->setErrCode(-1);
    m_link->InvokeTest(0);
    QCOMPARE(m_link->ErrCode(), 0);
}

void tst_KrLink::tagUploadAndDownload()
{
    QString entry = QStringLiteral("unchanged");
    m_link->SendTagCode(123, QStringLiteral("ABC"));
    QCOMPARE(m_link->ErrCode(), -2);
    m_link->GetTagCode(entry);
    QCOMPARE(m_link->ErrCode(), -2);

    m_link->BeginTagUpload(0);
    QCOMPARE(m_link->ErrCode(), 0);
    m_link->SendTagCode(123, QStringLiteral("ABC"));
    QCOMPARE(m_link->ErrCode(), 0);
    m_link->SendTagCode(7, QStringLiteral("0004A1B2C3"));
    QCOMPARE(m_link->ErrCode(), 0);
    m_link->EndTagUpload();
    QTRY_COMPARE(received(), kEnq + "00K" + frame("00123ABC") + frame("000070004A1B2C3") + kEot);
    QCOMPARE(m_sim->sim([](KrTerminalSim &s) { return s.tagEntries(); }),
             QList<QByteArray>({"00123ABC", "000070004A1B2C3"}));

    m_link->setErrCode(0);
    m_link->BeginTagDownload(0);
    QStringList got;
    for (;;) {
        m_link->GetTagCode(entry);
        if (m_link->ErrCode() != 0)
            break;
        got << entry;
    }
    QCOMPARE(m_link->ErrCode(), 1);
    QCOMPARE(got, QStringList({"00123ABC", "000070004A1B2C3"}));

    qint16 count = -1;
    m_sim->sim([](KrTerminalSim &s) { s.setVoltage("42"); });
    m_link->GetTagCount(0, count);
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(count, qint16(42));
    QString voltage;
    m_link->GetVoltage(0, voltage);
    QCOMPARE(voltage, QStringLiteral("42"));

    m_link->SetBuzzervibration(0, QStringLiteral("3"));
    QCOMPARE(m_link->ErrCode(), 0);
    QTRY_COMPARE(m_sim->sim([](KrTerminalSim &s) { return s.buzzer(); }), QByteArray("103"));
}

void tst_KrLink::baseStationAtItsOwnSpeed()
{
    m_sim->sim([](KrTerminalSim &s) {
        s.setBaseVersion("DS900 V1.05");
        s.setBaseInformation("DS900,SN 17");
    });
    // Open at the terminal's speed first: the exchange must close and reopen.
    qint16 count = 0;
    m_link->GetRecordCount(0, count);
    QVERIFY(m_link->isPortOpen());

    QString version;
    m_link->DS900_GetVersion(version);
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(version, QStringLiteral("DS900 V1.05"));
    QVERIFY(!m_link->isPortOpen());
    QString information;
    m_link->DS900_GetInformation(information);
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(information, QStringLiteral("DS900,SN 17"));
    QVERIFY(!m_link->isPortOpen());
    QCOMPARE(received(), kEnq + "00A" + kAck + kEnq + "B00V\r" + kEnq + "B00N\r");

    // Back at 19200 baud: the terminal, which ignores 9600, answers again.
    m_link->GetRecordCount(0, count);
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(m_sim->sim([](KrTerminalSim &s) { return s.lineBaudRate(); }), 19200);

    m_sim->sim([](KrTerminalSim &s) { s.setSilent(true); });
    version = QStringLiteral("unchanged");
    m_link->DS900_GetVersion(version);
    QCOMPARE(m_link->ErrCode(), -1);
    QCOMPARE(version, QStringLiteral("unchanged"));
    QVERIFY(!m_link->isPortOpen());
}


void tst_KrLink::deviceVanishesMidDownload()
{
    m_sim->sim([](KrTerminalSim &s) { s.setVanishAfterRecords(4); });
    RecordingReporter reporter;
    startDownload(10);
    QStringList got;
    for (int i = 0; i < 20; ++i) {
        QString record;
        m_link->GetRecord(record);
        if (m_link->ErrCode() != 0)
            break;
        got << record;
    }
    QCOMPARE(m_link->ErrCode(), -6);
    QCOMPARE(got, KrTerminalSim::generateRecords(4));
    QVERIFY(!m_link->isPortOpen());
    QCOMPARE(reporter.texts(), QStringList{"Time out"});

    QString record;
    m_link->GetRecord(record);
    QCOMPARE(m_link->ErrCode(), -6);
    DownloadState::m_blnCancelDownload = true;
    qint16 count = 3;
    m_link->GetRecordCount(0, count);
    QCOMPARE(m_link->ErrCode(), -6);
    QCOMPARE(count, qint16(3));
    QVERIFY(!DownloadState::m_blnCancelDownload);
}

void tst_KrLink::deviceVanishesBetweenCommands()
{
    qint16 count = 0;
    m_link->GetRecordCount(0, count);
    QVERIFY(m_link->isPortOpen());
    m_sim->sim([](KrTerminalSim &s) { s.vanish(); });
    RecordingReporter reporter;
    QString version = QStringLiteral("unchanged");
    m_link->getVersion(0, version);
    QCOMPARE(m_link->ErrCode(), -6);
    QCOMPARE(version, QStringLiteral("unchanged"));
    QVERIFY(!m_link->isPortOpen());
    m_link->ClearData(0);
    QCOMPARE(m_link->ErrCode(), -6);
    QVERIFY(reporter.entries.isEmpty());
}

void tst_KrLink::missingPort()
{
    RecordingReporter reporter;
    m_link->setCommPort(9); // mapped to nothing
    DownloadState::m_blnCancelDownload = true;
    qint16 count = 3;
    m_link->GetRecordCount(0, count);
    QCOMPARE(m_link->ErrCode(), -6);
    QCOMPARE(count, qint16(3));
    QVERIFY(!DownloadState::m_blnCancelDownload);
    m_link->ClearData(0);
    QCOMPARE(m_link->ErrCode(), -6);
    m_link->setErrCode(0);
    m_link->BeginDownload(0);
    QCOMPARE(m_link->ErrCode(), -6);
    m_link->InvokeTest(0);
    QCOMPARE(m_link->ErrCode(), -6);
    QVERIFY(reporter.entries.isEmpty());

    // The operations without a caller in the program also show a box.
    QString voltage = QStringLiteral("unchanged");
    m_link->setErrCode(0);
    m_link->GetVoltage(0, voltage);
    QCOMPARE(m_link->ErrCode(), -6);
    QCOMPARE(voltage, QStringLiteral("unchanged"));
    QCOMPARE(reporter.entries.size(), 1);
    QVERIFY(reporter.entries.first().isFailure);

    // A mapped device that does not exist is just as missing.
    SetComPortDevice(9, m_sim->env().root() + QStringLiteral("/nothing"));
    m_link->getVersion(0, voltage);
    QCOMPARE(m_link->ErrCode(), -6);
    QString base;
    m_link->DS900_GetVersion(base);
    QCOMPARE(m_link->ErrCode(), -6);
}

void tst_KrLink::portHeldElsewhere()
{
    QtSerialTransport other;
    QVERIFY(other.open(m_sim->port(), 19200));
    RecordingReporter reporter;
    qint16 count = 3;
    m_link->GetRecordCount(0, count);
    QCOMPARE(m_link->ErrCode(), -99);
    QCOMPARE(reporter.entries.size(), 1);
    QVERIFY(reporter.entries.first().isFailure);
    QCOMPARE(reporter.entries.first().number, 8005);
    other.close();
    m_link->GetRecordCount(0, count);
    QCOMPARE(m_link->ErrCode(), 0);
}

void tst_KrLink::portLifeCycle()
{
    QVERIFY(!m_link->isPortOpen());
    qint16 count = 0;
    m_link->GetRecordCount(0, count);
    QVERIFY(m_link->isPortOpen());
    QString version;
    m_link->getVersion(0, version);
    QVERIFY(m_link->isPortOpen());

    m_link->setCommPort(qint16(m_sim->port()));
    QVERIFY(!m_link->isPortOpen());
    QCOMPARE(m_link->CommPort(), qint16(m_sim->port()));
    m_link->GetRecordCount(0, count);
    QVERIFY(m_link->isPortOpen());
    m_link->Disconnect();
    QVERIFY(!m_link->isPortOpen());

    // Destroying the link frees the port for others.
    m_link->GetRecordCount(0, count);
    QtSerialTransport other;
    QVERIFY(!other.open(m_sim->port(), 19200));
    QCOMPARE(other.failure(), SerialTransport::Failure::AlreadyOpen);
    m_link.reset();
    QVERIFY(other.open(m_sim->port(), 19200));
}

void tst_KrLink::endlessTalkerIsCutOff()
{
    SimFixture<Talker> talker(9, &m_sim->env());
    m_link->setCommPort(9);
    m_link->setTimeout(3000);
    QString version = QStringLiteral("unchanged");
    m_link->getVersion(0, version);
    QCOMPARE(m_link->ErrCode(), -4);
    QCOMPARE(version, QStringLiteral("unchanged"));
    m_link->Disconnect();
}

QTEST_GUILESS_MAIN(tst_KrLink)
#include "tst_krlink.moc"
