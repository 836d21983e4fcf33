#include "AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kNameTries = 100;

// "<name>.XXXXXX" with the name shortened so that the whole stays within the
// folder's name limit: a target name near the limit must still get a temporary.
QString shortTemporaryName(const QString &dir, const QString &name)
{
    long limit = ::pathconf(QFile::encodeName(dir).constData(), _PC_NAME_MAX);
    if (limit <= 0)
        limit = 255;
    QString base = name;
    while (!base.isEmpty() && QFile::encodeName(base).size() + 7 > limit) {
        base.chop(1);
        if (!base.isEmpty() && base.back().isHighSurrogate())
            base.chop(1);
    }
    QString suffix;
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int i = 0; i < 6; ++i)
        suffix += QLatin1Char(kChars[QRandomGenerator::global()->bounded(int(sizeof kChars - 1))]);
    return QDir(dir).filePath(base + QLatin1Char('.') + suffix);
}

// Creates a new short-named file beside the target; -1 with errno set on failure.
int createNamed(const QString &dir, const QString &name, mode_t mode, QString *created)
{
    for (int i = 0; i < kNameTries; ++i) {
        const QString candidate = shortTemporaryName(dir, name);
        const int fd = ::open(QFile::encodeName(candidate).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            *created = candidate;
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

// QFile on a file descriptor names a failed write "Unknown error"; errno tells.
QString systemReason(const QFile &file)
{
    return errno != 0 ? qt_error_string(errno) : file.errorString();
}

QString procPath(int fd)
{
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
}

}

AtomicFile::AtomicFile(const QString &path)
    : m_path(QFileInfo(path).absoluteFilePath())
{
}

AtomicFile::~AtomicFile()
{
    discard();
}

QString AtomicFile::cannotWrite(const QString &reason) const
{
    return QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(m_path), reason);
}

bool AtomicFile::fail(QString reason, QString *error)
{
    discard();
    if (error)
        *error = cannotWrite(reason);
    return false;
}

bool AtomicFile::open(QString *error)
{
    discard();
    // A link is followed: the file it names is replaced, the link stays.
    const QFileInfo given(m_path);
    m_target = given.isSymLink() ? given.symLinkTarget() : m_path;
    const QFileInfo target(m_target);
    const QByteArray dir = QFile::encodeName(target.absolutePath());
    struct stat existing = {};
    const bool exists = ::stat(QFile::encodeName(m_target).constData(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return fail(QStringLiteral("it is a folder"), error);
    if (exists && ::access(QFile::encodeName(m_target).constData(), W_OK) != 0)
        return fail(qt_error_string(errno), error);
    const mode_t mode = exists ? (existing.st_mode & 07777) : 0666;

    // An unnamed file needs /proc to be given its name at the end.
    if (::access("/proc/self/fd", X_OK) == 0) {
        m_fd = ::open(dir.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
        m_unnamed = m_fd >= 0;
        if (m_fd < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return fail(qt_error_string(errno), error);
    }
    if (m_fd < 0) {
        m_fd = createNamed(target.absolutePath(), target.fileName(), mode, &m_namedTemporary);
        if (m_fd < 0)
            return fail(qt_error_string(errno), error);
    }
    // The umask narrowed the mode; a replaced file keeps the one it had.
    if (exists)
        ::fchmod(m_fd, mode);
    if (!m_file.open(m_fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
        return fail(m_file.errorString(), error);
    return true;
}

QString AtomicFile::temporaryPath() const
{
    return m_unnamed ? procPath(m_fd) : m_namedTemporary;
}

bool AtomicFile::write(const QByteArray &bytes)
{
    if (!m_writeError.isEmpty())
        return false;
    if (!m_file.isOpen()) {
        m_writeError = QStringLiteral("the file is not open");
        return false;
    }
    errno = 0;
    if (m_file.write(bytes) != bytes.size()) {
        m_writeError = systemReason(m_file);
        return false;
    }
    return true;
}

bool AtomicFile::commit(QString *error)
{
    if (m_fd < 0)
        return fail(QStringLiteral("the file is not open"), error);
    if (!m_writeError.isEmpty())
        return fail(m_writeError, error);
    if (m_file.isOpen()) {
        errno = 0;
        if (!m_file.flush() || m_file.error() != QFileDevice::NoError)
            return fail(systemReason(m_file), error);
        m_file.close();
    }
    if (::fsync(m_fd) != 0)
        return fail(qt_error_string(errno), error);

    const QFileInfo target(m_target);
    const QByteArray targetName = QFile::encodeName(m_target);
    if (m_unnamed) {
        const QByteArray source = QFile::encodeName(procPath(m_fd));
        // A target that does not exist yet is linked in one step; an existing
        // one is replaced by a rename from a short-lived second name.
        if (::linkat(AT_FDCWD, source.constData(), AT_FDCWD, targetName.constData(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno != EEXIST)
                return fail(qt_error_string(errno), error);
            int i = 0;
            for (; i < kNameTries; ++i) {
                m_namedTemporary = shortTemporaryName(target.absolutePath(), target.fileName());
                if (::linkat(AT_FDCWD, source.constData(), AT_FDCWD, QFile::encodeName(m_namedTemporary).constData(),
                             AT_SYMLINK_FOLLOW)
                    == 0)
                    break;
                m_namedTemporary.clear();
                if (errno != EEXIST)
                    return fail(qt_error_string(errno), error);
            }
            if (i == kNameTries)
                return fail(qt_error_string(EEXIST), error);
        }
    }
    if (!m_namedTemporary.isEmpty()) {
        if (::rename(QFile::encodeName(m_namedTemporary).constData(), targetName.constData()) != 0)
            return fail(qt_error_string(errno), error);
        m_namedTemporary.clear();
    }
    ::close(m_fd);
    m_fd = -1;
    m_unnamed = false;
    // The new name is durable once its folder is; the file itself already is.
    const int dir = ::open(QFile::encodeName(target.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void AtomicFile::discard()
{
    if (m_file.isOpen())
        m_file.close();
    if (!m_namedTemporary.isEmpty()) {
        ::unlink(QFile::encodeName(m_namedTemporary).constData());
        m_namedTemporary.clear();
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_unnamed = false;
    m_writeError.clear();
}

bool AtomicFile::writeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    AtomicFile file(path);
    return file.open(error) && (file.write(bytes), file.commit(error));
}
