#include "ApplicationPassword.h"
#include "CRes.h"
#include "ModalAnswer.h"
#include "RecordingReporter.h"
#include "SysTrayIcon.h"
#include "TestEnv.h"
#include "frmLE_Main.h"
#include "TerminalCommands.h"
#include "frmMain.h"
#include "frmPassword.h"
#include "CompliancePage.h"
#include "ExceptionsPage.h"
#include "PatrolDataView.h"
#include "PlanEditor.h"
#include "ScheduleView.h"
#include "TagDefView.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpontaneKeyEvent>
#include <QTabWidget>
#include <QToolBar>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

// Every command of the main window reaches its handler, and the shell's own
// commands (language, hiding, help, exit, the tray) do what they say.
class tst_MainCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void everyShownCommandHasOneHandler();
    void everyShownKeyWorks_data();
    void everyShownKeyWorks();
    void hideWithoutNotificationAreaMinimises();
    void trayRestoreAndExit_data();
    void trayRestoreAndExit();
    void trayFollowsNotificationArea();
    void helpOpensTheWebPage();
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

// How many menus, toolbars and drop-down menus show `action`.
int placesOf(frmMain &window, QAction *action)
{
    int places = 0;
    for (QMenu *menu : window.findChildren<QMenu *>())
        places += !menu->objectName().isEmpty() && menu->actions().contains(action);
    for (QToolBar *bar : window.findChildren<QToolBar *>())
        places += bar->actions().contains(action);
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

}

void tst_MainCommands::init()
{
    m_env = std::make_unique<TestEnv>();
    m_reporter = std::make_unique<RecordingReporter>();
    ApplicationPassword::setCurrent(u"7391"_s);
}

void tst_MainCommands::cleanup()
{
    cancelModalAnswers();
    CRes::destroyInstance();
    m_reporter.reset();
    m_env.reset();
}

void tst_MainCommands::everyShownCommandHasOneHandler()
{
    // A shown command that runs nothing, or runs twice, is a fault; a hidden one runs nothing.
    frmMain window;
    int shown = 0;
    for (QAction *action : window.findChildren<QAction *>()) {
        // Keys that press a page's button have no text and no place of their own.
        if (action->objectName().isEmpty() || action->objectName().startsWith(QLatin1String("_q_"))
            || action->text().isEmpty())
            continue;
        QVERIFY2(placesOf(window, action) > 0, qPrintable(action->objectName()));
        QVERIFY2(TriggerProbe::handlers(action, placesOf(window, action)) == (action->isVisible() ? 1 : 0),
                 qPrintable(action->objectName()));
        shown += action->isVisible();
    }
    QVERIFY(shown > 30);
}

void tst_MainCommands::everyShownKeyWorks_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << u"English"_s;
    QTest::newRow("Japanese") << u"Japanese"_s;
}

void tst_MainCommands::everyShownKeyWorks()
{
    QFETCH(QString, language);
    CRes::instance().setLanguage(language);
    frmMain window;
    window.show();
    QApplication::setActiveWindow(&window);
    // The keys the README and the captions promise, and where they work.
    struct Promise
    {
        const char *action;
        QKeySequence key;
    };
    const Promise promised[] = {
        {"mnuFiles_0", QKeySequence::Open},  {"save", QKeySequence::Save},
        {"mnuFiles_8", QKeySequence::Print}, {"mnuFiles_exportPdf", QKeySequence(u"Ctrl+Shift+E"_s)},
        {"download", QKeySequence(u"Ctrl+D"_s)}, {"tblPatrolData_findnext", QKeySequence(Qt::Key_F3)},
        {"tblTagDef_findnext", QKeySequence(Qt::Key_F3)}, {"schedule_newPlan", QKeySequence::New},
        {"schedule_savePlan", QKeySequence::Save}, {"schedule_moveUp", QKeySequence(u"Alt+Up"_s)},
        {"schedule_moveDown", QKeySequence(u"Alt+Down"_s)}, {"schedule_run", QKeySequence(Qt::Key_F5)},
        {"compliance_run", QKeySequence(Qt::Key_F5)},
    };
    QHash<QAction *, QKeySequence> keys;
    for (const Promise &p : promised) {
        QAction *a = window.action(QLatin1String(p.action));
        QVERIFY2(a, p.action);
        keys.insert(a, p.key);
    }
    // Every action with a key of its own is walked too; F3 is the window's
    // own key for the find-next command of the current view.
    for (QAction *a : window.findChildren<QAction *>()) {
        if (!a->shortcut().isEmpty() && !a->objectName().isEmpty() && !a->objectName().startsWith(u"_q_"_s)) {
            QVERIFY2(!keys.contains(a) || keys.value(a) == a->shortcut(), qPrintable(a->objectName()));
            keys.insert(a, a->shortcut());
        }
    }
    for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
        QAction *a = it.key();
        const QString name = a->objectName();
        if (!name.endsWith(u"findnext"_s))
            QVERIFY2(a->shortcut() == it.value(), qPrintable(name + u" has "_s + a->shortcut().toString()));
        // The view that shows the command; the window's own commands work in the first.
        int view = 0;
        int tab = -1;
        for (QObject *o : a->associatedObjects()) {
            for (auto *w = qobject_cast<QWidget *>(o); w; w = w->parentWidget()) {
                view = w == window.tagView() ? 1 : w == window.scheduleView() ? 2 : view;
                tab = w == window.scheduleView()->planEditor() ? 0
                    : w == window.scheduleView()->exceptionsPage() ? 1
                    : w == window.scheduleView()->compliancePage() ? 2 : tab;
            }
        }
        window.SelectView(view);
        if (tab >= 0)
            window.scheduleView()->tabs()->setCurrentIndex(tab);
        // Only the signal is wanted here, not the dialogs behind it.
        QObject::disconnect(a, &QAction::triggered, nullptr, nullptr);
        QSignalSpy triggered(a, &QAction::triggered);
        const QKeyCombination combination = it.value()[0];
        QTest::keyClick(&window, combination.key(), combination.keyboardModifiers());
        QVERIFY2(triggered.count() == 1, qPrintable(name + u" by "_s + it.value().toString()));
    }
}

void tst_MainCommands::hideWithoutNotificationAreaMinimises()
{
    // Hidden without a notification area, nobody could reach it again. (The
    // close box hiding it next to a tray icon starts the tray cases.)
    frmMain window;
    window.trayIcon()->setNotificationAreaAvailable(false);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.action(u"mnuViews_3"_s)->trigger();
    QVERIFY(window.isVisible() && window.isMinimized());
    QVERIFY(window.trayIcon()->isAdded() && window.terminal().autoDownloadTimer().isActive());
}

void tst_MainCommands::trayRestoreAndExit_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<QString>("entry"); // empty when no password prompt is expected
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("exited");
    QTest::newRow("double-click, password") << "double-click" << true << "7391" << true << false;
    QTest::newRow("double-click, visible") << "double-click" << false << "" << true << false;
    // StatusNotifierItem trays report a click as Trigger, never as a double-click.
    QTest::newRow("Trigger, password") << "trigger" << true << "7391" << true << false;
    QTest::newRow("Configuration, wrong password") << "mnuSystrays_0" << true << "0000" << false << false;
    QTest::newRow("Exit, wrong password") << "mnuSystrays_5" << true << "0000" << false << false;
    QTest::newRow("Exit") << "mnuSystrays_5" << true << "7391" << false << true;
    QTest::newRow("File Exit") << "mnuFiles_10" << false << "" << true << true;
}

void tst_MainCommands::trayRestoreAndExit()
{
    QFETCH(QString, how);
    QFETCH(bool, hidden);
    QFETCH(QString, entry);
    QFETCH(bool, shown);
    QFETCH(bool, exited);
    frmMain window;
    window.trayIcon()->setNotificationAreaAvailable(true);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (hidden)
        QVERIFY(!closeBox(&window) && window.isHidden());
    QSignalSpy exit(&window, &frmMain::exitRequested);
    bool prompted = false;
    answerPassword(entry, &prompted);
    if (how.startsWith(QLatin1String("mnu")))
        window.action(how)->trigger();
    else
        Q_EMIT window.trayIcon()->icon().activated(how == QLatin1String("trigger") ? QSystemTrayIcon::Trigger
                                                                                  : QSystemTrayIcon::DoubleClick);
    QTest::qWait(50);
    QCOMPARE(prompted, !entry.isEmpty());
    QCOMPARE(window.isVisible(), shown);
    QCOMPARE(exit.count(), exited ? 1 : 0);
    QCOMPARE(window.trayIcon()->isAdded(), !exited);
    QCOMPARE(m_reporter->entries.size(), entry == QLatin1String("0000") ? 1 : 0);
    // Once ending, a close request is no longer turned into hiding.
    QCOMPARE(closeBox(&window), exited);
}

void tst_MainCommands::trayFollowsNotificationArea()
{
    // A notification area that appears late takes the window; one that goes away gives it back.
    bool available = false;
    frmMain window;
    SysTrayIcon *tray = window.trayIcon();
    tray->setAvailabilityCheck([&available] { return available; });
    tray->checkNotificationArea();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    available = true;
    tray->checkNotificationArea();
    QVERIFY(tray->isAdded());
    QVERIFY(!closeBox(&window) && window.isHidden());
    available = false;
    tray->checkNotificationArea();
    QVERIFY(window.isVisible() && window.isMinimized());
}

void tst_MainCommands::helpOpensTheWebPage()
{
    frmMain window;
    window.show();
    QDesktopServices::setUrlHandler(u"https"_s, this, "openUrl");
    window.action(u"mnuHelps_2"_s)->trigger();
    QDesktopServices::unsetUrlHandler(u"https"_s);
    QCOMPARE(m_opened, QStringList{CRes::instance().ResString(265)});
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_MainCommands::languageCommandRetextsTheWindow()
{
    frmMain window;
    window.show();
    QTimer *timer = &window.terminal().autoDownloadTimer();
    const QString englishExit = window.action(u"mnuSystrays_5"_s)->text();
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
    // Actions outside the menu bar follow too: a tray item, a tool button's tip.
    CRes &res = CRes::instance();
    QCOMPARE(res.Language(), u"Traditional Chinese"_s);
    QVERIFY(res.ResString(108) != englishExit);
    QCOMPARE((QStringList{window.action(u"mnuSystrays_5"_s)->text(), window.action(u"download"_s)->toolTip()}),
             (QStringList{res.ResString(108), res.ResString(196)}));
    QVERIFY(m_reporter->entries.isEmpty());
}

QTEST_MAIN(tst_MainCommands)
#include "tst_maincommands.moc"
