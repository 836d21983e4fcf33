#include "frmMain.h"

#include "ui_frmMain.h"

#include "AppState.h"
#include "AutoDownload.h"
#include "DownloadState.h"
#include "TerminalOptions.h"
#include "frmOptions.h"
#include "frmTerminalConfiguration_KR.h"
#include "frmTerminalConfiguration_VX.h"
#include "frmWizard_SearchTerminal.h"
#include "CRes.h"
#include "ComPorts.h"
#include "DataCommands.h"
#include "FlagRowMarks.h"
#include "MainCommands.h"
#include "MainFormInterface.h"
#include "MessageReporter.h"
#include "PatrolDataView.h"
#include "ReportPreview.h"
#include "RowSearch.h"
#include "ScheduleView.h"
#include "Settings.h"
#include "TagDefView.h"
#include "TagStore.h"
#include "VxDialogPasswordPrompt.h"
#include "Workspace.h"
#include "frmDownloadProcess.h"
#include "SysTrayIcon.h"
#include "frmAbout.h"
#include "frmLE_Main.h"
#include "frmPasswordChange.h"
#include "ucOutlookBar.h"

#include <QAction>
#include <QDesktopServices>
#include <QApplication>
#include <QTimer>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

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

// The navigation bar's pictures: a sheet of records, a tag and a clock.
QPixmap navigationIcon(int item)
{
    QPixmap pixmap(40, 40);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    if (item == 0) {
        p.setBrush(QColor(250, 250, 245));
        p.drawRoundedRect(QRectF(7.5, 4.5, 25, 31), 2, 2);
        p.setPen(QPen(QColor(60, 110, 180), 2));
        for (int y = 12; y <= 28; y += 5)
            p.drawLine(QPointF(12, y), QPointF(28, y));
        p.setPen(QPen(QColor(40, 150, 70), 2.5));
        p.drawLine(QPointF(22, 31), QPointF(26, 35));
        p.drawLine(QPointF(26, 35), QPointF(35, 24));
    } else if (item == 2) {
        p.setBrush(QColor(250, 250, 245));
        p.drawEllipse(QPointF(20, 20), 15, 15);
        p.setPen(QPen(QColor(60, 110, 180), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(20, 20), QPointF(20, 10));
        p.drawLine(QPointF(20, 20), QPointF(27, 24));
        p.setPen(QPen(QColor(40, 40, 40), 1.5));
        for (int hour = 0; hour < 12; hour += 3) {
            const QTransform turn = QTransform().translate(20, 20).rotate(hour * 30);
            p.drawLine(turn.map(QPointF(0, -12.5)), turn.map(QPointF(0, -10)));
        }
    } else {
        QPainterPath tag;
        tag.moveTo(6, 12);
        tag.lineTo(22, 12);
        tag.lineTo(34, 20);
        tag.lineTo(22, 28);
        tag.lineTo(6, 28);
        tag.closeSubpath();
        p.setBrush(QColor(245, 200, 70));
        p.drawPath(tag);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(24, 20), 2.5, 2.5);
        p.setPen(QPen(QColor(40, 40, 40), 2));
        p.drawLine(QPointF(10, 17), QPointF(18, 17));
        p.drawLine(QPointF(10, 23), QPointF(16, 23));
    }
    return pixmap;
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

    m_vm = new ucOutlookBar(m_ui->centralwidget);
    m_vm->setFixedWidth(110);
    m_vm->setItemIcon(0, navigationIcon(0));
    m_vm->setItemIcon(1, navigationIcon(1));
    m_vm->setItemIcon(2, navigationIcon(2));
    m_vm->setItemCount(3);
    m_ui->layMain->insertWidget(0, m_vm);
    m_patrolView = new PatrolDataView(m_commands, m_ui->pic);
    m_patrolView->setRowMarks(std::make_shared<FlagRowMarks>());
    m_tagView = new TagDefView(m_commands, m_ui->pic);
    m_ui->pic->addWidget(m_patrolView);
    m_ui->pic->addWidget(m_tagView);
    m_scheduleView = new ScheduleView(m_ui->pic);
    m_ui->pic->addWidget(m_scheduleView);
    connect(m_patrolView, &PatrolDataView::fileOpened, this, &frmMain::showFile);

    connectCommands();
    connectDataCommands();
    connectShellCommands();
    SelectView(0);
    Initial_lvwPatrolData();
    Initial_tvwPatrolData();
    Initial_lvwTagDef();
    LoadTagDefinitions();

    showModel();
    // At start-up a VX terminal counts as logged off: downloading waits for a logon.
    m_commands->setWanted(QStringLiteral("download"), AppState::terminalFamily != 1);
    const qint16 port = ConfiguredComPort();
    m_gs.setCommPort(port);
    m_wm.setComport(port);

    SetMainFormInterface(this);
    CRes::instance().SetFormInterface(this);
    m_commands->applyTexts();
    connectTerminalCommands();
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
    on("mnuFiles_10", [this] {
        if (m_scheduleView->confirmLeave())
            Q_EMIT exitRequested();
    });
    on("mnuTools_1", [this] { changePassword(); });
    on("mnuViews_0", [this] { SelectView(0); });
    on("mnuViews_1", [this] { SelectView(1); });
    on("mnuViews_2", [this] { SelectView(2); });
    on("download", [this] { DownloadPatrolData(false); });
    on("mnuPopPatrolDataFiles_0", [this] { DeletePatrolDataFile(); });
    on("mnuPopPatrolDataFiles_1", [this] { ApprovePatrolDataFile(); });
    on("mnuPopPatrolDataFiles_2", [this] { ApproveAllPatrolDataFiles(); });
    on("mnuPopTagDefs_0", [this] { AddTagDefinition(QString()); });
    on("mnuPopTagDefs_1", [this] { m_tagView->DeleteWithConfirmation(); });
    on("mnuPopTagDefs_2", [this] { EditTagDefinition(); });
    on("mnuPopDefineTags_0", [this] { defineTag(); });
    on("tblPatrolData_findfirst", [this] { SearchPatrolData(RowSearch::FindFirst); });
    on("tblPatrolData_findnext", [this] { SearchPatrolData(RowSearch::FindNext); });
    on("tblTagDef_findfirst", [this] { SearchTagDefinitions(RowSearch::FindFirst); });
    on("tblTagDef_findnext", [this] { SearchTagDefinitions(RowSearch::FindNext); });
    connect(m_vm, &ucOutlookBar::ItemClick, this, [this](short item) {
        if (item >= 0 && item <= 2)
            runCommand([&] { SelectView(item); });
    });
    // F3 is find next in whichever view is showing; the window sees it first.
    auto *f3 = new QShortcut(QKeySequence(Qt::Key_F3), this);
    f3->setContext(Qt::WindowShortcut);
    connect(f3, &QShortcut::activated, this, [this] {
        runCommand([this] {
            if (m_currentView == 1)
                SearchTagDefinitions(RowSearch::FindNext);
            else if (m_currentView == 0)
                SearchPatrolData(RowSearch::FindNext);
        });
    });
    // A failed connection test means the VX terminal has to be logged on again.
    connect(&m_wm, &ucVX700::deviceDisconnected, this,
            [this] { m_commands->setWanted(QStringLiteral("download"), false); });
}

void frmMain::SelectView(int view)
{
    m_currentView = view == 1 || view == 2 ? view : 0;
    m_ui->pic->setCurrentIndex(m_currentView);
    for (const char *name : kPatrolViewOnly)
        m_commands->setWanted(QLatin1String(name), m_currentView == 0);
    if (m_currentView == 2)
        m_scheduleView->tabs()->setFocus();
    else
        (m_currentView == 1 ? m_tagView->searchBox() : m_patrolView->searchBox())->setFocus();
}

QString frmMain::CurrentFilePath() const
{
    return m_patrolView->CurrentFilePath();
}

PatrolTableModel *frmMain::patrolModel() const
{
    return m_patrolView->model();
}

void frmMain::Initial_lvwPatrolData()
{
    m_patrolView->Initial_lvwPatrolData();
    // A language switch comes through here: the schedule view's captions follow.
    m_scheduleView->applyTexts();
    m_commands->applyTexts();
}

void frmMain::Initial_tvwPatrolData()
{
    m_patrolView->Initial_tvwPatrolData();
}

void frmMain::Initial_lvwTagDef()
{
    m_tagView->Initial_lvwTagDef();
}

void frmMain::OpenPatrolDataFile(const QString &path)
{
    m_patrolView->OpenPatrolDataFile(path);
}

QString frmMain::GetTagDescription(const QString &code)
{
    QString error;
    const QString description = TagStore::GetTagDescription(code, &error);
    if (!error.isEmpty())
        MessageReporter::instance().message(error, MessageReporter::Icon::Critical);
    return description;
}

void frmMain::LoadTagDefinitions()
{
    m_tagView->LoadTagDefinitions();
}

void frmMain::SearchPatrolData(int mode)
{
    m_patrolView->SearchPatrolData(mode);
}

void frmMain::SearchTagDefinitions(int mode)
{
    m_tagView->SearchTagDefinitions(mode);
}

void frmMain::AddTagDefinition(const QString &code)
{
    m_tagView->AddTagDefinition(code);
}

void frmMain::EditTagDefinition()
{
    m_tagView->EditTagDefinition();
}

void frmMain::DeleteTagDefinitions()
{
    m_tagView->DeleteTagDefinitions();
}

void frmMain::ApprovePatrolDataFile()
{
    m_patrolView->ApprovePatrolDataFile();
}

void frmMain::ApproveAllPatrolDataFiles()
{
    m_patrolView->ApproveAllPatrolDataFiles();
}

void frmMain::DeletePatrolDataFile()
{
    m_patrolView->DeletePatrolDataFile();
}

void frmMain::RefreshAfterMaintenance()
{
    m_patrolView->RefreshAfterMaintenance();
}

void frmMain::defineTag()
{
    const QString code = m_patrolView->defineTagCode();
    m_tagView->AddTagDefinition(code);
    // The record's new description shows once the file is read again.
    m_patrolView->ReopenSelectedFile();
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
    m_sbFile->setText(path.isEmpty() ? QString() : QStringLiteral("Patrol data file: ") + QDir::toNativeSeparators(path));
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
        m_patrolView->AddDownloadedFile(name);
    // A VX download that lost its terminal keeps the button off until the next logon.
    m_commands->setWanted(QStringLiteral("download"), disconnect_flag);
}

// ---- Data in and out: open, save, exports, tag files, reports ----------------

void frmMain::connectDataCommands()
{
    m_dataCommands = new DataCommands(*this);
    DataCommands *data = m_dataCommands;
    auto on = [this](const QString &key, auto &&handler) {
        connect(action(key), &QAction::triggered, this, [handler] { runCommand(handler); });
        setCommandReady(key);
    };
    on(QStringLiteral("mnuFiles_0"), [data] { data->OpenPatrolDataFileDialog(); });
    // Save... from the menu writes the text export data0.txt first, whatever the
    // dialog then does; the toolbar's save does not.
    on(QStringLiteral("mnuFiles_1"), [data] {
        data->ExportPatrolDataText();
        data->SavePatrolDataFileAs();
    });
    on(QStringLiteral("save"), [data] { data->SavePatrolDataFileAs(); });
    on(QStringLiteral("mnuFiles_4"), [data] { data->ExportTagDefinitions(); });
    on(QStringLiteral("mnuFiles_5"), [data] { data->ImportTagDefinitions(); });
    on(QStringLiteral("mnuFiles_7"), [data] { data->ShowReport(false); });
    on(QStringLiteral("mnuFiles_8"), [data] { data->ShowReport(true); });

    on(QStringLiteral("mnuFiles_exportPdf"), [data] { data->ExportReportPdf(); });

    connect(m_patrolView, &PatrolDataView::previewRequested, this,
            [data] { runCommand([data] { data->ShowReport(false); }); });
}

// ---- Shell commands: language, password, hiding, help, about, exit, tray ----

namespace {

constexpr int kWebAddressText = 265;
constexpr int kWebPageFailedText = 340;
const char kDefaultWebAddress[] = "https://www.morvant.com/";

// Tools and view commands run with the automatic download held, so that no
// download starts while their dialog is open; it goes on afterwards if it was on.
template<typename F>
void withAutoDownloadHeld(QWidget *window, F &&handler)
{
    QTimer *timer = window->findChild<QTimer *>(QStringLiteral("tmrAutoDownload"));
    const bool wasActive = timer && timer->isActive();
    if (wasActive)
        timer->stop();
    runCommand(handler);
    if (wasActive && timer)
        timer->start();
}

}

void frmMain::connectShellCommands()
{
    m_tray = new SysTrayIcon(this, menu(QStringLiteral("mnuSystray")), this);
    auto on = [this](const char *name, auto &&handler) {
        const QString key = QLatin1String(name);
        connect(action(key), &QAction::triggered, this, [handler] { runCommand(handler); });
        setCommandReady(key);
    };
    auto held = [this](const char *name, auto &&handler) {
        const QString key = QLatin1String(name);
        connect(action(key), &QAction::triggered, this, [this, handler] { withAutoDownloadHeld(this, handler); });
        setCommandReady(key);
    };
    held("mnuTools_0", [this] { selectLanguage(); });
    held("mnuViews_3", [this] { m_tray->hideMainWindow(); });
    on("mnuHelps_2", [this] { openWebPage(); });
    on("mnuHelps_4", [this] { showAbout(); });
    on("mnuSystrays_0", [this] { m_tray->restoreWithPassword(); });
    on("mnuSystrays_2", [this] { showAbout(); });
    on("mnuSystrays_5", [this] { exitFromTray(); });
    // Exit takes the icon away before the program ends.
    connect(this, &frmMain::exitRequested, m_tray, &SysTrayIcon::Remove);
    m_tray->Add();
}

void frmMain::selectLanguage()
{
    {
        frmLE_Main editor(this);
        editor.exec();
    }
    // The editor may have applied another language, or changed the current
    // one's texts: the caption, menus and toolbars follow.
    SetMainFormInterface(this);
    m_commands->applyTexts();
    showModel();
}

void frmMain::openWebPage()
{
    const QString address = CRes::instance().ResString(kWebAddressText, QString::fromLatin1(kDefaultWebAddress));
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool opened = QDesktopServices::openUrl(QUrl(address));
    QGuiApplication::restoreOverrideCursor();
    if (!opened)
        MessageReporter::instance().message(CRes::instance().ResString(kWebPageFailedText).arg(address),
                                            MessageReporter::Icon::Exclamation);
}

void frmMain::showAbout()
{
    frmAbout about(isVisible() ? this : nullptr);
    about.exec();
}

void frmMain::exitFromTray()
{
    if (m_tray->askPassword() && m_scheduleView->confirmLeave())
        Q_EMIT exitRequested();
}

// ---- terminal commands ------------------------------------------------------

void frmMain::connectTerminalCommands()
{
    m_autoDownload = std::make_unique<AutoDownload>(m_gs);
    m_tmrAutoDownload = new QTimer(this);
    m_tmrAutoDownload->setObjectName(QStringLiteral("tmrAutoDownload"));
    m_tmrAutoDownload->setInterval(AutoDownload::kIntervalMs);
    connect(m_tmrAutoDownload, &QTimer::timeout, this, &frmMain::tmrAutoDownload_Timer);

    auto tool = [this](const char *name, void (frmMain::*command)()) {
        const QString key = QLatin1String(name);
        // No automatic download while a tool's dialog is open.
        connect(action(key), &QAction::triggered, this,
                [this, command] { withAutoDownloadHeld(this, [this, command] { (this->*command)(); }); });
        setCommandReady(key);
    };
    tool("mnuTools_3", &frmMain::terminalConfiguration);
    tool("mnuTools_4", &frmMain::searchTerminalWizard);
    tool("mnuTools_6", &frmMain::terminalOptions);
    m_tmrAutoDownload->start();
}

void frmMain::setDownloadWanted(bool enabled)
{
    m_commands->setWanted(QStringLiteral("download"), enabled);
}

void frmMain::terminalConfiguration()
{
    DownloadState::savedFile = false;
    if (AppState::terminalFamily == TerminalOptions::kVxFamily) {
        // The download action is the VX terminal's logged-on indicator; the
        // dialog switches it, and the window keeps the state it left.
        QAction *download = action(QStringLiteral("download"));
        frmTerminalConfiguration_VX dialog(m_gs, m_wm, *download, this);
        dialog.exec();
        setDownloadWanted(download->isEnabled());
    } else {
        frmTerminalConfiguration_KR dialog(m_gs, m_wm, this);
        dialog.exec();
    }
    if (DownloadState::savedFile)
        RefreshAfterMaintenance();
}

void frmMain::searchTerminalWizard()
{
    // The wizard probes every port with links of its own.
    m_wm.Disconnect();
    m_gs.Disconnect();
    bool found = false;
    {
        frmWizard_SearchTerminal wizard(this);
        wizard.exec();
        found = wizard.result().found;
    }
    applyTerminalSettings(found);
}

void frmMain::terminalOptions()
{
    frmOptions dialog(this);
    dialog.exec();
    applyTerminalSettings(dialog.ok_click());
}

void frmMain::applyTerminalSettings(bool terminalChosen)
{
    const TerminalOptions options = TerminalOptions::load();
    AppState::terminalFamily = qint16(options.model);
    m_sbModel->setText(CRes::instance().ResString(kModelText) + QStringLiteral(": ")
                       + TerminalOptions::familyName(options.model));
    // A VX terminal chosen anew counts as logged off.
    if (terminalChosen)
        setDownloadWanted(options.model == TerminalOptions::kKrFamily);
    AppState::autoDownload = GetSettingNumber(QStringLiteral("AutoDownload"), QStringLiteral("Enable"), 1);
    // The links, and with the KR one the automatic-download probe, take the port at once.
    const qint16 port = ConfiguredComPort();
    m_gs.setCommPort(port);
    m_wm.setComport(port);
}

void frmMain::tmrAutoDownload_Timer()
{
    // A dialog of its own (a download, a message box) means the window is not idle.
    if (QApplication::activeModalWidget())
        return;
    if (m_autoDownload->tick(AppState::autoDownload, AppState::terminalFamily) != AutoDownload::Tick::Download)
        return;
    m_tmrAutoDownload->stop();
    runCommand([this] { DownloadPatrolData(true); });
    m_tmrAutoDownload->start();
}
