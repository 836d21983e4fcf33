// A KR download of 2,000 records from the terminal simulator, paced at 19200
// baud: record count, then BeginDownload and GetRecord until the terminal
// sends EOT. Prints the records per second and the time measured against two
// yardsticks: the protocol's own limit (the line time of every byte exchanged
// in both directions plus the 5 ms pause before each record's ACK) and a
// receive that polls every 50 ms (one poll plus the pause per record).
// Usage: bench_kr_download [RECORDS] [--spread]

#include "BenchSupport.h"
#include "ComPorts.h"
#include "KrTerminalSim.h"
#include "Settings.h"
#include "SimulatorHost.h"
#include "ucKR500_900.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const char *processors = keepToOneProcessor(takeFlag(argc, argv, "--spread"));
    const int records = argc > 1 ? QByteArray(argv[1]).toInt() : 2000;
    constexpr int kPort = 8;
    constexpr double kLineBytesPerSecond = 19200.0 / 10.0; // start bit, 8 data bits, stop bit
    constexpr double kPauseSeconds = 0.005;
    constexpr double kPolledSecondsPerRecord = 0.050 + kPauseSeconds;

    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("config"));
    Settings::setConfigFolder(dir.path() + QStringLiteral("/config"));
    const QString device = dir.path() + QStringLiteral("/ttyKR");

    SimulatorHost<KrTerminalSim> host;
    QString error;
    const bool started = host.call([&] {
        KrTerminalSim &sim = *host.sim();
        sim.setRecords(KrTerminalSim::generateRecords(records));
        sim.setPaced(true);
        return sim.start(device, &error);
    });
    if (!started) {
        std::fprintf(stderr, "bench_kr_download: %s\n", qPrintable(error));
        return 1;
    }
    SetComPortDevice(kPort, device);

    ucKR500_900 link;
    link.setCommPort(kPort);
    qint16 total = 0;
    link.GetRecordCount(0, total);
    if (link.ErrCode() != 0) {
        std::fprintf(stderr, "bench_kr_download: record count failed: %s\n", qPrintable(link.ErrMessage()));
        return 1;
    }
    // Let the terminal take the count's ACK before the counters start.
    QThread::msleep(50);
    host.call([&] { host.sim()->resetCounters(); });

    QElapsedTimer clock;
    clock.start();
    link.BeginDownload(0);
    int read = 0;
    for (;;) {
        QString record;
        link.GetRecord(record);
        if (link.ErrCode() != 0)
            break;
        ++read;
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (link.ErrCode() != 1 || read != total) {
        std::fprintf(stderr, "bench_kr_download: stopped after %d of %d records: %s\n", read, int(total),
                     qPrintable(link.ErrMessage()));
        return 1;
    }
    const qint64 lineBytes = host.call([&] { return host.sim()->bytesReceived() + host.sim()->bytesSent(); });
    const double simulatorLate = host.call([&] { return host.sim()->lateSeconds(); });
    const double limit = lineBytes / kLineBytesPerSecond + read * kPauseSeconds;
    const double polled = read * kPolledSecondsPerRecord;

    std::printf("processors:              %s\n", processors);
    std::printf("records:                 %d in %.2f s\n", read, seconds);
    std::printf("records per second:      %.1f\n", read / seconds);
    std::printf("bytes on the line:       %lld (%.2f s at 19200 baud) + %d x 5 ms pause = %.2f s\n",
                static_cast<long long>(lineBytes), lineBytes / kLineBytesPerSecond, read, limit);
    std::printf("ratio to protocol limit: %.3f (limit %.2f s / measured %.2f s)\n", limit / seconds, limit, seconds);
    std::printf("ratio to 50 ms polling:  %.2f (%.2f s / measured %.2f s)\n", polled / seconds, polled, seconds);
    std::printf("simulator's own delay:   %.3f s (its replies later than the line allowed)\n", simulatorLate);
    return 0;
}
