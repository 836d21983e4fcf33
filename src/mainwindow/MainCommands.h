#pragma once

#include "ActionTexts.h"

#include <QHash>
#include <QSet>
#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;

// The commands of the main window: one QAction per command, named after its
// menu item (mnuFiles_0, mnuTools_3) or, without one, its toolbar key
// (download, save). It builds the menu bar, the tray menu and the two main
// toolbars around those actions, and places the file commands the patrol-data
// view owns in the second toolbar. A command shown in several places keeps one
// action; its texts come from the language store through applyTexts().
//
// A command is "ready" once something is connected to it; commands that are
// not ready stay disabled, whatever the view asks for.
class MainCommands : public QObject
{
    Q_OBJECT
public:
    explicit MainCommands(QMainWindow *window);

    QAction *action(const QString &objectName) const;
    QMenu *menu(const QString &objectName) const;
    QList<QAction *> actions() const { return m_actions.values(); }
    // Puts a view's file commands beside Download: delete, and approve with
    // approve all in its drop-down.
    void placeFileCommands(QAction *deleteFile, QAction *approve, QAction *approveAll);

    // Marks a command as implemented and applies its wanted state.
    void setReady(const QString &objectName, bool ready = true);
    bool isReady(const QString &objectName) const { return m_ready.contains(objectName); }
    // The state the window wants (view, selection); shown only when ready.
    void setWanted(const QString &objectName, bool enabled);

    // Texts and tool tips of the toolbars' entries in the current language.
    void applyTexts();

private:
    QAction *add(const QString &name, const QString &text, int textNumber = 0, int toolTipNumber = 0);
    QMenu *addMenu(QMenu *parentMenu, const QString &name, const QString &title);
    void refresh(const QString &name);

    QMainWindow *m_window;
    QHash<QString, QAction *> m_actions;
    QHash<QString, QMenu *> m_menus;
    ActionTexts m_texts;
    QHash<QString, bool> m_wanted;
    QSet<QString> m_ready;
    QToolBar *m_filesToolbar = nullptr;
};
