#include "PatrolLibrary.h"

#include "Workspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QString folderOf(bool approved)
{
    return approved ? Workspace::approvedFolder() : Workspace::unapprovedFolder();
}

// Copies `from` to the new file `to` (which must not exist) and makes it
// durable before returning.
bool copyDurably(const QString &from, const QString &to, QString *error)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("Cannot open %1: %2").arg(QDir::toNativeSeparators(from), source.errorString()));
        return false;
    }
    QFile target(to);
    if (!target.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        setError(error, QStringLiteral("Cannot create %1: %2").arg(QDir::toNativeSeparators(to), target.errorString()));
        return false;
    }
    bool ok = true;
    while (ok && !source.atEnd()) {
        const QByteArray chunk = source.read(1 << 20);
        ok = !chunk.isEmpty() && target.write(chunk) == chunk.size();
    }
    ok = ok && target.flush() && ::fsync(target.handle()) == 0;
    const QString why = target.errorString();
    target.close();
    if (!ok) {
        QFile::remove(to);
        setError(error, QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(to), why));
    }
    return ok;
}

}

void PatrolLibrary::refresh()
{
    m_files.clear();
    int n = 0;
    for (const bool approved : {false, true}) {
        const QStringList names = listFolder(folderOf(approved));
        for (const QString &name : names)
            m_files.append({(approved ? QStringLiteral("AA") : QStringLiteral("UU")) + QString::number(n++), name,
                            approved});
    }
    m_next = n;
}

const LibraryFile *PatrolLibrary::find(const QString &key) const
{
    for (const LibraryFile &f : m_files)
        if (f.key == key)
            return &f;
    return nullptr;
}

QString PatrolLibrary::path(const QString &key) const
{
    const LibraryFile *f = find(key);
    return f ? QDir(folderOf(f->approved)).filePath(f->name) : QString();
}

int PatrolLibrary::keyNumber(const QString &key) const
{
    return key.mid(2, 10).toInt();
}

bool PatrolLibrary::approve(const QString &key, QString *newKey, QString *error)
{
    qsizetype index = -1;
    for (qsizetype i = 0; i < m_files.size(); ++i)
        if (m_files[i].key == key)
            index = i;
    if (index < 0 || m_files[index].approved) {
        setError(error, QStringLiteral("There is no unapproved file %1.").arg(key));
        return false;
    }
    QString name;
    if (!approveFile(m_files[index].name, &name, error))
        return false;
    LibraryFile moved = m_files.takeAt(index);
    moved.key = QStringLiteral("AA") + QString::number(keyNumber(key));
    moved.name = name;
    moved.approved = true;
    m_files.append(moved);
    if (newKey)
        *newKey = moved.key;
    return true;
}

bool PatrolLibrary::approveAll(QStringList *newKeys, QString *error)
{
    for (;;) {
        QString next;
        for (const LibraryFile &f : std::as_const(m_files))
            if (!f.approved) {
                next = f.key;
                break;
            }
        if (next.isEmpty())
            return true;
        QString key;
        if (!approve(next, &key, error))
            return false;
        if (newKeys)
            newKeys->append(key);
    }
}

bool PatrolLibrary::remove(const QString &key, QString *error)
{
    const QString file = path(key);
    if (file.isEmpty()) {
        setError(error, QStringLiteral("There is no file %1.").arg(key));
        return false;
    }
    // The trash keeps a wrong click undoable; without one the file goes.
    if (!QFile::moveToTrash(file)) {
        QFile f(file);
        if (f.exists() && !f.remove()) {
            setError(error, QStringLiteral("Cannot delete %1: %2").arg(QDir::toNativeSeparators(file), f.errorString()));
            return false;
        }
    }
    m_files.removeIf([&](const LibraryFile &f) { return f.key == key; });
    return true;
}

QString PatrolLibrary::addDownloaded(const QString &name)
{
    int next = m_next;
    for (const LibraryFile &f : std::as_const(m_files))
        next = qMax(next, keyNumber(f.key) + 1);
    const QString key = QStringLiteral("UU") + QString::number(next);
    m_next = next + 1;
    // After the other unapproved files, before the approved ones.
    qsizetype at = 0;
    while (at < m_files.size() && !m_files[at].approved)
        ++at;
    m_files.insert(at, {key, name, false});
    return key;
}

QStringList PatrolLibrary::listFolder(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.tvl")}, QDir::Files, QDir::Name);
}

QString PatrolLibrary::freeName(const QString &folder, const QString &name)
{
    const QDir dir(folder);
    if (!QFileInfo::exists(dir.filePath(name)))
        return name;
    const QFileInfo info(name);
    const QString stem = info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : QStringLiteral(".") + info.suffix();
    for (int n = 2;; ++n) {
        const QString candidate = QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(suffix);
        if (!QFileInfo::exists(dir.filePath(candidate)))
            return candidate;
    }
}

bool PatrolLibrary::moveFile(const QString &from, const QString &to, QString *error)
{
    const QByteArray src = QFile::encodeName(from);
    const QByteArray dst = QFile::encodeName(to);
    // renameat2 with RENAME_NOREPLACE never replaces `to`, even in a race.
    if (::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0)
        return true;
    const int err = errno;
    if (err == EEXIST) {
        setError(error, QStringLiteral("%1 already exists.").arg(QDir::toNativeSeparators(to)));
        return false;
    }
    if (err == ENOENT || err == EACCES || err == EPERM || err == EROFS) {
        setError(error, QStringLiteral("Cannot move %1: %2").arg(QDir::toNativeSeparators(from),
                                                                 QString::fromLocal8Bit(std::strerror(err))));
        return false;
    }
    // Another file system (EXDEV) or one without the no-replace rename.
    if (!copyDurably(from, to, error))
        return false;
    if (!QFile::remove(from)) {
        setError(error, QStringLiteral("%1 was copied to %2 but could not be removed.")
                            .arg(QDir::toNativeSeparators(from), QDir::toNativeSeparators(to)));
        return false;
    }
    return true;
}

bool PatrolLibrary::approveFile(const QString &name, QString *newName, QString *error)
{
    const QString from = QDir(Workspace::unapprovedFolder()).filePath(name);
    if (name.contains(u'/') || !QFileInfo(from).isFile()) {
        setError(error, QStringLiteral("There is no file %1 in Unapproved.").arg(name));
        return false;
    }
    const QString approved = Workspace::approvedFolder();
    if (!QDir().mkpath(approved)) {
        setError(error, QStringLiteral("Cannot create %1.").arg(QDir::toNativeSeparators(approved)));
        return false;
    }
    // Another process may take the free name first: try the next one then.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString target = freeName(approved, name);
        QString why;
        if (moveFile(from, QDir(approved).filePath(target), &why)) {
            if (newName)
                *newName = target;
            return true;
        }
        if (QFileInfo::exists(QDir(approved).filePath(target)) && QFileInfo::exists(from))
            continue;
        setError(error, why);
        return false;
    }
    setError(error, QStringLiteral("No free name for %1 in Approved.").arg(name));
    return false;
}
