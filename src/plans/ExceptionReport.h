#pragma once

#include "ExceptionMatcher.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

struct FlagData;

// The exception report of the workspace: the records of the patrol-data files
// of both folders matched against the stored plans. The window, the printed
// report and `tavrel-cli exceptions` all run it here.
class ExceptionReport
{
public:
    // Matches the rounds due from `from` to `to` of every plan (or only of
    // `planName` when it is not empty); the rounds of every plan and of the
    // days around the range take part in the matching (see ExceptionMatcher),
    // so the result of a round never depends on the range or plan. Files that cannot be read, and lines
    // that cannot, are named in `warnings`; false with `error` only when the
    // plans or tags cannot be read or `planName` is no plan.
    static bool run(const QDate &from, const QDate &to, const QString &planName, ExceptionResult *result,
                    QString *error, QStringList *warnings = nullptr);
    // The report over records and definitions from anywhere (the workspace,
    // a site of the central database): `marks` holds the records of the
    // claiming days with their flags and incidents, codes as TagStore::codeKey.
    static ExceptionResult compute(const QList<PatrolPlan> &plans, const QSet<QString> &guards,
                                   const QHash<QString, QString> &names, const QHash<QString, QString> &incidents,
                                   const FlagData &marks, const QDate &from, const QDate &to, const QString &planName);
    // The records of every file that can hold records of the days from `from`
    // to `to` (a file is named after its download, and its records are older
    // than that), in no particular order.
    static QList<PatrolRead> readRange(const QDate &from, const QDate &to, QStringList *warnings);

    // Gives the outcomes of `result` the flags and incidents of their reads,
    // and fills its flags section and incident totals with those of the
    // days from `from` to `to`.
    static void addMarks(const FlagData &marks, const QDate &from, const QDate &to, ExceptionResult *result);

    // The outcome as a word of the current language, for the window and the
    // printed report.
    static QString kindText(CheckpointOutcome::Kind kind);
    // One tab-separated line for the command line: plan, round start
    // (yyyy-MM-dd HH:mm), seq, code, due (HH:mm), outcome (on-time, early,
    // late, missed, extra), minutes, "out-of-order" or empty, read time
    // (yyyy-MM-dd HH:mm:ss), machine number, guard.
    static QString line(const CheckpointOutcome &outcome);
    // The key of a code in a map of descriptions: the code, or for a report
    // across sites the site and the code (each site has its own tags).
    static QString nameKey(const QString &site, const QString &code);
};
