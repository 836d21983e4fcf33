#include "Workspace.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
// Global: the run has one workspace, chosen at start (or by a test), whose
// folders every subsystem's files live in.
QString g_current;
}

QString Workspace::resolve(const QString &explicitFolder, const QString &executableFolder)
{
    if (!explicitFolder.isEmpty())
        return QDir(explicitFolder).absolutePath();
    const QString fromEnv = qEnvironmentVariable("TAVREL_WORKSPACE");
    if (!fromEnv.isEmpty())
        return QDir(fromEnv).absolutePath();
    if (!executableFolder.isEmpty()) {
        const QDir exe(executableFolder);
        const QFileInfo info(executableFolder);
        if (info.isDir() && info.isWritable()
            && (exe.exists(QStringLiteral("tvl.mdb")) || exe.exists(QStringLiteral("FirstLoad.txt"))))
            return exe.absolutePath();
    }
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Tavrel");
}

bool Workspace::createIfMissing(const QString &folder, QString *error)
{
    QDir dir(folder);
    // An empty folder (made by hand or by a script) counts as a new workspace too.
    if (dir.exists() && !dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        return true;
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("Cannot create the workspace folder %1").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    if (!ensureFolders(folder, error))
        return false;
    // A new workspace starts like a fresh install: the first start runs its steps.
    QFile marker(dir.filePath(QStringLiteral("FirstLoad.txt")));
    if (!marker.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("Cannot create %1: %2").arg(marker.fileName(), marker.errorString());
        return false;
    }
    return true;
}

bool Workspace::ensureFolders(const QString &folder, QString *error)
{
    const QDir dir(folder);
    for (const char *sub : {"Unapproved", "Approved"}) {
        const QString path = dir.filePath(QLatin1String(sub));
        if (QFileInfo(path).isDir())
            continue;
        if (!QDir().mkdir(path)) {
            if (error)
                *error = QStringLiteral("Cannot create the folder %1").arg(QDir::toNativeSeparators(path));
            return false;
        }
    }
    return true;
}

bool Workspace::inUse(const QString &folder)
{
    const QDir dir(folder);
    for (const char *name : {"tvl.mdb", "tvl.mon"}) {
        const QFileInfo database(dir.filePath(QLatin1String(name)));
        if (database.exists() || database.isSymLink())
            return true;
    }
    for (const char *sub : {"Unapproved", "Approved"}) {
        // Anything but a folder counts: a broken link or a FIFO was put there too.
        QDirIterator entries(dir.filePath(QLatin1String(sub)), QDir::Files | QDir::Hidden | QDir::System);
        if (entries.hasNext())
            return true;
    }
    return false;
}

void Workspace::setCurrent(const QString &folder)
{
    g_current = QDir(folder).absolutePath();
}

QString Workspace::current()
{
    return g_current;
}

QString Workspace::path(const QString &name)
{
    return g_current + QLatin1Char('/') + name;
}

bool IsFirstLoad()
{
    return QFileInfo::exists(Workspace::firstLoadMarker());
}
