#include "MainCommands.h"

#include "CommandParts.h"

#include <QAction>
#include <QIcon>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>

using namespace CommandParts;

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

    // The tray icon's menu: never in the menu bar.
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
    };
    for (const Look &look : looks) {
        QAction *a = action(QLatin1String(look.name));
        a->setIcon(themedIcon(window, look.theme, look.fallback));
        if (!look.key.isEmpty())
            a->setShortcut(look.key);
    }

    QToolBar *toolbar1 = makeToolbar(window, QStringLiteral("Toolbar1"), QStringLiteral("Patrol data"));
    for (const char *name : {"mnuFiles_0", "save", "mnuFiles_7", "mnuFiles_8", "mnuTools_3"})
        toolbar1->addAction(action(QLatin1String(name)));
    window->addToolBar(Qt::TopToolBarArea, toolbar1);

    m_filesToolbar = makeToolbar(window, QStringLiteral("Toolbar2"), QStringLiteral("Patrol data files"));
    m_filesToolbar->addAction(action(QStringLiteral("download")));
    window->addToolBar(Qt::TopToolBarArea, m_filesToolbar);

    for (QAction *a : std::as_const(m_actions))
        a->setEnabled(false);
}

void MainCommands::placeFileCommands(QAction *deleteFile, QAction *approve, QAction *approveAll)
{
    m_filesToolbar->addAction(deleteFile);
    QMenu *dropDown = addMenu(nullptr, QStringLiteral("Toolbar2_approve"), QString());
    dropDown->addActions({approve, approveAll});
    addDropDownButton(m_filesToolbar, approve, dropDown);
}

QAction *MainCommands::add(const QString &name, const QString &text, int textNumber, int toolTipNumber)
{
    auto *a = new QAction(text, m_window);
    a->setObjectName(name);
    m_actions.insert(name, a);
    m_texts.add(a, textNumber, toolTipNumber);
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
    m_texts.apply();
}
