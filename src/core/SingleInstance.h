#pragma once

#include <QLockFile>
#include <QString>

// Keeps a second copy of the program from running for the same user: the first
// copy holds a lock file until it ends (a crashed copy's lock is taken over).
class SingleInstance
{
public:
    enum class Result { Acquired, AlreadyRunning, Unavailable };

    explicit SingleInstance(const QString &lockPath = defaultLockPath());

    Result acquire();
    QString lockPath() const { return m_path; }
    // Why the lock could not be made, after Unavailable.
    QString errorString() const { return m_error; }

    // $XDG_RUNTIME_DIR/tavrel.lock, or tavrel-<uid>.lock in the temporary folder.
    static QString defaultLockPath();

private:
    QString m_path;
    QLockFile m_lock;
    QString m_error;
};
