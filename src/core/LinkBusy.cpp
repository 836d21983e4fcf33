#include "LinkBusy.h"

LinkBusy &LinkBusy::instance()
{
    static LinkBusy busy;
    return busy;
}

LinkBusy::Scope::Scope()
{
    ++instance().m_depth;
}

LinkBusy::Scope::~Scope()
{
    LinkBusy &busy = instance();
    if (--busy.m_depth == 0)
        Q_EMIT busy.idle();
}
