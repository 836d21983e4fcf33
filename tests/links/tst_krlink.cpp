#include "CancelToken.h"
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

enum class ReplyFault { None, BadBcc, EotInside, EotInstead, CutShort, Silent, Pieces, NoEot };

void applyFault(KrTerminalSim &s, int fault, int times = 1)
{
    switch (ReplyFault(fault)) {
    case ReplyFault::BadBcc: s.setBadBccFrames(times); break;
    case ReplyFault::EotInside: s.setEotInsideFrames(times); break;
    case ReplyFault::EotInstead: s.setEotInsteadOfData(true); break;
    case ReplyFault::CutShort: s.setCutShortFrames(times); break;
    case ReplyFault::Silent: s.setSilent(true); break;
    case ReplyFault::Pieces: s.setSendPieces(4); break;
    case ReplyFault::NoEot: s.setNoEotAfterReply(times); break;
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
        row("check byte equal to ETX", "12", ReplyFault::None, 0, "12", true, closed);
        row("wrong check byte", "10", ReplyFault::BadBcc, -4, "unchanged", true, enquiry);
        row("EOT instead of a frame", "10", ReplyFault::EotInstead, 1, "unchanged", true, enquiry);
        row("frame cut short", kr900, ReplyFault::CutShort, -1, "unchanged", false, enquiry);
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
        QTRY_COMPARE(received(), hostBytes);
        QVERIFY(reporter.entries.isEmpty());

        // Whatever went wrong, the next exchange (on a port opened again if need be) succeeds.
        m_sim->sim([](KrTerminalSim &s) { s.setEotInsteadOfData(false); });
        QCOMPARE((m_link->getVersion(0, out), code()), 0);
        QCOMPARE(out, QString::fromLatin1(version));
    }

    void recordRetries_data()
    {
        addColumns<int, int, int, bool, int, int>({"fault", "times", "code", "gotRecord", "naks", "framesSent"});
        // A corrupted record is asked for again; it never passes for the end of
        // the data, which would leave the rest of the records behind.
        QTest::newRow("EOT inside the data") << int(ReplyFault::EotInside) << 1 << 0 << true << 1 << 3;
        QTest::newRow("three bad frames, a good fourth") << int(ReplyFault::BadBcc) << 3 << 0 << true << 3 << 5;
        QTest::newRow("four bad frames") << int(ReplyFault::BadBcc) << 4 << -4 << false << 3 << 4;
        QTest::newRow("silent terminal") << int(ReplyFault::Silent) << 0 << -2 << false << 0 << 0;
    }

    void recordRetries()
    {
        QFETCH(int, fault);
        QFETCH(int, times);
        QFETCH(bool, gotRecord);

        m_sim->sim([&](KrTerminalSim &s) { applyFault(s, fault, times); });
        RecordingReporter reporter;
        startDownload(2);
        QString record = u"unchanged"_s;
        m_link->GetRecord(record);
        QTEST(code(), "code");
        QCOMPARE(record, gotRecord ? KrTerminalSim::generateRecords(2).first() : u"unchanged"_s);
        QCOMPARE(reporter.texts(), gotRecord ? QStringList() : QStringList{u"Time out"_s});
        QTEST(simValue(&KrTerminalSim::naksReceived), "naks");
        // The ACK of a good record brings the next one.
        QFETCH(int, framesSent);
        QTRY_COMPARE(simValue(&KrTerminalSim::framesSent), framesSent);
        // Every NAK and ACK gave the terminal its moment after the record.
        QCOMPARE(simValue(&KrTerminalSim::hastyRecordReplies), 0);
    }

    void downloadInOrderThenEnd()
    {
        startDownload(6);
        QCOMPARE(drain(), KrTerminalSim::generateRecords(6));
        QCOMPARE(code(), 1);
        // Each record acknowledged once, never within the terminal's moment
        // after it; the final EOT is not acknowledged.
        QTRY_COMPARE(received(), kEnq + "00I" + kAck.repeated(6));
        QCOMPARE(simValue(&KrTerminalSim::hastyRecordReplies), 0);
    }

    void countNotAcknowledged()
    {
        // Neither a count read during a cancel nor an EOT in its place is acknowledged.
        qint16 count = 77;
        CancelToken cancelled;
        cancelled.cancel();
        QCOMPARE((m_link->GetRecordCount(0, count, &cancelled), code()), 0);
        QCOMPARE(count, qint16(77));
        m_sim->sim([](KrTerminalSim &s) { s.setEotInsteadOfData(true); });
        QCOMPARE((m_link->GetRecordCount(0, count), code()), 1);
        QCOMPARE(count, qint16(77));
        QCOMPARE(received(), kEnq + "00A" + kEnq + "00A");
    }

    void recordCountLimit_data()
    {
        addColumns<QByteArray, int, int>({"reply", "code", "count"});
        QTest::newRow("largest 16-bit") << QByteArray("32767") << 0 << 32767;
        QTest::newRow("one above") << QByteArray("32768") << -99 << 5;
        QTest::newRow("leading digits") << QByteArray("12 recs") << 0 << 12;
        // Garbled: an error, never a count of 0.
        QTest::newRow("no number") << QByteArray("x4") << -4 << 5;
    }

    void recordCountLimit()
    {
        QFETCH(QByteArray, reply);
        m_sim->sim([&](KrTerminalSim &s) { s.setCountReply(reply); });
        RecordingReporter reporter;
        qint16 out = 5;
        m_link->GetRecordCount(0, out);
        QTEST(code(), "code");
        QTEST(int(out), "count");
        // An overflow is a failure box numbered 6.
        QCOMPARE(reporter.entries.size(), code() == -99 ? 1 : 0);
        if (code() == -99)
            QCOMPARE(reporter.entries.first().number, 6);
    }

    void setIdAndGetIdHexadecimal()
    {
        QCOMPARE((m_link->SetID(0, 255), code()), 0);
        // ENQ 00 P, ACK; STX "FF" ETX BCC(0); ACK; EOT.
        QTRY_COMPARE(received(), kEnq + "00P" + kStx + "FF" + kEtx + QByteArray(1, '\0') + kEot);
        qint16 id = -1;
        QCOMPARE((m_link->GetID(255, id), code()), 0);
        QCOMPARE(id, qint16(255));
    }

    void setTimeThenGetTime()
    {
        const QDateTime set(QDate(2024, 3, 5), QTime(19, 8, 9));
        QCOMPARE((m_link->SetTime(0, set), code()), 0);
        QTRY_COMPARE(received(), kEnq + "00S" + frame("20240305190809") + kEot);
        QDateTime got;
        QCOMPARE((m_link->GetTime(0, got), code()), 0);
        // The terminal's clock runs on; a minute covers any slow machine.
        QVERIFY2(got >= set && got < set.addSecs(60), qPrintable(got.toString(Qt::ISODate)));

        RecordingReporter reporter;
        QCOMPARE((m_link->SetTime(0, QDateTime()), code()), -99);
        QCOMPARE(reporter.entries.size(), 1);
    }

    void nakInsteadOfAck()
    {
        const QDateTime when(QDate(2024, 3, 5), QTime(7, 8, 9));
        m_sim->sim([](KrTerminalSim &s) { s.setRefuseCommands(true); });
        QCOMPARE((m_link->ClearData(0), code()), -3);
        QCOMPARE(m_link->ErrMessage(0), u"KR_ERR_ACK_NOT_GET"_s);
        QCOMPARE((m_link->SetTime(0, when), code()), -3);
        // Nothing follows a refused command: no data frame, no EOT.
        QTRY_COMPARE(received(), kEnq + "00D" + kEnq + "00S");

        // A data frame refused by the terminal: no EOT claims the clock was set.
        m_sim->sim([](KrTerminalSim &s) {
            s.setRefuseCommands(false);
            s.setNakHostFrames(1);
            s.clearReceived();
        });
        QCOMPARE((m_link->SetTime(0, when), code()), -3);
        QTRY_COMPARE(received(), kEnq + "00S" + KrFrame::dataFrame("20240305070809"));
    }

    void clearRecoverTestPowerDown()
    {
        QCOMPARE((m_link->ClearData(0), code()), 0);
        QCOMPARE((m_link->RecoverData(0), code()), 0);
        QCOMPARE((m_link->InvokeTest(0), code()), 0);
        QCOMPARE((m_link->PowerDown(0), code()), 0);
        QTRY_COMPARE(received(), kEnq + "00D" + kEot + kEnq + "00M" + kEot + kEnq + "00Z" + kEnq + "00O");
    }

    void tagUploadAndDownload()
    {
        QCOMPARE((m_link->BeginTagUpload(0), code()), 0);
        QCOMPARE((m_link->SendTagCode(123, u"ABC"_s), code()), 0);
        QCOMPARE((m_link->SendTagCode(7, u"0004A1B2C3"_s), code()), 0);
        m_link->EndTagUpload();
        QTRY_COMPARE(received(), kEnq + "00K" + frame("00123ABC") + frame("000070004A1B2C3") + kEot);

        m_link->BeginTagDownload(0);
        QStringList got;
        for (QString entry; (m_link->GetTagCode(entry), code()) == 0;)
            got << entry;
        QCOMPARE(code(), 1);
        QCOMPARE(got, QStringList({"00123ABC", "000070004A1B2C3"}));
    }

    void baseStationAtItsOwnSpeed()
    {
        m_sim->sim([](KrTerminalSim &s) { s.setBaseVersion("DS900 V1.05"); });
        // Open at the terminal's speed first: the exchange must close and reopen.
        qint16 count = 0;
        m_link->GetRecordCount(0, count);
        QString version;
        QCOMPARE((m_link->DS900_GetVersion(version), code()), 0);
        QCOMPARE(version, u"DS900 V1.05"_s);
        QCOMPARE(received(), kEnq + "00A" + kAck + kEnq + "B00V\r");
        // Back at 19200 baud: the terminal, which ignores 9600, answers again.
        QCOMPARE((m_link->GetRecordCount(0, count), code()), 0);
    }

    void deviceVanishesMidDownload()
    {
        m_sim->sim([](KrTerminalSim &s) { s.setVanishAfterRecords(4); });
        RecordingReporter reporter;
        startDownload(10);
        QCOMPARE(drain(20), KrTerminalSim::generateRecords(4));
        QCOMPARE(code(), -6);
        QVERIFY(!m_link->isPortOpen());
        // A further request hears of the lost connection too.
        QString record;
        QCOMPARE((m_link->GetRecord(record), code()), -6);
        QCOMPARE(reporter.texts(), QStringList(2, u"Time out"_s));
    }

    void missingDevice()
    {
        // Gone between two commands: the next one fails quietly.
        m_link->InvokeTest(0);
        m_sim->sim([](KrTerminalSim &s) { s.vanish(); });
        RecordingReporter reporter;
        QString text = u"unchanged"_s;
        QCOMPARE((m_link->getVersion(0, text), code()), -6);
        QVERIFY(!m_link->isPortOpen());

        // A port mapped to nothing: quiet too.
        m_link->setCommPort(9);
        qint16 count = 3;
        QCOMPARE((m_link->GetRecordCount(0, count), code()), -6);
        QCOMPARE(count, qint16(3));
        m_link->setErrCode(0);
        QCOMPARE((m_link->InvokeTest(0), code()), -6);
        QVERIFY(reporter.entries.isEmpty());

        // The operations without a caller in the program also show a box.
        QCOMPARE((m_link->GetVoltage(0, text), code()), -6);
        QCOMPARE(text, u"unchanged"_s);
        QCOMPARE(reporter.entries.size(), 1);

        // A mapped device that does not exist is just as missing.
        SetComPortDevice(9, m_sim->env().root() + u"/nothing"_s);
        QCOMPARE((m_link->DS900_GetVersion(text), code()), -6);
    }

    void portLifeCycle()
    {
        QtSerialTransport other;
        QVERIFY(other.open(m_sim->port(), 19200));
        RecordingReporter reporter;
        qint16 count = 3;
        // Held by another program: a code of its own, no box (the caller says
        // it in its words, or the probe tries again later), not a missing port.
        QCOMPARE((m_link->GetRecordCount(0, count), code()), -7);
        QCOMPARE(m_link->ErrMessage(), u"KR_ERR_PORT_IN_USE"_s);
        QVERIFY(reporter.entries.isEmpty());
        other.close();

        QCOMPARE((m_link->GetRecordCount(0, count), code()), 0);
        QVERIFY(m_link->isPortOpen());
        m_link->setCommPort(qint16(m_sim->port()));
        QVERIFY(!m_link->isPortOpen());

        // Destroying the link frees the port for others.
        m_link->GetRecordCount(0, count);
        QVERIFY(!other.open(m_sim->port(), 19200));
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
