#pragma once

#include "TagStore.h"

#include <QDate>
#include <QList>
#include <QString>

// The tag exchange files: the .tag text file (code, tab, description, CR LF,
// Windows-1252), written and read, and the old-generation .tu database (table
// TagsDef, fields Code and Name), read only. An import checks the file's type,
// reads and checks the whole file, and only then replaces the definitions in
// one transaction, so a refused file leaves every definition as it was.
class TagFile
{
public:
    enum class Kind { Unknown, Tag, Tu };
    // By the last three characters of the path: "TAG" or ".TU", any case.
    static Kind kindOf(const QString &path);

    // Every definition of a .tag file: blank lines skipped, the first two
    // tab-separated pieces taken, codes kept as they are. False with `error`
    // naming the file, the line and the code for a line without a tab or a
    // code that came before.
    static bool readTag(const QString &path, QList<TagDef> *defs, QString *error);
    // Every definition of a .tu database (password checked); NULL names give
    // empty descriptions.
    static bool readTu(const QString &path, QList<TagDef> *defs, QString *error);

    static bool writeTag(const QString &path, const QList<TagDef> &defs, QString *error);

    // Replaces the stored definitions by those of a .tag or .tu file; `count`
    // gets how many. On any failure nothing is changed.
    static bool import(const QString &path, int *count, QString *error);
    // Writes every stored definition, in table order, to a .tag file.
    static bool exportAll(const QString &path, int *count, QString *error);

    // The proposed name of an export: the date as yyyyMMdd.
    static QString proposedName(const QDate &date) { return date.toString(QStringLiteral("yyyyMMdd")); }
};
