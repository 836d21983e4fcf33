#pragma once

// What several benchmarks share: a throw-away workspace, tag codes and the
// processor time of the process.

#include "DataStore.h"
#include "Settings.h"
#include "Workspace.h"

#include <QString>
#include <QTemporaryDir>

#include <ctime>

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
