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

class tst_frmMain : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void menusByName();
    void changePasswordFromToolsMenu();
    void downloadButtonSavesAFile();
    void vxTimeOutKeepsDownloadButtonOff();
};

namespace {

QAction *menuItem(frmMain &window, const char *menu, const char *item)
{
    auto *m = window.findChild<QMenu *>(QLatin1String(menu));
    if (!m)
        return nullptr;
    for (QAction *a : m->actions())
        if (a->objectName() == QLatin1String(item))
            return a;
    return nullptr;
}

}


void tst_frmMain::menusByName()
{
    frmMain window;
    auto *file = window.findChild<QMenu *>(QStringLiteral("mnuFile"));
    auto *view = window.findChild<QMenu *>(QStringLiteral("mnuView"));
    auto *tool = window.findChild<QMenu *>(QStringLiteral("mnuTool"));
    auto *help = window.findChild<QMenu *>(QStringLiteral("mnuHelp"));
    QVERIFY(file && view && tool && help);
    // The pop-up menus exist but stay out of the menu bar.
    const QList<QAction *> bar = window.menuBar()->actions();
    QCOMPARE(bar, (QList<QAction *>{file->menuAction(), view->menuAction(), tool->menuAction(), help->menuAction()}));
    for (const char *popup : {"mnuPopPatrolDataFile", "mnuPopTagDef", "mnuPopDefineTag", "mnuSystray"})
        QVERIFY2(window.menu(QLatin1String(popup)), popup);
    // Hidden items are hidden.
    QVERIFY(!window.action(QStringLiteral("mnuFiles_2"))->isVisible());
    QVERIFY(!window.action(QStringLiteral("mnuHelps_0"))->isVisible());
    QVERIFY(window.action(QStringLiteral("mnuHelps_2"))->isVisible());
    QVERIFY(window.action(QStringLiteral("mnuViews_1"))->isEnabled());
}


void tst_frmMain::changePasswordFromToolsMenu()
{
    TestEnv env(false);
    RecordingReporter reporter;
    AppState::password = QStringLiteral("7391");
    frmMain window;
    window.show();

    bool seen = false;
    // The dialog is modal: answer it from the event loop it runs.
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<frmPasswordChange *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        seen = true;
        QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("txtPassword")), QStringLiteral("4242"));
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdCtrl_0")), Qt::LeftButton);
    });
    menuItem(window, "mnuTool", "mnuTools_1")->trigger();
    QVERIFY(seen);
    QCOMPARE(GetSetting(QStringLiteral("Security"), QStringLiteral("Password")), QStringLiteral("4242"));
    QCOMPARE(AppState::password, QStringLiteral("4242"));
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(reporter.entries.isEmpty());
}

void tst_frmMain::downloadButtonSavesAFile()
{
    TestEnv env;
    CRes::destroyInstance();
    RecordingReporter reporter;
    SimulatorHost<KrTerminalSim> host;
    const QString link = env.root() + QStringLiteral("/ttyKR");
    QVERIFY(host.call([&] {
        host.sim()->setRecords(KrTerminalSim::generateRecords(5));
        return host.sim()->start(link, nullptr);
    }));
    SetComPortDevice(1, link);
    AppState::terminalFamily = 0;

    frmMain window;
    window.show();
    auto *toolbar = window.findChild<QToolBar *>(QStringLiteral("Toolbar2"));
    QVERIFY(toolbar);
    QAction *download = window.findChild<QAction *>(QStringLiteral("download"));
    QVERIFY(download && download->isEnabled());
    QCOMPARE(download->toolTip(), CRes::instance().ResString(196));
    auto *button = qobject_cast<QToolButton *>(toolbar->widgetForAction(download));
    QVERIFY(button);
    // The dialog runs modally and closes itself when the terminal is empty.
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(!window.CurrentFilePath().isEmpty());
    QVERIFY(QFile::exists(window.CurrentFilePath()));
    QVERIFY(window.CurrentFilePath().startsWith(Workspace::unapprovedFolder()));
    QVERIFY(window.statusBar()->findChild<QLabel *>()->text().startsWith(QLatin1String("Patrol data file: ")));
    QVERIFY(download->isEnabled());
    QVERIFY(window.disconnect_flag);
    QVERIFY(reporter.entries.isEmpty());
    CRes::destroyInstance();
}

void tst_frmMain::vxTimeOutKeepsDownloadButtonOff()
{
    TestEnv env;
    CRes::destroyInstance();
    RecordingReporter reporter;
    SimulatorHost<VxCradleSim> host;
    const QString link = env.root() + QStringLiteral("/ttyVX");
    QVERIFY(host.call([&] {
        host.sim()->setRecords(VxCradleSim::sampleRecords(6));
        host.sim()->vanishAfterRecords(3);
        return host.sim()->start(link, nullptr);
    }));
    SetComPortDevice(1, link);
    AppState::terminalFamily = 1;

    frmMain window;
    QAction *download = window.findChild<QAction *>(QStringLiteral("download"));
    // A VX terminal starts logged off: no download until a logon.
    QVERIFY(!download->isEnabled());
    window.DownloadPatrolData(false);
    QVERIFY(!window.disconnect_flag);
    QVERIFY(!download->isEnabled());
    QCOMPARE(reporter.texts().last(), QStringLiteral("Time out,\r\nplease check the connection and log on again"));
    // The partial file is still shown.
    QVERIFY(QFile::exists(window.CurrentFilePath()));
    AppState::terminalFamily = 0;
    CRes::destroyInstance();
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
