#pragma once

#include "PatrolRow.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Writes the rows of the patrol list to the files other software reads: an
// Excel workbook and the comma-separated data0.txt. Every file goes through
// AtomicFile: it replaces its target only when complete, and a failure leaves
// an existing target as it was.
class PatrolExport
{
public:
    // The five column captions of the list in the current language.
    static QStringList captions();

    // Workbook with the sheet "RawData": the captions as a bold, frozen heading
    // row with an autofilter, then one row per list row. Dates and times become
    // Excel date/time values shown in the system's short date and long time
    // formats; a date or time that cannot be read stays text.
    static bool writeXlsx(const QString &path, const QList<PatrolRow> &rows, const QStringList &captions,
                          QString *error);

    // One line per row: machine number, code, date as yyyy/MM/dd and time as
    // HH:mm:ss (unreadable ones as they are), separated by "," and ended by
    // CR LF, in Windows-1252. No rows give an empty file.
    static bool writeText(const QString &path, const QList<PatrolRow> &rows, QString *error);
    // The rows as a patrol-data file: each row's text line encoded as a
    // download writes a record (an old-generation .mdb saved as .tvl).
    static bool writeTvl(const QString &path, const QList<PatrolRow> &rows, QString *error);
    // The text lines without line ends, as writeText writes them.
    static QString textLine(const PatrolRow &row);

    // data0.txt of the current workspace.
    static QString dataTextPath();

    // Excel number formats for Qt date/time formats ("d/M/yy" -> "d/m/yy",
    // "h:mm:ss AP" -> "h:mm:ss AM/PM").
    static QString excelFormat(const QString &qtFormat);

private:
    static bool writeLines(const QString &path, const QList<PatrolRow> &rows,
                           const std::function<QByteArray(const PatrolRow &)> &line, QString *error);
};
