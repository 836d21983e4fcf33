#pragma once

#include "TagStore.h"

#include <QDate>
#include <QList>
#include <QString>

// The tag exchange files: the .tag text file (code, tab, description, CR LF),
// written and read, and the old-generation .tu database (table TagsDef, fields
// Code and Name), read only. A .tag file is Windows-1252 as the program has
// always written it, or UTF-8 / UTF-16 announced by a byte-order mark; an
// export writes Windows-1252 when every description fits it, else UTF-8 with
// the mark. An import checks the file's type, reads the whole file, checks
// every definition with the tag dialog's rules (TagEntryRules), and only then
// replaces the definitions in one transaction, so a refused file leaves every
// definition as it was.
class TagFile
{
public:
    enum class Kind { Unknown, Tag, Tu };
    // By the last three characters of the path: "TAG" or ".TU", any case.
    static Kind kindOf(const QString &path);

    // Every definition of a .tag file: blank lines skipped, the first two
    // tab-separated pieces taken, codes kept as they are. False with `error`
    // naming the file, the line and the reason for a line without a tab, a
    // definition the rules refuse, or a code that came before in any case.
    static bool readTag(const QString &path, QList<TagDef> *defs, QString *error);
    // Every definition of a .tu database (password checked); NULL names give
    // empty descriptions. Checked as those of a .tag file.
    static bool readTu(const QString &path, QList<TagDef> *defs, QString *error);

    // Through a temporary file renamed into place: on any failure the old file
    // stays as it was. A definition holding a control character is refused.
    static bool writeTag(const QString &path, const QList<TagDef> &defs, QString *error);

    // Replaces the stored definitions by those of a .tag or .tu file; `count`
    // gets how many. On any failure nothing is changed.
    static bool import(const QString &path, int *count, QString *error);
    // Writes every stored definition, in table order, to a .tag file.
    static bool exportAll(const QString &path, int *count, QString *error);

    // The proposed name of an export: the date as yyyyMMdd.
    static QString proposedName(const QDate &date) { return date.toString(QStringLiteral("yyyyMMdd")); }
};
