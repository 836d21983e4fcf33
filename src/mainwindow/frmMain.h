#pragma once

#include "TerminalSettings.h"
#include "ucKR500_900.h"
#include "ucVX700.h"

#include <QMainWindow>

#include <memory>

class DataCommands;
class AutoDownload;
class MainCommands;
class PatrolDataView;
class PatrolTableModel;
class ScheduleView;
class SysTrayIcon;
class QAction;
class QLabel;
class QMenu;
class QTimer;
class TagDefView;
class VxPasswordPrompt;
class ucOutlookBar;

namespace Ui {
class frmMain;
}

// The program's main window and the hub of its commands. It owns the one KR
// link (gs) and the one VX link (wm) of the whole run. Every command is one
// QAction, reached by its object name through action(): a menu command by its
// menu and position (mnuFiles_10 is Exit, mnuTools_1 Change password), a toolbar-only
// command by its key (download, save). A command is enabled once it is ready:
// connect to its action, then call setCommandReady(name).
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    ucKR500_900 &gs() { return m_gs; }
    ucVX700 &wm() { return m_wm; }

    QAction *action(const QString &objectName) const;
    QMenu *menu(const QString &objectName) const;
    // Enables a command whose action has been connected (the view and
    // selection may still switch it off and on).
    void setCommandReady(const QString &objectName, bool ready = true);
    // Switches a command on or off for the window's state (a selection, a
    // logon); a command that is not ready stays off.
    void setCommandEnabled(const QString &objectName, bool enabled);

    // The terminal connection flag: a VX download that stopped answering
    // clears it so that the download button stays off until the next logon.
    bool disconnect_flag = true;

    // 0 the patrol-data view, 1 the tag view, 2 the schedule view.
    int CurrentView() const { return m_currentView; }
    void SelectView(int view);

    // Runs the download dialog (automatic: all follow-up actions) and shows
    // the file it saved.
    void DownloadPatrolData(bool autoDownload);
    // The patrol-data file last opened from the tree or the open dialog;
    // empty after a root was clicked.
    QString CurrentFilePath() const;

    // The language switch calls these again so that captions follow it.
    Q_INVOKABLE void Initial_lvwPatrolData();
    Q_INVOKABLE void Initial_tvwPatrolData();
    Q_INVOKABLE void Initial_lvwTagDef();

    void OpenPatrolDataFile(const QString &path);
    // The description of one tag code: the one definition's, else empty.
    QString GetTagDescription(const QString &code);
    void LoadTagDefinitions();
    void SearchPatrolData(int mode);
    void SearchTagDefinitions(int mode);
    void AddTagDefinition(const QString &code);
    void EditTagDefinition();
    void DeleteTagDefinitions();
    void ApprovePatrolDataFile();
    void ApproveAllPatrolDataFiles();
    void DeletePatrolDataFile();
    // Run when a terminal maintenance dialog closes after a download saved a
    // file during it: the tree is read again and the newest unapproved file opened.
    void RefreshAfterMaintenance();

    // The rows the patrol list shows: reports and exports read them here.
    PatrolTableModel *patrolModel() const;
    PatrolDataView *patrolView() const { return m_patrolView; }
    TagDefView *tagView() const { return m_tagView; }
    ScheduleView *scheduleView() const { return m_scheduleView; }
    ucOutlookBar *navigationBar() const { return m_vm; }
    SysTrayIcon *trayIcon() const { return m_tray; }

    // The terminal family, port and automatic-download switch in force.
    const TerminalSettings &terminalSettings() const { return m_terminal; }

    // The automatic download's timer: it always runs; a tick downloads when
    // the automatic download is on, the terminal has records and no dialog is open.
    QTimer &tmrAutoDownload() { return *m_tmrAutoDownload; }

Q_SIGNALS:
    // Exit was chosen: the program should end now.
    void exitRequested();

private:
    void connectCommands();
    void changePassword();
    void showModel();
    void showFile(const QString &path);
    void defineTag();
    // Open, save, exports, tag files and reports.
    void connectDataCommands();

    // The shell's commands: language, password, hiding, help, about, exit
    // and the tray icon with its menu.
    void connectShellCommands();
    void selectLanguage();
    void openWebPage();
    void showAbout();
    void exitFromTray();

    void connectTerminalCommands();
    void terminalConfiguration();
    void searchTerminalWizard();
    void terminalOptions();
    // After the wizard or the options: the family, port and automatic download
    // as stored now go to the status bar, the links and the probe;
    // `terminalChosen` (a terminal found, or the options confirmed) also sets
    // the download button for the family, a VX terminal starting logged off.
    void applyTerminalSettings(bool terminalChosen);
    void tmrAutoDownload_Timer();
    void setDownloadWanted(bool enabled);

    std::unique_ptr<Ui::frmMain> m_ui;
    MainCommands *m_commands = nullptr;
    TerminalSettings m_terminal = TerminalSettings::load();
    ucKR500_900 m_gs;
    ucVX700 m_wm;
    std::unique_ptr<VxPasswordPrompt> m_vxPrompt;
    QLabel *m_sbFile = nullptr;
    QLabel *m_sbModel = nullptr;
    ucOutlookBar *m_vm = nullptr;
    PatrolDataView *m_patrolView = nullptr;
    TagDefView *m_tagView = nullptr;
    ScheduleView *m_scheduleView = nullptr;
    int m_currentView = 0;
    DataCommands *m_dataCommands = nullptr;
    SysTrayIcon *m_tray = nullptr;
    QTimer *m_tmrAutoDownload = nullptr;
    std::unique_ptr<AutoDownload> m_autoDownload;
};
