#include "frmMain.h"

#include "ui_frmMain.h"

#include "AppIcon.h"
#include "CentralExceptionSource.h"
#include "CRes.h"
#include "CentralPushService.h"
#include "CommandParts.h"
#include "DataCommands.h"
#include "ExceptionsPage.h"
#include "FlagRowMarks.h"
#include "MainCommands.h"
#include "MainFormInterface.h"
#include "MessageReporter.h"
#include "PatrolDataView.h"
#include "ScheduleView.h"
#include "StatusNote.h"
#include "SysTrayIcon.h"
#include "TagDefView.h"
#include "TerminalCommands.h"
#include "WindowGeometry.h"
#include "Workspace.h"
#include "frmAbout.h"
#include "frmLE_Main.h"
#include "frmPasswordChange.h"
#include "ucOutlookBar.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QUrl>

namespace {

constexpr int kWebAddressText = 265;
constexpr int kCentralUpToDateText = 400;
constexpr int kCentralWaitingText = 401;
constexpr int kCentralUnreachableText = 402;
constexpr int kWebPageFailedText = 340;
const char kDefaultWebAddress[] = "https://www.morvant.com/";

// The navigation bar's pictures: a sheet of records, a tag and a clock.
const char *const kNavigationIcons[] = {"navigation-records.png", "navigation-tags.png", "navigation-schedule.png"};

// The commands the patrol-data view allows and the tag view does not.
const char *const kPatrolViewOnly[] = {"mnuFiles_0", "mnuFiles_1", "mnuFiles_2", "save"};

}

frmMain::frmMain(QWidget *parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::frmMain>())
{
    m_ui->setupUi(this);
    m_commands = new MainCommands(this);
    m_terminal = new TerminalCommands(this, m_commands->action(QStringLiteral("download")));
    m_sbFile = new QLabel(this);
    m_ui->sb->addWidget(m_sbFile, 1);
    m_ui->sb->addPermanentWidget(m_terminal->modelLabel());

    buildViews();
    m_data = new DataCommands(this, *m_patrolView);
    connectCommands();
    connectViews();
    SelectView(0);
    Initial_lvwPatrolData();
    Initial_tvwPatrolData();
    m_tagView->Initial_lvwTagDef();
    m_tagView->LoadTagDefinitions();

    SetMainFormInterface(this);
    CRes::instance().SetFormInterface(this);
    applyTexts();
    m_terminal->start();
    startCentralPush();
    WindowGeometry::keep(this, QStringLiteral("frmMain"));
}

void frmMain::startCentralPush()
{
    const CentralSettings settings = CentralSettings::fromSettings();
    if (!settings.configured())
        return;
    m_sbCentral = new QLabel(this);
    m_sbCentral->setObjectName(QStringLiteral("sbCentral"));
    m_ui->sb->addPermanentWidget(m_sbCentral);
    m_central = new CentralPushService(settings, this);
    connect(m_terminal, &TerminalCommands::fileDownloaded, m_central, &CentralPushService::pushNow);
    connect(m_central, &CentralPushService::stateChanged, this,
            [this](CentralPusher::State state, int waiting, const QDateTime &since) {
                m_centralState = state;
                m_centralWaiting = waiting;
                m_centralSince = since;
                showCentral();
            });
    // The thread ends before the program does.
    connect(this, &frmMain::exitRequested, m_central, &CentralPushService::stop);
    m_central->start();
}

QString frmMain::centralText(CentralPusher::State state, int waiting, const QDateTime &since)
{
    CRes &res = CRes::instance();
    switch (state) {
    case CentralPusher::State::Waiting:
        return res.ResString(kCentralWaitingText, QStringLiteral("Central: %1 downloads waiting")).arg(waiting);
    case CentralPusher::State::Unreachable:
        return res.ResString(kCentralUnreachableText, QStringLiteral("Central: unreachable since %1"))
            .arg(since.toLocalTime().toString(QStringLiteral("HH:mm")));
    case CentralPusher::State::UpToDate:
        break;
    }
    return res.ResString(kCentralUpToDateText, QStringLiteral("Central: up to date"));
}

void frmMain::showCentral()
{
    if (m_sbCentral)
        m_sbCentral->setText(centralText(m_centralState, m_centralWaiting, m_centralSince));
}

frmMain::~frmMain() = default;

void frmMain::buildViews()
{
    m_vm = new ucOutlookBar(m_ui->centralwidget);
    m_vm->setFixedWidth(110);
    for (int item = 0; item < 3; ++item)
        m_vm->setItemIcon(item, AppIcon::shipped(QLatin1String(kNavigationIcons[item])).pixmap(40, 40));
    m_vm->setItemCount(3);
    m_ui->layMain->insertWidget(0, m_vm);
    m_patrolView = new PatrolDataView(m_ui->pic);
    m_patrolView->setRowMarks(std::make_shared<FlagRowMarks>());
    m_tagView = new TagDefView(m_ui->pic);
    m_scheduleView = new ScheduleView(m_ui->pic);
    // With a central database the exception report is that of its sites.
    if (const CentralSettings central = CentralSettings::fromSettings(); central.configured())
        m_scheduleView->exceptionsPage()->setSource(std::make_shared<CentralExceptionSource>(central));
    m_ui->pic->addWidget(m_patrolView);
    m_ui->pic->addWidget(m_tagView);
    m_ui->pic->addWidget(m_scheduleView);
    m_commands->placeFileCommands(m_patrolView->deleteFileAction(), m_patrolView->approveAction(),
                                  m_patrolView->approveAllAction());
}

QAction *frmMain::action(const QString &objectName) const
{
    return findChild<QAction *>(objectName);
}

void frmMain::connectCommands()
{
    auto on = [this](const char *name, auto handler) {
        const QString key = QLatin1String(name);
        connect(m_commands->action(key), &QAction::triggered, this, [handler] { CommandParts::run(handler); });
        m_commands->setReady(key);
    };
    // Tools and view commands whose dialog must not meet an automatic download.
    auto held = [this](const char *name, auto handler) {
        const QString key = QLatin1String(name);
        connect(m_commands->action(key), &QAction::triggered, this, [this, handler] { m_terminal->runHeld(handler); });
        m_commands->setReady(key);
    };
    DataCommands *data = m_data;
    on("mnuFiles_0", [data] { data->OpenPatrolDataFileDialog(); });
    // Save... from the menu writes the text export data0.txt first, whatever the
    // dialog then does; the toolbar's save does not.
    on("mnuFiles_1", [data] {
        data->ExportPatrolDataText();
        data->SavePatrolDataFileAs();
    });
    on("save", [data] { data->SavePatrolDataFileAs(); });
    on("mnuFiles_4", [data] { data->ExportTagDefinitions(); });
    on("mnuFiles_5", [data] { data->ImportTagDefinitions(); });
    on("mnuFiles_7", [data] { data->ShowReport(false); });
    on("mnuFiles_8", [data] { data->ShowReport(true); });
    on("mnuFiles_exportPdf", [data] { data->ExportReportPdf(); });
    on("mnuFiles_10", [this] {
        if (m_scheduleView->confirmLeave())
            Q_EMIT exitRequested();
    });
    on("mnuViews_0", [this] { SelectView(0); });
    on("mnuViews_1", [this] { SelectView(1); });
    on("mnuViews_2", [this] { SelectView(2); });
    on("mnuTools_1", [this] { frmPasswordChange(this).exec(); });

    TerminalCommands *terminal = m_terminal;
    on("download", [terminal] { terminal->download(false); });
    held("mnuTools_3", [terminal] { terminal->configure(); });
    held("mnuTools_4", [terminal] { terminal->searchTerminal(); });
    held("mnuTools_6", [terminal] { terminal->options(); });

    m_tray = new SysTrayIcon(this, m_commands->menu(QStringLiteral("mnuSystray")), this);
    auto about = [this] { frmAbout(isVisible() ? this : nullptr).exec(); };
    held("mnuTools_0", [this] { selectLanguage(); });
    held("mnuViews_3", [this] { m_tray->hideMainWindow(); });
    on("mnuHelps_2", [this] { openWebPage(); });
    on("mnuHelps_4", about);
    on("mnuSystrays_0", [this] { m_tray->restoreWithPassword(); });
    on("mnuSystrays_2", about);
    on("mnuSystrays_5", [this] {
        if (m_tray->askPassword() && m_scheduleView->confirmLeave())
            Q_EMIT exitRequested();
    });
    // Exit takes the icon away before the program ends.
    connect(this, &frmMain::exitRequested, m_tray, &SysTrayIcon::Remove);
    m_tray->Add();
}

void frmMain::connectViews()
{
    connect(m_vm, &ucOutlookBar::ItemClick, this, [this](short item) {
        if (item >= 0 && item <= 2)
            CommandParts::run([&] { SelectView(item); });
    });
    // F3 is find next in whichever view is showing; the window sees it first.
    auto *f3 = new QShortcut(QKeySequence(Qt::Key_F3), this);
    f3->setContext(Qt::WindowShortcut);
    connect(f3, &QShortcut::activated, this, [this] {
        CommandParts::run([this] {
            if (m_currentView == 1)
                action(QStringLiteral("tblTagDef_findnext"))->trigger();
            else if (m_currentView == 0)
                action(QStringLiteral("tblPatrolData_findnext"))->trigger();
        });
    });
    connect(m_patrolView, &PatrolDataView::fileOpened, this, &frmMain::showFile);
    connect(m_patrolView, &PatrolDataView::previewRequested, this,
            [this] { CommandParts::run([this] { m_data->ShowReport(false); }); });
    connect(m_patrolView, &PatrolDataView::defineTagRequested, m_tagView, &TagDefView::AddTagDefinition);
    connect(m_data, &DataCommands::tagsImported, this, [this] {
        m_tagView->LoadTagDefinitions();
        SelectView(1);
    });
    connect(m_terminal, &TerminalCommands::downloadWanted, this,
            [this](bool enabled) { m_commands->setWanted(QStringLiteral("download"), enabled); });
    connect(m_terminal, &TerminalCommands::fileDownloaded, m_patrolView, &PatrolDataView::AddDownloadedFile);
    connect(m_terminal, &TerminalCommands::fileDownloaded, this, [](const QString &name) {
        const QString path = QDir(Workspace::unapprovedFolder()).filePath(name);
        StatusNote::post(CRes::instance().ResString(75, QStringLiteral("Downloaded to %1")).arg(QDir::toNativeSeparators(path)));
    });
    // What a command did shows in passing, without a box to close.
    connect(&StatusNote::instance(), &StatusNote::noted, this,
            [this](const QString &text) { statusBar()->showMessage(text, StatusNote::kShownMs); });
    // The file's path gives way to a note and comes back after it; hidden
    // explicitly, as the status bar's own hiding is undone when the window
    // re-lays out its children (a language's font arriving).
    connect(statusBar(), &QStatusBar::messageChanged, m_sbFile,
            [this](const QString &text) { m_sbFile->setVisible(text.isEmpty()); });
    connect(m_terminal, &TerminalCommands::maintenanceSavedFile, m_patrolView,
            &PatrolDataView::RefreshAfterMaintenance);
}

void frmMain::SelectView(int view)
{
    m_currentView = view == 1 || view == 2 ? view : 0;
    m_ui->pic->setCurrentIndex(m_currentView);
    for (const char *name : kPatrolViewOnly)
        m_commands->setWanted(QLatin1String(name), m_currentView == 0);
    if (m_currentView == 2) {
        m_data->setReportSource(m_scheduleView);
        m_scheduleView->tabs()->setFocus();
    } else if (m_currentView == 1) {
        m_data->setReportSource(m_tagView);
        m_tagView->searchBox()->setFocus();
    } else {
        m_data->setReportSource(m_patrolView);
        m_patrolView->searchBox()->setFocus();
    }
}

void frmMain::Initial_lvwPatrolData()
{
    m_patrolView->Initial_lvwPatrolData();
    // A language switch comes through here: the schedule view's captions follow.
    m_scheduleView->applyTexts();
    applyTexts();
}

void frmMain::Initial_tvwPatrolData()
{
    m_patrolView->Initial_tvwPatrolData();
}

void frmMain::applyTexts()
{
    m_commands->applyTexts();
    m_patrolView->applyTexts();
    m_tagView->applyTexts();
    showCentral();
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
    applyTexts();
    m_terminal->showModel();
    showFile(m_patrolView->CurrentFilePath());
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

void frmMain::showFile(const QString &path)
{
    m_sbFile->setText(path.isEmpty() ? QString()
                                     : CRes::instance().ResString(60, QStringLiteral("Patrol data file:"))
                                         + QLatin1Char(' ') + QDir::toNativeSeparators(path));
}
