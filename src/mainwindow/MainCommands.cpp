#include "MainCommands.h"

#include "CRes.h"

#include <QAction>
#include <QIcon>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

namespace {

QIcon icon(QWidget *w, const char *theme, QStyle::StandardPixmap fallback)
{
    return QIcon::fromTheme(QLatin1String(theme), w->style()->standardIcon(fallback));
}

// A green plus for adding, where the desktop has no icon theme.
QIcon plusIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 150, 70));
    p.drawRoundedRect(QRectF(13, 4, 6, 24), 2, 2);
    p.drawRoundedRect(QRectF(4, 13, 24, 6), 2, 2);
    return QIcon(pixmap);
}

QToolBar *makeToolbar(QWidget *parent, const QString &name, const QString &title)
{
    auto *bar = new QToolBar(title, parent);
    bar->setObjectName(name);
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    return bar;
}

// A toolbar button with a drop-down: a click runs `main`, the arrow shows `dropDown`.
void addDropDownButton(QToolBar *bar, QAction *main, QMenu *dropDown)
{
    bar->addAction(main);
    if (auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(main))) {
        button->setMenu(dropDown);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
}

}

MainCommands::MainCommands(QMainWindow *window)
    : QObject(window)
    , m_window(window)
{
    QMenuBar *bar = window->menuBar();
    auto top = [&](const char *name, const QString &title) {
        QMenu *m = addMenu(nullptr, QLatin1String(name), title);
        bar->addMenu(m);
        return m;
    };

    QMenu *file = top("mnuFile", QStringLiteral("&File"));
    file->addAction(add(QStringLiteral("mnuFiles_0"), QStringLiteral("&Open..."), 0, 191));
    file->addAction(add(QStringLiteral("mnuFiles_1"), QStringLiteral("&Save...")));
    QAction *saveAs = add(QStringLiteral("mnuFiles_2"), QStringLiteral("Save &As..."));
    saveAs->setVisible(false);
    file->addAction(saveAs);
    file->addSeparator();
    file->addAction(add(QStringLiteral("mnuFiles_4"), QStringLiteral("Ex&port tag definition...")));
    file->addAction(add(QStringLiteral("mnuFiles_5"), QStringLiteral("&Import tag defintion...")));
    file->addSeparator();
    file->addAction(add(QStringLiteral("mnuFiles_7"), QStringLiteral("Print Pre&view"), 0, 193));
    file->addAction(add(QStringLiteral("mnuFiles_8"), QStringLiteral("&Print..."), 0, 194));
    // Most offices mail their reports: the current view's report as a PDF file.
    QAction *pdf = add(QStringLiteral("mnuFiles_exportPdf"), QStringLiteral("Export PDF..."), 320);
    pdf->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    file->addAction(pdf);
    file->addSeparator();
    file->addAction(add(QStringLiteral("mnuFiles_10"), QStringLiteral("&Exit")));

    QMenu *view = top("mnuView", QStringLiteral("&View"));
    view->addAction(add(QStringLiteral("mnuViews_0"), QStringLiteral("&Patrol Data")));
    view->addAction(add(QStringLiteral("mnuViews_1"), QStringLiteral("&Tag Definition")));
    view->addAction(add(QStringLiteral("mnuViews_2"), QStringLiteral("&Schedule")));
    view->addSeparator();
    view->addAction(add(QStringLiteral("mnuViews_3"), QStringLiteral("&Hide")));

    QMenu *tools = top("mnuTool", QStringLiteral("&Tools"));
    tools->addAction(add(QStringLiteral("mnuTools_0"), QStringLiteral("Select &language...")));
    tools->addAction(add(QStringLiteral("mnuTools_1"), QStringLiteral("&Change password...")));
    tools->addSeparator();
    tools->addAction(add(QStringLiteral("mnuTools_3"), QStringLiteral("&Terminal Configuration..."), 0, 195));
    tools->addAction(add(QStringLiteral("mnuTools_4"), QStringLiteral("&Search Terminal Wizard")));
    tools->addSeparator();
    tools->addAction(add(QStringLiteral("mnuTools_6"), QStringLiteral("&Options...")));

    QMenu *help = top("mnuHelp", QStringLiteral("&Help"));
    QAction *content = add(QStringLiteral("mnuHelps_0"), QStringLiteral("&Content..."));
    content->setVisible(false);
    help->addAction(content);
    help->addSeparator()->setVisible(false);
    help->addAction(add(QStringLiteral("mnuHelps_2"), QStringLiteral("Morvant on the &Web")));
    help->addSeparator();
    help->addAction(add(QStringLiteral("mnuHelps_4"), QStringLiteral("&About...")));

    // Pop-up menus: never in the menu bar.
    QMenu *files = addMenu(nullptr, QStringLiteral("mnuPopPatrolDataFile"), QString());
    files->addAction(add(QStringLiteral("mnuPopPatrolDataFiles_0"), QStringLiteral("&Delete"), 0, 197));
    files->addAction(add(QStringLiteral("mnuPopPatrolDataFiles_1"), QStringLiteral("&Approve"), 0, 198));
    files->addAction(add(QStringLiteral("mnuPopPatrolDataFiles_2"), QStringLiteral("Approve A&ll")));
    files->setDefaultAction(files->actions().constFirst());

    QMenu *tags = addMenu(nullptr, QStringLiteral("mnuPopTagDef"), QString());
    tags->addAction(add(QStringLiteral("mnuPopTagDefs_0"), QStringLiteral("&Add"), 0, 213));
    tags->addAction(add(QStringLiteral("mnuPopTagDefs_1"), QStringLiteral("&Delete"), 0, 214));
    tags->addAction(add(QStringLiteral("mnuPopTagDefs_2"), QStringLiteral("&Edit..."), 0, 215));
    tags->setDefaultAction(tags->actions().constFirst());

    QMenu *define = addMenu(nullptr, QStringLiteral("mnuPopDefineTag"), QString());
    define->addAction(add(QStringLiteral("mnuPopDefineTags_0"), QStringLiteral("&Define Tag...")));

    QMenu *tray = addMenu(nullptr, QStringLiteral("mnuSystray"), QString());
    tray->addAction(add(QStringLiteral("mnuSystrays_0"), QStringLiteral("&Configuration...")));
    tray->addSeparator();
    tray->addAction(add(QStringLiteral("mnuSystrays_2"), QStringLiteral("&About Tavrel")));
    QAction *trayHelp = add(QStringLiteral("mnuSystrays_3"), QStringLiteral("&Help..."));
    trayHelp->setVisible(false);
    tray->addAction(trayHelp);
    tray->addSeparator();
    tray->addAction(add(QStringLiteral("mnuSystrays_5"), QStringLiteral("&Exit")));

    // Commands that only toolbars start.
    add(QStringLiteral("save"), QStringLiteral("Save"), 357, 192);
    add(QStringLiteral("download"), QStringLiteral("Download"), 161, 196);
    add(QStringLiteral("tblPatrolData_findfirst"), QStringLiteral("Find First"), 201, 200);
    add(QStringLiteral("tblPatrolData_findnext"), QStringLiteral("Find Next        F3"), 202);
    add(QStringLiteral("tblTagDef_findfirst"), QStringLiteral("Find First"), 201, 200);
    add(QStringLiteral("tblTagDef_findnext"), QStringLiteral("Find Next        F3"), 202);

    // Icons and keys.
    struct Look
    {
        const char *name;
        const char *theme;
        QStyle::StandardPixmap fallback;
        QKeySequence key;
    };
    const Look looks[] = {
        {"mnuFiles_0", "document-open", QStyle::SP_DialogOpenButton, QKeySequence::Open},
        {"save", "document-save-as", QStyle::SP_DialogSaveButton, QKeySequence::Save},
        {"mnuFiles_7", "document-print-preview", QStyle::SP_FileDialogContentsView, QKeySequence()},
        {"mnuFiles_8", "document-print", QStyle::SP_DesktopIcon, QKeySequence::Print},
        {"mnuFiles_10", "application-exit", QStyle::SP_DialogCloseButton, QKeySequence::Quit},
        {"mnuTools_3", "preferences-system", QStyle::SP_ComputerIcon, QKeySequence()},
        {"download", "go-down", QStyle::SP_ArrowDown, QKeySequence(QStringLiteral("Ctrl+D"))},
        {"mnuPopPatrolDataFiles_0", "edit-delete", QStyle::SP_TrashIcon, QKeySequence()},
        {"mnuPopPatrolDataFiles_1", "dialog-ok-apply", QStyle::SP_DialogApplyButton, QKeySequence()},
        {"tblPatrolData_findfirst", "edit-find", QStyle::SP_FileDialogContentsView, QKeySequence()},
        {"tblTagDef_findfirst", "edit-find", QStyle::SP_FileDialogContentsView, QKeySequence()},
        {"mnuPopTagDefs_1", "list-remove", QStyle::SP_TrashIcon, QKeySequence()},
        {"mnuPopTagDefs_2", "document-properties", QStyle::SP_FileDialogDetailedView, QKeySequence()},
    };
    for (const Look &look : looks) {
        QAction *a = action(QLatin1String(look.name));
        a->setIcon(icon(window, look.theme, look.fallback));
        if (!look.key.isEmpty())
            a->setShortcut(look.key);
    }

    action(QStringLiteral("mnuPopTagDefs_0"))->setIcon(QIcon::fromTheme(QStringLiteral("list-add"), plusIcon()));

    QToolBar *toolbar1 = makeToolbar(window, QStringLiteral("Toolbar1"), QStringLiteral("Patrol data"));
    for (const char *name : {"mnuFiles_0", "save", "mnuFiles_7", "mnuFiles_8", "mnuTools_3"})
        toolbar1->addAction(action(QLatin1String(name)));
    window->addToolBar(Qt::TopToolBarArea, toolbar1);

    QToolBar *toolbar2 = makeToolbar(window, QStringLiteral("Toolbar2"), QStringLiteral("Patrol data files"));
    toolbar2->addAction(action(QStringLiteral("download")));
    toolbar2->addAction(action(QStringLiteral("mnuPopPatrolDataFiles_0")));
    QMenu *approve = addMenu(nullptr, QStringLiteral("Toolbar2_approve"), QString());
    approve->addAction(action(QStringLiteral("mnuPopPatrolDataFiles_1")));
    approve->addAction(action(QStringLiteral("mnuPopPatrolDataFiles_2")));
    addDropDownButton(toolbar2, action(QStringLiteral("mnuPopPatrolDataFiles_1")), approve);
    window->addToolBar(Qt::TopToolBarArea, toolbar2);

    // The view toolbars live in their views; the views take them over.
    m_tblPatrolData = makeToolbar(window, QStringLiteral("tblPatrolData"), QStringLiteral("Patrol data"));
    QMenu *patrolSearch = addMenu(nullptr, QStringLiteral("tblPatrolData_search"), QString());
    patrolSearch->addAction(action(QStringLiteral("tblPatrolData_findfirst")));
    patrolSearch->addAction(action(QStringLiteral("tblPatrolData_findnext")));
    addDropDownButton(m_tblPatrolData, action(QStringLiteral("tblPatrolData_findfirst")), patrolSearch);

    m_tblTagDef = makeToolbar(window, QStringLiteral("tblTagDef"), QStringLiteral("Tag definitions"));
    for (const char *name : {"mnuPopTagDefs_0", "mnuPopTagDefs_1", "mnuPopTagDefs_2"})
        m_tblTagDef->addAction(action(QLatin1String(name)));
    QMenu *tagSearch = addMenu(nullptr, QStringLiteral("tblTagDef_search"), QString());
    tagSearch->addAction(action(QStringLiteral("tblTagDef_findfirst")));
    tagSearch->addAction(action(QStringLiteral("tblTagDef_findnext")));
    addDropDownButton(m_tblTagDef, action(QStringLiteral("tblTagDef_findfirst")), tagSearch);

    for (QAction *a : std::as_const(m_actions))
        a->setEnabled(false);
}

QAction *MainCommands::add(const QString &name, const QString &text, int textNumber, int toolTipNumber)
{
    auto *a = new QAction(text, m_window);
    a->setObjectName(name);
    m_actions.insert(name, a);
    if (textNumber)
        m_textNumbers.insert(name, textNumber);
    if (toolTipNumber)
        m_toolTipNumbers.insert(name, toolTipNumber);
    m_wanted.insert(name, true);
    return a;
}

QMenu *MainCommands::addMenu(QMenu *parentMenu, const QString &name, const QString &title)
{
    auto *m = new QMenu(title, parentMenu ? static_cast<QWidget *>(parentMenu) : m_window);
    m->setObjectName(name);
    m_menus.insert(name, m);
    return m;
}

QAction *MainCommands::action(const QString &objectName) const
{
    return m_actions.value(objectName);
}

QMenu *MainCommands::menu(const QString &objectName) const
{
    return m_menus.value(objectName);
}

void MainCommands::setReady(const QString &objectName, bool ready)
{
    if (ready)
        m_ready.insert(objectName);
    else
        m_ready.remove(objectName);
    refresh(objectName);
}

void MainCommands::setWanted(const QString &objectName, bool enabled)
{
    m_wanted.insert(objectName, enabled);
    refresh(objectName);
}

void MainCommands::refresh(const QString &name)
{
    if (QAction *a = action(name))
        a->setEnabled(m_ready.contains(name) && m_wanted.value(name, true));
}

void MainCommands::applyTexts()
{
    CRes &res = CRes::instance();
    for (auto it = m_textNumbers.cbegin(); it != m_textNumbers.cend(); ++it)
        action(it.key())->setText(res.ResString(it.value(), action(it.key())->text()));
    for (auto it = m_toolTipNumbers.cbegin(); it != m_toolTipNumbers.cend(); ++it)
        action(it.key())->setToolTip(res.ResString(it.value(), action(it.key())->toolTip()));
}
