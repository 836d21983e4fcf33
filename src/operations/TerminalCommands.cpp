#include "TerminalCommands.h"

#include "AutoDownload.h"
#include "CRes.h"
#include "CommandParts.h"
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
    m_gs.setCommPort(m_settings.port);
    m_wm.setComport(m_settings.port);
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
    Q_EMIT downloadWanted(m_settings.family != TerminalSettings::kVxFamily);
    m_timer->start();
}

void TerminalCommands::showModel()
{
    m_model->setText(CRes::instance().ResString(kModelText)
                     + (m_settings.family == TerminalSettings::kVxFamily ? QStringLiteral(": VX700") : QStringLiteral(": KR500-900")));
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
    frmDownloadProcess dialog(m_gs, m_wm, m_settings.family, m_window);
    connect(&dialog, &frmDownloadProcess::downloadFinished, this, [this] { m_autoDownload->downloadRan(); });
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
    bool savedFile = false;
    // A download in the dialog counts as any other for the automatic download.
    auto downloaded = [this, &savedFile](const QString &file) {
        m_autoDownload->downloadRan();
        savedFile = savedFile || !file.isEmpty();
    };
    if (m_settings.family == TerminalSettings::kVxFamily) {
        // The download command is the VX terminal's logged-on indicator; the
        // dialog switches it, and the window keeps the state it left.
        frmTerminalConfiguration_VX dialog(m_gs, m_wm, *m_download, m_window);
        connect(&dialog, &frmTerminalConfiguration_VX::downloadFinished, this, downloaded);
        dialog.exec();
        Q_EMIT downloadWanted(m_download->isEnabled());
    } else {
        frmTerminalConfiguration_KR dialog(m_gs, m_wm, m_window);
        connect(&dialog, &frmTerminalConfiguration_KR::downloadFinished, this, downloaded);
        dialog.exec();
    }
    if (savedFile)
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
    m_settings = TerminalSettings::load();
    m_model->setText(CRes::instance().ResString(kModelText) + QStringLiteral(": ")
                     + TerminalOptions::familyName(options.model));
    // A VX terminal chosen anew counts as logged off.
    if (terminalChosen)
        Q_EMIT downloadWanted(options.model == TerminalOptions::kKrFamily);
    // The links, and with the KR one the automatic-download probe, take the port at once.
    m_gs.setCommPort(m_settings.port);
    m_wm.setComport(m_settings.port);
}

void TerminalCommands::autoDownloadTick()
{
    // A dialog of its own (a download, a message box) means the window is not idle.
    if (QApplication::activeModalWidget())
        return;
    if (m_autoDownload->tick(m_settings.autoDownload ? 1 : 0, m_settings.family) != AutoDownload::Tick::Download)
        return;
    m_timer->stop();
    CommandParts::run([this] { download(true); });
    m_timer->start();
}
