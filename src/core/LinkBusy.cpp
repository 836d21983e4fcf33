#include "LinkBusy.h"

LinkBusy &LinkBusy::instance()
{
    static LinkBusy busy;
    return busy;
}

LinkBusy::Scope::Scope(Kind kind)
{
    LinkBusy &busy = instance();
    if (busy.m_depth++ == 0) {
        busy.m_background = kind == Kind::Background;
        busy.m_yieldRequested = false;
    }
}

LinkBusy::Scope::~Scope()
{
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
