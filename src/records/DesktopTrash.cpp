#include "DesktopTrash.h"

#include "PatrolLibrary.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// Makes every missing folder of the absolute `path` with mode 0700, as the
// XDG base directories ask of a program that creates them.
bool makeFolders(const QString &path, QString *error)
{
    QString at;
    for (const QString &part : path.split(u'/', Qt::SkipEmptyParts)) {
        at += u'/' + part;
        if (::mkdir(QFile::encodeName(at).constData(), 0700) != 0 && errno != EEXIST) {
            *error = QStringLiteral("Cannot make %1: %2").arg(at, systemError(errno));
            return false;
        }
    }
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        *error = QStringLiteral("%1 is not a folder.").arg(path);
        return false;
    }
    return true;
}

bool writeInfo(const QString &infoPath, const QByteArray &text, QString *error)
{
    const int fd = ::open(QFile::encodeName(infoPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno != EEXIST)
            *error = QStringLiteral("Cannot create %1: %2").arg(infoPath, systemError(errno));
        return false;
    }
    const bool ok = ::write(fd, text.constData(), size_t(text.size())) == text.size() && ::fsync(fd) == 0;
    const int err = errno;
    ::close(fd);
    if (!ok) {
        ::unlink(QFile::encodeName(infoPath).constData());
        *error = QStringLiteral("Cannot write %1: %2").arg(infoPath, systemError(err));
    }
    return ok;
}

}

QString DesktopTrash::folder()
{
    // A relative XDG_DATA_HOME is to be ignored: it would put the trash
    // under whatever folder the program was started from.
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (QDir::isAbsolutePath(dataHome))
        return QDir::cleanPath(dataHome + QStringLiteral("/Trash"));
    const QString home = QDir::homePath();
    if (!QDir::isAbsolutePath(home) || home == QDir::rootPath())
        return {};
    return QDir::cleanPath(home + QStringLiteral("/.local/share/Trash"));
}

bool DesktopTrash::moveToTrash(const QString &path, QString *error)
{
    const QString trash = folder();
    if (trash.isEmpty()) {
        *error = QStringLiteral("There is no home folder to hold a trash.");
        return false;
    }
    const QString files = trash + QStringLiteral("/files");
    const QString info = trash + QStringLiteral("/info");
    if (!makeFolders(files, error) || !makeFolders(info, error))
        return false;
    const QString source = QFileInfo(path).absoluteFilePath();
    const QByteArray text = "[Trash Info]\nPath=" + QUrl::toPercentEncoding(source, "/") + "\nDeletionDate="
                            + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")).toLatin1()
                            + "\n";
    // The info file is made first and exclusively: it reserves the name.
    const int infoSuffix = int(qstrlen(".trashinfo"));
    for (int n = 1; n < 1000; ++n) {
        const QString name = PatrolLibrary::numberedName(QFileInfo(source).fileName(), n, NAME_MAX - infoSuffix);
        const QString infoPath = info + u'/' + name + QStringLiteral(".trashinfo");
        error->clear();
        if (!writeInfo(infoPath, text, error)) {
            if (!error->isEmpty())
                return false;
            continue; // the name is taken
        }
        const QString target = files + u'/' + name;
        if (PatrolLibrary::moveFile(source, target, error))
            return true;
        QFile::remove(infoPath);
        if (!QFileInfo::exists(target))
            return false;
    }
    *error = QStringLiteral("No free name for %1 in %2.").arg(QFileInfo(source).fileName(), trash);
    return false;
}
