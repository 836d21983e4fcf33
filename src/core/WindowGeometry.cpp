#include "WindowGeometry.h"

#include "Settings.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QWidget>

namespace {

const QString kSection = QStringLiteral("Windows");

}

WindowGeometry::WindowGeometry(QWidget *widget, Kind kind, const QString &key)
    : QObject(widget)
    , m_widget(widget)
    , m_kind(kind)
    , m_key(key)
{
    widget->installEventFilter(this);
    // A window still open when the program ends is never hidden.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (m_shown && m_widget->isVisible())
            save();
    });
}

void WindowGeometry::keep(QWidget *window, const QString &key)
{
    new WindowGeometry(window, Kind::Window, key);
}

void WindowGeometry::keep(QSplitter *splitter, const QString &key)
{
    new WindowGeometry(splitter, Kind::Splitter, key);
}

QRect WindowGeometry::clamp(const QRect &frame, const QRect &available)
{
    QRect fitted(frame.topLeft(), frame.size().boundedTo(available.size()));
    fitted.moveLeft(qBound(available.left(), fitted.left(), available.right() - fitted.width() + 1));
    fitted.moveTop(qBound(available.top(), fitted.top(), available.bottom() - fitted.height() + 1));
    return fitted;
}

void WindowGeometry::fitIntoScreen(QWidget *window)
{
    const QScreen *screen = window->screen();
    if (!screen)
        return;
    const QRect frame = window->frameGeometry();
    const QRect fitted = clamp(frame, screen->availableGeometry());
    if (fitted == frame)
        return;
    // The frame (title bar, borders) is known once the window manager framed
    // the window; before, the frame is the window itself.
    const QRect inner = window->geometry();
    const QMargins border(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                          frame.bottom() - inner.bottom());
    if (fitted.topLeft() == frame.topLeft())
        window->resize(fitted.marginsRemoved(border).size());
    else
        window->setGeometry(fitted.marginsRemoved(border));
}

bool WindowGeometry::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_widget) {
        if (event->type() == QEvent::Show && !m_shown) {
            m_shown = true;
            // A window takes its place before it appears, a splitter its
            // division once the window's layout has sized it.
            if (m_kind == Kind::Window)
                restore();
            else
                QTimer::singleShot(0, this, &WindowGeometry::restore);
        } else if (event->type() == QEvent::Hide && m_shown) {
            save();
        }
    }
    return QObject::eventFilter(watched, event);
}

void WindowGeometry::restore()
{
    const QByteArray saved = QByteArray::fromBase64(GetSetting(kSection, m_key).toLatin1());
    switch (m_kind) {
    case Kind::Window:
        if (!saved.isEmpty())
            m_widget->restoreGeometry(saved);
        fitIntoScreen(m_widget);
        break;
    case Kind::Splitter:
        if (!saved.isEmpty())
            static_cast<QSplitter *>(m_widget)->restoreState(saved);
        break;
    }
}

void WindowGeometry::save()
{
    QByteArray state;
    switch (m_kind) {
    case Kind::Window:
        state = m_widget->saveGeometry();
        break;
    case Kind::Splitter:
        state = static_cast<QSplitter *>(m_widget)->saveState();
        break;
    }
    // Losing a window's place is no reason to bother the user.
    if (!SaveSetting(kSection, m_key, QString::fromLatin1(state.toBase64())))
        qWarning("WindowGeometry: %s not saved: %s", qPrintable(m_key), qPrintable(Settings::lastError()));
}
