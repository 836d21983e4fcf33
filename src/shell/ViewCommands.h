#pragma once

#include <QString>

class QMenu;
class QToolBar;

// What a view needs from the window's commands: its toolbar, its pop-up menus
// and a say in which of its commands are enabled. The main window's command
// table implements it, so the views below the main window need not know it.
class ViewCommands
{
public:
    virtual ~ViewCommands() = default;

    virtual QMenu *menu(const QString &objectName) const = 0;
    virtual QToolBar *patrolToolbar() const = 0;
    virtual QToolBar *tagToolbar() const = 0;
    // The state the view wants for a command (selection); shown only once the
    // command is connected.
    virtual void setWanted(const QString &objectName, bool enabled) = 0;

protected:
    ViewCommands() = default;
    ViewCommands(const ViewCommands &) = default;
    ViewCommands &operator=(const ViewCommands &) = default;
};
