#pragma once

#include <QKeySequence>
#include <QString>

class QAction;
class QPushButton;
class QWidget;

// A key that presses a button of a page while the page is showing. The key
// lives on an action of the page: a button's own shortcut is replaced by the
// mnemonic of every caption set on it, so a language switch would drop it.
namespace ButtonKey {

// `name` is the action's object name; the action presses `button` when enabled.
QAction *bind(QWidget *page, QPushButton *button, const QKeySequence &key, const QString &name);

}
