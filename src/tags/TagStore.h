#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

struct TagDef
{
    QString code;
    QString description;
};

// The tag definitions of the table TagDef (connection connTVL). Records are
// found by bound parameters only: imported codes may hold quotes. Codes compare
// without regard to case, as the first databases did: "00052f6e9e" is the tag
// of a record "00052F6E9E" and cannot be defined beside it. The stored text
// keeps the case it was given.
class TagStore
{
public:
    enum class Result { Ok, Duplicate, NotFound, Failed };

    // The form in which codes are compared: ASCII letters in upper case (the
    // folding of SQLite's NOCASE, used by the queries here).
    static QString codeKey(const QString &code);

    // Every definition in table order; an empty list with `error` set on failure.
    static QList<TagDef> all(QString *error);
    // Every defined code, as codeKey.
    static QSet<QString> codes(QString *error);
    // codeKey -> description for every code defined exactly once: a code
    // defined twice has no description, as GetTagDescription has it. Look a
    // record's code up as codeKey(code).
    static QHash<QString, QString> descriptionMap(QString *error);
    // The description of one code (any case): the one record's description,
    // empty for none or several.
    static QString GetTagDescription(const QString &code, QString *error);

    static Result add(const QString &code, const QString &description, QString *error);
    // Changes the record of `oldCode` (the one spelt so, else the first in any
    // case); Duplicate when `newCode` belongs to another record.
    static Result edit(const QString &oldCode, const QString &newCode, const QString &description, QString *error);
    static Result remove(const QString &code, QString *error);

    // Replaces every definition in one transaction; on any failure the old
    // definitions stay as they were and `error` names the code that failed.
    static bool replaceAll(const QList<TagDef> &defs, QString *error);

    // The kinds of tags other than checkpoints, table TagKind: a code there
    // marks the definition of the same code as a guard's tag or an incident
    // tag. One mark per code: marking a code as one kind ends the other.
    // The guard tags, as codeKey.
    static QSet<QString> guardCodes(QString *error);
    // Marks or unmarks `code` (any case) as a guard's tag.
    static bool setGuard(const QString &code, bool guard, QString *error);
    // The incident tags: codeKey -> the incident's text ("Door found open").
    static QHash<QString, QString> incidentTexts(QString *error);
    // Marks `code` as an incident tag with `text`, or unmarks it (empty text).
    static bool setIncident(const QString &code, const QString &text, QString *error);
};
