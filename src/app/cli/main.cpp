// tavrel-cli: the patrol-data codec, the serial ports, the terminal links and
// the headless download, without a window.

#include "CliCentral.h"
#include "CliContext.h"
#include "CliCore.h"
#include "CliData.h"
#include "CliDownload.h"
#include "CliExceptions.h"
#include "CliFlags.h"
#include "CliKr.h"
#include "CliLanguage.h"
#include "CliPatrol.h"
#include "CliPlans.h"
#include "CliTerminalSettings.h"
#include "CliVerify.h"
#include "CliVx.h"

#include "ComPorts.h"
#include "DataStore.h"
#include "Ledger.h"
#include "Settings.h"
#include "Workspace.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>

#include <cstdio>
#include <memory>

namespace {

struct CommandEntry
{
    const char *name;
    CliHandler handler;
    bool needsStore; // opens tvl.mdb and tvl.mon of the workspace first
    const char *usage;
};

const CommandEntry kCommands[] = {
    {"decode", &cliDecode, false, "decode FILE.tvl        print each record of a patrol-data file"},
    {"encode", &cliEncode, false, "encode FILE.tvl        append each line of standard input as a record"},
    {"ports", &cliPorts, false, "ports [map COMn DEV | unmap COMn]  list the port names and devices, or (un)map one"},
    {"kr", &cliKr, false, "kr [--id N] COMMAND    one KR terminal operation (kr --help for the list)"},
    {"vx", &cliVx, false, "vx [--password P] CMD  one VX terminal operation (vx --help for the list)"},
    {"download", &cliDownload, true, "download [--auto]      download the terminal of the settings into Unapproved/"},
    {"files", &cliFiles, true, "files                  list the patrol-data files, unapproved then approved"},
    {"approve", &cliApprove, true, "approve NAME | --all   move files from Unapproved/ to Approved/; prints the new names"},
    {"show", &cliShow, true, "show PATH [--iso]      print the rows of a patrol-data file as the list shows them"},
    // Data in and out.
    {"export", &cliExport, true, "export PATH --xlsx OUT.xlsx | --text OUT.txt  the rows of a .tvl or old .mdb as a workbook or data0.txt lines"},
    {"report", &cliReport, true, "report patrol PATH --pdf OUT.pdf | report tags --pdf OUT.pdf  a report as PDF; report send --mail-to ADDR (--period yesterday|last-week | --from D --to D) [--plan NAME] [--only-if-missed] [--force]  the exception report by mail"},
    {"tags", &cliTagCommands, true, "tags list | add CODE DESCRIPTION | edit OLD NEW DESCRIPTION | delete CODE... | export FILE.tag | import FILE | guard CODE... | unguard CODE... | guards | incident CODE TEXT | unincident CODE | incidents"},
    {"plans", &cliPlans, true, "plans list | export FILE.json | import FILE.json  the patrol plans"},
    {"language", &cliLanguage, true, "language [list] | set NAME | add NAME | delete NAME  the interface languages"},
    {"search", &cliSearch, true, "search                 find the terminal on COM1..COM16 and store its family and port"},
    {"exceptions", &cliExceptions, true, "exceptions --from yyyy-MM-dd --to yyyy-MM-dd [--plan NAME] [--pdf OUT.pdf]  the plans' missed, late, early and extra reads"},
    {"verify", &cliVerify, true, "verify [--head HASH]   check the patrol-data files and the ledger; or whether a printed head is in it"},
    {"flags", &cliFlags, true, "flags --from yyyy-MM-dd --to yyyy-MM-dd [--rule R]  suspicious reads (burst, repeat, transit, clock); exit 7 when any"},
    {"incidents", &cliIncidents, true, "incidents --from yyyy-MM-dd --to yyyy-MM-dd  incident reads and the checkpoints they belong to"},
    {"site", &cliSite, true, "site [set NAME]        this workspace's id and name as a site of the central database"},
    {"central", &cliCentral, true, "central COMMAND        the central PostgreSQL database (central --help for the list)"},
    {"options", &cliOptions, false, "options [set KEY VALUE]  print the terminal settings, or set one"},
};

void printUsage(QTextStream &err)
{
    err << "usage: tavrel-cli [--workspace DIR] [--port COMn] COMMAND [ARGS]\n\ncommands:\n";
    for (const CommandEntry &c : kCommands)
        err << "  " << c.usage << '\n';
    err.flush();
}

}

QString CliContext::portName() const
{
    return port.isEmpty() ? GetSetting(QStringLiteral("Terminal"), QStringLiteral("Comport"), QStringLiteral("COM1"))
                          : port;
}

int CliContext::linkFailure(qint32 code, const QString &name)
{
    err << "ErrCode: " << code << ", " << name << '\n';
    return CliExit::kLinkFailure;
}

bool CliContext::momentArgument(const QStringList &args, QDateTime *moment)
{
    *moment = args.isEmpty() ? QDateTime::currentDateTime()
                             : QDateTime::fromString(args.first(), QStringLiteral("yyyyMMddHHmmss"));
    if (moment->isValid() && (args.isEmpty() || args.first().size() == 14))
        return true;
    err << "tavrel-cli: set-time wants 14 digits YYYYMMDDhhnnss\n";
    return false;
}

bool CliContext::rangeOptions(const QStringList &names, QDate *from, QDate *to, QHash<QString, QString> *values,
                              QString *why) const
{
    for (qsizetype i = 0; i < args.size(); i += 2) {
        const QString &name = args[i];
        if (name != QLatin1String("--from") && name != QLatin1String("--to") && !names.contains(name)) {
            *why = QStringLiteral("unknown argument %1").arg(name);
            return false;
        }
        if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
            *why = QStringLiteral("%1 needs a value").arg(name);
            return false;
        }
        values->insert(name, args[i + 1]);
    }
    *from = QDate::fromString(values->value(QStringLiteral("--from")), Qt::ISODate);
    *to = QDate::fromString(values->value(QStringLiteral("--to")), Qt::ISODate);
    if (!from->isValid() || !to->isValid()) {
        *why = QStringLiteral("--from and --to take dates yyyy-MM-dd");
        return false;
    }
    if (*to < *from) {
        *why = QStringLiteral("--to is before --from");
        return false;
    }
    return true;
}

// The command word: the first argument that is neither an option nor an option's value.
static QString commandWord(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--workspace" || arg == "--port")
            ++i;
        else if (!arg.startsWith("--"))
            return QString::fromLocal8Bit(arg);
    }
    return {};
}

int main(int argc, char **argv)
{
    // Reports draw text, which needs a GUI application; it never shows a window.
    std::unique_ptr<QCoreApplication> application;
    const QString command = commandWord(argc, argv);
    // Of the central database's commands only a report written as PDF draws.
    const bool pdf = std::any_of(argv + 1, argv + argc, [](const char *a) { return qstrcmp(a, "--pdf") == 0; });
    if (command == QLatin1String("central") ? pdf : cliNeedsGui(command)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication &app = *application;
    QCoreApplication::setApplicationName(QStringLiteral("Tavrel"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList args = app.arguments().mid(1);
    QString workspace;
    QString port;
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--workspace") || option == QLatin1String("--port")) {
            if (args.isEmpty()) {
                err << "tavrel-cli: option " << option << " needs a value\n";
                return CliExit::kUsage;
            }
            (option == QLatin1String("--workspace") ? workspace : port) = args.takeFirst();
        } else if (option == QLatin1String("--help")) {
            printUsage(err);
            return CliExit::kOk;
        } else {
            err << "tavrel-cli: unknown option " << option << '\n';
            printUsage(err);
            return CliExit::kUsage;
        }
    }
    if (args.isEmpty()) {
        printUsage(err);
        return CliExit::kUsage;
    }
    if (!port.isEmpty() && !IsComPortName(port)) {
        err << "tavrel-cli: --port takes a port name COM1 to COM99 (map a device with: tavrel-cli ports map COMn DEVICE)\n";
        return CliExit::kUsage;
    }
    const QString name = args.takeFirst();
    const CommandEntry *entry = nullptr;
    for (const CommandEntry &c : kCommands)
        if (name == QLatin1String(c.name))
            entry = &c;
    if (!entry) {
        err << "tavrel-cli: unknown command " << name << '\n';
        printUsage(err);
        return CliExit::kUsage;
    }

    const QString folder = Workspace::resolve(workspace, QCoreApplication::applicationDirPath());
    QString error;
    Workspace::setCurrent(folder);
    if (entry->needsStore) {
        if (!Workspace::createIfMissing(folder, &error)) {
            err << "tavrel-cli: " << error << '\n';
            return CliExit::kFailure;
        }
        // Only a workspace that was never used gets its databases silently;
        // the first-start marker says nothing here, the command line never removes it.
        const bool inUse = Workspace::inUse(folder);
        QStringList created;
        if (!DataStore::open(&error, &created)) {
            err << "tavrel-cli: " << error << '\n';
            return CliExit::kUnreadable;
        }
        if (inUse)
            DataStore::reportRecreated(created);
        // A workspace that had files before it had a ledger starts it now.
        if (!Ledger::ensureBaseline(&error))
            err << "tavrel-cli: " << error << '\n';
    }

    CliContext context{workspace, port, args, out, err};
    const int status = entry->handler(context);
    out.flush();
    err.flush();
    return status;
}
