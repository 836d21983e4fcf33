#include "AppState.h"
#include "CRes.h"
#include "ComPorts.h"
#include "KrTerminalSim.h"
#include "SimulatorHost.h"
#include "VxCradleSim.h"
#include "Workspace.h"
#include "RecordingReporter.h"
#include "Settings.h"
#include "TestEnv.h"
#include "frmMain.h"
#include "frmPasswordChange.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_frmMain : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void menusByName();
    void changePasswordFromToolsMenu();
    void downloadButtonSavesAFile();
    void vxTimeOutKeepsDownloadButtonOff();
};

void tst_frmMain::menusByName()
{
    frmMain window;
    auto *file = window.findChild<QMenu *>(u"mnuFile"_s);
    auto *view = window.findChild<QMenu *>(u"mnuView"_s);
    auto *tool = window.findChild<QMenu *>(u"mnuTool"_s);
    auto *help = window.findChild<QMenu *>(u"mnuHelp"_s);
    QVERIFY(file && view && tool && help);
    // The pop-up menus exist but stay out of the menu bar.
    const QList<QAction *> bar = window.menuBar()->actions();
    QCOMPARE(bar, (QList<QAction *>{file->menuAction(), view->menuAction(), tool->menuAction(), help->menuAction()}));
    for (const char *popup : {"mnuPopPatrolDataFile", "mnuPopTagDef", "mnuPopDefineTag", "mnuSystray"})
        QVERIFY2(window.menu(QLatin1String(popup)), popup);
    // Hidden items are hidden.
    QVERIFY(!window.action(u"mnuFiles_2"_s)->isVisible() && !window.action(u"mnuHelps_0"_s)->isVisible());
    QVERIFY(window.action(u"mnuHelps_2"_s)->isVisible() && window.action(u"mnuViews_1"_s)->isEnabled());
}

void tst_frmMain::changePasswordFromToolsMenu()
{
    TestEnv env(false);
    RecordingReporter reporter;
    AppState::password = u"7391"_s;
    frmMain window;
    window.show();

    bool seen = false;
    // The dialog is modal: answer it from the event loop it runs.
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<frmPasswordChange *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        seen = true;
        QTest::keyClicks(dialog->findChild<QLineEdit *>(u"txtPassword"_s), u"4242"_s);
        QTest::mouseClick(dialog->findChild<QPushButton *>(u"cmdCtrl_0"_s), Qt::LeftButton);
    });
    window.action(u"mnuTools_1"_s)->trigger(); // its place in the Tools menu is checked with every command
    QVERIFY(seen);
    QCOMPARE((QStringList{GetSetting("Security", "Password"), AppState::password}), (QStringList{"4242", "4242"}));
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(reporter.entries.isEmpty());
}

void tst_frmMain::downloadButtonSavesAFile()
{
    TestEnv env;
    CRes::destroyInstance();
    RecordingReporter reporter;
    SimulatorHost<KrTerminalSim> host;
    const QString link = env.root() + u"/ttyKR"_s;
    QVERIFY(host.call([&] {
        host.sim()->setRecords(KrTerminalSim::generateRecords(5));
        return host.sim()->start(link, nullptr);
    }));
    SetComPortDevice(1, link);
    AppState::terminalFamily = 0;

    frmMain window;
    window.show();
    auto *toolbar = window.findChild<QToolBar *>(u"Toolbar2"_s);
    QVERIFY(toolbar);
    QAction *download = window.findChild<QAction *>(u"download"_s);
    QVERIFY(download && download->isEnabled());
    QCOMPARE(download->toolTip(), CRes::instance().ResString(196));
    auto *button = qobject_cast<QToolButton *>(toolbar->widgetForAction(download));
    QVERIFY(button);
    // The dialog runs modally and closes itself when the terminal is empty.
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(QFile::exists(window.CurrentFilePath()) && window.CurrentFilePath().startsWith(Workspace::unapprovedFolder()));
    QVERIFY(window.statusBar()->findChild<QLabel *>()->text().startsWith(QLatin1String("Patrol data file: ")));
    QVERIFY(download->isEnabled() && window.disconnect_flag);
    QVERIFY(reporter.entries.isEmpty());
    CRes::destroyInstance();
}

void tst_frmMain::vxTimeOutKeepsDownloadButtonOff()
{
    TestEnv env;
    CRes::destroyInstance();
    RecordingReporter reporter;
    SimulatorHost<VxCradleSim> host;
    const QString link = env.root() + u"/ttyVX"_s;
    QVERIFY(host.call([&] {
        host.sim()->setRecords(VxCradleSim::sampleRecords(6));
        host.sim()->vanishAfterRecords(3);
        return host.sim()->start(link, nullptr);
    }));
    SetComPortDevice(1, link);
    AppState::terminalFamily = 1;

    frmMain window;
    QAction *download = window.findChild<QAction *>(u"download"_s);
    // A VX terminal starts logged off: no download until a logon.
    QVERIFY(!download->isEnabled());
    window.DownloadPatrolData(false);
    QVERIFY(!window.disconnect_flag && !download->isEnabled());
    QCOMPARE(reporter.texts().last(), u"Time out,\r\nplease check the connection and log on again"_s);
    // The partial file is still shown.
    QVERIFY(QFile::exists(window.CurrentFilePath()));
    AppState::terminalFamily = 0;
    CRes::destroyInstance();
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
