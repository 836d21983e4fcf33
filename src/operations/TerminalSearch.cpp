#include "TerminalSearch.h"

#include "LinkBusy.h"
#include "Settings.h"
#include "TerminalOptions.h"
#include "ucKR500_900.h"
#include "ucVX700.h"

TerminalSearch::TerminalSearch(QObject *parent)
    : QObject(parent)
{
}

TerminalSearch::Result TerminalSearch::run()
{
    const LinkBusy::Scope busy;
    // gs and wm: the search's own KR and VX links, at their default time-outs.
    ucKR500_900 gs;
    ucVX700 wm;
    Result result;
    for (int family : {TerminalOptions::kKrFamily, TerminalOptions::kVxFamily}) {
        Q_EMIT familyStarted(family, TerminalOptions::familyName(family));
        for (int port = kFirstPort; port <= kLastPort; ++port) {
            const QString name = QStringLiteral("COM%1").arg(port);
            Q_EMIT probing(name);
            ++result.probes;
            bool answered = false;
            if (family == TerminalOptions::kKrFamily) {
                qint16 count = 0;
                gs.setCommPort(qint16(port));
                gs.GetRecordCount(0, count);
                answered = gs.ErrCode() == ucKR500_900::KR_SUCCESS;
            } else {
                wm.setComport(qint16(port));
                wm.VX700_RecordCount();
                answered = wm.ErrCode() == ucVX700::VX_SUCCESS;
            }
            if (answered) {
                result.found = true;
                result.family = family;
                result.port = name;
                if (!SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Comport"), name)
                    || !SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Model"), QString::number(family)))
                    result.saveError = Settings::lastError();
                return result;
            }
        }
    }
    return result;
}
