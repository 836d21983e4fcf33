#pragma once

#include "PatrolRow.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

#include <functional>

struct PatrolLoadResult
{
    QList<PatrolRow> rows;
    // 1-based numbers of the lines of a .tvl that could not be read as a record.
    QList<int> skippedLines;
    QString error;
    bool ok = false;
};

// Reads the records of a patrol-data file: a .tvl of this program, with the
// descriptions taken from `descriptions`, or an old-generation .mdb (table
// RawData), whose rows carry their own descriptions. Any other file gives no
// rows. A .tvl line that cannot be decoded or has fewer than four fields is
// skipped and noted; the rest of the file still loads.
class PatrolDataLoader
{
public:
    // A record is some forty characters, 240 digits encoded; a line longer
    // than this is no record and is skipped without being kept whole.
    static constexpr qsizetype kMaxLineBytes = 4096;

    static PatrolLoadResult load(const QString &path, const QHash<QString, QString> &descriptions);
    // The records of a .tvl one by one: `sized` (may be empty) gets the file's
    // size in bytes, `record` the fields of every line that decodes to at
    // least four; the numbers of the other lines go to `skippedLines`. False
    // with `error` when the file cannot be opened or read; a path that is no
    // regular file (a device, a FIFO) is refused unopened.
    static bool readTvl(const QString &path, const std::function<void(qsizetype)> &sized,
                        const std::function<void(const QList<QStringView> &)> &record, QList<int> *skippedLines,
                        QString *error);

    // One message for the skipped lines from a text with %1 (how many) and %2
    // (the first few line numbers).
    static QString skippedText(const QList<int> &lines, const QString &text);
    // "<file name>: ..." naming the skipped lines and the records without a
    // valid date and time, or nothing when every line was taken.
    static QString readWarning(const QString &path, const QList<int> &skippedLines, int withoutMoment);
};
