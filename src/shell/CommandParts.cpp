#include "CommandParts.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

namespace CommandParts {

QIcon themedIcon(const QWidget *widget, const char *theme, QStyle::StandardPixmap fallback)
{
    return QIcon::fromTheme(QLatin1String(theme), widget->style()->standardIcon(fallback));
}

QToolBar *makeToolbar(QWidget *parent, const QString &name, const QString &title)
{
    auto *bar = new QToolBar(title, parent);
    bar->setObjectName(name);
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    return bar;
}

void addDropDownButton(QToolBar *bar, QAction *main, QMenu *dropDown)
{
    bar->addAction(main);
    if (auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(main))) {
        button->setMenu(dropDown);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
}

}
