#include "LinkBusy.h"

#include <QCoreApplication>
#include <QThread>

namespace {

// Only the exchanges of the application's thread count: theirs are the waits
// that turn the user interface's event loop. A link on a thread of its own (a
// probe of the terminal search) neither holds the user's input nor yields to it.
bool onApplicationThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

}

LinkBusy &LinkBusy::instance()
{
    // Global: both links, the automatic download and the input hold must see
    // the one exchange under way on the port, whoever started it.
    static LinkBusy busy;
    return busy;
}

LinkBusy::Scope::Scope(Kind kind)
{
    if (!onApplicationThread())
        return;
    LinkBusy &busy = instance();
    if (busy.m_depth++ == 0) {
        busy.m_background = kind == Kind::Background;
        busy.m_yieldRequested = false;
    }
}

LinkBusy::Scope::~Scope()
{
    if (!onApplicationThread())
        return;
    LinkBusy &busy = instance();
    if (--busy.m_depth == 0) {
        busy.m_background = false;
        busy.m_yieldRequested = false;
        Q_EMIT busy.idle();
    }
}

void LinkBusy::requestYield()
{
    if (m_depth == 0 || !m_background || m_yieldRequested)
        return;
    m_yieldRequested = true;
    Q_EMIT yielding();
}
