#include "SingleInstance.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

SingleInstance::SingleInstance(const QString &lockPath)
    : m_path(lockPath)
    , m_lock(lockPath)
{
    // A running copy holds the lock for hours, so age must never make it stale;
    // the lock of a copy that died is recognised by its process id instead.
    m_lock.setStaleLockTime(0);
}

SingleInstance::Result SingleInstance::acquire()
{
    if (m_lock.isLocked())
        return Result::Acquired;
    if (m_lock.tryLock(0))
        return Result::Acquired;
    if (m_lock.error() == QLockFile::LockFailedError)
        return Result::AlreadyRunning;
    m_error = QStringLiteral("Cannot create the lock file %1").arg(QDir::toNativeSeparators(m_path));
    return Result::Unavailable;
}

QString SingleInstance::defaultLockPath()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && QFileInfo(runtime).isWritable())
        return runtime + QStringLiteral("/tavrel.lock");
    return QDir::tempPath() + QStringLiteral("/tavrel-%1.lock").arg(::getuid());
}
