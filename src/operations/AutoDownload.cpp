#include "AutoDownload.h"

#include "LinkBusy.h"
#include "ucKR500_900.h"

AutoDownload::Tick AutoDownload::tick(int autoDownloadEnabled, int terminalModel)
{
    if (autoDownloadEnabled != 1 || terminalModel != 0)
        return Tick::Skipped;
    // A tick can fire while another window waits for a reply: never talk into
    // the middle of that exchange.
    if (LinkBusy::isBusy())
        return Tick::Skipped;
    const LinkBusy::Scope busy(LinkBusy::Kind::Background);
    qint16 count = 0;
    m_kr.setTimeout(kProbeTimeoutMs);
    m_kr.GetRecordCount(0, count);
    // Between ticks the port belongs to nobody, so that another program (the
    // command line's scheduled download) can take the terminal meanwhile.
    m_kr.Disconnect();
    // The user wanted the window meanwhile: this probe proves nothing either way.
    if (LinkBusy::yieldRequested())
        return Tick::Skipped;
    switch (m_kr.ErrCode()) {
    case ucKR500_900::KR_SUCCESS:
        // The terminal downloaded last, still in the dock, is not taken again.
        return count > 0 && !m_terminalTaken ? Tick::Download : Tick::Nothing;
    case ucKR500_900::KR_ERR_TIMEOUT:
    case ucKR500_900::KR_ERR_PORT_MISSING:
    case ucKR500_900::KR_ERR_PORT_NOT_OPEN:
        // Nobody answered: the terminal that was downloaded has left the dock.
        m_terminalTaken = false;
        return Tick::Nothing;
    case ucKR500_900::KR_ERR_PORT_IN_USE:
        // Another program talks to the dock now: nothing is known of it, and
        // the next tick asks again.
        return Tick::Nothing;
    default:
        // A garbled answer is still a terminal in the dock.
        return Tick::Nothing;
    }
}
