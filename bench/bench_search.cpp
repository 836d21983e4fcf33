// The fruitless terminal search: COM1 to COM16 for a KR terminal, then for a
// VX cradle, once with nothing mapped (the search then lists and probes only
// the machine's own serial devices, if any) and once with every port mapped to
// a pseudo-terminal that never answers. Prints both times and the time per
// probe. The silent ports of one family are probed at once, so together they
// cost about one time-out of the family's link.

#include "ComPorts.h"
#include "KrTerminalSim.h"
#include "Settings.h"
#include "SimulatorHost.h"
#include "TerminalSearch.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

void measure(const char *label)
{
    TerminalSearch search;
    QElapsedTimer clock;
    clock.start();
    const TerminalSearch::Result result = search.run();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    std::printf("%-28s %s after %d probes: %10.1f ms, %8.2f ms per probe\n", label,
                result.found ? "found" : "nothing found", result.probes, ms, ms / result.probes);
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("config"));
    Settings::setConfigFolder(dir.path() + QStringLiteral("/config"));

    measure("nothing mapped:");

    std::vector<std::unique_ptr<SimulatorHost<KrTerminalSim>>> silent;
    for (int port = TerminalSearch::kFirstPort; port <= TerminalSearch::kLastPort; ++port) {
        auto host = std::make_unique<SimulatorHost<KrTerminalSim>>();
        const QString device = dir.path() + QStringLiteral("/tty%1").arg(port);
        QString error;
        if (!host->call([&] {
                host->sim()->setSilent(true);
                return host->sim()->start(device, &error);
            })) {
            std::fprintf(stderr, "bench_search: %s\n", qPrintable(error));
            return 1;
        }
        SetComPortDevice(port, device);
        silent.push_back(std::move(host));
    }
    measure("16 silent ports mapped:");
    return 0;
}
