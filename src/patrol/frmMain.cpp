#include "frmMain.h"

#include "ui_frmMain.h"

#include "AppState.h"
#include "CRes.h"
#include "ComPorts.h"
#include "MainCommands.h"
#include "MainFormInterface.h"
#include "MessageReporter.h"
#include "VxDialogPasswordPrompt.h"
#include "Workspace.h"
#include "frmDownloadProcess.h"
#include "frmPasswordChange.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QToolBar>
#include <QVBoxLayout>

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

// The commands the patrol-data view allows and the tag view does not.
const char *const kPatrolViewOnly[] = {"mnuFiles_0", "mnuFiles_1", "mnuFiles_2", "save"};

}

frmMain::frmMain(QWidget *parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::frmMain>())
    , m_vxPrompt(std::make_unique<VxDialogPasswordPrompt>(this))
{
    m_ui->setupUi(this);
    m_commands = new MainCommands(this);
    m_sbFile = new QLabel(this);
    m_sbModel = new QLabel(this);
    m_ui->sb->addWidget(m_sbFile, 1);
    m_ui->sb->addPermanentWidget(m_sbModel);

    for (QToolBar *viewBar : {m_commands->patrolToolbar(), m_commands->tagToolbar()}) {
        auto *page = new QWidget(m_ui->pic);
        auto *layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(viewBar);
        layout->addStretch(1);
        m_ui->pic->addWidget(page);
    }

    connectCommands();
    SelectView(0);

    showModel();
    // At start-up a VX terminal counts as logged off: downloading waits for a logon.
    m_commands->setWanted(QStringLiteral("download"), AppState::terminalFamily != 1);
    const qint16 port = ConfiguredComPort();
    m_gs.setCommPort(port);
    m_wm.setComport(port);

    SetMainFormInterface(this);
    CRes::instance().SetFormInterface(this);
    m_commands->applyTexts();
}

frmMain::~frmMain() = default;

QAction *frmMain::action(const QString &objectName) const
{
    return m_commands->action(objectName);
}

QMenu *frmMain::menu(const QString &objectName) const
{
    return m_commands->menu(objectName);
}

void frmMain::setCommandReady(const QString &objectName, bool ready)
{
    m_commands->setReady(objectName, ready);
}

void frmMain::setCommandEnabled(const QString &objectName, bool enabled)
{
    m_commands->setWanted(objectName, enabled);
}

void frmMain::connectCommands()
{
    auto on = [this](const char *name, auto &&handler) {
        const QString key = QLatin1String(name);
        connect(action(key), &QAction::triggered, this, [handler] { runCommand(handler); });
        setCommandReady(key);
    };
    on("mnuFiles_10", [this] { Q_EMIT exitRequested(); });
    on("mnuTools_1", [this] { changePassword(); });
    on("mnuViews_0", [this] { SelectView(0); });
    on("mnuViews_1", [this] { SelectView(1); });
    on("download", [this] { DownloadPatrolData(false); });
    // A failed connection test means the VX terminal has to be logged on again.
    connect(&m_wm, &ucVX700::deviceDisconnected, this,
            [this] { m_commands->setWanted(QStringLiteral("download"), false); });
}

void frmMain::SelectView(int view)
{
    m_currentView = view == 1 ? 1 : 0;
    m_ui->pic->setCurrentIndex(m_currentView);
    for (const char *name : kPatrolViewOnly)
        m_commands->setWanted(QLatin1String(name), m_currentView == 0);
}

void frmMain::changePassword()
{
    frmPasswordChange dialog(this);
    dialog.exec();
}

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

void frmMain::DownloadPatrolData(bool autoDownload)
{
    m_commands->setWanted(QStringLiteral("download"), false);
    disconnect_flag = true;

    frmDownloadProcess dialog(m_gs, m_wm, this);
    dialog.setIsAutoDownload(autoDownload);
    dialog.setPasswordPrompt(m_vxPrompt.get());
    connect(&dialog, &frmDownloadProcess::vxConnectionLost, this, [this] { disconnect_flag = false; });
    dialog.exec();

    const QString name = dialog.DownloadFile();
    if (!name.isEmpty())
        showFile(QDir(Workspace::unapprovedFolder()).filePath(name));
    // A VX download that lost its terminal keeps the button off until the next logon.
    m_commands->setWanted(QStringLiteral("download"), disconnect_flag);
}
