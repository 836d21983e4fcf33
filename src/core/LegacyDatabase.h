#pragma once

#include <QList>
#include <QString>
#include <QStringList>


// An old-generation Access (Jet 4) database, read-only through libmdb: the
// patrol-data files (.mdb) and tag exchange files (.tu) of the previous
// program. The database password lives only in the file header and libmdb
// ignores it, so open() checks it itself. libmdb trusts the file's page
// structure, and a damaged file can make it crash or loop: it reads only in a
// child process, so such a file is reported instead of ending the program.
class LegacyDatabase
{
public:
    // The password every old-generation file was written with.
    static const QString kPassword;

    LegacyDatabase();
    ~LegacyDatabase();
    LegacyDatabase(const LegacyDatabase &) = delete;
    LegacyDatabase &operator=(const LegacyDatabase &) = delete;

    // Checks the header (a Jet 4 database made of whole pages) and its
    // password against `password` (a file without a password opens with any).
    bool open(const QString &path, const QString &password, QString *error);
    void close();
    bool isOpen() const;

    // Every row of `table` in physical order, the named columns in the given
    // order. NULL reads as a null QString, an empty text as an empty one;
    // Date/Time as "yyyy-MM-dd HH:mm:ss". A file libmdb cannot get through
    // (it crashed or took over a minute) gives false with "damaged" in `error`.
    bool readTable(const QString &table, const QStringList &columns, QList<QStringList> *rows, QString *error);

    // The password stored in a Jet 4 header page (the first 4096 bytes); an
    // empty string for none. False when the page is not a Jet 4 header.
    static bool headerPassword(const QByteArray &page, QString *password);

private:
    QString m_path;
};
