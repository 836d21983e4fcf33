#include "ComPorts.h"
#include "CRes.h"
#include "DownloadProcess.h"
#include "DownloadState.h"
#include "PatrolFile.h"
#include "RecordingReporter.h"
#include "Settings.h"
#include "SimulatorHost.h"
#include "TestEnv.h"
#include "VxCradleSim.h"
#include "VxPasswordPrompt.h"
#include "Workspace.h"
#include "ucKR500_900.h"
#include "ucVX700.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QtTest>

namespace {

// Answers the logon prompt from a list; cancels when it runs out.
class ListPrompt : public VxPasswordPrompt
{
public:
    QStringList answers;
    int asked = 0;
    bool ask(QString &password) override
    {
        ++asked;
        if (answers.isEmpty())
            return false;
        password = answers.takeFirst();
        return true;
    }
};

}

// The VX flow of the download against the simulated cradle.
class tst_DownloadVx : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void emptyTerminal();
    void fullDownloadWritesEveryRecord();
    void followUpActions_data();
    void followUpActions();
    void cancelKeepsRecordsAndSkipsFollowUp();
    void failureMidLoopAsksForLogon();
    void wrongStoredPasswordPrompts();
    void vanishingCradleKeepsPartialFile();
    void writeFailureStopsBeforeErase();
    void cancelDuringLogonErasesNothing();

private:
    void setOptions(int clear, int time);
    DownloadProcess::Outcome download(bool automatic = false);

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<SimulatorHost<VxCradleSim>> m_host;
    std::unique_ptr<ucKR500_900> m_kr;
    std::unique_ptr<ucVX700> m_vx;
    std::unique_ptr<DownloadProcess> m_process;
    QList<VxCradleSim::Record> m_records;
};

void tst_DownloadVx::init()
{
    m_env = std::make_unique<TestEnv>();
    CRes::destroyInstance();
    m_host = std::make_unique<SimulatorHost<VxCradleSim>>();
    const QString link = m_env->root() + QStringLiteral("/ttyVX");
    m_records = VxCradleSim::sampleRecords(6);
    QString error;
    QVERIFY2(m_host->call([&] {
        m_host->sim()->setRecords(m_records);
        m_host->sim()->setMachineId(QStringLiteral("0042"));
        return m_host->sim()->start(link, &error);
    }),
             qPrintable(error));
    SetComPortDevice(4, link);
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Comport"), QStringLiteral("COM4"));
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Model"), QStringLiteral("1"));
    m_kr = std::make_unique<ucKR500_900>();
    m_vx = std::make_unique<ucVX700>();
    m_process = std::make_unique<DownloadProcess>(*m_kr, *m_vx);
    DownloadState::savedFile = false;
}

void tst_DownloadVx::cleanup()
{
    m_process.reset();
    m_vx.reset();
    m_kr.reset();
    m_host.reset();
    CRes::destroyInstance();
    m_env.reset();
}

void tst_DownloadVx::setOptions(int clear, int time)
{
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("AutoClearData"), QString::number(clear));
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("AutoUpdateTime"), QString::number(time));
}

DownloadProcess::Outcome tst_DownloadVx::download(bool automatic)
{
    m_process->IsAutoDownload = automatic;
    return m_process->run(DownloadProcess::kVxFamily);
}

void tst_DownloadVx::emptyTerminal()
{
    RecordingReporter reporter;
    m_host->call([&] { m_host->sim()->setRecords({}); });
    QCOMPARE(download(), DownloadProcess::Outcome::NoRecords);
    QVERIFY(m_process->DownloadFile().isEmpty());
    QVERIFY(QDir(Workspace::unapprovedFolder()).entryList(QDir::Files).isEmpty());
    QCOMPARE(reporter.texts(), QStringList {CRes::instance().ResString(166)});
    QVERIFY(!CRes::instance().ResString(166).isEmpty());
    QVERIFY(!DownloadState::savedFile);
}

void tst_DownloadVx::fullDownloadWritesEveryRecord()
{
    RecordingReporter reporter;
    setOptions(0, 0);
    QStringList labels;
    connect(m_process.get(), &DownloadProcess::progressed, this,
            [&](int, int, const QString &label) { labels << label; });
    QCOMPARE(download(), DownloadProcess::Outcome::Saved);
    QVERIFY(reporter.entries.isEmpty());
    QVERIFY(DownloadState::savedFile);
    QStringList expected;
    for (const VxCradleSim::Record &r : m_records)
        expected << QStringLiteral("0042,%1,%2").arg(r.code, r.when.toString(QStringLiteral("yyyy/MM/dd,hh:mm:ss")));
    QCOMPARE(TestEnv::patrolLines(m_process->DownloadFile()), expected);
    QCOMPARE(labels.size(), 6);
    QCOMPARE(labels.last(), DownloadProcess::progressText(6, 6));
    // Read to the end, rolled back, nothing erased.
    QCOMPARE(m_host->call([&] { return m_host->sim()->readPosition(); }), 0);
    QCOMPARE(m_host->call([&] { return m_host->sim()->records().size(); }), 6);
}

void tst_DownloadVx::followUpActions_data()
{
    QTest::addColumn<int>("clear");
    QTest::addColumn<int>("time");
    QTest::addColumn<bool>("automatic");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<bool>("erased");
    QTest::addColumn<bool>("clockSet");
    const QString d = QStringLiteral("VD/Download Data"), c = QStringLiteral("VC/Clear Data");
    QTest::newRow("none") << 0 << 0 << false << QStringList {d} << false << false;
    QTest::newRow("clear") << 1 << 0 << false << QStringList {d, c} << true << false;
    QTest::newRow("time") << 0 << 1 << false << QStringList {d} << false << true;
    QTest::newRow("both") << 1 << 1 << false << QStringList {d, c} << true << true;
    QTest::newRow("auto, options off") << 0 << 0 << true << QStringList {d, c} << true << true;
}

void tst_DownloadVx::followUpActions()
{
    QFETCH(int, clear);
    QFETCH(int, time);
    QFETCH(bool, automatic);
    QFETCH(QStringList, log);
    QFETCH(bool, erased);
    QFETCH(bool, clockSet);
    RecordingReporter reporter;
    setOptions(clear, time);
    const QDateTime old(QDate(2001, 1, 1), QTime(0, 0));
    const QDateTime now(QDate(2025, 7, 4), QTime(10, 20, 30));
    m_host->call([&] { m_host->sim()->setClock(old); });
    m_process->clock = [now] { return now; };
    QCOMPARE(download(automatic), DownloadProcess::Outcome::Saved);
    QCOMPARE(TestEnv::logEntries(), log);
    QCOMPARE(m_host->call([&] { return m_host->sim()->records().isEmpty(); }), erased);
    const QDateTime clock = m_host->call([&] { return m_host->sim()->clock(); });
    QCOMPARE(clock.date().year() == 2025, clockSet);
    QCOMPARE(m_process->DownloadFile(), QStringLiteral("20250704 102030.tvl"));
}

void tst_DownloadVx::cancelKeepsRecordsAndSkipsFollowUp()
{
    RecordingReporter reporter;
    setOptions(1, 1);
    connect(m_process.get(), &DownloadProcess::progressed, this, [](int count, int, const QString &) {
        if (count == 3)
            DownloadState::m_blnCancelDownload = true;
    });
    QCOMPARE(download(), DownloadProcess::Outcome::Cancelled);
    QCOMPARE(TestEnv::patrolLines(m_process->DownloadFile()).size(), 3);
    QCOMPARE(TestEnv::logEntries(), QStringList {QStringLiteral("VD/Download Data")});
    QCOMPARE(m_host->call([&] { return m_host->sim()->records().size(); }), 6);
    QCOMPARE(m_host->call([&] { return m_host->sim()->readPosition(); }), 0);
}

void tst_DownloadVx::failureMidLoopAsksForLogon()
{
    RecordingReporter reporter;
    setOptions(1, 1);
    bool lost = false;
    connect(m_process.get(), &DownloadProcess::vxConnectionLost, this, [&] { lost = true; });
    connect(m_process.get(), &DownloadProcess::progressed, this, [&](int count, int, const QString &) {
        if (count == 2)
            m_host->call([&] { m_host->sim()->setFault(VxCradleSim::Fault::NoAnswer, 1000); });
    });
    m_vx->setTimeout(300);
    QCOMPARE(download(), DownloadProcess::Outcome::LinkFailure);
    QVERIFY(lost);
    QCOMPARE(m_process->errCode(), qint32(ucVX700::VX_ERR_TIMEOUT));
    QCOMPARE(reporter.texts(), QStringList {QStringLiteral("Time out,\r\nplease check the connection and log on again")});
    QCOMPARE(TestEnv::patrolLines(m_process->DownloadFile()).size(), 2);
    QCOMPARE(TestEnv::logEntries(), QStringList {QStringLiteral("VD/Download Data")});
    QCOMPARE(m_host->call([&] { return m_host->sim()->records().size(); }), 6);
}

void tst_DownloadVx::wrongStoredPasswordPrompts()
{
    RecordingReporter reporter;
    setOptions(0, 0);
    m_host->call([&] { m_host->sim()->setPassword(QStringLiteral("2468")); });
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Password"), QStringLiteral("1111"));
    ListPrompt prompt;
    prompt.answers = {QStringLiteral("9999"), QStringLiteral("2468")};
    m_process->passwordPrompt = &prompt;
    QCOMPARE(download(), DownloadProcess::Outcome::Saved);
    QCOMPARE(prompt.asked, 2);
    QCOMPARE(GetSetting(QStringLiteral("Terminal"), QStringLiteral("Password")), QStringLiteral("2468"));

    // Cancelling the prompt ends the download before anything is created.
    m_host->call([&] { m_host->sim()->setPassword(QStringLiteral("1357")); m_host->sim()->setLoggedOn(false); });
    ListPrompt cancel;
    m_process->passwordPrompt = &cancel;
    QCOMPARE(download(), DownloadProcess::Outcome::LogonFailed);
    QCOMPARE(m_process->errCode(), qint32(ucVX700::VX_ERR_TERMINAL_ACCESS_DENIED));
    QVERIFY(m_process->DownloadFile().isEmpty());
}

void tst_DownloadVx::vanishingCradleKeepsPartialFile()
{
    RecordingReporter reporter;
    setOptions(1, 1);
    m_host->call([&] { m_host->sim()->vanishAfterRecords(4); });
    QCOMPARE(download(), DownloadProcess::Outcome::LinkFailure);
    QCOMPARE(TestEnv::patrolLines(m_process->DownloadFile()).size(), 4);
    QCOMPARE(TestEnv::logEntries(), QStringList {QStringLiteral("VD/Download Data")});
    QCOMPARE(m_host->call([&] { return m_host->sim()->records().size(); }), 6);
}

void tst_DownloadVx::writeFailureStopsBeforeErase()
{
    RecordingReporter reporter;
    setOptions(1, 1);
    // Every write to /dev/full fails with "no space left on device".
    const QDateTime now(QDate(2025, 7, 4), QTime(10, 20, 30));
    m_process->clock = [now] { return now; };
    QVERIFY(QFile::link(QStringLiteral("/dev/full"),
                        Workspace::unapprovedFolder() + QLatin1Char('/') + PatrolFile::fileNameFor(now)));
    QCOMPARE(download(), DownloadProcess::Outcome::WriteFailure);
    QCOMPARE(reporter.entries.size(), 1);
    QVERIFY(reporter.entries.first().isFailure);
    QCOMPARE(TestEnv::logEntries(), QStringList {QStringLiteral("VD/Download Data")});
    QCOMPARE(m_host->call([&] { return m_host->sim()->records().size(); }), 6);

    // A file that cannot be created stops the download before any record is read.
    QVERIFY(QDir(Workspace::unapprovedFolder()).removeRecursively());
    QFile blocker(Workspace::unapprovedFolder());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    reporter.clear();
    QCOMPARE(download(), DownloadProcess::Outcome::WriteFailure);
    QVERIFY(m_process->DownloadFile().isEmpty());
    QCOMPARE(reporter.entries.size(), 1);
    QCOMPARE(m_host->call([&] { return m_host->sim()->records().size(); }), 6);
}

void tst_DownloadVx::cancelDuringLogonErasesNothing()
{
    RecordingReporter reporter;
    setOptions(1, 1);
    // At the line's real pace the first reply takes a while, so the link waits
    // in its event loop, where this fires as a Cancel click would.
    m_host->call([&] { m_host->sim()->setPaced(true); });
    QTimer::singleShot(0, this, [] { DownloadState::m_blnCancelDownload = true; });
    QCOMPARE(download(true), DownloadProcess::Outcome::Cancelled);
    QVERIFY(m_process->DownloadFile().isEmpty());
    QVERIFY(TestEnv::logEntries().isEmpty());
    QCOMPARE(m_host->call([&] { return m_host->sim()->records().size(); }), 6);
}

QTEST_GUILESS_MAIN(tst_DownloadVx)
#include "tst_downloadvx.moc"
