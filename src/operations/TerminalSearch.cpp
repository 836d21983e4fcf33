#include "TerminalSearch.h"

#include "ComPorts.h"
#include "LinkBusy.h"
#include "MessageReporter.h"
#include "Settings.h"
#include "TerminalOptions.h"
#include "ucKR500_900.h"
#include "ucVX700.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QSet>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <map>
#include <memory>
#include <vector>

namespace {

// A port that another program holds, or that refuses to open, is only a port
// where no terminal answers: the search drops what the links would say about
// it instead of stopping at a message box for each one. The probes call it from
// their own threads, so it keeps nothing.
class QuietReporter : public MessageReporter
{
public:
    QuietReporter() : m_previous(MessageReporter::install(this)) {}
    ~QuietReporter() override { MessageReporter::install(m_previous); }
    void failure(const QString &, int) override {}
    void message(const QString &, Icon, const QString &) override {}
    bool question(const QString &, const QString &) override { return false; }

private:
    MessageReporter *m_previous;
};

// Whether a terminal of `family` answers on COM<port>, asked by a link of the
// calling thread at the link's default time-out.
bool answers(int family, int port)
{
    if (family == TerminalOptions::kKrFamily) {
        ucKR500_900 gs;
        gs.setCommPort(qint16(port));
        qint16 count = 0;
        gs.GetRecordCount(0, count);
        return gs.ErrCode() == ucKR500_900::KR_SUCCESS;
    }
    ucVX700 wm;
    wm.setComport(qint16(port));
    wm.VX700_RecordCount();
    return wm.ErrCode() == ucVX700::VX_SUCCESS;
}

// The ports of the search that lead to a device, each device once (under its
// lowest name, where the one-by-one search would have found it first). The
// other names of the range fail to open, so they are not probed at all.
std::vector<int> portsToProbe(const QStringList &listed)
{
    std::vector<int> ports;
    QSet<QString> devices;
    for (int port = TerminalSearch::kFirstPort; port <= TerminalSearch::kLastPort; ++port) {
        if (!listed.contains(QStringLiteral("COM%1").arg(port)))
            continue;
        const QString device = ComPortDevice(port);
        const QString canonical = QFileInfo(device).canonicalFilePath();
        const QString key = canonical.isEmpty() ? device : canonical;
        if (devices.contains(key))
            continue;
        devices.insert(key);
        ports.push_back(port);
    }
    return ports;
}

// The probes of one family, all under way at once: each port's probe runs on a
// thread of its own with its own link, whose waits then turn that thread's
// event loop and not the caller's. The caller waits for an outcome with its
// own event loop running, so its windows repaint meanwhile.
class FamilyProbes
{
public:
    FamilyProbes(int family, const std::vector<int> &ports)
    {
        for (int port : ports) {
            auto probe = std::make_unique<Probe>();
            Probe *p = probe.get();
            p->thread.reset(QThread::create([p, family, port] { p->answered = answers(family, port); }));
            QObject::connect(p->thread.get(), &QThread::finished, &m_receiver, [this, p] {
                p->done = true;
                m_loop.quit();
            });
            m_probes[port] = std::move(probe);
            p->thread->start();
        }
    }

    // Every probe ends within its link's time-out; its link and port go with it.
    ~FamilyProbes()
    {
        for (auto &[port, probe] : m_probes) {
            waitFor(*probe);
            probe->thread->wait();
        }
    }

    FamilyProbes(const FamilyProbes &) = delete;
    FamilyProbes &operator=(const FamilyProbes &) = delete;

    // Whether the terminal on `port` answered, once its probe has ended.
    bool answered(int port)
    {
        const auto it = m_probes.find(port);
        if (it == m_probes.end())
            return false;
        waitFor(*it->second);
        return it->second->answered;
    }

private:
    struct Probe
    {
        std::unique_ptr<QThread> thread;
        std::atomic<bool> answered = false;
        bool done = false; // the end of the thread seen on the caller's thread
    };

    void waitFor(const Probe &probe)
    {
        while (!probe.done)
            m_loop.exec();
    }

    // Lives on the caller's thread: the ends of the probes are queued to it.
    QObject m_receiver;
    QEventLoop m_loop;
    std::map<int, std::unique_ptr<Probe>> m_probes;
};

}

TerminalSearch::TerminalSearch(QObject *parent)
    : QObject(parent)
{
}

TerminalSearch::Result TerminalSearch::run()
{
    // A device plugged in since the last listing has no COM name yet, and a
    // name without a device cannot be opened. A name that cannot be saved is
    // said here, before the search goes quiet.
    QStringList listed;
    ListComPorts(listed);
    const std::vector<int> ports = portsToProbe(listed);

    const LinkBusy::Scope busy;
    Result result;
    {
        const QuietReporter quiet;
        for (int family : {TerminalOptions::kKrFamily, TerminalOptions::kVxFamily}) {
            Q_EMIT familyStarted(family, TerminalOptions::familyName(family));
            FamilyProbes probes(family, ports);
            // The first port in order that answered, as one probe after the other would find it.
            for (int port = kFirstPort; port <= kLastPort; ++port) {
                const QString name = QStringLiteral("COM%1").arg(port);
                Q_EMIT probing(name);
                ++result.probes;
                if (probes.answered(port)) {
                    result.found = true;
                    result.family = family;
                    result.port = name;
                    break;
                }
            }
            if (result.found)
                break;
        }
    }
    if (result.found
        && (!SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Comport"), result.port)
            || !SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Model"), QString::number(result.family))))
        result.saveError = Settings::lastError();
    return result;
}
