#include "TagFile.h"

#include "AtomicFile.h"
#include "CRes.h"
#include "Ledger.h"
#include "LegacyDatabase.h"
#include "PatrolFile.h"
#include "TagEntryRules.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>

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

// A line (a record of a .tu) that breaks a rule of the tag dialog.
QString refusedLine(const QString &path, int line, const QString &problem)
{
    return CRes::instance()
        .ResString(94, QStringLiteral("%1, line %2: %3\nThe tag definitions were not changed."))
        .arg(native(path))
        .arg(line)
        .arg(problem);
}

// The text of a .tag file: UTF-8, UTF-16 LE or BE when it starts with their
// byte-order mark, else the Windows-1252 the program has always written.
bool decode(const QByteArray &bytes, QString *text, QString *reason)
{
    struct Mark
    {
        QByteArrayView bom;
        QStringConverter::Encoding encoding;
        const char *name;
    };
    const Mark marks[] = {{"\xEF\xBB\xBF", QStringConverter::Utf8, "UTF-8"},
                          {"\xFF\xFE", QStringConverter::Utf16LE, "UTF-16"},
                          {"\xFE\xFF", QStringConverter::Utf16BE, "UTF-16"}};
    for (const Mark &mark : marks) {
        if (!bytes.startsWith(mark.bom))
            continue;
        QStringDecoder decoder(mark.encoding, QStringConverter::Flag::Stateless);
        *text = decoder.decode(QByteArrayView(bytes).sliced(mark.bom.size()));
        if (decoder.hasError()) {
            *reason = CRes::instance()
                          .ResString(95, QStringLiteral("the file is not valid %1 text."))
                          .arg(QLatin1String(mark.name));
            return false;
        }
        return true;
    }
    *text = PatrolFile::fromAnsi(bytes);
    return true;
}

// Whether Windows-1252 holds every character of `text`.
bool fitsAnsi(const QString &text)
{
    return PatrolFile::fromAnsi(PatrolFile::toAnsi(text)) == text;
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
    QString text;
    QString reason;
    if (!decode(file.readAll(), &text, &reason)) {
        setError(error, unreadable(path, reason));
        return false;
    }
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
        const QString problem = TagEntryRules::validateImported(code, description).message;
        if (!problem.isEmpty()) {
            setError(error, refusedLine(path, lineNumber, problem));
            return false;
        }
        if (seen.contains(TagStore::codeKey(code))) {
            setError(error, res.ResString(322, QStringLiteral("%1, line %2: the code %3 appears more than once. "
                                                              "The tag definitions were not changed."))
                                .arg(native(path))
                                .arg(lineNumber)
                                .arg(code));
            return false;
        }
        seen.insert(TagStore::codeKey(code));
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
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QString code = nonNull(rows.at(i).value(0));
        const QString description = nonNull(rows.at(i).value(1));
        // The records are numbered as the lines of a .tag file.
        const QString problem = TagEntryRules::validateImported(code, description).message;
        if (!problem.isEmpty()) {
            setError(error, refusedLine(path, int(i + 1), problem));
            return false;
        }
        if (seen.contains(TagStore::codeKey(code))) {
            setError(error, unreadable(path, QStringLiteral("the code %1 appears more than once.").arg(code)));
            return false;
        }
        seen.insert(TagStore::codeKey(code));
        read.append({code, description});
    }
    *defs = std::move(read);
    return true;
}

bool TagFile::writeTag(const QString &path, const QList<TagDef> &defs, QString *error)
{
    // A line break or tab inside a definition (stored before such were
    // refused) would split its line: the file would not read back.
    for (const TagDef &def : defs) {
        if (TagEntryRules::hasControlCharacter(def.code) || TagEntryRules::hasControlCharacter(def.description)) {
            setError(error, CRes::instance()
                                .ResString(91, QStringLiteral("%1 was not written: the tag definition %2 holds a "
                                                              "line break, a tab or another control character. "
                                                              "Edit it first."))
                                .arg(native(path), def.code));
            return false;
        }
    }
    const bool ansi = std::all_of(defs.cbegin(), defs.cend(), [](const TagDef &def) {
        return fitsAnsi(def.code) && fitsAnsi(def.description);
    });
    QByteArray bytes;
    if (!ansi)
        bytes = QByteArrayLiteral("\xEF\xBB\xBF");
    for (const TagDef &def : defs) {
        const QString line = def.code + u'\t' + def.description + QStringLiteral("\r\n");
        bytes += ansi ? PatrolFile::toAnsi(line) : line.toUtf8();
    }
    // A failure leaves the old file as it was.
    return AtomicFile::writeFile(path, bytes, error);
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
    Ledger::note(Ledger::kTagImport, path, defs.size());
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
