#include "AppState.h"
#include "AutoDownload.h"
#include "InputHold.h"
#include "CRes.h"
#include "DownloadState.h"
#include "KrSimFixture.h"
#include "ModalAnswer.h"
#include "RecordingReporter.h"
#include "Settings.h"
#include "Workspace.h"
#include "frmMain.h"
#include "frmOptions.h"
#include "frmTerminalConfiguration_KR.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

// The main window's terminal commands: the automatic download, the options
// and the maintenance dialog with the refresh after a download in it.
class tst_frmMainTerminal : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void automaticDownloadWithinOneTick();
    void clickDuringProbeCutsItShort();
    void optionsSwitchToVxLogsOff();
    void downloadInMaintenanceDialogRefreshesTheTree();

private:
    std::unique_ptr<TestEnv> m_env;
};

namespace {

int savedFiles()
{
    return QDir(Workspace::unapprovedFolder()).entryList({u"*.tvl"_s}, QDir::Files).size();
}

}

void tst_frmMainTerminal::init()
{
    m_env = std::make_unique<TestEnv>();
    CRes::destroyInstance();
    AppState::autoDownload = 1;
    AppState::terminalFamily = 0;
    AppState::password = u"7391"_s;
    DownloadState::m_blnCancelDownload = false;
}

void tst_frmMainTerminal::cleanup()
{
    cancelModalAnswers();
    CRes::destroyInstance();
    m_env.reset();
}

void tst_frmMainTerminal::automaticDownloadWithinOneTick()
{
    // Which ticks download is the business of tst_autodownload; here: the window's timer does.
    RecordingReporter reporter;
    KrSimFixture terminal(1, m_env.get());
    terminal.sim([&](KrTerminalSim &s) { s.setRecords(KrTerminalSim::generateRecords(1)); });
    frmMain window;
    QCOMPARE(window.tmrAutoDownload().interval(), 3000);
    QVERIFY(window.tmrAutoDownload().isActive());
    // One tick, and a little for the download itself.
    QTRY_COMPARE_WITH_TIMEOUT(savedFiles(), 1, 3000 + 2000);
    // An automatic download always clears the terminal.
    QCOMPARE(terminal.sim([](KrTerminalSim &s) { return s.records().size(); }), 0);
}

void tst_frmMainTerminal::clickDuringProbeCutsItShort()
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
    DownloadState::m_blnCancelDownload = true;
    QTimer::singleShot(100, &button, [&] { QTest::mouseClick(&button, Qt::LeftButton); });
    QCOMPARE(autoDownload.tick(1, 0), AutoDownload::Tick::Skipped);
    QCOMPARE(clicks, 0);
    QTRY_COMPARE(clicks, 1);
    // A probe cut short proves nothing about the dock: no re-arming.
    QVERIFY(DownloadState::m_blnCancelDownload);
}

void tst_frmMainTerminal::optionsSwitchToVxLogsOff()
{
    RecordingReporter reporter;
    frmMain window;
    QAction *download = window.action(u"download"_s);
    QVERIFY(download->isEnabled());
    whenModal<frmOptions>([](frmOptions *d) {
        d->findChild<QComboBox *>(u"cboTerminalModel"_s)->setCurrentIndex(1);
        QTest::mouseClick(d->findChild<QPushButton *>(u"cmd_0"_s), Qt::LeftButton);
    });
    window.action(u"mnuTools_6"_s)->trigger();
    QCOMPARE((QList<int>{AppState::terminalFamily, AppState::autoDownload}), (QList<int>{1, 0}));
    QVERIFY(!download->isEnabled() && window.tmrAutoDownload().isActive());
}

void tst_frmMainTerminal::downloadInMaintenanceDialogRefreshesTheTree()
{
    RecordingReporter reporter;
    AppState::autoDownload = 0;
    for (const char *key : {"AutoClearData", "AutoUpdateTime", "AutoPowerDown"})
        SaveSetting("Terminal", QLatin1String(key), "0");
    KrSimFixture terminal(1, m_env.get());
    terminal.sim([](KrTerminalSim &s) { s.setRecords(KrTerminalSim::generateRecords(4)); });
    frmMain window;
    QVERIFY(window.CurrentFilePath().isEmpty());
    whenModal<frmTerminalConfiguration_KR>([](frmTerminalConfiguration_KR *d) {
        d->findChild<QComboBox *>(u"cboCommPort"_s)->setCurrentText(u"COM1"_s);
        QTest::mouseClick(d->button(10), Qt::LeftButton);
        d->reject();
    });
    window.action(u"mnuTools_3"_s)->trigger();
    QCOMPARE(savedFiles(), 1);
    QVERIFY(window.CurrentFilePath().endsWith(QLatin1String(".tvl")) && DownloadState::savedFile);
}

QTEST_MAIN(tst_frmMainTerminal)
#include "tst_frmmain_terminal.moc"
