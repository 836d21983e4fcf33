#include "TerminalSearch.h"

#include "LinkBusy.h"
#include "MessageReporter.h"
#include "Settings.h"
#include "TerminalOptions.h"
#include "ucKR500_900.h"
#include "ucVX700.h"

#include <QStringList>

namespace {

// A port that another program holds, or that refuses to open, is only a port
// where no terminal answers: the search notes it and goes on instead of
// stopping at a message box for each one.
class QuietReporter : public MessageReporter
{
public:
    QuietReporter() : m_previous(MessageReporter::install(this)) {}
    ~QuietReporter() override { MessageReporter::install(m_previous); }
    void failure(const QString &description, int) override { failures << description; }
    void message(const QString &text, Icon, const QString &) override { failures << text; }
    bool question(const QString &, const QString &) override { return false; }

    QStringList failures;

private:
    MessageReporter *m_previous;
};

}

TerminalSearch::TerminalSearch(QObject *parent)
    : QObject(parent)
{
}

TerminalSearch::Result TerminalSearch::run()
{
    const LinkBusy::Scope busy;
    const QuietReporter quiet;
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
