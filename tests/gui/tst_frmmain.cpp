#include "AppState.h"
#include "CRes.h"
#include "KrSimFixture.h"
#include "RecordingReporter.h"
#include "TestEnv.h"
#include "VxSimFixture.h"
#include "Workspace.h"
#include "frmMain.h"

#include <QAction>
#include <QLabel>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

using namespace Qt::StringLiterals;

// The main window's download button over each terminal family's link.
class tst_frmMain : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void downloadButtonSavesAFile();
    void vxTimeOutKeepsDownloadButtonOff();

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<RecordingReporter> m_reporter;
};

void tst_frmMain::init()
{
    m_env = std::make_unique<TestEnv>();
    m_reporter = std::make_unique<RecordingReporter>();
    CRes::destroyInstance();
}

void tst_frmMain::cleanup()
{
    AppState::terminalFamily = 0;
    CRes::destroyInstance();
    m_reporter.reset();
    m_env.reset();
}

void tst_frmMain::downloadButtonSavesAFile()
{
    KrSimFixture terminal(1, m_env.get());
    terminal.sim([](KrTerminalSim &s) { s.setRecords(KrTerminalSim::generateRecords(5)); });
    AppState::terminalFamily = 0;

    frmMain window;
    window.show();
    QAction *download = window.action(u"download"_s);
    auto *toolbar = window.findChild<QToolBar *>(u"Toolbar2"_s);
    // The dialog runs modally and closes itself when the terminal is empty.
    QTest::mouseClick(toolbar->widgetForAction(download), Qt::LeftButton);
    QVERIFY(QFile::exists(window.CurrentFilePath()) && window.CurrentFilePath().startsWith(Workspace::unapprovedFolder()));
    QVERIFY(window.statusBar()->findChild<QLabel *>()->text().startsWith(QLatin1String("Patrol data file: ")));
    QVERIFY(download->isEnabled() && window.disconnect_flag);
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_frmMain::vxTimeOutKeepsDownloadButtonOff()
{
    VxSimFixture cradle(1, m_env.get());
    cradle.sim([](VxCradleSim &s) {
        s.setRecords(VxCradleSim::sampleRecords(6));
        s.vanishAfterRecords(3);
    });
    AppState::terminalFamily = 1;

    frmMain window;
    QAction *download = window.action(u"download"_s);
    // A VX terminal starts logged off: no download until a logon.
    QVERIFY(!download->isEnabled());
    window.DownloadPatrolData(false);
    QVERIFY(!window.disconnect_flag && !download->isEnabled());
    QCOMPARE(m_reporter->texts().last(), u"Time out,\r\nplease check the connection and log on again"_s);
    // The partial file is still shown.
    QVERIFY(QFile::exists(window.CurrentFilePath()));
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
