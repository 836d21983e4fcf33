#pragma once

#include "TerminalSettings.h"
#include "ucKR500_900.h"
#include "ucVX700.h"

#include <QObject>

#include <functional>
#include <memory>

class AutoDownload;
class QAction;
class QLabel;
class QTimer;
class QWidget;
class VxPasswordPrompt;

// The terminal side of the main window: the one KR link and the one VX link of
// the whole run, the download, the automatic download's timer, the terminal
// configuration (maintenance) dialogs, the search wizard, the options and the
// status bar's model text. Its dialogs open over the window; what the window
// shows in consequence leaves through signals.
class TerminalCommands : public QObject
{
    Q_OBJECT
public:
    // `download` is the download command: the VX configuration dialog switches
    // it as the terminal's logged-on indicator.
    TerminalCommands(QWidget *window, QAction *download);
    ~TerminalCommands() override;

    ucKR500_900 &gs() { return m_gs; }
    ucVX700 &wm() { return m_wm; }
    // The terminal family, port and automatic-download switch in force.
    const TerminalSettings &settings() const { return m_settings; }
    // The model panel of the status bar.
    QLabel *modelLabel() const { return m_model; }
    // The automatic download's timer: it always runs; a tick downloads when
    // the automatic download is on, the terminal has records and no dialog is open.
    QTimer &autoDownloadTimer() { return *m_timer; }

    // Announces the download command's start-up state and starts the timer.
    void start();
    // The model text in the current language.
    void showModel();
    // Runs `handler` with the automatic download held, so that no download
    // starts while its dialog is open; it goes on afterwards if it was on.
    void runHeld(const std::function<void()> &handler);

    // Runs the download dialog (automatic: all follow-up actions).
    void download(bool automatic);
    void configure();
    void searchTerminal();
    void options();

Q_SIGNALS:
    // The state the download command should have: off during a download, off
    // for a VX terminal until it is logged on.
    void downloadWanted(bool enabled);
    // A download saved the patrol-data file `name`.
    void fileDownloaded(const QString &name);
    // A download during a configuration dialog saved a file.
    void maintenanceSavedFile();

private:
    // After the wizard or the options: the family, port and automatic download
    // as stored now go to the status bar, the links and the probe;
    // `terminalChosen` (a terminal found, or the options confirmed) also sets
    // the download command for the family, a VX terminal starting logged off.
    void applyTerminalSettings(bool terminalChosen);
    void autoDownloadTick();

    QWidget *m_window;
    QAction *m_download;
    TerminalSettings m_settings = TerminalSettings::load();
    ucKR500_900 m_gs;
    ucVX700 m_wm;
    std::unique_ptr<VxPasswordPrompt> m_vxPrompt;
    std::unique_ptr<AutoDownload> m_autoDownload;
    QTimer *m_timer = nullptr;
    QLabel *m_model = nullptr;
};
