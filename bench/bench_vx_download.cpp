// A VX download of 2,000 records from the cradle simulator, paced at 19200
// baud: logon, record count, machine ID, one record request after another until
// the terminal has none left, rollback. Prints the records per second and the
// time measured against two yardsticks: the line time of the bytes exchanged
// (the protocol's own limit) and one 110 ms poll per exchange (a polling
// receive that looks at the port every 110 ms).
// Usage: bench_vx_download [RECORDS] [--spread]

#include "BenchSupport.h"
#include "ComPorts.h"
#include "Settings.h"
#include "SimulatorHost.h"
#include "VxCradleSim.h"
#include "VxLogon.h"
#include "ucVX700.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const char *processors = keepToOneProcessor(takeFlag(argc, argv, "--spread"));
    const int records = argc > 1 ? QByteArray(argv[1]).toInt() : 2000;
    constexpr int kPort = 9;
    constexpr double kBitsPerByte = 10.0; // start bit, 8 data bits, stop bit

    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("config"));
    Settings::setConfigFolder(dir.path() + QStringLiteral("/config"));
    const QString device = dir.path() + QStringLiteral("/ttyVX");

    SimulatorHost<VxCradleSim> host;
    QString error;
    const bool started = host.call([&] {
        VxCradleSim &sim = *host.sim();
        sim.setRecords(VxCradleSim::sampleRecords(records));
        sim.setPaced(true);
        return sim.start(device, &error);
    });
    if (!started) {
        std::fprintf(stderr, "bench_vx_download: %s\n", qPrintable(error));
        return 1;
    }
    SetComPortDevice(kPort, device);

    ucVX700 link;
    link.setComport(kPort);
    QElapsedTimer clock;
    clock.start();

    int exchanges = 0;
    auto failed = [&](const char *step) {
        std::fprintf(stderr, "bench_vx_download: %s failed: %s\n", step, qPrintable(ucVX700::ErrMessage(link.ErrCode())));
        return 1;
    };
    if (!VxLogon(QStringLiteral("7391"), link))
        return failed("logon");
    ++exchanges;
    link.VX700_RecordCount();
    ++exchanges;
    if (link.ErrCode() != 0)
        return failed("record count");
    const int total = link.GetData().toInt();
    link.VX700_GetID();
    ++exchanges;
    if (link.ErrCode() != 0)
        return failed("machine ID");
    int read = 0;
    for (;;) {
        link.VX700_GetOneRecord();
        ++exchanges;
        if (link.ErrCode() != 0)
            break;
        link.GetData();
        ++read;
    }
    if (link.ErrCode() != ucVX700::VX_ERR_TERMINAL_DATA_EMPTY)
        return failed("record read");
    link.VX700_RollBack();
    ++exchanges;
    if (link.ErrCode() != 0)
        return failed("rollback");
    const double seconds = clock.nsecsElapsed() / 1e9;

    const qint64 bytes = host.call([&] { return host.sim()->bytesReceived() + host.sim()->bytesSent(); });
    const int baud = host.call([&] { return host.sim()->lineBaudRate(); });
    const double simulatorLate = host.call([&] { return host.sim()->lateSeconds(); });
    if (read != records || total != records) {
        std::fprintf(stderr, "bench_vx_download: read %d of %d records (count said %d)\n", read, records, total);
        return 1;
    }
    const double lineSeconds = bytes * kBitsPerByte / baud;
    const double pollSeconds = exchanges * ucVX700::kPollMs / 1000.0;

    std::printf("VX download, %d records, paced at %d baud\n", records, baud);
    std::printf("  processors:                %s\n", processors);
    std::printf("  exchanges:                 %d\n", exchanges);
    std::printf("  bytes on the line:         %lld\n", static_cast<long long>(bytes));
    std::printf("  measured time:             %.3f s\n", seconds);
    std::printf("  records per second:        %.1f\n", read / seconds);
    std::printf("  line time of those bytes:  %.3f s\n", lineSeconds);
    std::printf("  ratio to protocol limit:   %.3f (line time / measured; 1.0 is the limit)\n", lineSeconds / seconds);
    std::printf("  110 ms-poll design time:   %.3f s (one poll per exchange)\n", pollSeconds);
    std::printf("  ratio to 110 ms-poll design: %.2f (design time / measured)\n", pollSeconds / seconds);
    std::printf("  simulator's own delay:     %.3f s (its replies later than the line allowed)\n", simulatorLate);
    return 0;
}
