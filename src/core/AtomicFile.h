#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A file written for the user that appears whole or not at all. The bytes go
// to an unnamed temporary file in the target's folder (a short-named one where
// the file system has no unnamed files); every write, the flush and the sync
// to the disk are checked, and only then does the file take the target's name.
// Any failure, and a destruction without commit(), removes the temporary file
// and leaves an existing target as it was; a killed process leaves nothing.
class AtomicFile
{
public:
    explicit AtomicFile(const QString &path);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Creates the temporary file; false with `error` set when it cannot.
    bool open(QString *error);
    // The open temporary file, for writers that take a device (QPdfWriter).
    QFile &device() { return m_file; }
    // A path that opens the temporary file, for writers that take a file name.
    QString temporaryPath() const;

    // False once any write failed; commit() then reports the reason.
    bool write(const QByteArray &bytes);
    // Flushes, syncs and renames over the target.
    bool commit(QString *error);
    // Drops the temporary file; the target stays as it was.
    void discard();

    // The whole file at once.
    static bool writeFile(const QString &path, const QByteArray &bytes, QString *error);

private:
    bool fail(QString reason, QString *error);
    QString cannotWrite(const QString &reason) const;

    QString m_path;
    QString m_target; // m_path, or the file it links to
    QFile m_file;
    int m_fd = -1;
    bool m_unnamed = false;
    QString m_namedTemporary;
    QString m_writeError;
};
