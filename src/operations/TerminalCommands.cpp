#include "TerminalCommands.h"

#include "AppState.h"
#include "AutoDownload.h"
#include "CRes.h"
#include "ComPorts.h"
#include "CommandParts.h"
#include "DownloadState.h"
#include "Settings.h"
#include "TerminalOptions.h"
#include "VxDialogPasswordPrompt.h"
#include "frmDownloadProcess.h"
#include "frmOptions.h"
#include "frmTerminalConfiguration_KR.h"
#include "frmTerminalConfiguration_VX.h"
#include "frmWizard_SearchTerminal.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTimer>

namespace {

constexpr int kModelText = 172;

}

TerminalCommands::TerminalCommands(QWidget *window, QAction *download)
    : QObject(window)
    , m_window(window)
    , m_download(download)
    , m_vxPrompt(std::make_unique<VxDialogPasswordPrompt>(window))
    , m_autoDownload(std::make_unique<AutoDownload>(m_gs))
    , m_timer(new QTimer(this))
    , m_model(new QLabel(window))
{
    const qint16 port = ConfiguredComPort();
    m_gs.setCommPort(port);
    m_wm.setComport(port);
    m_timer->setInterval(AutoDownload::kIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &TerminalCommands::autoDownloadTick);
    // A failed connection test means the VX terminal has to be logged on again.
    connect(&m_wm, &ucVX700::deviceDisconnected, this, [this] { Q_EMIT downloadWanted(false); });
    showModel();
}

TerminalCommands::~TerminalCommands() = default;

void TerminalCommands::start()
{
    // At start-up a VX terminal counts as logged off: downloading waits for a logon.
    Q_EMIT downloadWanted(AppState::terminalFamily != TerminalOptions::kVxFamily);
    m_timer->start();
}

void TerminalCommands::showModel()
{
    m_model->setText(CRes::instance().ResString(kModelText)
                     + (AppState::terminalFamily == 1 ? QStringLiteral(": VX700") : QStringLiteral(": KR500-900")));
}

void TerminalCommands::runHeld(const std::function<void()> &handler)
{
    const bool wasActive = m_timer->isActive();
    if (wasActive)
        m_timer->stop();
    CommandParts::run(handler);
    if (wasActive)
        m_timer->start();
}

void TerminalCommands::download(bool automatic)
{
    Q_EMIT downloadWanted(false);
    // A VX download that lost its terminal keeps the command off until the next logon.
    bool connected = true;
    frmDownloadProcess dialog(m_gs, m_wm, m_window);
    dialog.setIsAutoDownload(automatic);
    dialog.setPasswordPrompt(m_vxPrompt.get());
    connect(&dialog, &frmDownloadProcess::vxConnectionLost, this, [&connected] { connected = false; });
    dialog.exec();

    const QString name = dialog.DownloadFile();
    if (!name.isEmpty())
        Q_EMIT fileDownloaded(name);
    Q_EMIT downloadWanted(connected);
}

void TerminalCommands::configure()
{
    DownloadState::savedFile = false;
    if (AppState::terminalFamily == TerminalOptions::kVxFamily) {
        // The download command is the VX terminal's logged-on indicator; the
        // dialog switches it, and the window keeps the state it left.
        frmTerminalConfiguration_VX dialog(m_gs, m_wm, *m_download, m_window);
        dialog.exec();
        Q_EMIT downloadWanted(m_download->isEnabled());
    } else {
        frmTerminalConfiguration_KR dialog(m_gs, m_wm, m_window);
        dialog.exec();
    }
    if (DownloadState::savedFile)
        Q_EMIT maintenanceSavedFile();
}

void TerminalCommands::searchTerminal()
{
    // The wizard probes every port with links of its own.
    m_wm.Disconnect();
    m_gs.Disconnect();
    bool found = false;
    {
        frmWizard_SearchTerminal wizard(m_window);
        wizard.exec();
        found = wizard.result().found;
    }
    applyTerminalSettings(found);
}

void TerminalCommands::options()
{
    frmOptions dialog(m_window);
    dialog.exec();
    applyTerminalSettings(dialog.ok_click());
}

void TerminalCommands::applyTerminalSettings(bool terminalChosen)
{
    const TerminalOptions options = TerminalOptions::load();
    AppState::terminalFamily = qint16(options.model);
    m_model->setText(CRes::instance().ResString(kModelText) + QStringLiteral(": ")
                     + TerminalOptions::familyName(options.model));
    // A VX terminal chosen anew counts as logged off.
    if (terminalChosen)
        Q_EMIT downloadWanted(options.model == TerminalOptions::kKrFamily);
    AppState::autoDownload = GetSettingNumber(QStringLiteral("AutoDownload"), QStringLiteral("Enable"), 1);
    // The links, and with the KR one the automatic-download probe, take the port at once.
    const qint16 port = ConfiguredComPort();
    m_gs.setCommPort(port);
    m_wm.setComport(port);
}

void TerminalCommands::autoDownloadTick()
{
    // A dialog of its own (a download, a message box) means the window is not idle.
    if (QApplication::activeModalWidget())
        return;
    if (m_autoDownload->tick(AppState::autoDownload, AppState::terminalFamily) != AutoDownload::Tick::Download)
        return;
    m_timer->stop();
    CommandParts::run([this] { download(true); });
    m_timer->start();
}
