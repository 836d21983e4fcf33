#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One patrol-data file of the library and its key: "UU" + n while it waits
// in Unapproved/, "AA" + n once it is in Approved/. n is unique in the library
// and stays with the file when it is approved.
struct LibraryFile
{
    QString key;
    QString name;
    bool approved = false;
};

// The two folders of patrol-data files in the current workspace, in the
// order the tree shows them: the unapproved files, then the approved ones,
// each folder by name (the names are the download times).
class PatrolLibrary
{
public:
    // Re-reads both folders; n counts from 0 through the unapproved files and
    // goes on through the approved ones.
    void refresh();
    const QList<LibraryFile> &files() const { return m_files; }
    const LibraryFile *find(const QString &key) const;
    // The path of a file; empty for a key that is not a file of the library.
    QString path(const QString &key) const;

    static bool isUnapprovedKey(const QString &key) { return key.startsWith(QLatin1String("UU")); }
    static bool isApprovedKey(const QString &key) { return key.startsWith(QLatin1String("AA")); }

    // Moves an unapproved file to Approved/. A name already taken there is
    // never overwritten: the file gets the next free "name (n).tvl". False
    // with `error` on failure; nothing is lost (the file stays where it was).
    bool approve(const QString &key, QString *newKey, QString *error);
    // Approves every unapproved file in tree order that can be approved; false
    // when one could not, with a line per such file in `error`.
    bool approveAll(QStringList *newKeys, QString *error);
    // Moves the file to the desktop's trash, or where no trash can be made to
    // Deleted/ of the workspace; a file already gone just leaves the library.
    bool remove(const QString &key, QString *error);
    // Adds a file that a download saved in Unapproved/, with a number no key
    // uses; returns its key.
    QString addDownloaded(const QString &name);

    // The names of *.tvl in a folder that are no folders, by name; whether
    // one can be read is for its reader to say.
    static QStringList listFolder(const QString &folder);
    // `name` when `folder` does not hold it, else "stem (2).ext", "stem (3).ext" ...
    static QString freeName(const QString &folder, const QString &name);
    // `name` for n = 1, else "stem (n).ext"; the stem shortened by whole
    // characters until the name takes at most `maxBytes` bytes on disk.
    static QString numberedName(const QString &name, int n, int maxBytes);
    // Moves a file without ever replacing `to`: a rename where one is possible,
    // else a copy that is flushed and synced before the source is removed.
    static bool moveFile(const QString &from, const QString &to, QString *error);
    // Approves the unapproved file `name` without a library (the command line).
    static bool approveFile(const QString &name, QString *newName, QString *error);
    // Moves `from` into `folder` under `name` or its next free numbered form.
    static bool moveToFolder(const QString &from, const QString &folder, const QString &name, QString *newName,
                             QString *error);

private:
    int keyNumber(const QString &key) const;

    QList<LibraryFile> m_files;
    int m_next = 0;
};
