// An end-to-end download of 2,000 records through the download logic (the
// same DownloadProcess the dialog and tavrel-cli run), from the simulator
// paced at 19200 baud, for each terminal family: count, logon (VX), every
// record written to a patrol-data file, no follow-up actions. Prints records
// per second and the ratio to the protocol limit: the line time of every byte
// exchanged in both directions, plus for KR the 5 ms pause before each ACK.

#include "CancelToken.h"
#include "ComPorts.h"
#include "DataStore.h"
#include "DownloadProcess.h"
#include "KrTerminalSim.h"
#include "Settings.h"
#include "SimulatorHost.h"
#include "VxCradleSim.h"
#include "Workspace.h"
#include "ucKR500_900.h"
#include "ucVX700.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr double kLineBytesPerSecond = 19200.0 / 10.0; // start bit, 8 data bits, stop bit
constexpr double kKrPauseSeconds = 0.005;

template<class Sim>
bool measure(const char *family, int familyIndex, int records, double pausePerRecord,
             const std::function<void(Sim &)> &fill)
{
    QTemporaryDir dir;
    const QString device = dir.path() + QStringLiteral("/tty");
    SimulatorHost<Sim> host;
    QString error;
    const bool started = host.call([&] {
        fill(*host.sim());
        host.sim()->setPaced(true);
        return host.sim()->start(device, &error);
    });
    if (!started) {
        std::fprintf(stderr, "bench_download: %s\n", qPrintable(error));
        return false;
    }
    SetComPortDevice(9, device);
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Comport"), QStringLiteral("COM9"));

    ucKR500_900 kr;
    ucVX700 vx;
    DownloadProcess process(kr, vx);
    QElapsedTimer clock;
    clock.start();
    const DownloadProcess::Outcome outcome = process.run(familyIndex, CancelToken());
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (outcome != DownloadProcess::Outcome::Saved || process.recordCount() != records) {
        std::fprintf(stderr, "bench_download: %s download stopped after %d of %d records (%s)\n", family,
                     process.recordCount(), records, qPrintable(process.errName()));
        return false;
    }
    const qint64 lineBytes = host.call([&] { return host.sim()->bytesReceived() + host.sim()->bytesSent(); });
    const double limit = lineBytes / kLineBytesPerSecond + records * pausePerRecord;
    std::printf("%s: %d records in %.2f s, %.1f records/s; %lld bytes on the line, limit %.2f s; "
                "ratio to protocol limit %.3f\n",
                family, records, seconds, records / seconds, static_cast<long long>(lineBytes), limit,
                limit / seconds);
    return true;
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? QByteArray(argv[1]).toInt() : 2000;

    QTemporaryDir workspace;
    QDir(workspace.path()).mkpath(QStringLiteral("config"));
    Settings::setConfigFolder(workspace.path() + QStringLiteral("/config"));
    const QString folder = workspace.path() + QStringLiteral("/ws");
    QString error;
    Workspace::createIfMissing(folder, &error);
    Workspace::setCurrent(folder);
    if (!DataStore::open(&error)) {
        std::fprintf(stderr, "bench_download: %s\n", qPrintable(error));
        return 1;
    }
    for (const char *key : {"AutoClearData", "AutoUpdateTime", "AutoPowerDown"})
        SaveSetting(QStringLiteral("Terminal"), QLatin1String(key), QStringLiteral("0"));

    const bool kr = measure<KrTerminalSim>("KR", DownloadProcess::kKrFamily, records, kKrPauseSeconds,
                                           [records](KrTerminalSim &sim) {
                                               sim.setRecords(KrTerminalSim::generateRecords(records));
                                           });
    const bool vx = measure<VxCradleSim>("VX", DownloadProcess::kVxFamily, records, 0.0,
                                         [records](VxCradleSim &sim) {
                                             sim.setRecords(VxCradleSim::sampleRecords(records));
                                         });
    return kr && vx ? 0 : 1;
}
