#pragma once

#include "ReadFlags.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

// An incident read and the checkpoint read it is attached to.
struct IncidentRead
{
    qsizetype read = 0;
    qsizetype checkpoint = -1; // -1: no checkpoint read in the window before it
    QString text;
};

// The records of the workspace's patrol-data files with their flags and
// incidents, as the patrol list, the exception report and `tavrel-cli flags`
// and `incidents` show them.
struct FlagData
{
    std::vector<FlagRead> reads;
    std::vector<DownloadInfo> downloads; // download order
    QStringList paths;                   // the file of each download
    std::vector<int> rowOf;              // per read: its record's place in its file, as the patrol list's row
    QList<ReadFlag> flags;               // by read
    QList<IncidentRead> incidents;       // by read

    QDateTime moment(qsizetype read) const;
    bool inRange(qsizetype read, const QDate &from, const QDate &to) const;
};

// Gathers the records and download facts of the workspace and runs the flag
// rules and the incident attachment on them. The download time and clock
// offset of a file come from its "download" row of the Ledger table of
// tvl.mon (read only); a file no row covers, or a workspace without that
// table, has the file's modification time and no known offset.
class FlagReport
{
public:
    // Every file that can hold records of the days from `from` to `to`, in
    // download order (as ExceptionReport::readRange chooses them), and
    // `extraPath` when given and not among them. False with `error` only when
    // the tags or plans cannot be read; unreadable files go to `warnings`.
    static bool run(const QDate &from, const QDate &to, FlagData *data, QString *error,
                    QStringList *warnings = nullptr, const QString &extraPath = {});

    // Runs the flag rules and the incident attachment on the reads and
    // downloads of `data` (codes as TagStore::codeKey), wherever they came from.
    static void evaluate(const QList<PatrolPlan> &plans, const QSet<QString> &guards,
                         const QHash<QString, QString> &incidentTexts, FlagData *data);

    // The flag codes of every record of the file at `path` (same order as
    // its rows), "burst, repeat" and the like; empty when none has a flag.
    static QStringList rowFlags(const QString &path, int rowCount, const QDate &first, const QDate &last);

    // Tab-separated lines for the command line. A flag: date time
    // (yyyy-MM-dd HH:mm:ss), machine number, code, rule, detail, file name.
    static QString line(const FlagData &data, const ReadFlag &flag);
    // An incident: date time, machine number, code, text, the checkpoint's
    // code and date time (empty when unattached), file name.
    static QString incidentLine(const FlagData &data, const IncidentRead &incident);
};
