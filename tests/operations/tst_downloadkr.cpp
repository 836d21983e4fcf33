#include "ComPorts.h"
#include "CRes.h"
#include "DownloadProcess.h"
#include "DownloadState.h"
#include "KrTerminalSim.h"
#include "PatrolFile.h"
#include "RecordingReporter.h"
#include "Settings.h"
#include "SimulatorHost.h"
#include "TestEnv.h"
#include "Workspace.h"
#include "ucKR500_900.h"
#include "ucVX700.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QtTest>

// The KR flow of the download against the simulated terminal.
class tst_DownloadKr : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void progressText();
    void emptyTerminalAndCountFailure();
    void fullDownloadWritesEveryRecord();
    void followUpActions_data();
    void followUpActions();
    void cancelKeepsRecordsAndSkipsFollowUp();
    void vanishingTerminalKeepsPartialFile();
    void writeFailureStopsBeforeClear();
    void downloadsInOneSecondShareAFile();
    void optionThatIsNoNumberStopsBeforeStart();
    void cancelWhileCountingEndsQuietly();
    void shortDownloadIsNotCleared();

private:
    QString filePath() const
    {
        return Workspace::unapprovedFolder() + QLatin1Char('/') + m_process->DownloadFile();
    }
    void setOptions(int clear, int time, int power);
    DownloadProcess::Outcome download(bool automatic = false);

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<SimulatorHost<KrTerminalSim>> m_host;
    std::unique_ptr<ucKR500_900> m_kr;
    std::unique_ptr<ucVX700> m_vx;
    std::unique_ptr<DownloadProcess> m_process;
    QStringList m_records;
};

void tst_DownloadKr::init()
{
    m_env = std::make_unique<TestEnv>();
    CRes::destroyInstance();
    m_host = std::make_unique<SimulatorHost<KrTerminalSim>>();
    const QString link = m_env->root() + QStringLiteral("/ttyKR");
    m_records = KrTerminalSim::generateRecords(10, 3);
    QString error;
    QVERIFY2(m_host->call([&] {
        m_host->sim()->setRecords(m_records);
        return m_host->sim()->start(link, &error);
    }),
             qPrintable(error));
    SetComPortDevice(10, link);
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Comport"), QStringLiteral("COM10"));
    m_kr = std::make_unique<ucKR500_900>();
    m_vx = std::make_unique<ucVX700>();
    m_process = std::make_unique<DownloadProcess>(*m_kr, *m_vx);
    DownloadState::savedFile = false;
}

void tst_DownloadKr::cleanup()
{
    m_process.reset();
    m_vx.reset();
    m_kr.reset();
    m_host.reset();
    CRes::destroyInstance();
    m_env.reset();
}

void tst_DownloadKr::setOptions(int clear, int time, int power)
{
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("AutoClearData"), QString::number(clear));
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("AutoUpdateTime"), QString::number(time));
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("AutoPowerDown"), QString::number(power));
}

DownloadProcess::Outcome tst_DownloadKr::download(bool automatic)
{
    m_process->IsAutoDownload = automatic;
    return m_process->run(DownloadProcess::kKrFamily);
}

void tst_DownloadKr::progressText()
{
    QLocale::setDefault(QLocale::c());
    QCOMPARE(DownloadProcess::progressText(2, 3), QStringLiteral("66.67%, (2/3)"));
    QCOMPARE(DownloadProcess::progressText(3, 3), QStringLiteral("100.%, (3/3)"));
    QCOMPARE(DownloadProcess::progressText(1, 3), QStringLiteral("33.33%, (1/3)"));
    QCOMPARE(DownloadProcess::progressText(1, 2), QStringLiteral("50.%, (1/2)"));
    QCOMPARE(DownloadProcess::progressText(1, 1000), QStringLiteral("0.1%, (1/1000)"));
    QLocale::setDefault(QLocale(QLocale::German));
    QCOMPARE(DownloadProcess::progressText(2, 3), QStringLiteral("66,67%, (2/3)"));
    QLocale::setDefault(QLocale::c());
}

void tst_DownloadKr::emptyTerminalAndCountFailure()
{
    RecordingReporter reporter;
    m_host->call([&] { m_host->sim()->setRecords({}); });
    QCOMPARE(download(), DownloadProcess::Outcome::NoRecords);
    QVERIFY(m_process->DownloadFile().isEmpty());
    QVERIFY(QDir(Workspace::unapprovedFolder()).entryList(QDir::Files).isEmpty());
    QCOMPARE(reporter.texts(), QStringList {CRes::instance().ResString(166)});
    QCOMPARE(reporter.entries.first().icon, MessageReporter::Icon::Information);
    QVERIFY(TestEnv::logEntries().isEmpty());

    // A port without a device: the link's name in a box, nothing else.
    reporter.clear();
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Comport"), QStringLiteral("COM77"));
    QCOMPARE(download(), DownloadProcess::Outcome::LinkFailure);
    QCOMPARE(m_process->errCode(), -6);
    QCOMPARE(reporter.texts(), QStringList {QStringLiteral("KR_ERR_UNKNOWN")});
    QCOMPARE(reporter.entries.first().icon, MessageReporter::Icon::Exclamation);
    QVERIFY(QDir(Workspace::unapprovedFolder()).entryList(QDir::Files).isEmpty());
}

void tst_DownloadKr::fullDownloadWritesEveryRecord()
{
    RecordingReporter reporter;
    setOptions(0, 0, 0);
    int started = 0;
    QStringList labels;
    connect(m_process.get(), &DownloadProcess::progressStarted, this, [&](int total) { started = total; });
    connect(m_process.get(), &DownloadProcess::progressed, this,
            [&](int, int, const QString &label) { labels << label; });
    QCOMPARE(download(), DownloadProcess::Outcome::Saved);
    QVERIFY(reporter.entries.isEmpty());
    QCOMPARE(started, 10);
    QCOMPARE(labels.size(), 10);
    QVERIFY(DownloadState::savedFile);
    QVERIFY(m_process->DownloadFile().endsWith(QLatin1String(".tvl")));
    QCOMPARE(TestEnv::patrolLines(filePath()), m_records);
    QFile raw(filePath());
    QVERIFY(raw.open(QIODevice::ReadOnly));
    const QByteArray bytes = raw.readAll();
    QCOMPARE(bytes.count("\r\n"), 10);
    QCOMPARE(m_host->call([&] { return m_host->sim()->records(); }), m_records);
}

void tst_DownloadKr::followUpActions_data()
{
    QTest::addColumn<int>("clear");
    QTest::addColumn<int>("time");
    QTest::addColumn<int>("power");
    QTest::addColumn<bool>("automatic");
    QTest::addColumn<QStringList>("log");
    const QString d = QStringLiteral("KD/Download"), c = QStringLiteral("KC/Clear Data"),
                  t = QStringLiteral("KT/Set Time"), p = QStringLiteral("KP/Power Off");
    QTest::newRow("none") << 0 << 0 << 0 << false << QStringList {d};
    QTest::newRow("clear") << 1 << 0 << 0 << false << QStringList {d, c};
    QTest::newRow("time") << 0 << 1 << 0 << false << QStringList {d, t};
    QTest::newRow("power") << 0 << 0 << 1 << false << QStringList {d, p};
    QTest::newRow("clear+time") << 1 << 1 << 0 << false << QStringList {d, c, t};
    QTest::newRow("clear+power") << 1 << 0 << 1 << false << QStringList {d, c, p};
    QTest::newRow("time+power") << 0 << 1 << 1 << false << QStringList {d, t, p};
    QTest::newRow("all") << 1 << 1 << 1 << false << QStringList {d, c, t, p};
    QTest::newRow("auto, options off") << 0 << 0 << 0 << true << QStringList {d, c, t, p};
}

void tst_DownloadKr::followUpActions()
{
    QFETCH(int, clear);
    QFETCH(int, time);
    QFETCH(int, power);
    QFETCH(bool, automatic);
    QFETCH(QStringList, log);
    RecordingReporter reporter;
    setOptions(clear, time, power);
    const QDateTime now(QDate(2025, 7, 4), QTime(10, 20, 30));
    m_process->clock = [now] { return now; };
    m_host->call([&] { m_host->sim()->setClock(QDateTime(QDate(2001, 1, 1), QTime(0, 0))); });
    QCOMPARE(download(automatic), DownloadProcess::Outcome::Saved);
    QCOMPARE(TestEnv::logEntries(), log);
    QCOMPARE(TestEnv::patrolLines(filePath()), m_records);
    const bool cleared = log.contains(QStringLiteral("KC/Clear Data"));
    QCOMPARE(m_host->call([&] { return m_host->sim()->records().isEmpty(); }), cleared);
    const QDateTime clock = m_host->call([&] { return m_host->sim()->clock(); });
    QCOMPARE(clock.date().year() == 2025, log.contains(QStringLiteral("KT/Set Time")));
    QCOMPARE(m_host->call([&] { return m_host->sim()->isPoweredDown(); }), log.contains(QStringLiteral("KP/Power Off")));
    QVERIFY(reporter.entries.isEmpty());
}

void tst_DownloadKr::cancelKeepsRecordsAndSkipsFollowUp()
{
    RecordingReporter reporter;
    setOptions(1, 1, 1);
    connect(m_process.get(), &DownloadProcess::progressed, this, [](int count, int, const QString &) {
        if (count == 5)
            DownloadState::m_blnCancelDownload = true;
    });
    QCOMPARE(download(), DownloadProcess::Outcome::Cancelled);
    QCOMPARE(TestEnv::patrolLines(filePath()), m_records.mid(0, 5));
    QCOMPARE(TestEnv::logEntries(), QStringList {QStringLiteral("KD/Download")});
    QCOMPARE(m_host->call([&] { return m_host->sim()->records(); }), m_records);
    QVERIFY(!m_host->call([&] { return m_host->sim()->isPoweredDown(); }));
    // The flag stays set after the download, as the link's count expects.
    QVERIFY(DownloadState::m_blnCancelDownload);
}

void tst_DownloadKr::vanishingTerminalKeepsPartialFile()
{
    RecordingReporter reporter;
    setOptions(1, 1, 1);
    m_host->call([&] { m_host->sim()->setVanishAfterRecords(4); });
    QCOMPARE(download(), DownloadProcess::Outcome::LinkFailure);
    QCOMPARE(m_process->errCode(), -6);
    QCOMPARE(TestEnv::patrolLines(filePath()), m_records.mid(0, 4));
    QCOMPARE(TestEnv::logEntries(), QStringList {QStringLiteral("KD/Download")});
    QVERIFY(!m_kr->isPortOpen());
}

void tst_DownloadKr::writeFailureStopsBeforeClear()
{
    RecordingReporter reporter;
    setOptions(1, 1, 1);
    const QDateTime now(QDate(2025, 7, 4), QTime(10, 20, 30));
    m_process->clock = [now] { return now; };
    // Every write to /dev/full fails with "no space left on device".
    QVERIFY(QFile::link(QStringLiteral("/dev/full"),
                        Workspace::unapprovedFolder() + QLatin1Char('/') + PatrolFile::fileNameFor(now)));
    QCOMPARE(download(), DownloadProcess::Outcome::WriteFailure);
    QCOMPARE(reporter.entries.size(), 1);
    QVERIFY(reporter.entries.first().isFailure);
    QCOMPARE(TestEnv::logEntries(), QStringList {QStringLiteral("KD/Download")});
    QCOMPARE(m_host->call([&] { return m_host->sim()->records(); }), m_records);

    // The folder is gone (a file stands in its place): nothing is read at all.
    QVERIFY(QDir(Workspace::unapprovedFolder()).removeRecursively());
    QFile blocker(Workspace::unapprovedFolder());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    reporter.clear();
    QCOMPARE(download(), DownloadProcess::Outcome::WriteFailure);
    QVERIFY(m_process->DownloadFile().isEmpty());
    QCOMPARE(reporter.entries.size(), 1);
    QCOMPARE(m_host->call([&] { return m_host->sim()->records(); }), m_records);
    QVERIFY(!m_host->call([&] { return m_host->sim()->isPoweredDown(); }));
}

void tst_DownloadKr::downloadsInOneSecondShareAFile()
{
    RecordingReporter reporter;
    setOptions(0, 0, 0);
    const QDateTime now(QDate(2025, 7, 4), QTime(10, 20, 30));
    m_process->clock = [now] { return now; };
    QCOMPARE(download(), DownloadProcess::Outcome::Saved);
    QCOMPARE(download(), DownloadProcess::Outcome::Saved);
    QCOMPARE(QDir(Workspace::unapprovedFolder()).entryList(QDir::Files),
             QStringList {QStringLiteral("20250704 102030.tvl")});
    QCOMPARE(TestEnv::patrolLines(filePath()), m_records + m_records);
}

void tst_DownloadKr::optionThatIsNoNumberStopsBeforeStart()
{
    RecordingReporter reporter;
    setOptions(1, 1, 1);
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("AutoPowerDown"), QStringLiteral("yes"));
    QCOMPARE(download(), DownloadProcess::Outcome::Failed);
    QCOMPARE(reporter.entries.size(), 1);
    QCOMPARE(reporter.entries.first().number, 13);
    QVERIFY(m_process->DownloadFile().isEmpty());
    QCOMPARE(m_host->call([&] { return m_host->sim()->received(); }), QByteArray());
}

void tst_DownloadKr::cancelWhileCountingEndsQuietly()
{
    RecordingReporter reporter;
    setOptions(1, 1, 1);
    // At the line's real pace the first reply takes a while, so the link waits
    // in its event loop, where this fires as a Cancel click would.
    m_host->call([&] { m_host->sim()->setPaced(true); });
    QTimer::singleShot(0, this, [] { DownloadState::m_blnCancelDownload = true; });
    QCOMPARE(download(), DownloadProcess::Outcome::Cancelled);
    QVERIFY(reporter.entries.isEmpty());
    QVERIFY(m_process->DownloadFile().isEmpty());
    QVERIFY(TestEnv::logEntries().isEmpty());
    QCOMPARE(m_host->call([&] { return m_host->sim()->records(); }), m_records);
}

void tst_DownloadKr::shortDownloadIsNotCleared()
{
    RecordingReporter reporter;
    setOptions(1, 1, 0);
    m_host->call([&] { m_host->sim()->setCountReply("12"); });
    QCOMPARE(download(), DownloadProcess::Outcome::Saved);
    QCOMPARE(TestEnv::patrolLines(filePath()), m_records);
    QCOMPARE(reporter.texts(), QStringList {CRes::instance().ResString(280).arg(12).arg(10)});
    QCOMPARE(TestEnv::logEntries(), (QStringList {QStringLiteral("KD/Download"), QStringLiteral("KT/Set Time")}));
    QCOMPARE(m_host->call([&] { return m_host->sim()->records(); }), m_records);
}

QTEST_GUILESS_MAIN(tst_DownloadKr)
#include "tst_downloadkr.moc"
