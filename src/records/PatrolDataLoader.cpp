#include "PatrolDataLoader.h"

#include "LegacyDatabase.h"
#include "PatrolFile.h"
#include "RegularFile.h"
#include "TagStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

PatrolLoadResult loadTvl(const QString &path, const QHash<QString, QString> &descriptions)
{
    PatrolLoadResult result;
    result.ok = PatrolDataLoader::readTvl(
        path,
        [&](qsizetype size) { result.rows.reserve(size / 180 + 1); }, // about 200 bytes make one record
        [&](const QList<QStringView> &fields) {
            PatrolRow row;
            row.machineNo = fields[0].toString();
            row.code = fields[1].toString();
            row.date = fields[2].toString();
            row.time = fields[3].toString();
            row.description = descriptions.value(TagStore::codeKey(row.code));
            result.rows.append(std::move(row));
        },
        &result.skippedLines, &result.error);
    return result;
}

// "2024-01-08 00:00:00" -> "2024-01-08"; "1899-12-30 08:00:15" -> "08:00:15".
// Anything else stays as libmdb gave it.
QString datePart(const QString &value)
{
    return value.size() == 19 && value.at(10) == u' ' ? value.left(10) : value;
}

QString timePart(const QString &value)
{
    return value.size() == 19 && value.at(10) == u' ' ? value.mid(11) : value;
}

PatrolLoadResult loadMdb(const QString &path)
{
    PatrolLoadResult result;
    LegacyDatabase db;
    if (!db.open(path, LegacyDatabase::kPassword, &result.error))
        return result;
    QList<QStringList> records;
    const QStringList columns = {QStringLiteral("ID"), QStringLiteral("Date"), QStringLiteral("Time"),
                                 QStringLiteral("Code"), QStringLiteral("Name")};
    if (!db.readTable(QStringLiteral("RawData"), columns, &records, &result.error))
        return result;
    result.rows.reserve(records.size());
    for (const QStringList &r : records) {
        PatrolRow row;
        row.machineNo = r[0].isNull() ? QLatin1String("") : r[0];
        row.date = r[1].isNull() ? QLatin1String("") : datePart(r[1]);
        row.time = r[2].isNull() ? QLatin1String("") : timePart(r[2]);
        row.code = r[3].isNull() ? QLatin1String("") : r[3];
        row.description = r[4].isNull() ? QLatin1String("") : r[4];
        result.rows.append(std::move(row));
    }
    result.ok = true;
    return result;
}

}

bool PatrolDataLoader::readTvl(const QString &path, const std::function<void(qsizetype)> &sized,
                               const std::function<void(const QList<QStringView> &)> &record,
                               QList<int> *skippedLines, QString *error)
{
    QFile file;
    if (!RegularFile::openForReading(file, path, error))
        return false;
    if (sized)
        sized(file.size());

    QString text;
    int lineNo = 0;
    auto skip = [&] { skippedLines->append(++lineNo); };
    auto take = [&](QByteArrayView line) {
        ++lineNo;
        while (!line.isEmpty() && (line.back() == '\r' || line.back() == '\n'))
            line.chop(1);
        if (line.isEmpty())
            return;
        if (line.size() > kMaxLineBytes || PatrolFile::decode(line, &text) != PatrolFile::Decode::Ok) {
            skippedLines->append(lineNo);
            return;
        }
        const QList<QStringView> fields = QStringView(text).split(u',');
        if (fields.size() < 4) {
            skippedLines->append(lineNo);
            return;
        }
        record(fields);
    };
    // Read in blocks: `pending` holds the start of a line that goes on in the
    // next block, never more than the longest line kept; the rest of a longer
    // line is passed over up to its line end.
    constexpr qint64 kBlock = 1 << 20;
    QByteArray block;
    QByteArray pending;
    bool overlong = false;
    for (;;) {
        block = file.read(kBlock);
        if (block.isEmpty()) {
            if (file.error() != QFileDevice::NoError) {
                *error = QStringLiteral("Cannot read %1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
                return false;
            }
            break;
        }
        qsizetype pos = 0;
        for (qsizetype end; (end = block.indexOf('\n', pos)) >= 0; pos = end + 1) {
            if (overlong) {
                overlong = false;
                skip();
            } else if (!pending.isEmpty()) {
                pending.append(block.constData() + pos, qMin(end - pos, kMaxLineBytes + 1));
                take(pending);
                pending.clear();
            } else {
                take(QByteArrayView(block.constData() + pos, end - pos));
            }
        }
        if (!overlong)
            pending.append(block.constData() + pos, qMin(block.size() - pos, kMaxLineBytes + 1));
        if (pending.size() > kMaxLineBytes) {
            overlong = true;
            pending.clear();
        }
    }
    if (overlong)
        skip();
    else if (!pending.isEmpty())
        take(pending);
    return true;
}

PatrolLoadResult PatrolDataLoader::load(const QString &path, const QHash<QString, QString> &descriptions)
{
    const QString suffix = path.right(3).toUpper();
    if (suffix == QLatin1String("TVL"))
        return loadTvl(path, descriptions);
    if (suffix == QLatin1String("MDB"))
        return loadMdb(path);
    PatrolLoadResult none;
    none.ok = true;
    return none;
}

QString PatrolDataLoader::readWarning(const QString &path, const QList<int> &skippedLines, int withoutMoment)
{
    QStringList problems;
    if (!skippedLines.isEmpty())
        problems << skippedText(skippedLines, QStringLiteral("%1 lines could not be read (lines %2)"));
    if (withoutMoment > 0)
        problems << QStringLiteral("%1 records without a valid date and time were skipped").arg(withoutMoment);
    if (problems.isEmpty())
        return {};
    return QFileInfo(path).fileName() + QStringLiteral(": ") + problems.join(QStringLiteral("; "));
}

QString PatrolDataLoader::skippedText(const QList<int> &lines, const QString &text)
{
    constexpr int kShown = 5;
    QStringList numbers;
    for (int i = 0; i < lines.size() && i < kShown; ++i)
        numbers << QString::number(lines[i]);
    if (lines.size() > kShown)
        numbers << QStringLiteral("...");
    return QString(text)
        .arg(lines.size())
        .arg(numbers.join(QStringLiteral(", ")));
}
