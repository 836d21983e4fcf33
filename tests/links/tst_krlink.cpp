#include "DownloadState.h"
#include "KrFrame.h"
#include "KrSimFixture.h"
#include "QtSerialTransport.h"
#include "DataColumns.h"
#include "RecordingReporter.h"
#include "SimFixture.h"
#include "ucKR500_900.h"

#include <QtTest>

using namespace Qt::StringLiterals;

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

// STX data ETX and the XOR of the data, written out here rather than taken
// from the link.
QByteArray frame(const QByteArray &data)
{
    unsigned char x = 0;
    for (char c : data)
        x ^= static_cast<unsigned char>(c);
    return kStx + data + kEtx + QByteArray(1, char(x));
}

enum class ReplyFault { None, BadBcc, Stray, CutShort, EotInside, EotInstead, Silent, Pieces, NoEot };

void applyFault(KrTerminalSim &s, int fault)
{
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
}
}

// The KR link against the terminal simulator on a pseudo-terminal.
class tst_KrLink : public QObject
{
    Q_OBJECT

    std::unique_ptr<KrSimFixture> m_sim;
    std::unique_ptr<ucKR500_900> m_link;

    QByteArray received() { return m_sim->sim([](KrTerminalSim &s) { return s.received(); }); }
    int code() const { return m_link->ErrCode(); }
    template<class G>
    auto simValue(G get)
    {
        return m_sim->sim([&](KrTerminalSim &s) { return std::invoke(get, s); });
    }

    void startDownload(int records)
    {
        m_sim->sim([&](KrTerminalSim &s) { s.setRecords(KrTerminalSim::generateRecords(records)); });
        m_link->setErrCode(0);
        m_link->BeginDownload(0);
        QCOMPARE(code(), 0);
    }

    // Records until the link reports anything but success.
    QStringList drain(int limit = 1000)
    {
        QStringList got;
        for (QString record; limit-- > 0 && (m_link->GetRecord(record), code() == 0);)
            got << record;
        return got;
    }

private Q_SLOTS:
    void init()
    {
        DownloadState::m_blnCancelDownload = false;
        m_sim = std::make_unique<KrSimFixture>();
        m_link = std::make_unique<ucKR500_900>();
        m_link->setCommPort(qint16(m_sim->port()));
        // Short enough to keep the silent cases quick.
        m_link->setTimeout(250);
    }

    void cleanup()
    {
        m_link.reset();
        m_sim.reset();
        DownloadState::m_blnCancelDownload = false;
    }

    void errMessage()
    {
        // Code 0 names the link's own last error.
        m_link->setErrCode(-4);
        QCOMPARE(m_link->ErrMessage(0), u"KR_ERR_INVALID_BCC"_s);
        const QStringList names{"KR_ERR_TIMEOUT", "KR_ERR_PORT_NOT_OPEN", "KR_ERR_ACK_NOT_GET",
                                "KR_ERR_INVALID_BCC", "KR_ERR_EOT_NOT_GET", "KR_ERR_UNKNOWN"};
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(m_link->ErrMessage(-1 - i), names[i]);
    }

    void replyFrames_data()
    {
        addColumns<QByteArray, int, int, QString, bool, QByteArray>(
            {"version", "fault", "code", "result", "portOpen", "hostBytes"});

        const QByteArray enquiry = kEnq + "00V";
        const QByteArray closed = enquiry + kAck;
        const QByteArray kr900("KR900 V2.31");
        const auto row = [&](const char *name, const QByteArray &version, ReplyFault fault, int code,
                             const char *result, bool open, const QByteArray &bytes) {
            QTest::newRow(name) << version << int(fault) << code << QString::fromLatin1(result) << open << bytes;
        };
        row("10: check byte 0x01", "10", ReplyFault::None, 0, "10", true, closed);
        row("check byte equal to ETX", "12", ReplyFault::None, 0, "12", true, closed);
        row("frame without data", {}, ReplyFault::None, -4, "unchanged", true, enquiry);
        row("wrong check byte", "10", ReplyFault::BadBcc, -4, "unchanged", true, enquiry);
        row("stray bytes before the frame", kr900, ReplyFault::Stray, -4, "unchanged", true, enquiry);
        row("EOT inside the data", kr900, ReplyFault::EotInside, -4, "unchanged", true, enquiry);
        row("EOT instead of a frame", "10", ReplyFault::EotInstead, 1, "unchanged", true, enquiry);
        row("frame cut short", kr900, ReplyFault::CutShort, -1, "unchanged", false, enquiry);
        row("no reply", "10", ReplyFault::Silent, -1, "unchanged", false, enquiry);
        row("reply in pieces", kr900, ReplyFault::Pieces, 0, "KR900 V2.31", true, closed);
        row("NAK in place of the closing EOT", kr900, ReplyFault::NoEot, -5, "unchanged", true, closed);
    }

    void replyFrames()
    {
        QFETCH(QByteArray, version);
        QFETCH(int, fault);
        QFETCH(QByteArray, hostBytes);

        m_sim->sim([&](KrTerminalSim &s) {
            s.setVersion(version);
            applyFault(s, fault);
        });
        RecordingReporter reporter;
        QString out = u"unchanged"_s;
        m_link->getVersion(0, out);
        QTEST(code(), "code");
        QTEST(out, "result");
        QTEST(m_link->isPortOpen(), "portOpen");
        if (ReplyFault(fault) == ReplyFault::Silent)
            QCOMPARE(simValue(&KrTerminalSim::bytesReceived), hostBytes.size());
        else
            QTRY_COMPARE(received(), hostBytes);
        QVERIFY(reporter.entries.isEmpty());
    }

    void nakInsteadOfAck()
    {
        const QDateTime when(QDate(2024, 3, 5), QTime(7, 8, 9));
        m_sim->sim([](KrTerminalSim &s) { s.setRefuseCommands(true); });
        QCOMPARE((m_link->ClearData(0), code()), -3);
        QCOMPARE((m_link->SetTime(0, when), code()), -3);
        QCOMPARE((m_link->PowerDown(0), code()), -3);
        // Nothing follows a refused command: no data frame, no EOT.
        QTRY_COMPARE(received(), kEnq + "00D" + kEnq + "00S" + kEnq + "00O");
        QVERIFY(m_link->isPortOpen());

        // A data frame refused by the terminal: the clock is not set and no EOT claims it was.
        m_sim->sim([](KrTerminalSim &s) {
            s.setRefuseCommands(false);
            s.setNakHostFrames(1);
            s.clearReceived();
        });
        const QDateTime before = simValue(&KrTerminalSim::clock);
        QCOMPARE((m_link->SetTime(0, when), code()), -3);
        QTRY_COMPARE(received(), kEnq + "00S" + KrFrame::dataFrame("20240305070809"));
        QVERIFY(qAbs(simValue(&KrTerminalSim::clock).secsTo(before)) < 60);
    }

    void noReplyClosesOnlyAfterFrameWait()
    {
        m_sim->sim([](KrTerminalSim &s) { s.setSilent(true); });
        QCOMPARE((m_link->ClearData(0), code()), -1);
        QVERIFY(m_link->isPortOpen());
        qint16 count = 7;
        QCOMPARE((m_link->GetRecordCount(0, count), code()), -1);
        QCOMPARE(count, qint16(7));
        QVERIFY(!m_link->isPortOpen());
        // The next command opens it again.
        m_sim->sim([](KrTerminalSim &s) {
            s.setSilent(false);
            s.setRecords({u"r"_s});
        });
        QCOMPARE((m_link->GetRecordCount(0, count), code()), 0);
        QCOMPARE(count, qint16(1));
    }

    void recordRetries_data()
    {
        addColumns<int, bool, int, bool, int, QStringList, bool>(
            {"badFrames", "silent", "code", "gotRecord", "naks", "messages", "portOpen"});
        QTest::newRow("three bad frames, a good fourth") << 3 << false << 0 << true << 3 << QStringList() << true;
        QTest::newRow("four bad frames") << 4 << false << -4 << false << 3 << QStringList{"Time out"} << true;
        QTest::newRow("silent terminal") << 0 << true << -2 << false << 0 << QStringList{"Time out"} << false;
    }

    void recordRetries()
    {
        QFETCH(int, badFrames);
        QFETCH(bool, silent);
        QFETCH(bool, gotRecord);
        QFETCH(int, naks);

        const QStringList records = KrTerminalSim::generateRecords(2);
        m_sim->sim([&](KrTerminalSim &s) {
            s.setRecords(records);
            s.setBadBccFrames(badFrames);
            s.setSilent(silent);
        });
        RecordingReporter reporter;
        m_link->setErrCode(0);
        m_link->BeginDownload(0);
        QString record = u"unchanged"_s;
        m_link->GetRecord(record);
        QTEST(code(), "code");
        QCOMPARE(record, gotRecord ? records.first() : u"unchanged"_s);
        QTEST(reporter.texts(), "messages");
        QTEST(m_link->isPortOpen(), "portOpen");
        if (gotRecord)
            QTRY_COMPARE(simValue(&KrTerminalSim::acksReceived), 1);
        QCOMPARE(simValue(&KrTerminalSim::naksReceived), naks);
        // The ACK of a good record brings the next one.
        QTRY_COMPARE(simValue(&KrTerminalSim::framesSent), silent ? 0 : naks + 1 + (gotRecord ? 1 : 0));
    }

    void downloadInOrderThenEnd()
    {
        startDownload(6);
        QCOMPARE(drain(), KrTerminalSim::generateRecords(6));
        QCOMPARE(code(), 1);
        // Each record acknowledged once; the final EOT is not.
        QTRY_COMPARE(simValue(&KrTerminalSim::recordsAcknowledged), 6);
        QCOMPARE(received(), kEnq + "00I" + kAck.repeated(6));
    }

    void downloadRecoversCorruptedFrames_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("bad check byte") << int(ReplyFault::BadBcc);
        QTest::newRow("stray bytes") << int(ReplyFault::Stray);
        QTest::newRow("EOT inside the data") << int(ReplyFault::EotInside);
    }

    void downloadRecoversCorruptedFrames()
    {
        // A corrupted record is asked for again; it never passes for the end of
        // the data, which would leave the rest of the records behind.
        QFETCH(int, fault);
        m_sim->sim([&](KrTerminalSim &s) { applyFault(s, fault); });
        RecordingReporter reporter;
        startDownload(4);
        QCOMPARE(drain(), KrTerminalSim::generateRecords(4));
        QCOMPARE(code(), 1);
        QCOMPARE(simValue(&KrTerminalSim::naksReceived), 1);
        QVERIFY(reporter.entries.isEmpty());
    }

    void eotAtOnce()
    {
        m_sim->sim([](KrTerminalSim &s) { s.setEotInsteadOfData(true); });
        startDownload(3);
        QString record = u"unchanged"_s;
        QCOMPARE((m_link->GetRecord(record), code()), 1);
        QCOMPARE(record, u"unchanged"_s);
        qint16 count = 5;
        QCOMPARE((m_link->GetRecordCount(0, count), code()), 1);
        QCOMPARE(count, qint16(5));
        // Neither EOT is acknowledged.
        QTRY_COMPARE(received(), kEnq + "00I" + kEnq + "00A");
    }

    void recordCountAndCancelFlag()
    {
        m_sim->sim([](KrTerminalSim &s) { s.setRecords(KrTerminalSim::generateRecords(12)); });
        qint16 count = 77;
        DownloadState::m_blnCancelDownload = true;
        QCOMPARE((m_link->GetRecordCount(0, count), code()), 0);
        QCOMPARE(count, qint16(77));
        QVERIFY(DownloadState::m_blnCancelDownload);

        DownloadState::m_blnCancelDownload = false;
        QCOMPARE((m_link->GetRecordCount(0, count), code()), 0);
        QCOMPARE(count, qint16(12));
        // Only the second reply was acknowledged.
        QTRY_COMPARE(received(), kEnq + "00A" + kEnq + "00A" + kAck);
    }

    void recordCountLimit_data()
    {
        addColumns<QByteArray, int, int, bool>({"reply", "code", "count", "overflow"});
        QTest::newRow("largest 16-bit") << QByteArray("32767") << 0 << 32767 << false;
        QTest::newRow("one above") << QByteArray("32768") << -99 << 5 << true;
        QTest::newRow("leading digits") << QByteArray("12 recs") << 0 << 12 << false;
        QTest::newRow("no digits") << QByteArray("none") << 0 << 0 << false;
    }

    void recordCountLimit()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, overflow);
        m_sim->sim([&](KrTerminalSim &s) { s.setCountReply(reply); });
        RecordingReporter reporter;
        qint16 out = 5;
        m_link->GetRecordCount(0, out);
        QTEST(code(), "code");
        QTEST(int(out), "count");
        QCOMPARE(reporter.entries.size(), overflow ? 1 : 0);
        if (overflow) {
            QVERIFY(reporter.entries.first().isFailure);
            QCOMPARE(reporter.entries.first().text, u"Overflow"_s);
            QCOMPARE(reporter.entries.first().number, 6);
        }
    }

    void setIdAndGetIdHexadecimal()
    {
        QCOMPARE((m_link->SetID(0, 255), code()), 0);
        // ENQ 00 P, ACK; STX "FF" ETX BCC(0); ACK; EOT.
        QTRY_COMPARE(received(), kEnq + "00P" + kStx + "FF" + kEtx + QByteArray(1, '\0') + kEot);
        QCOMPARE(simValue(&KrTerminalSim::id), 255);

        // The terminal now answers only to FF.
        qint16 id = -1;
        QCOMPARE((m_link->GetID(0, id), code()), -1);
        QCOMPARE(id, qint16(-1));
        QCOMPARE((m_link->GetID(255, id), code()), 0);
        QCOMPARE(id, qint16(255));
    }

    void setTimeSendsFourteenDigits()
    {
        QCOMPARE((m_link->SetTime(0, QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9))), code()), 0);
        QTRY_COMPARE(received(), kEnq + "00S" + frame("20240305070809") + kEot);

        RecordingReporter reporter;
        QCOMPARE((m_link->SetTime(0, QDateTime()), code()), -99);
        QCOMPARE(reporter.entries.size(), 1);
    }

    void getTime()
    {
        const QDateTime set(QDate(2024, 3, 5), QTime(19, 8, 9));
        m_sim->sim([&](KrTerminalSim &s) { s.setClock(set); });
        QDateTime got;
        QCOMPARE((m_link->GetTime(0, got), code()), 0);
        // The terminal's clock runs on; a minute covers any slow machine.
        QVERIFY2(got >= set && got < set.addSecs(60), qPrintable(got.toString(Qt::ISODate)));
        QTRY_COMPARE(received(), kEnq + "00T" + kAck);
    }

    void clearRecoverTestPowerDown()
    {
        const QStringList records = KrTerminalSim::generateRecords(3);
        m_sim->sim([&](KrTerminalSim &s) { s.setRecords(records); });
        QCOMPARE((m_link->ClearData(0), code()), 0);
        QCOMPARE(simValue(&KrTerminalSim::records), QStringList());
        QCOMPARE((m_link->RecoverData(0), code()), 0);
        QCOMPARE(simValue(&KrTerminalSim::records), records);
        QCOMPARE((m_link->InvokeTest(0), code()), 0);
        QCOMPARE((m_link->PowerDown(0), code()), 0);
        QTRY_VERIFY(simValue(&KrTerminalSim::isPoweredDown));
        QCOMPARE(simValue(&KrTerminalSim::testsRun), 1);
        QCOMPARE(received(), kEnq + "00D" + kEot + kEnq + "00M" + kEot + kEnq + "00Z" + kEnq + "00O");

        // The self-test awaits nothing: it succeeds with a silent terminal too.
        m_sim->sim([](KrTerminalSim &s) { s.setSilent(true); });
        m_link->setErrCode(-1);
        QCOMPARE((m_link->InvokeTest(0), code()), 0);
    }

    void tagUploadAndDownload()
    {
        QString entry = u"unchanged"_s;
        QCOMPARE((m_link->SendTagCode(123, u"ABC"_s), code()), -2);
        QCOMPARE((m_link->GetTagCode(entry), code()), -2);

        QCOMPARE((m_link->BeginTagUpload(0), code()), 0);
        QCOMPARE((m_link->SendTagCode(123, u"ABC"_s), code()), 0);
        QCOMPARE((m_link->SendTagCode(7, u"0004A1B2C3"_s), code()), 0);
        m_link->EndTagUpload();
        QTRY_COMPARE(received(), kEnq + "00K" + frame("00123ABC") + frame("000070004A1B2C3") + kEot);
        QCOMPARE(simValue(&KrTerminalSim::tagEntries), QList<QByteArray>({"00123ABC", "000070004A1B2C3"}));

        m_link->setErrCode(0);
        m_link->BeginTagDownload(0);
        QStringList got;
        while ((m_link->GetTagCode(entry), code()) == 0)
            got << entry;
        QCOMPARE(code(), 1);
        QCOMPARE(got, QStringList({"00123ABC", "000070004A1B2C3"}));

        qint16 count = -1;
        m_sim->sim([](KrTerminalSim &s) { s.setVoltage("42"); });
        QCOMPARE((m_link->GetTagCount(0, count), code()), 0);
        QCOMPARE(count, qint16(42));
        QString voltage;
        m_link->GetVoltage(0, voltage);
        QCOMPARE(voltage, u"42"_s);

        QCOMPARE((m_link->SetBuzzervibration(0, u"3"_s), code()), 0);
        QTRY_COMPARE(simValue(&KrTerminalSim::buzzer), QByteArray("103"));
    }

    void baseStationAtItsOwnSpeed()
    {
        m_sim->sim([](KrTerminalSim &s) {
            s.setBaseVersion("DS900 V1.05");
            s.setBaseInformation("DS900,SN 17");
        });
        // Open at the terminal's speed first: the exchange must close and reopen.
        qint16 count = 0;
        m_link->GetRecordCount(0, count);
        QVERIFY(m_link->isPortOpen());

        QString version, information;
        QCOMPARE((m_link->DS900_GetVersion(version), code()), 0);
        QCOMPARE(version, u"DS900 V1.05"_s);
        QVERIFY(!m_link->isPortOpen());
        QCOMPARE((m_link->DS900_GetInformation(information), code()), 0);
        QCOMPARE(information, u"DS900,SN 17"_s);
        QVERIFY(!m_link->isPortOpen());
        QCOMPARE(received(), kEnq + "00A" + kAck + kEnq + "B00V\r" + kEnq + "B00N\r");

        // Back at 19200 baud: the terminal, which ignores 9600, answers again.
        QCOMPARE((m_link->GetRecordCount(0, count), code()), 0);
        QCOMPARE(simValue(&KrTerminalSim::lineBaudRate), 19200);

        m_sim->sim([](KrTerminalSim &s) { s.setSilent(true); });
        version = u"unchanged"_s;
        QCOMPARE((m_link->DS900_GetVersion(version), code()), -1);
        QCOMPARE(version, u"unchanged"_s);
        QVERIFY(!m_link->isPortOpen());
    }

    void deviceVanishesMidDownload()
    {
        m_sim->sim([](KrTerminalSim &s) { s.setVanishAfterRecords(4); });
        RecordingReporter reporter;
        startDownload(10);
        QCOMPARE(drain(20), KrTerminalSim::generateRecords(4));
        QCOMPARE(code(), -6);
        QVERIFY(!m_link->isPortOpen());
        QCOMPARE(reporter.texts(), QStringList{"Time out"});

        QString record;
        QCOMPARE((m_link->GetRecord(record), code()), -6);
        DownloadState::m_blnCancelDownload = true;
        qint16 count = 3;
        QCOMPARE((m_link->GetRecordCount(0, count), code()), -6);
        QCOMPARE(count, qint16(3));
        QVERIFY(!DownloadState::m_blnCancelDownload);
    }

    void deviceVanishesBetweenCommands()
    {
        qint16 count = 0;
        m_link->GetRecordCount(0, count);
        QVERIFY(m_link->isPortOpen());
        m_sim->sim([](KrTerminalSim &s) { s.vanish(); });
        RecordingReporter reporter;
        QString version = u"unchanged"_s;
        QCOMPARE((m_link->getVersion(0, version), code()), -6);
        QCOMPARE(version, u"unchanged"_s);
        QVERIFY(!m_link->isPortOpen());
        QCOMPARE((m_link->ClearData(0), code()), -6);
        QVERIFY(reporter.entries.isEmpty());
    }

    void missingPort()
    {
        RecordingReporter reporter;
        m_link->setCommPort(9); // mapped to nothing
        DownloadState::m_blnCancelDownload = true;
        qint16 count = 3;
        QCOMPARE((m_link->GetRecordCount(0, count), code()), -6);
        QCOMPARE(count, qint16(3));
        QVERIFY(!DownloadState::m_blnCancelDownload);
        QCOMPARE((m_link->ClearData(0), code()), -6);
        m_link->setErrCode(0);
        QCOMPARE((m_link->BeginDownload(0), code()), -6);
        QCOMPARE((m_link->InvokeTest(0), code()), -6);
        QVERIFY(reporter.entries.isEmpty());

        // The operations without a caller in the program also show a box.
        QString voltage = u"unchanged"_s;
        m_link->setErrCode(0);
        QCOMPARE((m_link->GetVoltage(0, voltage), code()), -6);
        QCOMPARE(voltage, u"unchanged"_s);
        QCOMPARE(reporter.entries.size(), 1);
        QVERIFY(reporter.entries.first().isFailure);

        // A mapped device that does not exist is just as missing.
        SetComPortDevice(9, m_sim->env().root() + u"/nothing"_s);
        QCOMPARE((m_link->getVersion(0, voltage), code()), -6);
        QString base;
        QCOMPARE((m_link->DS900_GetVersion(base), code()), -6);
    }

    void portHeldElsewhere()
    {
        QtSerialTransport other;
        QVERIFY(other.open(m_sim->port(), 19200));
        RecordingReporter reporter;
        qint16 count = 3;
        QCOMPARE((m_link->GetRecordCount(0, count), code()), -99);
        QCOMPARE(reporter.entries.size(), 1);
        QVERIFY(reporter.entries.first().isFailure);
        QCOMPARE(reporter.entries.first().number, 8005);
        other.close();
        QCOMPARE((m_link->GetRecordCount(0, count), code()), 0);
    }

    void portLifeCycle()
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

    void endlessTalkerIsCutOff()
    {
        SimFixture<Talker> talker(9, &m_sim->env());
        m_link->setCommPort(9);
        m_link->setTimeout(3000);
        QString version = u"unchanged"_s;
        QCOMPARE((m_link->getVersion(0, version), code()), -4);
        QCOMPARE(version, u"unchanged"_s);
        m_link->Disconnect();
    }
};

QTEST_GUILESS_MAIN(tst_KrLink)
#include "tst_krlink.moc"
