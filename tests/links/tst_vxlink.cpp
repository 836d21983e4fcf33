#include "DataColumns.h"
#include "RecordingReporter.h"
#include "VxRecordLine.h"
#include "VxSimFixture.h"
#include "ucVX700.h"

#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;
using V = ucVX700;

// The VX link against the cradle simulator on a pseudo-terminal.
class tst_VxLink : public QObject
{
    Q_OBJECT

    std::unique_ptr<VxSimFixture> m_sim;
    std::unique_ptr<ucVX700> m_link;

    int err() const { return m_link->ErrCode(); }
    QString payload() { return m_link->GetData(); }
    QByteArray lastRequest() { return m_sim->sim([](VxCradleSim &s) { return s.lastRequest(); }); }

private Q_SLOTS:
    void init()
    {
        m_sim = std::make_unique<VxSimFixture>();
        m_link = std::make_unique<ucVX700>();
        m_link->setComport(qint16(m_sim->port()));
    }

    void cleanup()
    {
        m_link.reset();
        m_sim.reset();
    }

    void replyFraming_data()
    {
        addColumns<int, bool, int, QString>({"fault", "bareStatus", "code", "data"});

        using F = VxCradleSim::Fault;
        QTest::newRow("3 characters") << int(F::None) << true << 0 << QString();
        QTest::newRow("2 characters with CR") << int(F::ShortReply) << false << -2 << u"A\r"_s;
        QTest::newRow("no CR") << int(F::NoCr) << false << -1 << QString();
        QTest::newRow("bytes after the CR") << int(F::StrayAfterCr) << false << 0 << u"VX700A V2.10\rX"_s;
    }

    void replyFraming()
    {
        QFETCH(int, fault);
        QFETCH(bool, bareStatus);
        QFETCH(int, code);

        m_sim->sim([&](VxCradleSim &s) {
            s.setFault(VxCradleSim::Fault(fault));
            if (bareStatus)
                s.setStatusOverride('A');
        });
        if (code == ucVX700::VX_ERR_TIMEOUT)
            m_link->setTimeout(150);
        QCOMPARE((m_link->VX700_GetVersion(), err()), code);
        QTEST(payload(), "data");
        QCOMPARE(lastRequest(), QByteArray("F"));

        // The next exchange is not disturbed by the broken one.
        m_link->setTimeout(ucVX700::kDefaultTimeout);
        QCOMPARE((m_link->VX700_GetID(), err()), 0);
        QCOMPARE(payload(), u"0001"_s);
    }

    void leftoversOfEarlierExchangeDiscarded()
    {
        // A reply that comes after the time-out waits in the port until the next exchange.
        m_sim->sim([](VxCradleSim &s) { s.setReplyDelay(500); });
        m_link->setTimeout(150);
        QCOMPARE((m_link->VX700_GetVersion(), err()), int(V::VX_ERR_TIMEOUT));
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->sim([](VxCradleSim &s) { return s.bytesSent(); }) > 0, 10000);
        m_sim->sim([](VxCradleSim &s) { s.setReplyDelay(0); });
        m_link->setTimeout(ucVX700::kDefaultTimeout);
        QCOMPARE((m_link->VX700_GetID(), err()), 0);
        QCOMPARE(payload(), u"0001"_s);
    }

    void statusCharacters_data()
    {
        addColumns<char, int, QString>({"status", "code", "name"});
        // Both successes, a cradle digit, a terminal letter, and unknowns next to them.
        const struct { char status; int code; const char *name; } rows[] = {
            {'A', 0, "VX_SUCCESS"}, {'0', 0, "VX_SUCCESS"}, {'7', -9, "VX_ERR_CRADLE_CHECKSUM"},
            {'E', -15, "VX_ERR_TERMINAL_DATA_EMPTY"}, {'9', -99, "VX_ERR_UNKNOWN"}, {'e', -99, "VX_ERR_UNKNOWN"},
        };
        for (const auto &row : rows)
            QTest::addRow("status %c", row.status) << row.status << row.code << QString::fromLatin1(row.name);
    }

    void statusCharacters()
    {
        QFETCH(char, status);

        // The data comes back also when the status reports an error.
        m_sim->sim([&](VxCradleSim &s) { s.setStatusOverride(status, 1, "9x"); });
        QTEST((m_link->VX700_RecordCount(), err()), "code");
        QCOMPARE(payload(), u"9x"_s);
        QTEST(ucVX700::ErrMessage(m_link->ErrCode()), "name");
    }

    void comportClosesOpenPort()
    {
        VxSimFixture second(8, &m_sim->env());
        second.sim([](VxCradleSim &s) { s.setMachineId(u"B2"_s); });

        m_link->VX700_GetID();
        m_link->setComport(8);
        QVERIFY(!m_link->isPortOpen());
        QCOMPARE((m_link->VX700_GetID(), err()), 0);
        QCOMPARE(payload(), u"B2"_s);
    }

    void serialFailures()
    {
        RecordingReporter reporter;

        // No device behind the number: invalid port, no message.
        m_link->setComport(42);
        QCOMPARE((m_link->VX700_GetID(), err()), int(V::VX_ERR_INVALID_COMPORT));
        QVERIFY(reporter.entries.isEmpty());

        // Another link holds the port: a code of its own, never the previous success.
        m_link->setComport(qint16(m_sim->port()));
        QCOMPARE((m_link->VX700_GetVersion(), err()), 0);
        ucVX700 other;
        other.setComport(qint16(m_sim->port()));
        other.VX700_Logon(u"7391"_s);
        QCOMPARE(other.ErrCode(), int(V::VX_ERR_PORT_IN_USE));
        QCOMPARE(other.GetData(), QString());
        QVERIFY(reporter.entries.isEmpty());
    }

    void deviceVanishesDuringDownload()
    {
        RecordingReporter reporter;
        m_sim->sim([](VxCradleSim &s) {
            s.setRecords(VxCradleSim::sampleRecords(5));
            s.vanishAfterRecords(2);
        });
        QCOMPARE((m_link->VX700_Logon(u"7391"_s), err()), 0);
        m_link->VX700_GetOneRecord();
        QCOMPARE((m_link->VX700_GetOneRecord(), err()), 0);
        QCOMPARE((m_link->VX700_GetOneRecord(), err()), int(V::VX_ERR_UNKNOWN));
        QCOMPARE(reporter.entries.size(), 1);
    }

    void cradleWithoutTerminal()
    {
        m_sim->sim([](VxCradleSim &s) { s.setTerminalPresent(false); });
        QCOMPARE((m_link->CRADLE_SetStatus(u"C"_s), err()), 0);
        QCOMPARE((m_link->CRADLE_GetStatus(), err()), 0);
        QCOMPARE(payload(), u"C - Cold"_s);
        // A letter the cradle does not name gives no text.
        m_sim->sim([](VxCradleSim &s) { s.setChargerStatus('c'); });
        m_link->CRADLE_GetStatus();
        QCOMPARE(payload(), QString());
        QCOMPARE((m_link->VX700_RecordCount(), err()), int(V::VX_ERR_CRADLE_TIMEOUT_OF_WAITING_TERMINAL));
        QCOMPARE((m_link->Transact(QLatin1Char('Z')), err()), int(V::VX_ERR_CRADLE_CMD_CODE_OUT_OF_RANGE));
    }

    void battery_data()
    {
        addColumns<bool, int, QString>({"temperature", "raw", "text"});
        QTest::newRow("13 V") << false << 13 << u".25 V"_s;
        QTest::newRow("0 C") << true << 0 << u"-61.11 C"_s;
    }

    void battery()
    {
        QFETCH(bool, temperature);
        QFETCH(int, raw);
        m_sim->sim([&](VxCradleSim &s) { s.setBatteryRaw(raw, raw); });
        QCOMPARE((temperature ? m_link->VX700_GetBatteryTemperature() : m_link->VX700_GetBatteryVoltage(), err()), 0);
        QTEST(payload(), "text");
    }

    void decodedOperationsKeepRawDataOnError()
    {
        m_sim->sim([](VxCradleSim &s) { s.setStatusOverride('F', 3, "215"); });
        for (auto operation : {&V::VX700_GetBatteryVoltage, &V::VX700_GetBatteryTemperature, &V::VX700_GetTime}) {
            QCOMPARE(((m_link.get()->*operation)(), err()), int(V::VX_ERR_TERMINAL_CMD_EXE_FAILED));
            QCOMPARE(payload(), u"215"_s);
        }
    }

    void getTime_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QDateTime>("moment");
        QTest::newRow("valid") << QByteArray("20060305070809") << QDateTime(QDate(2006, 3, 5), QTime(7, 8, 9));
        QTest::newRow("month 13") << QByteArray("20061305070809") << QDateTime();
        QTest::newRow("not digits") << QByteArray("2006-3-5 7:08:") << QDateTime();
        QTest::newRow("too short") << QByteArray("2006030507080") << QDateTime();
    }

    void getTime()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QDateTime, moment);
        m_sim->sim([&](VxCradleSim &s) { s.setClockReply(reply); });
        m_link->VX700_GetTime();
        const QString text = payload();
        if (!moment.isValid()) {
            QCOMPARE(err(), int(V::VX_ERR_INVALID_REPLY_DATA));
            QCOMPARE(text, QString::fromLatin1(reply));
            return;
        }
        QCOMPARE(err(), 0);
        // The system's short date, then the time with its seconds.
        QVERIFY2(text.startsWith(QLocale::system().toString(moment.date(), QLocale::ShortFormat) + QLatin1Char(' ')),
                 qPrintable(text));
        QVERIFY2(text.contains(moment.toString(u":mm:ss"_s)), qPrintable(text));
    }

    void recordsReadRollbackReadAgain()
    {
        const QList<VxCradleSim::Record> stored = VxCradleSim::sampleRecords(5);
        m_sim->sim([&](VxCradleSim &s) { s.setRecords(stored); });

        QCOMPARE((m_link->VX700_Logon(u"7391"_s), err()), 0);
        QCOMPARE((m_link->VX700_RecordCount(), err()), 0);
        QCOMPARE(payload(), u"5"_s);
        m_link->VX700_GetID();
        const QString machine = payload();

        for (int pass = 0; pass < 2; ++pass) {
            QStringList read;
            while ((m_link->VX700_GetOneRecord(), err()) == 0)
                read << payload();
            QCOMPARE(err(), int(V::VX_ERR_TERMINAL_DATA_EMPTY));
            QCOMPARE(read.size(), stored.size());
            QCOMPARE(read.first(), u"202401010800000000000001"_s);
            QCOMPARE(VxRecordLine(machine, read.last()), u"0001,0000000005,2024/01/01,08:04:00"_s);
            QCOMPARE((m_link->VX700_RollBack(), err()), 0);
        }
        // Reading and rolling back removes nothing.
        QCOMPARE(m_sim->sim([](VxCradleSim &s) { return s.records().size(); }), 5);
    }

    void commandRequests()
    {
        // Each command as the cradle reads it, refused or not.
        m_link->VX700_SetTime(QDateTime(QDate(2006, 3, 5), QTime(17, 8, 9)));
        m_link->VX700_Logon(u"7391"_s);
        m_link->VX700_SetPassword(u"2468"_s);
        m_link->VX700_SetID(u"A17"_s);
        m_link->VX700_Commit();
        m_link->VX700_EraseAllRecord();
        m_link->VX700_Logoff();
        m_link->CRADLE_SetStatus(u"C"_s);
        QCOMPARE(m_sim->sim([](VxCradleSim &s) { return s.requests(); }),
                 (QList<QByteArray>{"S20060305170809", "L7391", "P2468", "JA17", "C", "E", "O", "2C"}));
    }

    void getIdFlag()
    {
        m_sim->sim([](VxCradleSim &s) { s.setMachineId(QString()); });
        QCOMPARE((m_link->VX700_GetID(), err()), 0);
        QCOMPARE(payload(), QString());
        m_link->VX700_GetID(true);
        QCOMPARE(payload(), u"N/A"_s);
    }

    void connectionTest()
    {
        RecordingReporter reporter;
        QSignalSpy disconnected(m_link.get(), &ucVX700::deviceDisconnected);

        m_link->setErrCode(ucVX700::VX_ERR_TIMEOUT);
        QCOMPARE((m_link->VX700_ConnectionTest(), err()), 0);
        QCOMPARE(disconnected.count(), 0);
        QVERIFY(reporter.entries.isEmpty());

        // A terminal error status and silence both count as disconnected.
        m_link->setTimeout(150);
        m_sim->sim([](VxCradleSim &s) { s.setStatusOverride('C'); });
        QCOMPARE((m_link->VX700_ConnectionTest(), err()), int(V::VX_ERR_INVALID_COMPORT));
        m_sim->sim([](VxCradleSim &s) { s.setSilent(true); });
        QCOMPARE((m_link->VX700_ConnectionTest(), err()), int(V::VX_ERR_INVALID_COMPORT));

        QCOMPARE(disconnected.count(), 2);
        QCOMPARE(reporter.texts(), QStringList(2, u"Device was disconnected"_s));
    }
};

QTEST_GUILESS_MAIN(tst_VxLink)
#include "tst_vxlink.moc"
