#pragma once

#include "CentralPusher.h"

#include <QDateTime>
#include <QMainWindow>

#include <memory>

class CentralPushService;
class DataCommands;
class MainCommands;
class PatrolDataView;
class ScheduleView;
class SysTrayIcon;
class QAction;
class QLabel;
class TagDefView;
class TerminalCommands;
class ucOutlookBar;

namespace Ui {
class frmMain;
}

// The program's main window, the hub: it holds the navigation bar and the
// three views, puts the commands of its own table (MainCommands) and of the
// views into menus and toolbars, and connects them to their owners: the
// views, the data commands (files and reports) and the terminal commands
// (links, download, maintenance, options).
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // A command of the window or of one of its views, by object name:
    // mnuFiles_10 is Exit, mnuPopTagDefs_0 the tag view's Add, download the
    // toolbar's Download.
    QAction *action(const QString &objectName) const;

    // 0 the patrol-data view, 1 the tag view, 2 the schedule view.
    void SelectView(int view);

    // The language switch calls these again so that captions follow it.
    Q_INVOKABLE void Initial_lvwPatrolData();
    Q_INVOKABLE void Initial_tvwPatrolData();

    PatrolDataView *patrolView() const { return m_patrolView; }
    TagDefView *tagView() const { return m_tagView; }
    ScheduleView *scheduleView() const { return m_scheduleView; }
    ucOutlookBar *navigationBar() const { return m_vm; }
    SysTrayIcon *trayIcon() const { return m_tray; }
    TerminalCommands &terminal() const { return *m_terminal; }
    // The central push, running when a central database is configured.
    CentralPushService *centralPush() const { return m_central; }
    QLabel *centralLabel() const { return m_sbCentral; }
    // "Central: up to date", "Central: 3 downloads waiting", "Central: unreachable since 14:05".
    static QString centralText(CentralPusher::State state, int waiting, const QDateTime &since);

Q_SIGNALS:
    // Exit was chosen: the program should end now.
    void exitRequested();

private:
    void buildViews();
    void connectCommands();
    void connectViews();
    // Language, password, hiding, help, about, exit and the tray icon.
    void connectShellCommands();
    void applyTexts();
    void selectLanguage();
    void openWebPage();
    void showFile(const QString &path);
    void startCentralPush();
    void showCentral();

    std::unique_ptr<Ui::frmMain> m_ui;
    MainCommands *m_commands = nullptr;
    TerminalCommands *m_terminal = nullptr;
    DataCommands *m_data = nullptr;
    QLabel *m_sbFile = nullptr;
    ucOutlookBar *m_vm = nullptr;
    PatrolDataView *m_patrolView = nullptr;
    TagDefView *m_tagView = nullptr;
    ScheduleView *m_scheduleView = nullptr;
    int m_currentView = 0;
    SysTrayIcon *m_tray = nullptr;
    CentralPushService *m_central = nullptr;
    QLabel *m_sbCentral = nullptr;
    CentralPusher::State m_centralState = CentralPusher::State::UpToDate;
    int m_centralWaiting = 0;
    QDateTime m_centralSince;
};
