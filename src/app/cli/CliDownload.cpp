#include "CliDownload.h"

#include "CancelToken.h"
#include "DownloadProcess.h"
#include "Settings.h"
#include "TerminalPasswordPrompt.h"
#include "Workspace.h"
#include "ucKR500_900.h"
#include "ucVX700.h"

#include <unistd.h>

int cliDownload(CliContext &context)
{
    bool automatic = false;
    for (const QString &arg : context.args) {
        if (arg == QLatin1String("--auto")) {
            automatic = true;
        } else {
            context.err << "usage: tavrel-cli [--workspace DIR] download [--auto]\n";
            return CliExit::kUsage;
        }
    }
    const int family = GetSettingNumber(QStringLiteral("Terminal"), QStringLiteral("Model"), 0);

    // A workspace whose patrol-data folder went missing gets it back first.
    QString error;
    if (!Workspace::ensureFolders(Workspace::current(), &error)) {
        context.err << "tavrel-cli: " << error << '\n';
        return CliExit::kWriteFailure;
    }

    ucKR500_900 kr;
    ucVX700 vx;
    DownloadProcess process(kr, vx);
    process.IsAutoDownload = automatic;
    process.portName = context.port;
    TerminalPasswordPrompt prompt;
    process.passwordPrompt = &prompt;
    if (::isatty(STDERR_FILENO)) {
        QObject::connect(&process, &DownloadProcess::progressed, [&context](int, int, const QString &label) {
            context.err << '\r' << label << "   ";
            context.err.flush();
        });
    }

    // The command line has no Cancel: an interrupt ends the process.
    const CancelToken never;
    const DownloadProcess::Outcome outcome = process.run(family, never);
    if (::isatty(STDERR_FILENO) && process.recordCount() > 0)
        context.err << '\n';
    if (!process.DownloadFile().isEmpty())
        context.out << process.DownloadFile() << '\n';

    switch (outcome) {
    case DownloadProcess::Outcome::Saved:
    case DownloadProcess::Outcome::Cancelled:
        return CliExit::kOk;
    case DownloadProcess::Outcome::NoRecords:
        return CliExit::kNoRecords;
    case DownloadProcess::Outcome::LinkFailure:
    case DownloadProcess::Outcome::LogonFailed:
        // The process already said so on stderr; a scheduled run tries again.
        if (process.portInUse())
            return CliExit::kPortInUse;
        return context.linkFailure(process.errCode(), process.errName());
    case DownloadProcess::Outcome::WriteFailure:
        return CliExit::kWriteFailure;
    case DownloadProcess::Outcome::Failed:
        break;
    }
    return CliExit::kFailure;
}
