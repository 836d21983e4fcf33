#include "InputHold.h"

#include "LinkBusy.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QWidget>
#include <QWindow>

namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
        return true;
    default:
        return false;
    }
}

bool isExemptWindow(const QWidget *window)
{
    // A message box a link shows in the middle of an exchange must be answerable.
    return window && (window->property(InputHold::kExemptProperty).toBool() || qobject_cast<const QMessageBox *>(window));
}

bool isExempt(QObject *receiver)
{
    if (auto *widget = qobject_cast<QWidget *>(receiver))
        return isExemptWindow(widget->window());
    if (auto *window = qobject_cast<QWindow *>(receiver))
        return window->property(InputHold::kExemptProperty).toBool();
    // Shortcuts go to actions: they belong to whichever window is active.
    return isExemptWindow(QApplication::activeWindow());
}

}

InputHold::InputHold(QObject *parent)
    : QObject(parent)
{
    qApp->installEventFilter(this);
    // Queued: the end of one wait is not the end of the command around it, so
    // the held input runs only once the event loop is back in charge.
    connect(&LinkBusy::instance(), &LinkBusy::idle, this, &InputHold::release, Qt::QueuedConnection);
}

InputHold::~InputHold()
{
    qApp->removeEventFilter(this);
}

bool InputHold::eventFilter(QObject *watched, QEvent *event)
{
    if (!LinkBusy::isBusy() || !isUserInput(event->type()) || isExempt(watched))
        return false;
    // A QWindow and its top-level widget both see a mouse event; holding it
    // once, at the widget that would handle it, is enough.
    if (qobject_cast<QWindow *>(watched))
        return false;
    m_held.push_back({watched, std::unique_ptr<QEvent>(event->clone())});
    // A background probe gives way at once rather than keep the user waiting.
    LinkBusy::instance().requestYield();
    return true;
}

void InputHold::release()
{
    if (m_releasing)
        return;
    m_releasing = true;
    // Delivered one by one: when an event starts another exchange, the rest
    // waits again behind it, still in order.
    while (!m_held.empty() && !LinkBusy::isBusy()) {
        Held next = std::move(m_held.front());
        m_held.erase(m_held.begin());
        if (next.receiver)
            QCoreApplication::sendEvent(next.receiver, next.event.get());
    }
    m_releasing = false;
}
