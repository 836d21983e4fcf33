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
// found by bound parameters only: imported codes may hold quotes.
class TagStore
{
public:
    enum class Result { Ok, Duplicate, NotFound, Failed };

    // Every definition in table order; an empty list with `error` set on failure.
    static QList<TagDef> all(QString *error);
    // Every defined code.
    static QSet<QString> codes(QString *error);
    // Code -> description for every code defined exactly once: a code defined
    // twice has no description, as GetTagDescription has it.
    static QHash<QString, QString> descriptionMap(QString *error);
    // The description of one code through GetDescriptionWithSpecCode_TagDef:
    // the one record's description, empty for none or several.
    static QString GetTagDescription(const QString &code, QString *error);

    static Result add(const QString &code, const QString &description, QString *error);
    // Changes the first record of `oldCode`; Duplicate when `newCode` belongs
    // to another record.
    static Result edit(const QString &oldCode, const QString &newCode, const QString &description, QString *error);
    static Result remove(const QString &code, QString *error);

    // Replaces every definition in one transaction; on any failure the old
    // definitions stay as they were and `error` names the code that failed.
    static bool replaceAll(const QList<TagDef> &defs, QString *error);
};
