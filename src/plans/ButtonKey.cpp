#include "ButtonKey.h"

#include <QAction>
#include <QPushButton>
#include <QWidget>

QAction *ButtonKey::bind(QWidget *page, QPushButton *button, const QKeySequence &key, const QString &name)
{
    auto *action = new QAction(page);
    action->setObjectName(name);
    action->setShortcut(key);
    // The page is visible only while its view and tab are: the key needs no focus inside it.
    action->setShortcutContext(Qt::WindowShortcut);
    page->addAction(action);
    QObject::connect(action, &QAction::triggered, button, [button] {
        if (button->isEnabled())
            button->click();
    });
    return action;
}
