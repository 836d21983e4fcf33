#include "AppState.h"
#include "CRes.h"
#include "ModalAnswer.h"
#include "RecordingReporter.h"
#include "SysTrayIcon.h"
#include "TestEnv.h"
#include "frmAbout.h"
#include "frmLE_Main.h"
#include "frmMain.h"
#include "frmPassword.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpontaneKeyEvent>
#include <QToolBar>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

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
    void tableCoversEveryCommand();
    void closeBoxAndHide_data();
    void closeBoxAndHide();
    void trayRestoreAndExit_data();
    void trayRestoreAndExit();
    void helpAndAbout();
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

// Every named command: where it shows and whether it runs. "wired": one
// handler runs it; "pending": present and disabled until its dialog lands;
// "hidden": neither shown nor run.
struct Command
{
    const char *name;
    QStringList places;
    const char *state;
};

const QList<Command> &commandTable()
{
    static const QList<Command> table = {
        {"mnuFiles_0", {"mnuFile", "Toolbar1"}, "wired"}, {"mnuFiles_1", {"mnuFile"}, "wired"},
        {"mnuFiles_2", {"mnuFile"}, "hidden"}, {"mnuFiles_4", {"mnuFile"}, "wired"},
        {"mnuFiles_5", {"mnuFile"}, "wired"}, {"mnuFiles_7", {"mnuFile", "Toolbar1"}, "wired"},
        {"mnuFiles_8", {"mnuFile", "Toolbar1"}, "wired"}, {"mnuFiles_exportPdf", {"mnuFile"}, "wired"},
        {"mnuFiles_10", {"mnuFile"}, "wired"}, {"mnuViews_0", {"mnuView"}, "wired"},
        {"mnuViews_1", {"mnuView"}, "wired"}, {"mnuViews_2", {"mnuView"}, "wired"},
        {"mnuViews_3", {"mnuView"}, "wired"},
        {"mnuTools_0", {"mnuTool"}, "wired"}, {"mnuTools_1", {"mnuTool"}, "wired"},
        {"mnuTools_3", {"mnuTool", "Toolbar1"}, "wired"}, {"mnuTools_4", {"mnuTool"}, "wired"},
        {"mnuTools_6", {"mnuTool"}, "wired"}, {"mnuHelps_0", {"mnuHelp"}, "hidden"},
        {"mnuHelps_2", {"mnuHelp"}, "wired"}, {"mnuHelps_4", {"mnuHelp"}, "wired"},
        {"mnuPopPatrolDataFiles_0", {"mnuPopPatrolDataFile", "Toolbar2"}, "wired"},
        {"mnuPopPatrolDataFiles_1", {"mnuPopPatrolDataFile", "Toolbar2", "Toolbar2_approve"}, "wired"},
        {"mnuPopPatrolDataFiles_2", {"mnuPopPatrolDataFile", "Toolbar2_approve"}, "wired"},
        {"mnuPopTagDefs_0", {"mnuPopTagDef", "tblTagDef"}, "wired"},
        {"mnuPopTagDefs_1", {"mnuPopTagDef", "tblTagDef"}, "wired"},
        {"mnuPopTagDefs_2", {"mnuPopTagDef", "tblTagDef"}, "wired"},
        {"mnuPopDefineTags_0", {"mnuPopDefineTag"}, "wired"}, {"mnuSystrays_0", {"mnuSystray"}, "wired"},
        {"mnuSystrays_2", {"mnuSystray"}, "wired"}, {"mnuSystrays_3", {"mnuSystray"}, "hidden"},
        {"mnuSystrays_5", {"mnuSystray"}, "wired"}, {"save", {"Toolbar1"}, "wired"},
        {"download", {"Toolbar2"}, "wired"},
        {"tblPatrolData_findfirst", {"tblPatrolData", "tblPatrolData_search"}, "wired"},
        {"tblPatrolData_findnext", {"tblPatrolData_search"}, "wired"},
        {"tblTagDef_findfirst", {"tblTagDef", "tblTagDef_search"}, "wired"},
        {"tblTagDef_findnext", {"tblTagDef_search"}, "wired"},
    };
    return table;
}

// Handlers of an action's triggered signal besides the menus and tool buttons
// that show it. The member pointer, named from a derived class, reaches
// QObject's protected count.
class TriggerProbe : public QObject
{
public:
    static int handlers(QAction *action, int places)
    {
        const auto count = &TriggerProbe::receivers;
        return (action->*count)(SIGNAL(triggered(bool))) - places;
    }
};

// The menus, toolbars and drop-down menus that show `action`.
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

// The window frame's close box, as the window system sends it; true when the
// window let itself be closed.
bool closeBox(QWidget *window)
{
    QCloseEvent close;
    QSpontaneKeyEvent::setSpontaneous(&close);
    QApplication::instance()->notify(window, &close);
    return close.isAccepted();
}

void press(QWidget *window, const char *button)
{
    QTest::mouseClick(window->findChild<QPushButton *>(QLatin1String(button)), Qt::LeftButton);
}

// Answers the next password prompt with `entry`; a refused entry is followed by Cancel.
void answerPassword(const QString &entry, bool *asked)
{
    whenModal<frmPassword>([entry, asked](frmPassword *prompt) {
        *asked = true;
        prompt->findChild<QLineEdit *>(u"txtPassword"_s)->setText(entry);
        press(prompt, "cmdCtrl_0");
        if (prompt->isVisible())
            prompt->reject();
    });
}

// The automatic-download timer of the window (a stand-in with its name until
// the window has one), running.
QTimer *autoDownloadTimer(frmMain &window)
{
    auto *timer = window.findChild<QTimer *>(u"tmrAutoDownload"_s);
    if (!timer) {
        timer = new QTimer(&window);
        timer->setObjectName(u"tmrAutoDownload"_s);
    }
    timer->start(3000);
    return timer;
}

const QString kVersion = u" v%1.%2R%3"_s.arg(TAVREL_VERSION_MAJOR).arg(TAVREL_VERSION_MINOR)
                             .arg(TAVREL_VERSION_REVISION);

}

void tst_MainCommands::init()
{
    m_env = std::make_unique<TestEnv>();
    m_reporter = std::make_unique<RecordingReporter>();
    AppState::password = u"7391"_s;
    m_opened.clear();
}

void tst_MainCommands::cleanup()
{
    cancelModalAnswers();
    CRes::destroyInstance();
    m_reporter.reset();
    m_env.reset();
}

void tst_MainCommands::everyCommandIsPlaced_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("places");
    QTest::addColumn<QString>("state");
    for (const Command &command : commandTable()) {
        QStringList places = command.places;
        places.sort();
        QTest::newRow(command.name) << QString::fromLatin1(command.name) << places << QString::fromLatin1(command.state);
    }
}

void tst_MainCommands::everyCommandIsPlaced()
{
    QFETCH(QString, name);
    QFETCH(QStringList, places);
    QFETCH(QString, state);
    frmMain window;
    QAction *action = window.action(name);
    QVERIFY(action);
    QCOMPARE(placesOf(window, action), places);
    QCOMPARE(action->isVisible(), state != QLatin1String("hidden"));
    QCOMPARE(TriggerProbe::handlers(action, int(places.size())), state == QLatin1String("wired") ? 1 : 0);
    if (state == QLatin1String("pending"))
        QVERIFY(!action->isEnabled());
}

void tst_MainCommands::tableCoversEveryCommand()
{
    frmMain window;
    QStringList all, listed;
    for (QAction *a : window.findChildren<QAction *>())
        if (!a->objectName().isEmpty() && !a->objectName().startsWith(QLatin1String("_q_")))
            all << a->objectName();
    for (const Command &command : commandTable())
        listed << QLatin1String(command.name);
    all.sort();
    listed.sort();
    QCOMPARE(all, listed);
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
    frmMain window;
    window.trayIcon()->setNotificationAreaAvailable(trayAvailable);
    QTimer *timer = autoDownloadTimer(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    if (viaMenu)
        window.action(u"mnuViews_3"_s)->trigger();
    else
        QVERIFY(!closeBox(&window));
    // Hidden without a notification area, nobody could reach it again: minimised instead.
    QCOMPARE(window.isHidden(), trayAvailable);
    QCOMPARE(window.isMinimized(), !trayAvailable);
    QVERIFY(window.trayIcon()->isAdded());
    QVERIFY(timer->isActive());
}

void tst_MainCommands::trayRestoreAndExit_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("exited");
    QTest::newRow("double-click, wrong password") << "double-click" << true << "1234" << true << false << false;
    QTest::newRow("double-click, password") << "double-click" << true << "7391" << true << true << false;
    QTest::newRow("double-click, maintenance code") << "double-click" << true << "QZWX" << true << true << false;
    QTest::newRow("double-click, visible") << "double-click" << false << "" << false << true << false;
    QTest::newRow("click") << "click" << true << "" << false << false << false;
    QTest::newRow("Configuration, wrong password") << "mnuSystrays_0" << true << "0000" << true << false << false;
    QTest::newRow("Configuration") << "mnuSystrays_0" << true << "7391" << true << true << false;
    QTest::newRow("Exit, wrong password") << "mnuSystrays_5" << true << "0000" << true << false << false;
    QTest::newRow("Exit") << "mnuSystrays_5" << true << "7391" << true << false << true;
    QTest::newRow("File Exit") << "mnuFiles_10" << false << "" << false << true << true;
}

void tst_MainCommands::trayRestoreAndExit()
{
    QFETCH(QString, how);
    QFETCH(bool, hidden);
    QFETCH(QString, entry);
    QFETCH(bool, asked);
    QFETCH(bool, shown);
    QFETCH(bool, exited);
    frmMain window;
    window.trayIcon()->setNotificationAreaAvailable(true);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (hidden)
        closeBox(&window);
    QSignalSpy exit(&window, &frmMain::exitRequested);
    bool prompted = false;
    answerPassword(entry, &prompted);
    if (how.startsWith(QLatin1String("mnu")))
        window.action(how)->trigger();
    else
        Q_EMIT window.trayIcon()->icon().activated(how == QLatin1String("click") ? QSystemTrayIcon::Trigger
                                                                                  : QSystemTrayIcon::DoubleClick);
    QTest::qWait(50);
    QCOMPARE(prompted, asked);
    QCOMPARE(window.isVisible(), shown);
    QCOMPARE(exit.count(), exited ? 1 : 0);
    QCOMPARE(window.trayIcon()->isAdded(), !exited);
    QCOMPARE(m_reporter->entries.size(), entry == QLatin1String("1234") || entry == QLatin1String("0000") ? 1 : 0);
    // Once ending, a close request is no longer turned into hiding.
    QCOMPARE(closeBox(&window), exited);
}

void tst_MainCommands::helpAndAbout()
{
    frmMain window;
    window.show();
    QCOMPARE(window.trayIcon()->icon().toolTip(), u"Tavrel"_s);
    QCOMPARE(window.menu(u"mnuSystray"_s)->defaultAction(), window.action(u"mnuSystrays_0"_s));
    QDesktopServices::setUrlHandler(u"https"_s, this, "openUrl");
    window.action(u"mnuHelps_2"_s)->trigger();
    QDesktopServices::unsetUrlHandler(u"https"_s);
    QCOMPARE(m_opened, QStringList{CRes::instance().ResString(265)});
    QVERIFY(m_opened.first().startsWith(QLatin1String("https://")));

    for (const char *item : {"mnuHelps_4", "mnuSystrays_2"}) {
        QString title;
        whenModal<frmAbout>([&](frmAbout *about) {
            title = about->windowTitle();
            press(about, "cmdOK");
        });
        window.action(QLatin1String(item))->trigger();
        QCOMPARE(title, u"About Tavrel"_s);
    }
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_MainCommands::languageCommandRetextsTheWindow()
{
    frmMain window;
    window.show();
    QTimer *timer = autoDownloadTimer(window);
    bool timerHeld = false;
    whenModal<frmLE_Main>([&](frmLE_Main *editor) {
        timerHeld = !timer->isActive();
        editor->findChild<QListWidget *>(u"lstLanguage"_s)->setCurrentRow(1);
        press(editor, "cmdCtrl_3");
        press(editor, "cmdCtrl_4");
    });
    window.action(u"mnuTools_0"_s)->trigger();
    QVERIFY(timerHeld);
    QVERIFY(timer->isActive());
    CRes &res = CRes::instance();
    QCOMPARE(res.Language(), u"Traditional Chinese"_s);
    QVERIFY(res.ResString(100) != u"&File"_s);
    QCOMPARE((QStringList{window.menu(u"mnuFile"_s)->title(), window.action(u"mnuSystrays_5"_s)->text(),
                          window.action(u"download"_s)->toolTip()}),
             (QStringList{res.ResString(100), res.ResString(108), res.ResString(196)}));
    QCOMPARE(window.windowTitle(), res.ResString(266) + kVersion);
    QVERIFY(m_reporter->entries.isEmpty());
}

QTEST_MAIN(tst_MainCommands)
#include "tst_maincommands.moc"
