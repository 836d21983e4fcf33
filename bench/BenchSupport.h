#pragma once

// What several benchmarks share: a throw-away workspace, tag codes, the
// processor time of the process, and where a download benchmark runs.

#include "DataStore.h"
#include "Settings.h"
#include "Workspace.h"

#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>
#include <ctime>

#include <sched.h>

// A ten-digit hexadecimal tag code, one for each number.
inline QString codeOf(int i)
{
    return QStringLiteral("%1").arg(0x4A1B2C3ull + i, 10, 16, QLatin1Char('0')).toUpper();
}

// Processor time of this process: on a busy machine a fairer figure than the clock.
inline double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Points the settings and the workspace into `dir` and opens the databases.
inline bool openBenchWorkspace(const QTemporaryDir &dir, QString *error)
{
    Settings::setConfigFolder(dir.filePath(QStringLiteral("config")));
    const QString workspace = dir.filePath(QStringLiteral("ws"));
    if (!Workspace::createIfMissing(workspace, error))
        return false;
    Workspace::setCurrent(workspace);
    return DataStore::open(error);
}

// Removes `flag` from the arguments; true when it was there.
inline bool takeFlag(int &argc, char **argv, const char *flag)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], flag) == 0) {
            std::copy(argv + i + 1, argv + argc, argv + i);
            --argc;
            return true;
        }
    }
    return false;
}

// A download benchmark runs the link and the simulated terminal in one
// process, and they wake each other at every exchange. On a virtual machine a
// wake-up that crosses to the other processor costs a tenth of a millisecond
// and, now and then, a host's scheduling tick of some 3 ms: a cost of the
// simulation (a real terminal is a device of its own), not of the link. Unless
// `spread`, the process keeps to the processor it started on, so that what is
// measured is the link's own time. Says which, for the printout.
inline const char *keepToOneProcessor(bool spread)
{
    if (spread)
        return "any (--spread)";
    const int cpu = sched_getcpu();
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    if (cpu < 0 || sched_setaffinity(0, sizeof set, &set) != 0)
        return "any (could not keep to one)";
    return "one, shared by the link and the simulator (--spread: any)";
}
