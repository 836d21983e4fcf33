#include "RegularFile.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString notRegular(const QString &path)
{
    return QStringLiteral("%1 is not a regular file.").arg(QDir::toNativeSeparators(path));
}

QString cannotOpen(const QString &path, int err)
{
    return QStringLiteral("Cannot open %1: %2")
        .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(err)));
}

}

bool RegularFile::openForReading(QFile &file, const QString &path, QString *error)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st = {};
    if (::stat(name.constData(), &st) != 0) {
        *error = cannotOpen(path, errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        *error = notRegular(path);
        return false;
    }
    // The name may have been replaced since the check: O_NONBLOCK keeps the
    // open from waiting on a FIFO, and the open file is checked again.
    int fd = -1;
    do
        fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        *error = cannotOpen(path, errno);
        return false;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *error = notRegular(path);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file.setFileName(path);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *error = QStringLiteral("Cannot open %1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}
