#pragma once

#include "MessageReporter.h"

#include <QIcon>
#include <QString>
#include <QStyle>

#include <exception>

class QAction;
class QMenu;
class QToolBar;
class QWidget;

// Pieces every owner of commands builds its toolbars and handlers from, so
// that the window's and the views' commands look and fail alike.
namespace CommandParts {

// The desktop theme's icon, else the style's own.
QIcon themedIcon(const QWidget *widget, const char *theme, QStyle::StandardPixmap fallback);
// A fixed toolbar of icon-only buttons.
QToolBar *makeToolbar(QWidget *parent, const QString &name, const QString &title);
// A toolbar button with a drop-down: a click runs `main`, the arrow shows `dropDown`.
void addDropDownButton(QToolBar *bar, QAction *main, QMenu *dropDown);

// Runs a command handler; an unexpected failure is shown and the program goes on.
template<typename F>
void run(F &&handler)
{
    try {
        handler();
    } catch (const std::exception &e) {
        MessageReporter::instance().failure(QString::fromLocal8Bit(e.what()), 0);
    }
}

}
