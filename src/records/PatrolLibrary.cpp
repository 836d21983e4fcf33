#include "PatrolLibrary.h"

#include "DesktopTrash.h"
#include "Ledger.h"
#include "RegularFile.h"
#include "Workspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
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
    // Only a regular file is copied: a device would never end, a FIFO never open.
    QFile source;
    QString refused;
    if (!RegularFile::openForReading(source, from, &refused)) {
        setError(error, refused);
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
    QStringList keys;
    for (const LibraryFile &f : std::as_const(m_files))
        if (!f.approved)
            keys << f.key;
    // One file that cannot move (taken by another process, a name the file
    // system refuses) leaves the others to be approved.
    QStringList failures;
    for (const QString &key : std::as_const(keys)) {
        QString newKey;
        QString why;
        if (!approve(key, &newKey, &why))
            failures << why;
        else if (newKeys)
            newKeys->append(newKey);
    }
    setError(error, failures.join(u'\n'));
    return failures.isEmpty();
}

bool PatrolLibrary::remove(const QString &key, QString *error)
{
    const QString file = path(key);
    if (file.isEmpty()) {
        setError(error, QStringLiteral("There is no file %1.").arg(key));
        return false;
    }
    // The trash keeps a wrong click undoable; where none can be made, Deleted/
    // of the workspace does. Never QFile::moveToTrash: where it cannot make the
    // trash it moves the file under the current folder.
    const QFileInfo info(file);
    if (info.exists() || info.isSymLink()) {
        // The ledger names the bytes that went to the trash. A file that was
        // already gone gets no row: its going stays a finding of verify.
        LedgerRow deleted;
        deleted.kind = Ledger::kDelete;
        deleted.fileName = Ledger::relativeName(file);
        deleted.fileHash = Ledger::hashFile(file);
        QString trashWhy;
        QString deletedWhy;
        if (!DesktopTrash::moveToTrash(file, &trashWhy)
            && !moveToFolder(file, Workspace::path(QStringLiteral("Deleted")), info.fileName(), nullptr, &deletedWhy)) {
            setError(error, QStringLiteral("Cannot delete %1: %2 %3")
                                .arg(QDir::toNativeSeparators(file), trashWhy, deletedWhy));
            return false;
        }
        Ledger::note(deleted);
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
    // System: FIFOs, devices and symlinks to them too, so that their readers
    // can name them as unreadable instead of passing over them in silence.
    return QDir(folder).entryList({QStringLiteral("*.tvl")}, QDir::Files | QDir::System, QDir::Name);
}

QString PatrolLibrary::freeName(const QString &folder, const QString &name)
{
    const QDir dir(folder);
    for (int n = 1;; ++n) {
        const QString candidate = numberedName(name, n, NAME_MAX);
        const QFileInfo taken(dir.filePath(candidate));
        if (!taken.exists() && !taken.isSymLink())
            return candidate;
    }
}

QString PatrolLibrary::numberedName(const QString &name, int n, int maxBytes)
{
    const QFileInfo info(name);
    QString stem = info.completeBaseName();
    const QString suffix = (n > 1 ? QStringLiteral(" (%1)").arg(n) : QString())
                           + (info.suffix().isEmpty() ? QString() : QStringLiteral(".") + info.suffix());
    while (!stem.isEmpty() && QFile::encodeName(stem + suffix).size() > maxBytes)
        stem.chop(stem.size() > 1 && stem.back().isLowSurrogate() && stem.at(stem.size() - 2).isHighSurrogate() ? 2 : 1);
    return stem + suffix;
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
    const QFileInfo source(from);
    if (!name.contains(u'/') && source.exists() && !source.isFile() && !source.isDir()) {
        setError(error, QStringLiteral("%1 is not a regular file.").arg(QDir::toNativeSeparators(from)));
        return false;
    }
    if (name.contains(u'/') || !source.isFile()) {
        setError(error, QStringLiteral("There is no file %1 in Unapproved.").arg(name));
        return false;
    }
    QString moved;
    if (!moveToFolder(from, Workspace::approvedFolder(), name, &moved, error))
        return false;
    Ledger::note(Ledger::kApprove, QDir(Workspace::approvedFolder()).filePath(moved));
    if (newName)
        *newName = moved;
    return true;
}

bool PatrolLibrary::moveToFolder(const QString &from, const QString &folder, const QString &name, QString *newName,
                                 QString *error)
{
    if (!QDir().mkpath(folder)) {
        setError(error, QStringLiteral("Cannot create %1.").arg(QDir::toNativeSeparators(folder)));
        return false;
    }
    // Another process may take the free name first: try the next one then.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString target = freeName(folder, name);
        QString why;
        if (moveFile(from, QDir(folder).filePath(target), &why)) {
            if (newName)
                *newName = target;
            return true;
        }
        if (QFileInfo::exists(QDir(folder).filePath(target)) && QFileInfo::exists(from))
            continue;
        setError(error, why);
        return false;
    }
    setError(error, QStringLiteral("No free name for %1 in %2.").arg(name, QDir::toNativeSeparators(folder)));
    return false;
}
