#include "AppState.h"
#include "CRes.h"
#include "ModalAnswer.h"
#include "RecordingReporter.h"
#include "SingleInstance.h"
#include "Startup.h"
#include "StartupUi.h"
#include "SysTrayIcon.h"
#include "TestEnv.h"
#include "frmAbout.h"
#include "frmLE_Main.h"
#include "frmMain.h"
#include "frmPassword.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpontaneKeyEvent>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include <memory>

// Every command of the main window reaches its handler, and the shell's own
// commands (language, hiding, help, about, exit, the tray) do what they say.
class tst_MainCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void everyCommandIsPlaced_data();
    void everyCommandIsPlaced();
    void closeBoxAndHide_data();
    void closeBoxAndHide();
    void trayDoubleClick_data();
    void trayDoubleClick();
    void trayMenuExitAsksThePassword_data();
    void trayMenuExitAsksThePassword();
    void exitRemovesTheIcon();
    void helpOpensTheWebPage();
    void aboutFromHelpAndTray();
    void languageCommandRetextsTheWindow();

public Q_SLOTS:
    // QDesktopServices hands the web address here instead of to a browser.
    void openUrl(const QUrl &url) { m_opened << url.toString(); }

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<RecordingReporter> m_reporter;
    QStringList m_opened;
};

namespace {

// How many handlers listen to an action's triggered signal besides the menus
// and tool buttons that show it. The member pointer, named from a derived
// class, reaches QObject's protected count.
class TriggerProbe : public QObject
{
public:
    static int handlers(QAction *action, int places)
    {
        const auto count = &TriggerProbe::receivers;
        return (action->*count)(SIGNAL(triggered(bool))) - places;
    }
};

// The containers (menus, toolbars, drop-down menus) that show `action`.
QStringList placesOf(frmMain &window, QAction *action)
{
    QStringList places;
    for (QMenu *menu : window.findChildren<QMenu *>())
        if (!menu->objectName().isEmpty() && menu->actions().contains(action))
            places << menu->objectName();
    for (QToolBar *bar : window.findChildren<QToolBar *>())
        if (bar->actions().contains(action))
            places << bar->objectName();
    places.sort();
    return places;
}

// The close box of the window frame: the close request the window system
// sends. True when the window let itself be closed.
bool closeBox(QWidget *window)
{
    QCloseEvent close;
    QSpontaneKeyEvent::setSpontaneous(&close);
    QApplication::instance()->notify(window, &close);
    return close.isAccepted();
}

// Answers the next password prompt with `entry`; a refused entry is followed by Cancel.
void answerPassword(const QString &entry)
{
    whenModal<frmPassword>([entry](frmPassword *prompt) {
        prompt->findChild<QLineEdit *>(QStringLiteral("txtPassword"))->setText(entry);
        QTest::mouseClick(prompt->findChild<QPushButton *>(QStringLiteral("cmdCtrl_0")), Qt::LeftButton);
        if (prompt->isVisible())
            QTest::mouseClick(prompt->findChild<QPushButton *>(QStringLiteral("cmdCtrl_1")), Qt::LeftButton);
    });
}

// The automatic-download timer of the window, or a stand-in with its name.
QTimer *autoDownloadTimer(frmMain &window)
{
    auto *timer = window.findChild<QTimer *>(QStringLiteral("tmrAutoDownload"));
    if (!timer) {
        timer = new QTimer(&window);
        timer->setObjectName(QStringLiteral("tmrAutoDownload"));
        timer->setInterval(3000);
    }
    timer->start();
    return timer;
}

}

void tst_MainCommands::init()
{
    m_env = std::make_unique<TestEnv>();
    m_reporter = std::make_unique<RecordingReporter>();
    AppState::password = QStringLiteral("7391");
    AppState::terminalFamily = 0;
    m_opened.clear();
}

void tst_MainCommands::cleanup()
{
    CRes::destroyInstance();
    m_reporter.reset();
    m_env.reset();
}

void tst_MainCommands::everyCommandIsPlaced_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("places");
    // "wired": something runs it; "pending": present and disabled until its
    // dialog lands; "hidden": not shown and not run.
    QTest::addColumn<QString>("state");
    const auto row = [](const char *name, QStringList places, const char *state) {
        places.sort();
        QTest::newRow(name) << QString::fromLatin1(name) << places << QString::fromLatin1(state);
    };
    row("mnuFiles_0", {"mnuFile", "Toolbar1"}, "pending");
    row("mnuFiles_1", {"mnuFile"}, "pending");
    row("mnuFiles_2", {"mnuFile"}, "hidden");
    row("mnuFiles_4", {"mnuFile"}, "pending");
    row("mnuFiles_5", {"mnuFile"}, "pending");
    row("mnuFiles_7", {"mnuFile", "Toolbar1"}, "pending");
    row("mnuFiles_8", {"mnuFile", "Toolbar1"}, "pending");
    row("mnuFiles_10", {"mnuFile"}, "wired");
    row("mnuViews_0", {"mnuView"}, "wired");
    row("mnuViews_1", {"mnuView"}, "wired");
    row("mnuViews_3", {"mnuView"}, "wired");
    row("mnuTools_0", {"mnuTool"}, "wired");
    row("mnuTools_1", {"mnuTool"}, "wired");
    row("mnuTools_3", {"mnuTool", "Toolbar1"}, "pending");
    row("mnuTools_4", {"mnuTool"}, "pending");
    row("mnuTools_6", {"mnuTool"}, "pending");
    row("mnuHelps_0", {"mnuHelp"}, "hidden");
    row("mnuHelps_2", {"mnuHelp"}, "wired");
    row("mnuHelps_4", {"mnuHelp"}, "wired");
    row("mnuPopPatrolDataFiles_0", {"mnuPopPatrolDataFile", "Toolbar2"}, "wired");
    row("mnuPopPatrolDataFiles_1", {"mnuPopPatrolDataFile", "Toolbar2", "Toolbar2_approve"}, "wired");
    row("mnuPopPatrolDataFiles_2", {"mnuPopPatrolDataFile", "Toolbar2_approve"}, "wired");
    row("mnuPopTagDefs_0", {"mnuPopTagDef", "tblTagDef"}, "wired");
    row("mnuPopTagDefs_1", {"mnuPopTagDef", "tblTagDef"}, "wired");
    row("mnuPopTagDefs_2", {"mnuPopTagDef", "tblTagDef"}, "wired");
    row("mnuPopDefineTags_0", {"mnuPopDefineTag"}, "wired");
    row("mnuSystrays_0", {"mnuSystray"}, "wired");
    row("mnuSystrays_2", {"mnuSystray"}, "wired");
    row("mnuSystrays_3", {"mnuSystray"}, "hidden");
    row("mnuSystrays_5", {"mnuSystray"}, "wired");
    row("save", {"Toolbar1"}, "pending");
    row("download", {"Toolbar2"}, "wired");
    row("tblPatrolData_findfirst", {"tblPatrolData", "tblPatrolData_search"}, "wired");
    row("tblPatrolData_findnext", {"tblPatrolData_search"}, "wired");
    row("tblTagDef_findfirst", {"tblTagDef", "tblTagDef_search"}, "wired");
    row("tblTagDef_findnext", {"tblTagDef_search"}, "wired");
}

void tst_MainCommands::everyCommandIsPlaced()
{
    QFETCH(QString, name);
    QFETCH(QStringList, places);
    QFETCH(QString, state);
    static QStringList listed;
    listed << name;
    frmMain window;
    QAction *action = window.action(name);
    QVERIFY(action);
    QCOMPARE(placesOf(window, action), places);
    if (state == QLatin1String("hidden")) {
        QVERIFY(!action->isVisible());
        QCOMPARE(TriggerProbe::handlers(action, places.size()), 0);
    } else if (state == QLatin1String("pending")) {
        QVERIFY(action->isVisible());
        QVERIFY(!action->isEnabled());
        QCOMPARE(TriggerProbe::handlers(action, places.size()), 0);
    } else {
        QVERIFY(action->isVisible());
        QCOMPARE(TriggerProbe::handlers(action, places.size()), 1);
    }

    // The table covers every named command the window has.
    if (name == QLatin1String("tblTagDef_findnext")) {
        QStringList all;
        for (QAction *a : window.findChildren<QAction *>())
            if (!a->objectName().isEmpty() && !a->objectName().startsWith(QLatin1String("_q_")))
                all << a->objectName();
        all.sort();
        listed.sort();
        QCOMPARE(all, listed);
    }
}

void tst_MainCommands::closeBoxAndHide_data()
{
    QTest::addColumn<bool>("trayAvailable");
    QTest::addColumn<bool>("viaMenu");
    QTest::newRow("close box, tray") << true << false;
    QTest::newRow("close box, no notification area") << false << false;
    QTest::newRow("View Hide, tray") << true << true;
    QTest::newRow("View Hide, no notification area") << false << true;
}

void tst_MainCommands::closeBoxAndHide()
{
    QFETCH(bool, trayAvailable);
    QFETCH(bool, viaMenu);
    QTemporaryDir lockDir;
    const QString lock = lockDir.filePath(QStringLiteral("tavrel.lock"));
    SingleInstance running(lock);
    QCOMPARE(running.acquire(), SingleInstance::Result::Acquired);

    frmMain window;
    window.trayIcon()->setNotificationAreaAvailable(trayAvailable);
    QTimer *timer = autoDownloadTimer(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.trayIcon()->isAdded());

    if (viaMenu)
        window.action(QStringLiteral("mnuViews_3"))->trigger();
    else
        QVERIFY(!closeBox(&window));
    if (trayAvailable) {
        QVERIFY(window.isHidden());
    } else {
        // Hidden, nobody could reach it again: minimised instead.
        QVERIFY(window.isVisible());
        QVERIFY(window.isMinimized());
    }
    QVERIFY(window.trayIcon()->isAdded());
    QVERIFY(timer->isActive());

    // A second start meanwhile still says the program runs.
    struct SecondStart : StartupUi
    {
        QString said;
        void alreadyRunning(const QString &text) override { said = text; }
        bool selectLanguage() override { return false; }
        void runSearchWizard() override {}
        bool askPassword() override { return false; }
        void showFailure(const QString &, int) override {}
    } ui;
    Startup second(ui, lock);
    QCOMPARE(second.run(m_env->workspace()), Startup::Result::AlreadyRunning);
    QCOMPARE(ui.said, QStringLiteral("Tavrel has been already launched."));
}

void tst_MainCommands::trayDoubleClick_data()
{
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("shown");
    QTest::newRow("hidden, wrong password") << true << "1234" << true << false;
    QTest::newRow("hidden, password") << true << "7391" << true << true;
    QTest::newRow("hidden, maintenance code") << true << "QZWX" << true << true;
    QTest::newRow("visible") << false << "" << false << true;
}

void tst_MainCommands::trayDoubleClick()
{
    QFETCH(bool, hidden);
    QFETCH(QString, entry);
    QFETCH(bool, asked);
    QFETCH(bool, shown);
    frmMain window;
    window.trayIcon()->setNotificationAreaAvailable(true);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (hidden)
        closeBox(&window);
    QCOMPARE(window.isHidden(), hidden);

    bool prompted = false;
    whenModal<frmPassword>([&](frmPassword *) { prompted = true; });
    if (asked)
        answerPassword(entry);
    Q_EMIT window.trayIcon()->icon().activated(QSystemTrayIcon::DoubleClick);
    QCoreApplication::processEvents();
    QCOMPARE(prompted, asked);
    QCOMPARE(window.isVisible(), shown);
    QCOMPARE(m_reporter->texts(), entry == QLatin1String("1234")
                                      ? QStringList{QStringLiteral("Invalid password, please try again.")}
                                      : QStringList());
    // A single click does nothing.
    Q_EMIT window.trayIcon()->icon().activated(QSystemTrayIcon::Trigger);
    QCOMPARE(window.isVisible(), shown);
}

void tst_MainCommands::trayMenuExitAsksThePassword_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("exited");
    QTest::addColumn<bool>("shown");
    QTest::newRow("exit, wrong password") << "mnuSystrays_5" << "0000" << false << false;
    QTest::newRow("exit") << "mnuSystrays_5" << "7391" << true << false;
    QTest::newRow("configuration, wrong password") << "mnuSystrays_0" << "0000" << false << false;
    QTest::newRow("configuration") << "mnuSystrays_0" << "7391" << false << true;
}

void tst_MainCommands::trayMenuExitAsksThePassword()
{
    QFETCH(QString, item);
    QFETCH(QString, entry);
    QFETCH(bool, exited);
    QFETCH(bool, shown);
    frmMain window;
    window.trayIcon()->setNotificationAreaAvailable(true);
    window.show();
    closeBox(&window);
    QSignalSpy exit(&window, &frmMain::exitRequested);
    answerPassword(entry);
    window.action(item)->trigger();
    QCOMPARE(exit.count(), exited ? 1 : 0);
    QCOMPARE(window.trayIcon()->isAdded(), !exited);
    QCOMPARE(window.isVisible(), shown);
    QCOMPARE(window.menu(QStringLiteral("mnuSystray"))->defaultAction(), window.action(QStringLiteral("mnuSystrays_0")));
}

void tst_MainCommands::exitRemovesTheIcon()
{
    frmMain window;
    window.trayIcon()->setNotificationAreaAvailable(true);
    window.show();
    QSignalSpy exit(&window, &frmMain::exitRequested);
    QVERIFY(window.trayIcon()->isAdded());
    window.action(QStringLiteral("mnuFiles_10"))->trigger();
    QCOMPARE(exit.count(), 1);
    QVERIFY(!window.trayIcon()->isAdded());
    QCOMPARE(window.trayIcon()->icon().toolTip(), QStringLiteral("Tavrel"));
    // Ending now: a close request is no longer turned into hiding.
    QVERIFY(closeBox(&window));
    QVERIFY(window.isVisible());
    QVERIFY(!window.isMinimized());
}

void tst_MainCommands::helpOpensTheWebPage()
{
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
    frmMain window;
    window.action(QStringLiteral("mnuHelps_2"))->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QCOMPARE(m_opened, QStringList{CRes::instance().ResString(265)});
    QVERIFY(m_opened.first().startsWith(QLatin1String("https://")));
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_MainCommands::aboutFromHelpAndTray()
{
    frmMain window;
    window.show();
    for (const char *item : {"mnuHelps_4", "mnuSystrays_2"}) {
        QString title;
        QString version;
        whenModal<frmAbout>([&](frmAbout *about) {
            title = about->windowTitle();
            version = about->findChild<QLabel *>(QStringLiteral("lblVersion"))->text();
            QTest::mouseClick(about->findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
        });
        window.action(QLatin1String(item))->trigger();
        QCOMPARE(title, QStringLiteral("About Tavrel"));
        QCOMPARE(version, QStringLiteral("Version: V%1.%2R%3").arg(TAVREL_VERSION_MAJOR).arg(TAVREL_VERSION_MINOR)
                              .arg(TAVREL_VERSION_REVISION));
        QVERIFY(!QApplication::activeModalWidget());
    }
}

void tst_MainCommands::languageCommandRetextsTheWindow()
{
    frmMain window;
    window.show();
    QTimer *timer = autoDownloadTimer(window);
    bool timerHeld = false;
    whenModal<frmLE_Main>([&](frmLE_Main *editor) {
        timerHeld = !timer->isActive();
        auto *list = editor->findChild<QListWidget *>(QStringLiteral("lstLanguage"));
        list->setCurrentRow(1);
        QTest::mouseClick(editor->findChild<QPushButton *>(QStringLiteral("cmdCtrl_3")), Qt::LeftButton);
        QTest::mouseClick(editor->findChild<QPushButton *>(QStringLiteral("cmdCtrl_4")), Qt::LeftButton);
    });
    window.action(QStringLiteral("mnuTools_0"))->trigger();
    QVERIFY(timerHeld);
    QVERIFY(timer->isActive());
    CRes &res = CRes::instance();
    QCOMPARE(res.Language(), QStringLiteral("Traditional Chinese"));
    QCOMPARE(window.menu(QStringLiteral("mnuFile"))->title(), res.ResString(100));
    QVERIFY(window.menu(QStringLiteral("mnuFile"))->title() != QStringLiteral("&File"));
    QCOMPARE(window.action(QStringLiteral("mnuSystrays_5"))->text(), res.ResString(108));
    QCOMPARE(window.action(QStringLiteral("download"))->toolTip(), res.ResString(196));
    QCOMPARE(window.windowTitle(), res.ResString(266) + QStringLiteral(" v%1.%2R%3").arg(TAVREL_VERSION_MAJOR)
                                       .arg(TAVREL_VERSION_MINOR).arg(TAVREL_VERSION_REVISION));
    QVERIFY(m_reporter->entries.isEmpty());
}

QTEST_MAIN(tst_MainCommands)
#include "tst_maincommands.moc"
