#include "frmMain.h"

#include "ui_frmMain.h"

#include "AppState.h"
#include "CRes.h"
#include "ComPorts.h"
#include "MainFormInterface.h"
#include "MessageReporter.h"
#include "VxDialogPasswordPrompt.h"
#include "Workspace.h"
#include "frmDownloadProcess.h"
#include "frmPasswordChange.h"

#include <QDir>
#include <QLabel>
#include <QStyle>

#include <exception>

namespace {

constexpr int kModelText = 172;

// Runs a command handler; an unexpected failure is shown and the program goes on.
template<typename F>
void runCommand(F &&handler)
{
    try {
        handler();
    } catch (const std::exception &e) {
        MessageReporter::instance().failure(QString::fromLocal8Bit(e.what()), 0);
    }
}

}

frmMain::frmMain(QWidget *parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::frmMain>())
    , m_vxPrompt(std::make_unique<VxDialogPasswordPrompt>(this))
{
    m_ui->setupUi(this);
    m_ui->download->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    m_sbFile = new QLabel(this);
    m_sbModel = new QLabel(this);
    m_ui->sb->addWidget(m_sbFile, 1);
    m_ui->sb->addPermanentWidget(m_sbModel);

    connect(m_ui->mnuFiles_10, &QAction::triggered, this, [this] { mnuFiles_Click(10); });
    connect(m_ui->mnuTools_1, &QAction::triggered, this, [this] { mnuTools_Click(1); });
    connect(m_ui->download, &QAction::triggered, this, [this] { Toolbar2_ButtonClick(QStringLiteral("download")); });
    // A failed connection test means the VX terminal has to be logged on again.
    connect(&m_wm, &ucVX700::deviceDisconnected, this, [this] { m_ui->download->setEnabled(false); });

    showModel();
    // At start-up a VX terminal counts as logged off: downloading waits for a logon.
    m_ui->download->setEnabled(AppState::terminalFamily != 1);
    const qint16 port = ConfiguredComPort();
    m_gs.setCommPort(port);
    m_wm.setComport(port);

    SetMainFormInterface(this);
    CRes::instance().SetFormInterface(this);
}

frmMain::~frmMain() = default;

void frmMain::showModel()
{
    m_sbModel->setText(CRes::instance().ResString(kModelText)
                       + (AppState::terminalFamily == 1 ? QStringLiteral(": VX700") : QStringLiteral(": KR500-900")));
}

void frmMain::showFile(const QString &path)
{
    m_currentFilePath = path;
    m_sbFile->setText(QStringLiteral("Patrol data file: ") + QDir::toNativeSeparators(path));
}

void frmMain::mnuFiles_Click(int index)
{
    runCommand([&] {
        if (index == 10)
            Q_EMIT exitRequested();
    });
}

void frmMain::mnuTools_Click(int index)
{
    runCommand([&] {
        if (index == 1) {
            frmPasswordChange dialog(this);
            dialog.exec();
        }
    });
}

void frmMain::Toolbar2_ButtonClick(const QString &key)
{
    runCommand([&] {
        if (key == QLatin1String("download"))
            DownloadPatrolData(false);
    });
}

void frmMain::DownloadPatrolData(bool autoDownload)
{
    m_ui->download->setEnabled(false);
    disconnect_flag = true;

    frmDownloadProcess dialog(m_gs, m_wm, this);
    dialog.setIsAutoDownload(autoDownload);
    dialog.setPasswordPrompt(m_vxPrompt.get());
    connect(&dialog, &frmDownloadProcess::vxConnectionLost, this, [this] {
        disconnect_flag = false;
        m_ui->download->setEnabled(false);
    });
    dialog.exec();

    const QString name = dialog.DownloadFile();
    if (!name.isEmpty())
        showFile(QDir(Workspace::unapprovedFolder()).filePath(name));
    // A VX download that lost its terminal keeps the button off until the next logon.
    if (disconnect_flag)
        m_ui->download->setEnabled(true);
}
