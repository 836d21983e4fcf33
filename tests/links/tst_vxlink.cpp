#include "RecordingReporter.h"
#include "VxMaintenanceFlags.h"
#include "VxRecordLine.h"
#include "VxSimFixture.h"
#include "ucVX700.h"

#include <QSignalSpy>
#include <QtTest>

// The VX link against the cradle simulator on a pseudo-terminal.
class tst_VxLink : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void replyFraming_data();
    void replyFraming();
    void leftoversOfEarlierExchangeDiscarded();
    void statusCharacters_data();
    void statusCharacters();
    void timeoutEndsSilentExchange();
    void timeoutIgnoresNonPositive();
    void comportClosesOpenPort();
    void serialFailures();
    void deviceVanishesDuringDownload();

    void chargerStatus_data();
    void chargerStatus();
    void cradleWithoutTerminal();
    void battery_data();
    void battery();
    void decodedOperationsKeepRawDataOnError();
    void getTime_data();
    void getTime();
    void setTimeSendsFourteenDigits();
    void recordsReadRollbackReadAgain();
    void commitAndErase();
    void passwordAndLogoff();
    void machineIdAndGetIdFlag();
    void connectionTest();

private:
    std::unique_ptr<VxSimFixture> m_sim;
    std::unique_ptr<ucVX700> m_link;
};

void tst_VxLink::init()
{
    m_sim = std::make_unique<VxSimFixture>();
    m_link = std::make_unique<ucVX700>();
    m_link->setComport(qint16(m_sim->port()));
}

void tst_VxLink::cleanup()
{
    m_link.reset();
    m_sim.reset();
    VxMaintenanceFlags::GetID_flag = false;
}

void tst_VxLink::replyFraming_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<bool>("bareStatus");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("data");

    using F = VxCradleSim::Fault;
    QTest::newRow("whole reply") << int(F::None) << false << 0 << QStringLiteral("VX700A V2.10");
    QTest::newRow("3 characters") << int(F::None) << true << 0 << QString();
    QTest::newRow("2 characters with CR") << int(F::ShortReply) << false << -2 << QStringLiteral("A\r");
    QTest::newRow("no CR") << int(F::NoCr) << false << -1 << QString();
    QTest::newRow("no answer") << int(F::NoAnswer) << false << -1 << QString();
    QTest::newRow("bytes after the CR") << int(F::StrayAfterCr) << false << 0 << QStringLiteral("VX700A V2.10\rX");
}

void tst_VxLink::replyFraming()
{
    QFETCH(int, fault);
    QFETCH(bool, bareStatus);
    QFETCH(int, code);
    QFETCH(QString, data);

    m_sim->sim([&](VxCradleSim &s) {
        s.setFault(VxCradleSim::Fault(fault));
        if (bareStatus)
            s.setStatusOverride('A');
    });
    if (code == ucVX700::VX_ERR_TIMEOUT)
        m_link->setTimeout(150);
    m_link->VX700_GetVersion();
    QCOMPARE(m_link->ErrCode(), code);
    QCOMPARE(m_link->GetData(), data);
    QCOMPARE(m_link->GetData(), QString()); // read and cleared
    QCOMPARE(m_sim->sim([](VxCradleSim &s) { return s.lastRequest(); }), QByteArray("F"));

    // The next exchange is not disturbed by the broken one.
    m_link->setTimeout(ucVX700::kDefaultTimeout);
    m_link->VX700_GetID();
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(m_link->GetData(), QStringLiteral("0001"));
}

void tst_VxLink::leftoversOfEarlierExchangeDiscarded()
{
    // A reply that comes after the time-out waits in the port until the next exchange.
    m_sim->sim([](VxCradleSim &s) { s.setReplyDelay(500); });
    m_link->setTimeout(150);
    m_link->VX700_GetVersion();
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_TIMEOUT));
    for (int waited = 0; waited < 10000 && m_sim->sim([](VxCradleSim &s) { return s.bytesSent(); }) == 0; waited += 20)
        ucVX700::WaitMs(20);
    QVERIFY(m_sim->sim([](VxCradleSim &s) { return s.bytesSent(); }) > 0);
    m_sim->sim([](VxCradleSim &s) { s.setReplyDelay(0); });
    m_link->setTimeout(ucVX700::kDefaultTimeout);
    m_link->VX700_GetID();
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(m_link->GetData(), QStringLiteral("0001"));
}

void tst_VxLink::statusCharacters_data()
{
    QTest::addColumn<char>("status");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    const struct
    {
        char status;
        int code;
        const char *name;
    } rows[] = {
        {'A', 0, "VX_SUCCESS"},
        {'0', 0, "VX_SUCCESS"},
        {'1', -3, "VX_ERR_CRADLE_PACKET_TOO_LONG"},
        {'2', -4, "VX_ERR_CRADLE_PACKET_EMPTY"},
        {'3', -5, "VX_ERR_CRADLE_CMD_CODE_OUT_OF_RANGE"},
        {'4', -6, "VX_ERR_CRADLE_ROUTE_CMD_TO_TERMINAL"},
        {'5', -7, "VX_ERR_CRADLE_TIMEOUT_OF_WAITING_TERMINAL"},
        {'6', -8, "VX_ERR_CRADLE_TIMEOUT_OF_ROUTING_REPLAY_PACKET"},
        {'7', -9, "VX_ERR_CRADLE_CHECKSUM"},
        {'8', -10, "VX_ERR_CRADLE_INVALID_CMD_DATA"},
        {'C', -11, "VX_ERR_TERMINAL_CHECKSUM"},
        {'D', -12, "VX_ERR_TERMINAL_ACCESS_DENIED"},
        {'I', -13, "VX_ERR_TERMINAL_INVALID_CMD_DATA"},
        {'F', -14, "VX_ERR_TERMINAL_CMD_EXE_FAILED"},
        {'E', -15, "VX_ERR_TERMINAL_DATA_EMPTY"},
        {'9', -99, "VX_ERR_UNKNOWN"},
        {'a', -99, "VX_ERR_UNKNOWN"},
        {'d', -99, "VX_ERR_UNKNOWN"},
        {'0' - 1, -99, "VX_ERR_UNKNOWN"},
        {'Z', -99, "VX_ERR_UNKNOWN"},
    };
    for (const auto &row : rows)
        QTest::addRow("status %c", row.status) << row.status << row.code << QString::fromLatin1(row.name);
}

void tst_VxLink::statusCharacters()
{
    QFETCH(char, status);
    QFETCH(int, code);
    QFETCH(QString, name);

    // The data comes back also when the status reports an error.
    m_sim->sim([&](VxCradleSim &s) { s.setStatusOverride(status, 1, "x9"); });
    m_link->VX700_RecordCount();
    QCOMPARE(m_link->ErrCode(), code);
    QCOMPARE(m_link->GetData(), QStringLiteral("x9"));
    QCOMPARE(ucVX700::ErrMessage(m_link->ErrCode()), name);
}



void tst_VxLink::timeoutEndsSilentExchange()
{
    m_sim->sim([](VxCradleSim &s) { s.setSilent(true); });
    m_link->setTimeout(150);
    m_link->VX700_GetBatteryVoltage();
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_TIMEOUT));
    QCOMPARE(m_link->GetData(), QString());
    QVERIFY(m_link->isPortOpen());
    QCOMPARE(m_sim->sim([](VxCradleSim &s) { return s.bytesReceived(); }), qint64(3));
}

void tst_VxLink::timeoutIgnoresNonPositive()
{
    QCOMPARE(m_link->Timeout(), 3000);
    m_link->setTimeout(0);
    QCOMPARE(m_link->Timeout(), 3000);
    m_link->setTimeout(-100);
    QCOMPARE(m_link->Timeout(), 3000);
    m_link->setTimeout(2000);
    QCOMPARE(m_link->Timeout(), 2000);
}

void tst_VxLink::comportClosesOpenPort()
{
    VxSimFixture second(8, &m_sim->env());
    second.sim([](VxCradleSim &s) { s.setMachineId(QStringLiteral("B2")); });

    QVERIFY(!m_link->isPortOpen()); // nothing opens before the first exchange
    m_link->VX700_GetID();
    QCOMPARE(m_link->GetData(), QStringLiteral("0001"));
    QVERIFY(m_link->isPortOpen());
    m_link->VX700_GetVersion();
    QVERIFY(m_link->isPortOpen()); // stays open between exchanges

    m_link->setComport(8);
    QCOMPARE(m_link->Comport(), qint16(8));
    QVERIFY(!m_link->isPortOpen());
    m_link->VX700_GetID();
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(m_link->GetData(), QStringLiteral("B2"));
    QCOMPARE(m_sim->sim([](VxCradleSim &s) { return s.requests().size(); }), 2);

    m_link->Disconnect();
    QVERIFY(!m_link->isPortOpen());
}

void tst_VxLink::serialFailures()
{
    RecordingReporter reporter;

    // No device behind the number: invalid port, no message.
    m_link->setComport(42);
    m_link->VX700_GetID();
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_INVALID_COMPORT));
    QVERIFY(reporter.entries.isEmpty());

    // Another link holds the port: a failure, never the previous success.
    m_link->setComport(qint16(m_sim->port()));
    m_link->VX700_GetVersion();
    QCOMPARE(m_link->ErrCode(), 0);
    ucVX700 other;
    other.setComport(qint16(m_sim->port()));
    other.VX700_Logon(QStringLiteral("7391"));
    QCOMPARE(other.ErrCode(), int(ucVX700::VX_ERR_UNKNOWN));
    QCOMPARE(other.GetData(), QString());
    QVERIFY(!other.isPortOpen());
    QCOMPARE(reporter.entries.size(), 1);
    QCOMPARE(reporter.entries.first().number, 8005);
    QCOMPARE(m_sim->sim([](VxCradleSim &s) { return s.requests().size(); }), 1);
}

void tst_VxLink::deviceVanishesDuringDownload()
{
    RecordingReporter reporter;
    m_sim->sim([](VxCradleSim &s) {
        s.setRecords(VxCradleSim::sampleRecords(5));
        s.vanishAfterRecords(2);
    });
    m_link->VX700_Logon(QStringLiteral("7391"));
    QCOMPARE(m_link->ErrCode(), 0);
    m_link->VX700_GetOneRecord();
    m_link->VX700_GetOneRecord();
    QCOMPARE(m_link->ErrCode(), 0);
    m_link->VX700_GetOneRecord();
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_UNKNOWN));
    QCOMPARE(reporter.entries.size(), 1);
    QVERIFY(reporter.entries.first().isFailure);
    QVERIFY(reporter.entries.first().number != 0);
    QVERIFY(!reporter.entries.first().text.isEmpty());
}

void tst_VxLink::chargerStatus_data()
{
    QTest::addColumn<char>("letter");
    QTest::addColumn<QString>("text");
    QTest::newRow("N") << 'N' << QStringLiteral("N - Not present");
    QTest::newRow("I") << 'I' << QStringLiteral("I - Idle");
    QTest::newRow("D") << 'D' << QStringLiteral("D - Discharge");
    QTest::newRow("C") << 'C' << QStringLiteral("C - Cold");
    QTest::newRow("F") << 'F' << QStringLiteral("F - Fast charge");
    QTest::newRow("O") << 'O' << QStringLiteral("O - Ok. (charging finished)");
    QTest::newRow("A") << 'A' << QStringLiteral("A - Aborted");
    QTest::newRow("X") << 'X' << QString();
    QTest::newRow("o") << 'o' << QString();
}

void tst_VxLink::chargerStatus()
{
    QFETCH(char, letter);
    QFETCH(QString, text);
    m_sim->sim([&](VxCradleSim &s) { s.setChargerStatus(letter); });
    m_link->CRADLE_GetStatus();
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(m_link->GetData(), text);
    QCOMPARE(m_sim->sim([](VxCradleSim &s) { return s.lastRequest(); }), QByteArray("1"));
}

void tst_VxLink::cradleWithoutTerminal()
{
    m_sim->sim([](VxCradleSim &s) { s.setTerminalPresent(false); });
    m_link->CRADLE_SetStatus(QStringLiteral("C"));
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(m_sim->sim([](VxCradleSim &s) { return s.chargerStatus(); }), 'C');
    m_link->CRADLE_GetStatus();
    QCOMPARE(m_link->GetData(), QStringLiteral("C - Cold"));
    m_link->CRADLE_SetStatus(QStringLiteral("Q"));
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_CRADLE_INVALID_CMD_DATA));

    m_link->VX700_RecordCount();
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_CRADLE_TIMEOUT_OF_WAITING_TERMINAL));
    m_link->Transact(QLatin1Char('Z'));
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_CRADLE_CMD_CODE_OUT_OF_RANGE));
}

void tst_VxLink::battery_data()
{
    QTest::addColumn<bool>("temperature");
    QTest::addColumn<int>("raw");
    QTest::addColumn<QString>("text");
    QTest::newRow("205 V") << false << 205 << QStringLiteral("4. V");
    QTest::newRow("13 V") << false << 13 << QStringLiteral(".25 V");
    QTest::newRow("90 C") << true << 90 << QStringLiteral("17.01 C");
    QTest::newRow("71 C") << true << 71 << QStringLiteral(".52 C");
    QTest::newRow("0 C") << true << 0 << QStringLiteral("-61.11 C");
}

void tst_VxLink::battery()
{
    QFETCH(bool, temperature);
    QFETCH(int, raw);
    QFETCH(QString, text);
    m_sim->sim([&](VxCradleSim &s) { s.setBatteryRaw(raw, raw); });
    if (temperature)
        m_link->VX700_GetBatteryTemperature();
    else
        m_link->VX700_GetBatteryVoltage();
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(m_link->GetData(), text);
}

void tst_VxLink::decodedOperationsKeepRawDataOnError()
{
    m_sim->sim([](VxCradleSim &s) { s.setStatusOverride('F', 3, "215"); });
    m_link->VX700_GetBatteryVoltage();
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_TERMINAL_CMD_EXE_FAILED));
    QCOMPARE(m_link->GetData(), QStringLiteral("215"));
    m_link->VX700_GetBatteryTemperature();
    QCOMPARE(m_link->GetData(), QStringLiteral("215"));
    m_link->VX700_GetTime();
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_TERMINAL_CMD_EXE_FAILED));
    QCOMPARE(m_link->GetData(), QStringLiteral("215"));
}

void tst_VxLink::getTime_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QDateTime>("moment");
    QTest::newRow("valid") << QByteArray("20060305070809") << QDateTime(QDate(2006, 3, 5), QTime(7, 8, 9));
    QTest::newRow("month 13") << QByteArray("20061305070809") << QDateTime();
    QTest::newRow("29 February 2023") << QByteArray("20230229070809") << QDateTime();
    QTest::newRow("not digits") << QByteArray("2006-3-5 7:08:") << QDateTime();
    QTest::newRow("empty") << QByteArray() << QDateTime();
}

void tst_VxLink::getTime()
{
    QFETCH(QByteArray, reply);
    QFETCH(QDateTime, moment);
    m_sim->sim([&](VxCradleSim &s) {
        if (reply.isEmpty())
            s.setStatusOverride('A');
        else
            s.setClockReply(reply);
    });
    m_link->VX700_GetTime();
    const QString text = m_link->GetData();
    if (!moment.isValid()) {
        QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_INVALID_REPLY_DATA));
        QCOMPARE(text, QString::fromLatin1(reply));
        return;
    }
    QCOMPARE(m_link->ErrCode(), 0);
    // The system's short date, then the time with its seconds.
    QVERIFY2(text.startsWith(QLocale::system().toString(moment.date(), QLocale::ShortFormat) + QLatin1Char(' ')),
             qPrintable(text));
    QVERIFY2(text.contains(moment.toString(QStringLiteral(":mm:ss"))), qPrintable(text));
    QVERIFY(!text.contains(QString::fromLatin1(reply)));
}

void tst_VxLink::setTimeSendsFourteenDigits()
{
    m_link->VX700_SetTime(QDateTime(QDate(2006, 3, 5), QTime(7, 8, 9)));
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_TERMINAL_ACCESS_DENIED)); // not logged on
    QCOMPARE(m_sim->sim([](VxCradleSim &s) { return s.lastRequest(); }), QByteArray("S20060305070809"));

    m_link->VX700_Logon(QStringLiteral("7391"));
    m_link->VX700_SetTime(QDateTime(QDate(2006, 3, 5), QTime(17, 8, 9)));
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(m_sim->sim([](VxCradleSim &s) { return s.lastRequest(); }), QByteArray("S20060305170809"));
    const QDateTime clock = m_sim->sim([](VxCradleSim &s) { return s.clock(); });
    QVERIFY(qAbs(clock.secsTo(QDateTime(QDate(2006, 3, 5), QTime(17, 8, 9)))) < 5);
    m_link->VX700_GetTime();
    QCOMPARE(m_link->ErrCode(), 0);
    QVERIFY(m_link->GetData().startsWith(QLocale::system().toString(QDate(2006, 3, 5), QLocale::ShortFormat)));
}

void tst_VxLink::recordsReadRollbackReadAgain()
{
    const QList<VxCradleSim::Record> stored = VxCradleSim::sampleRecords(5);
    m_sim->sim([&](VxCradleSim &s) { s.setRecords(stored); });

    m_link->VX700_GetOneRecord();
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_TERMINAL_ACCESS_DENIED));
    m_link->VX700_Logon(QStringLiteral("1111"));
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_TERMINAL_ACCESS_DENIED));
    m_link->VX700_Logon(QStringLiteral("7391"));
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(m_sim->sim([](VxCradleSim &s) { return s.lastRequest(); }), QByteArray("L7391"));

    m_link->VX700_RecordCount();
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(m_link->GetData(), QStringLiteral("5"));
    m_link->VX700_GetID();
    const QString machine = m_link->GetData();
    QCOMPARE(machine, QStringLiteral("0001"));

    for (int pass = 0; pass < 2; ++pass) {
        QStringList read;
        for (;;) {
            m_link->VX700_GetOneRecord();
            if (m_link->ErrCode() != 0)
                break;
            read << m_link->GetData();
        }
        QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_TERMINAL_DATA_EMPTY));
        QCOMPARE(m_link->GetData(), QString());
        QCOMPARE(read.size(), stored.size());
        for (int i = 0; i < stored.size(); ++i)
            QCOMPARE(read.at(i), QString::fromLatin1(VxCradleSim::recordText(stored.at(i))));
        QCOMPARE(read.first(), QStringLiteral("202401010800000000000001"));
        QCOMPARE(VxRecordLine(machine, read.last()), QStringLiteral("0001,0000000005,2024/01/01,08:04:00"));
        m_link->VX700_RollBack();
        QCOMPARE(m_link->ErrCode(), 0);
    }
    // Reading and rolling back removes nothing.
    QCOMPARE(m_sim->sim([](VxCradleSim &s) { return s.records().size(); }), 5);
    QCOMPARE(VxRecordLine(QStringLiteral("7"), QStringLiteral("2024010108")),
             QStringLiteral("7,2024010108,2024/01/01,08::"));
}

void tst_VxLink::commitAndErase()
{
    m_sim->sim([](VxCradleSim &s) { s.setRecords(VxCradleSim::sampleRecords(4)); });
    m_link->VX700_Commit();
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_TERMINAL_ACCESS_DENIED));
    m_link->VX700_EraseAllRecord();
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_TERMINAL_ACCESS_DENIED));
    QCOMPARE(m_sim->sim([](VxCradleSim &s) { return s.records().size(); }), 4);

    m_link->VX700_Logon(QStringLiteral("7391"));
    m_link->VX700_GetOneRecord();
    m_link->VX700_GetOneRecord();
    m_link->VX700_Commit();
    QCOMPARE(m_link->ErrCode(), 0);
    m_link->VX700_RecordCount();
    QCOMPARE(m_link->GetData(), QStringLiteral("2"));
    m_link->VX700_GetOneRecord();
    QCOMPARE(m_link->GetData().right(10), QStringLiteral("0000000003"));

    m_link->VX700_EraseAllRecord();
    QCOMPARE(m_link->ErrCode(), 0);
    m_link->VX700_RecordCount();
    QCOMPARE(m_link->GetData(), QStringLiteral("0"));
    m_link->VX700_GetOneRecord();
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_TERMINAL_DATA_EMPTY));
}

void tst_VxLink::passwordAndLogoff()
{
    m_link->VX700_SetPassword(QStringLiteral("2468"));
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_TERMINAL_ACCESS_DENIED));
    m_link->VX700_Logon(QStringLiteral("7391"));
    m_link->VX700_SetPassword(QStringLiteral("2468"));
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(m_sim->sim([](VxCradleSim &s) { return s.password(); }), QStringLiteral("2468"));

    m_link->VX700_Logoff();
    QCOMPARE(m_link->ErrCode(), 0);
    m_link->VX700_SetID(QStringLiteral("12"));
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_TERMINAL_ACCESS_DENIED));
    // Reading the count, clock, ID and version needs no logon.
    m_link->VX700_RecordCount();
    QCOMPARE(m_link->ErrCode(), 0);
    m_link->VX700_GetVersion();
    QCOMPARE(m_link->GetData(), QStringLiteral("VX700A V2.10"));

    m_link->VX700_Logon(QStringLiteral("7391"));
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_TERMINAL_ACCESS_DENIED));
    m_link->VX700_Logon(QStringLiteral("2468"));
    QCOMPARE(m_link->ErrCode(), 0);
}

void tst_VxLink::machineIdAndGetIdFlag()
{
    m_link->VX700_Logon(QStringLiteral("7391"));
    m_link->VX700_SetID(QStringLiteral("A17"));
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(m_sim->sim([](VxCradleSim &s) { return s.lastRequest(); }), QByteArray("JA17"));
    m_link->VX700_GetID();
    QCOMPARE(m_link->GetData(), QStringLiteral("A17"));

    m_sim->sim([](VxCradleSim &s) { s.setMachineId(QString()); });
    m_link->VX700_GetID();
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(m_link->GetData(), QString());
    VxMaintenanceFlags::GetID_flag = true;
    m_link->VX700_GetID();
    QCOMPARE(m_link->GetData(), QStringLiteral("N/A"));
    m_link->VX700_GetVersion(); // a reply with data keeps it
    QCOMPARE(m_link->GetData(), QStringLiteral("VX700A V2.10"));
    VxMaintenanceFlags::GetID_flag = false;
    m_link->VX700_GetID();
    QCOMPARE(m_link->GetData(), QString());
}

void tst_VxLink::connectionTest()
{
    RecordingReporter reporter;
    QSignalSpy disconnected(m_link.get(), &ucVX700::deviceDisconnected);

    m_link->setErrCode(ucVX700::VX_ERR_TIMEOUT);
    m_link->VX700_ConnectionTest();
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(m_sim->sim([](VxCradleSim &s) { return s.lastRequest(); }), QByteArray("F"));
    QCOMPARE(disconnected.count(), 0);
    QVERIFY(reporter.entries.isEmpty());

    // A terminal error status, a missing terminal and silence all count as disconnected.
    m_link->setTimeout(150);
    m_sim->sim([](VxCradleSim &s) { s.setStatusOverride('C'); });
    m_link->VX700_ConnectionTest();
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_INVALID_COMPORT));
    m_sim->sim([](VxCradleSim &s) { s.setTerminalPresent(false); });
    m_link->VX700_ConnectionTest();
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_INVALID_COMPORT));
    m_sim->sim([](VxCradleSim &s) { s.setSilent(true); });
    m_link->VX700_ConnectionTest();
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_INVALID_COMPORT));

    QCOMPARE(disconnected.count(), 3);
    QCOMPARE(reporter.texts(), QStringList(3, QStringLiteral("Device was disconnected")));
}

QTEST_GUILESS_MAIN(tst_VxLink)
#include "tst_vxlink.moc"
