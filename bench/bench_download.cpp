// An end-to-end download of 2,000 records through the download logic (the
// same DownloadProcess the dialog and tavrel-cli run), from the simulator
// paced at 19200 baud, for each terminal family: count, logon (VX), every
// record written to a patrol-data file, no follow-up actions. Prints records
// per second and the ratio to the protocol limit: the line time of every byte
// exchanged in both directions, plus for KR the 5 ms pause before each ACK.
// With --window the download runs in the download dialog, as the main window
// opens it (input held back while the link waits, the bar and its label
// following each record), on the offscreen platform unless another is set;
// the time then counts from the bar's start to the dialog's close, and the
// line's bytes over the same span.
// Usage: bench_download [RECORDS] [--spread] [--window]

#include "BenchSupport.h"
#include "CancelToken.h"
#include "ComPorts.h"
#include "DataStore.h"
#include "DownloadProcess.h"
#include "KrTerminalSim.h"
#include "Settings.h"
#include "SimulatorHost.h"
#include "VxCradleSim.h"
#include "frmDownloadProcess.h"
#include "InputHold.h"
#include "Workspace.h"
#include "ucKR500_900.h"
#include "ucVX700.h"

#include <QApplication>
#include <QProgressBar>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr double kLineBytesPerSecond = 19200.0 / 10.0; // start bit, 8 data bits, stop bit
constexpr double kKrPauseSeconds = 0.005;

template<class Sim>
bool measure(const char *family, int familyIndex, int records, double pausePerRecord, bool window,
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

    const auto bytesSoFar = [&] {
        return host.call([&] { return host.sim()->bytesReceived() + host.sim()->bytesSent(); });
    };
    ucKR500_900 kr;
    ucVX700 vx;
    QElapsedTimer clock;
    qint64 bytesBefore = 0;
    DownloadProcess::Outcome outcome;
    int saved = 0;
    if (window) {
        frmDownloadProcess dialog(kr, vx, familyIndex);
        // The bar is set to its start once the terminal has told its count.
        auto *bar = dialog.findChild<QProgressBar *>(QStringLiteral("pb"));
        QObject::connect(bar, &QProgressBar::valueChanged, bar, [&] {
            if (!clock.isValid()) {
                bytesBefore = bytesSoFar();
                clock.start();
            }
        });
        dialog.exec();
        outcome = dialog.outcome();
        // The dialog does not say how many records it saved: the file does, a line each.
        QFile file(QDir(Workspace::unapprovedFolder()).filePath(dialog.DownloadFile()));
        if (!dialog.DownloadFile().isEmpty() && file.open(QIODevice::ReadOnly))
            saved = int(file.readAll().count('\n'));
    } else {
        DownloadProcess process(kr, vx);
        clock.start();
        outcome = process.run(familyIndex, CancelToken());
        saved = process.recordCount();
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (outcome != DownloadProcess::Outcome::Saved || saved != records) {
        std::fprintf(stderr, "bench_download: %s download ended with outcome %d, %d of %d records\n", family,
                     int(outcome), saved, records);
        return false;
    }
    const qint64 lineBytes = bytesSoFar() - bytesBefore;
    const double simulatorLate = host.call([&] { return host.sim()->lateSeconds(); });
    const double limit = lineBytes / kLineBytesPerSecond + records * pausePerRecord;
    std::printf("%s: %d records in %.2f s, %.1f records/s; %lld bytes on the line, limit %.2f s; "
                "ratio to protocol limit %.3f; simulator's own delay %.3f s\n",
                family, records, seconds, records / seconds, static_cast<long long>(lineBytes), limit,
                limit / seconds, simulatorLate);
    return true;
}

}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("processors: %s\n", keepToOneProcessor(takeFlag(argc, argv, "--spread")));
    const bool window = takeFlag(argc, argv, "--window");
    std::printf("through: %s\n", window ? "the download dialog (--window)" : "the download logic (--window: the dialog)");
    const int records = argc > 1 ? QByteArray(argv[1]).toInt() : 2000;
    // As in the program: no click or key reaches a window while a link waits.
    InputHold inputHold;

    QTemporaryDir workspace;
    QString error;
    if (!openBenchWorkspace(workspace, &error)) {
        std::fprintf(stderr, "bench_download: %s\n", qPrintable(error));
        return 1;
    }
    for (const char *key : {"AutoClearData", "AutoUpdateTime", "AutoPowerDown"})
        SaveSetting(QStringLiteral("Terminal"), QLatin1String(key), QStringLiteral("0"));

    const bool kr = measure<KrTerminalSim>("KR", DownloadProcess::kKrFamily, records, kKrPauseSeconds, window,
                                           [records](KrTerminalSim &sim) {
                                               sim.setRecords(KrTerminalSim::generateRecords(records));
                                           });
    const bool vx = measure<VxCradleSim>("VX", DownloadProcess::kVxFamily, records, 0.0, window,
                                         [records](VxCradleSim &sim) {
                                             sim.setRecords(VxCradleSim::sampleRecords(records));
                                         });
    return kr && vx ? 0 : 1;
}
