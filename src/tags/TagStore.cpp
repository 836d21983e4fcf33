#include "TagStore.h"

#include "DataStore.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSet>
#include <QVariant>

#include <functional>

namespace {

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

// connTVL, opened on first use with the same checks as everywhere else.
bool database(QSqlDatabase *db, QString *error)
{
    *db = DataStore::database(DataStore::kConnTVL, error);
    return db->isOpen();
}

bool isUniqueViolation(const QSqlError &e)
{
    // SQLITE_CONSTRAINT and its extended UNIQUE / PRIMARY KEY codes.
    const QString code = e.nativeErrorCode();
    return code == QLatin1String("19") || code == QLatin1String("2067") || code == QLatin1String("1555");
}

// The rowid of the record of `code`, or -1; -2 on failure. A record spelt
// exactly so comes first, then the first in another case. With `except`, a
// record other than that one (the duplicate check of an edit).
qint64 firstRecord(QSqlDatabase &db, const QString &code, QString *error, qint64 except = -1)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT rowid FROM TagDef WHERE Code = ? COLLATE NOCASE AND rowid <> ? "
                             "ORDER BY Code = ? DESC, rowid LIMIT 1"));
    q.addBindValue(code);
    q.addBindValue(except);
    q.addBindValue(code);
    if (!q.exec()) {
        setError(error, q.lastError().text());
        return -2;
    }
    return q.next() ? q.value(0).toLongLong() : -1;
}

QString duplicateText(const QString &code)
{
    return QStringLiteral("The tag code %1 is already defined.").arg(code);
}

}

QString TagStore::codeKey(const QString &code)
{
    QString key = code;
    for (QChar &c : key)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 'a' + 'A');
    return key;
}

QList<TagDef> TagStore::all(QString *error)
{
    QList<TagDef> defs;
    QString why;
    QSqlQuery q = DataStore::run(QStringLiteral("TagDef"), {}, &why);
    if (!q.isActive()) {
        setError(error, why);
        return defs;
    }
    const int code = q.record().indexOf(QStringLiteral("Code"));
    const int description = q.record().indexOf(QStringLiteral("Description"));
    while (q.next())
        defs.append({q.value(code).toString(), q.value(description).toString()});
    return defs;
}

QSet<QString> TagStore::codes(QString *error)
{
    QSet<QString> codes;
    for (const TagDef &def : all(error))
        codes.insert(codeKey(def.code));
    return codes;
}

QHash<QString, QString> TagStore::descriptionMap(QString *error)
{
    QHash<QString, QString> map;
    QSet<QString> twice;
    const QList<TagDef> defs = all(error);
    map.reserve(defs.size());
    for (const TagDef &def : defs) {
        const QString key = codeKey(def.code);
        if (twice.contains(key))
            continue;
        if (map.contains(key)) {
            map.remove(key);
            twice.insert(key);
            continue;
        }
        map.insert(key, def.description);
    }
    return map;
}

QString TagStore::GetTagDescription(const QString &code, QString *error)
{
    // GetDescriptionWithSpecCode_TagDef compares with case; this is its query
    // without.
    QSqlDatabase db;
    if (!database(&db, error))
        return QString();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT Description FROM TagDef WHERE Code = ? COLLATE NOCASE"));
    q.addBindValue(code);
    if (!q.exec()) {
        setError(error, q.lastError().text());
        return QString();
    }
    if (!q.next())
        return QString();
    const QString description = q.value(0).toString();
    return q.next() ? QString() : description;
}

TagStore::Result TagStore::add(const QString &code, const QString &description, QString *error)
{
    QSqlDatabase db;
    if (!database(&db, error))
        return Result::Failed;
    const qint64 existing = firstRecord(db, code, error);
    if (existing == -2)
        return Result::Failed;
    if (existing >= 0) {
        setError(error, duplicateText(code));
        return Result::Duplicate;
    }
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO TagDef (Code, Description) VALUES (?, ?)"));
    q.addBindValue(code);
    q.addBindValue(description);
    if (!q.exec()) {
        setError(error, isUniqueViolation(q.lastError()) ? duplicateText(code) : q.lastError().text());
        return isUniqueViolation(q.lastError()) ? Result::Duplicate : Result::Failed;
    }
    return Result::Ok;
}

TagStore::Result TagStore::edit(const QString &oldCode, const QString &newCode, const QString &description,
                                QString *error)
{
    QSqlDatabase db;
    if (!database(&db, error))
        return Result::Failed;
    const qint64 row = firstRecord(db, oldCode, error);
    if (row == -2)
        return Result::Failed;
    if (row < 0) {
        setError(error, QStringLiteral("The tag code %1 is not defined.").arg(oldCode));
        return Result::NotFound;
    }
    if (newCode != oldCode) {
        const qint64 other = firstRecord(db, newCode, error, row);
        if (other == -2)
            return Result::Failed;
        if (other >= 0) {
            setError(error, duplicateText(newCode));
            return Result::Duplicate;
        }
    }
    QSqlQuery q(db);
    q.prepare(QStringLiteral("UPDATE TagDef SET Code = ?, Description = ? WHERE rowid = ?"));
    q.addBindValue(newCode);
    q.addBindValue(description);
    q.addBindValue(row);
    if (!q.exec()) {
        setError(error, isUniqueViolation(q.lastError()) ? duplicateText(newCode) : q.lastError().text());
        return isUniqueViolation(q.lastError()) ? Result::Duplicate : Result::Failed;
    }
    if (newCode != oldCode) {
        // A guard or incident tag stays one under its new code.
        QSqlQuery guard(db);
        guard.prepare(QStringLiteral("UPDATE OR REPLACE TagKind SET Code = ? WHERE Code = ?"));
        guard.addBindValue(newCode);
        guard.addBindValue(oldCode);
        guard.exec();
    }
    return Result::Ok;
}

TagStore::Result TagStore::remove(const QString &code, QString *error)
{
    QSqlDatabase db;
    if (!database(&db, error))
        return Result::Failed;
    const qint64 row = firstRecord(db, code, error);
    if (row == -2)
        return Result::Failed;
    if (row < 0) {
        setError(error, QStringLiteral("The tag code %1 is not defined.").arg(code));
        return Result::NotFound;
    }
    QSqlQuery q(db);
    q.prepare(QStringLiteral("DELETE FROM TagDef WHERE rowid = ?"));
    q.addBindValue(row);
    if (!q.exec()) {
        setError(error, q.lastError().text());
        return Result::Failed;
    }
    // A code defined again later starts without the old mark.
    QSqlQuery guard(db);
    guard.prepare(QStringLiteral("DELETE FROM TagKind WHERE Code = ? "
                                 "AND NOT EXISTS (SELECT 1 FROM TagDef WHERE Code = ? COLLATE NOCASE)"));
    guard.addBindValue(code);
    guard.addBindValue(code);
    guard.exec();
    return Result::Ok;
}

bool TagStore::replaceAll(const QList<TagDef> &defs, QString *error)
{
    QSqlDatabase db;
    if (!database(&db, error))
        return false;
    if (!db.transaction()) {
        setError(error, db.lastError().text());
        return false;
    }
    auto fail = [&](const QString &text) {
        db.rollback();
        setError(error, text);
        return false;
    };
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("DELETE FROM TagDef")))
        return fail(q.lastError().text());
    if (!q.prepare(QStringLiteral("INSERT INTO TagDef (Code, Description) VALUES (?, ?)")))
        return fail(q.lastError().text());
    // A table made without the unique constraint would take a duplicate.
    QSet<QString> seen;
    for (const TagDef &def : defs) {
        if (seen.contains(codeKey(def.code)))
            return fail(duplicateText(def.code));
        seen.insert(codeKey(def.code));
        q.bindValue(0, def.code);
        q.bindValue(1, def.description);
        if (!q.exec()) {
            if (isUniqueViolation(q.lastError()))
                return fail(duplicateText(def.code));
            return fail(QStringLiteral("Cannot store the tag code %1: %2").arg(def.code, q.lastError().text()));
        }
    }
    if (!db.commit())
        return fail(db.lastError().text());
    return true;
}

namespace {

const QString kGuardKind = QStringLiteral("guard");
const QString kIncidentKind = QStringLiteral("incident");

// The codes of one kind of mark with their texts.
bool marks(const QString &kind, const std::function<void(const QString &, const QString &)> &take, QString *error)
{
    QSqlDatabase db;
    if (!database(&db, error))
        return false;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT Code, Text FROM TagKind WHERE Kind = ?"));
    q.addBindValue(kind);
    if (!q.exec()) {
        setError(error, q.lastError().text());
        return false;
    }
    while (q.next())
        take(TagStore::codeKey(q.value(0).toString()), q.value(1).toString());
    return true;
}

// Gives `code` the mark `kind` (replacing any other), or takes its mark of that kind away.
bool setMark(const QString &code, const QString &kind, bool on, const QString &text, QString *error)
{
    QSqlDatabase db;
    if (!database(&db, error))
        return false;
    QSqlQuery q(db);
    q.prepare(on ? QStringLiteral("INSERT OR REPLACE INTO TagKind (Code, Kind, Text) VALUES (?, ?, ?)")
                 : QStringLiteral("DELETE FROM TagKind WHERE Code = ? AND Kind = ?"));
    q.addBindValue(code);
    q.addBindValue(kind);
    if (on)
        q.addBindValue(text);
    if (q.exec())
        return true;
    setError(error, q.lastError().text());
    return false;
}

}

QSet<QString> TagStore::guardCodes(QString *error)
{
    QSet<QString> codes;
    marks(kGuardKind, [&](const QString &code, const QString &) { codes.insert(code); }, error);
    return codes;
}

bool TagStore::setGuard(const QString &code, bool guard, QString *error)
{
    return setMark(code, kGuardKind, guard, QString(), error);
}

QHash<QString, QString> TagStore::incidentTexts(QString *error)
{
    QHash<QString, QString> texts;
    marks(kIncidentKind, [&](const QString &code, const QString &text) { texts.insert(code, text); }, error);
    return texts;
}

bool TagStore::setIncident(const QString &code, const QString &text, QString *error)
{
    return setMark(code, kIncidentKind, !text.isEmpty(), text, error);
}
