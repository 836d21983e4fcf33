#include "ApplicationPassword.h"
#include "AutoDownload.h"
#include "CRes.h"
#include "DataStore.h"
#include "InputHold.h"
#include "KrSimFixture.h"
#include "ModalAnswer.h"
#include "RecordingReporter.h"
#include "Settings.h"
#include "TestEnv.h"
#include "VxSimFixture.h"
#include "Workspace.h"
#include "PatrolDataView.h"
#include "TerminalCommands.h"
#include "frmMain.h"
#include "frmOptions.h"
#include "frmTerminalConfiguration_KR.h"
#include "frmWizard_SearchTerminal.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

using namespace Qt::StringLiterals;

// The main window's terminal commands: the download button and the automatic
// download over each terminal family's link, the options and the maintenance
// dialog with the refresh after a download in it.
class tst_frmMain : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void krDownloadSavesAFile_data();
    void krDownloadSavesAFile();
    void buttonDownloadDisarmsTheTimer();
    void vxTimeOutKeepsDownloadButtonOff();
    void clickDuringProbeCutsItShort();
    void optionsSwitchToVxLogsOff();
    void wizardResultIsTakenAtOnce_data();
    void wizardResultIsTakenAtOnce();
    void downloadInMaintenanceDialogRefreshesTheTree();
    void centralPushShowsInStatusBar();

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<RecordingReporter> m_reporter;
};

namespace {

int savedFiles()
{
    return QDir(Workspace::unapprovedFolder()).entryList({u"*.tvl"_s}, QDir::Files).size();
}

}

void tst_frmMain::init()
{
    m_env = std::make_unique<TestEnv>();
    m_reporter = std::make_unique<RecordingReporter>();
    CRes::destroyInstance();
    ApplicationPassword::setCurrent(u"7391"_s);
}

void tst_frmMain::cleanup()
{
    cancelModalAnswers();
    CRes::destroyInstance();
    m_reporter.reset();
    m_env.reset();
}

void tst_frmMain::krDownloadSavesAFile_data()
{
    QTest::addColumn<bool>("automatic");
    QTest::newRow("download button") << false;
    // Which ticks download is the business of tst_autodownload; here: the window's timer does.
    QTest::newRow("automatic, within one tick") << true;
}

void tst_frmMain::krDownloadSavesAFile()
{
    QFETCH(bool, automatic);
    SaveSetting("AutoDownload", "Enable", automatic ? "1" : "0");
    KrSimFixture terminal(1, m_env.get());
    terminal.sim([](KrTerminalSim &s) { s.setRecords(KrTerminalSim::generateRecords(5)); });
    frmMain window;
    window.show();
    QAction *download = window.action(u"download"_s);
    if (automatic) {
        // One tick, and a little for the download itself.
        QTRY_COMPARE_WITH_TIMEOUT(savedFiles(), 1, window.terminal().autoDownloadTimer().interval() + 2000);
        // An automatic download always clears the terminal.
        QCOMPARE(terminal.sim([](KrTerminalSim &s) { return s.records().size(); }), 0);
    } else {
        // The dialog runs modally and closes itself when the terminal is empty.
        QTest::mouseClick(window.findChild<QToolBar *>(u"Toolbar2"_s)->widgetForAction(download), Qt::LeftButton);
        QCOMPARE(savedFiles(), 1);
    }
    QVERIFY(QFile::exists(window.patrolView()->CurrentFilePath()) && window.patrolView()->CurrentFilePath().startsWith(Workspace::unapprovedFolder()));
    QVERIFY(window.statusBar()->findChild<QLabel *>()->text().startsWith(QLatin1String("Patrol data file: ")));
    QVERIFY(download->isEnabled() && window.terminal().autoDownloadTimer().isActive());
    QVERIFY(m_reporter->entries.isEmpty());
}

// A terminal left in its dock by a download from the button (clearing off) is
// not taken again by the automatic download.
void tst_frmMain::buttonDownloadDisarmsTheTimer()
{
    for (const char *key : {"AutoClearData", "AutoUpdateTime", "AutoPowerDown"})
        SaveSetting("Terminal", QLatin1String(key), "0");
    KrSimFixture terminal(1, m_env.get());
    terminal.sim([](KrTerminalSim &s) { s.setRecords(KrTerminalSim::generateRecords(3)); });
    frmMain window;
    window.terminal().autoDownloadTimer().setInterval(10);
    window.terminal().download(false);
    QCOMPARE(savedFiles(), 1);
    terminal.sim([](KrTerminalSim &s) { s.clearReceived(); });
    // Three ticks probed the terminal, which still holds its records.
    QTRY_VERIFY(terminal.sim([](KrTerminalSim &s) { return s.received().count("00A"); }) >= 3);
    QCOMPARE(savedFiles(), 1);
}

void tst_frmMain::vxTimeOutKeepsDownloadButtonOff()
{
    VxSimFixture cradle(1, m_env.get());
    cradle.sim([](VxCradleSim &s) {
        s.setRecords(VxCradleSim::sampleRecords(6));
        s.vanishAfterRecords(3);
    });
    SaveSetting("Terminal", "Model", "1");

    frmMain window;
    QAction *download = window.action(u"download"_s);
    // A VX terminal starts logged off: no download until a logon.
    QVERIFY(!download->isEnabled());
    window.terminal().download(false);
    QVERIFY(!download->isEnabled());
    QCOMPARE(m_reporter->texts().last(), u"Time out,\r\nplease check the connection and log on again"_s);
    // The partial file is still shown.
    QVERIFY(QFile::exists(window.patrolView()->CurrentFilePath()));
}

void tst_frmMain::clickDuringProbeCutsItShort()
{
    // An empty dock keeps the probe waiting its whole second; a click must not wait with it.
    InputHold hold;
    KrSimFixture dock(1, m_env.get());
    dock.sim([](KrTerminalSim &s) { s.setSilent(true); });
    ucKR500_900 kr;
    kr.setCommPort(1);
    AutoDownload autoDownload(kr);
    QPushButton button;
    button.show();
    int clicks = 0;
    connect(&button, &QPushButton::clicked, this, [&] { ++clicks; });
    autoDownload.downloadRan();
    QTimer::singleShot(100, &button, [&] { QTest::mouseClick(&button, Qt::LeftButton); });
    QCOMPARE(autoDownload.tick(1, 0), AutoDownload::Tick::Skipped);
    QCOMPARE(clicks, 0);
    QTRY_COMPARE(clicks, 1);
    // A probe cut short proves nothing about the dock: no re-arming.
    QVERIFY(!autoDownload.isArmed());
}

void tst_frmMain::optionsSwitchToVxLogsOff()
{
    frmMain window;
    QAction *download = window.action(u"download"_s);
    QVERIFY(download->isEnabled());
    whenModal<frmOptions>([](frmOptions *d) {
        d->findChild<QComboBox *>(u"cboTerminalModel"_s)->setCurrentIndex(1);
        QTest::mouseClick(d->findChild<QPushButton *>(u"cmd_0"_s), Qt::LeftButton);
    });
    window.action(u"mnuTools_6"_s)->trigger();
    QCOMPARE((QList<int>{window.terminal().settings().family, window.terminal().settings().autoDownload}), (QList<int>{1, 0}));
    QVERIFY(!download->isEnabled() && window.terminal().autoDownloadTimer().isActive());
}

void tst_frmMain::wizardResultIsTakenAtOnce_data()
{
    QTest::addColumn<bool>("vx");
    QTest::addColumn<int>("port");
    QTest::newRow("KR terminal on another port") << false << 4;
    QTest::newRow("VX cradle") << true << 2;
}

// The links, the automatic download's probe and the download button follow the wizard's find at once.
void tst_frmMain::wizardResultIsTakenAtOnce()
{
    QFETCH(bool, vx);
    QFETCH(int, port);
    std::unique_ptr<KrSimFixture> terminal(vx ? nullptr : new KrSimFixture(port, m_env.get()));
    std::unique_ptr<VxSimFixture> cradle(vx ? new VxSimFixture(port, m_env.get()) : nullptr);
    frmMain window;
    QAction *download = window.action(u"download"_s);
    QVERIFY(download->isEnabled());
    whenModal<frmWizard_SearchTerminal>([](frmWizard_SearchTerminal *wizard) {
        for (int page = 0; page < 2; ++page)
            QTest::mouseClick(wizard->button(1), Qt::LeftButton);
        if (QTest::qWaitFor([wizard] { return wizard->pageIndex() == 3; }, 20000))
            QTest::mouseClick(wizard->button(0), Qt::LeftButton);
    });
    window.action(u"mnuTools_4"_s)->trigger();
    QCOMPARE(window.terminal().settings().family, vx ? 1 : 0);
    // The KR link is the automatic download's probe.
    QCOMPARE((QList<int>{window.terminal().gs().CommPort(), window.terminal().wm().Comport()}), (QList<int>{port, port}));
    // A VX terminal found anew is logged off.
    QCOMPARE(download->isEnabled(), !vx);
}

void tst_frmMain::downloadInMaintenanceDialogRefreshesTheTree()
{
    SaveSetting("AutoDownload", "Enable", "0");
    for (const char *key : {"AutoClearData", "AutoUpdateTime", "AutoPowerDown"})
        SaveSetting("Terminal", QLatin1String(key), "0");
    KrSimFixture terminal(1, m_env.get());
    terminal.sim([](KrTerminalSim &s) { s.setRecords(KrTerminalSim::generateRecords(4)); });
    frmMain window;
    QVERIFY(window.patrolView()->CurrentFilePath().isEmpty());
    whenModal<frmTerminalConfiguration_KR>([](frmTerminalConfiguration_KR *d) {
        d->findChild<QComboBox *>(u"cboCommPort"_s)->setCurrentText(u"COM1"_s);
        QTest::mouseClick(d->button(10), Qt::LeftButton);
        d->reject();
    });
    window.action(u"mnuTools_3"_s)->trigger();
    QCOMPARE(savedFiles(), 1);
    QVERIFY(window.patrolView()->CurrentFilePath().endsWith(QLatin1String(".tvl")));
}

// With a central database configured that nothing answers for, the status
// bar says since when it is unreachable, and a download is queued and tried
// at once, off the window's thread.
void tst_frmMain::centralPushShowsInStatusBar()
{
    SaveSetting("Central", "Host", m_env->root());
    SaveSetting("Central", "Database", "tavrel");
    for (const char *key : {"AutoClearData", "AutoUpdateTime", "AutoPowerDown"})
        SaveSetting("Terminal", QLatin1String(key), "0");
    KrSimFixture terminal(1, m_env.get());
    terminal.sim([](KrTerminalSim &s) { s.setRecords(KrTerminalSim::generateRecords(3)); });
    frmMain window;
    window.show();
    QVERIFY(window.centralLabel());
    const QRegularExpression unreachable(u"^Central: unreachable since \\d\\d:\\d\\d$"_s);
    QTRY_VERIFY_WITH_TIMEOUT(unreachable.match(window.centralLabel()->text()).hasMatch(), 20000);
    window.terminal().download(false);
    QCOMPARE(savedFiles(), 1);
    auto attempts = [] {
        QSqlQuery q(DataStore::database(DataStore::kConnLog, nullptr));
        return q.exec(u"SELECT Attempts FROM CentralOutbox WHERE Pushed IS NULL"_s) && q.next() ? q.value(0).toInt() : -1;
    };
    QTRY_VERIFY_WITH_TIMEOUT(attempts() >= 1, 20000);
    QVERIFY2(unreachable.match(window.centralLabel()->text()).hasMatch(), qPrintable(window.centralLabel()->text()));
    QCOMPARE(frmMain::centralText(CentralPusher::State::Waiting, 3, {}), u"Central: 3 downloads waiting"_s);
    QCOMPARE(frmMain::centralText(CentralPusher::State::UpToDate, 0, {}), u"Central: up to date"_s);
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
