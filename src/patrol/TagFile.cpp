#include "TagFile.h"

#include "CRes.h"
#include "LegacyDatabase.h"
#include "PatrolFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSet>

namespace {

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// An empty text, never a null one: a null QString would be stored as NULL.
QString nonNull(const QString &text)
{
    return text.isNull() ? QString(QLatin1String("")) : text;
}

QString unreadable(const QString &path, const QString &reason)
{
    return CRes::instance()
        .ResString(323, QStringLiteral("%1 cannot be imported: %2\nThe tag definitions were not changed."))
        .arg(native(path), reason);
}

}

TagFile::Kind TagFile::kindOf(const QString &path)
{
    const QString tail = path.right(3).toUpper();
    if (tail == QLatin1String("TAG"))
        return Kind::Tag;
    if (tail == QLatin1String(".TU"))
        return Kind::Tu;
    return Kind::Unknown;
}

bool TagFile::readTag(const QString &path, QList<TagDef> *defs, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, unreadable(path, file.errorString()));
        return false;
    }
    const QString text = PatrolFile::fromAnsi(file.readAll());
    CRes &res = CRes::instance();
    QList<TagDef> read;
    QSet<QString> seen;
    int lineNumber = 0;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        ++lineNumber;
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab < 0) {
            setError(error, res.ResString(321, QStringLiteral("%1, line %2: no tab between the code and the "
                                                              "description. The tag definitions were not changed."))
                                .arg(native(path))
                                .arg(lineNumber));
            return false;
        }
        const QString code = nonNull(line.left(tab).toString());
        const qsizetype next = line.indexOf(QLatin1Char('\t'), tab + 1);
        const QString description = nonNull(line.mid(tab + 1, next < 0 ? -1 : next - tab - 1).toString());
        if (seen.contains(code)) {
            setError(error, res.ResString(322, QStringLiteral("%1, line %2: the code %3 appears more than once. "
                                                              "The tag definitions were not changed."))
                                .arg(native(path))
                                .arg(lineNumber)
                                .arg(code));
            return false;
        }
        seen.insert(code);
        read.append({code, description});
    }
    *defs = std::move(read);
    return true;
}

bool TagFile::readTu(const QString &path, QList<TagDef> *defs, QString *error)
{
    LegacyDatabase db;
    QString reason;
    QList<QStringList> rows;
    if (!db.open(path, LegacyDatabase::kPassword, &reason)
        || !db.readTable(QStringLiteral("TagsDef"), {QStringLiteral("Code"), QStringLiteral("Name")}, &rows, &reason)) {
        setError(error, unreadable(path, reason));
        return false;
    }
    QList<TagDef> read;
    QSet<QString> seen;
    for (const QStringList &row : rows) {
        const QString code = nonNull(row.value(0));
        if (seen.contains(code)) {
            setError(error, unreadable(path, QStringLiteral("the code %1 appears more than once.").arg(code)));
            return false;
        }
        seen.insert(code);
        read.append({code, nonNull(row.value(1))});
    }
    *defs = std::move(read);
    return true;
}

bool TagFile::writeTag(const QString &path, const QList<TagDef> &defs, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        setError(error, QStringLiteral("Cannot write %1: %2").arg(native(path), file.errorString()));
        return false;
    }
    QByteArray bytes;
    for (const TagDef &def : defs) {
        bytes += PatrolFile::toAnsi(def.code);
        bytes += '\t';
        bytes += PatrolFile::toAnsi(def.description);
        bytes += "\r\n";
    }
    file.write(bytes);
    if (!file.commit()) {
        setError(error, QStringLiteral("Cannot write %1: %2").arg(native(path), file.errorString()));
        return false;
    }
    return true;
}

bool TagFile::import(const QString &path, int *count, QString *error)
{
    QList<TagDef> defs;
    switch (kindOf(path)) {
    case Kind::Tag:
        if (!readTag(path, &defs, error))
            return false;
        break;
    case Kind::Tu:
        if (!readTu(path, &defs, error))
            return false;
        break;
    case Kind::Unknown:
        setError(error, QStringLiteral("Invalid file name."));
        return false;
    }
    QString reason;
    if (!TagStore::replaceAll(defs, &reason)) {
        setError(error, unreadable(path, reason));
        return false;
    }
    if (count)
        *count = int(defs.size());
    return true;
}

bool TagFile::exportAll(const QString &path, int *count, QString *error)
{
    QString reason;
    const QList<TagDef> defs = TagStore::all(&reason);
    if (!reason.isEmpty()) {
        setError(error, reason);
        return false;
    }
    if (!writeTag(path, defs, error))
        return false;
    if (count)
        *count = int(defs.size());
    return true;
}
