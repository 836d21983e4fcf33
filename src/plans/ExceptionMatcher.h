#pragma once

#include "PatrolPlan.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>

// One record as the matching needs it.
struct PatrolRead
{
    QString machineNo;
    QDateTime at; // wall clock, see PatrolPlan
    QString code;
};

// What became of one checkpoint of one round, or one read that belongs to no
// checkpoint of the round (kind Extra, seq 0).
struct CheckpointOutcome
{
    enum class Kind { OnTime, Early, Late, Missed, Extra };

    QString plan;
    QDateTime roundStart;
    int seq = 0; // 1-based place in the plan; 0 for an extra read
    QString code;
    QDateTime due; // invalid for an extra read
    Kind kind = Kind::Missed;
    int minutes = 0; // read minus due, whole minutes; 0 when missed
    bool outOfOrder = false;
    QDateTime read; // invalid when missed
    QString machineNo;
    QString guard;
    QString flags;         // the flag codes of its read, "burst, clock"
    QStringList incidents; // the texts of the incident reads attached to its read
    QDate day;             // the day the round is due on (PatrolPlan::roundDay)
    QString site;          // the site of a report across sites; empty for the workspace's own
};

// A flagged read of the report's range, for the report's flags section.
struct FlaggedRead
{
    QDateTime at;
    QString machineNo;
    QString code;
    QString rules;  // "burst, clock"
    QString detail; // what each rule found, "; " between them
    QString site;   // as CheckpointOutcome::site
};

struct OutcomeTotals
{
    int onTime = 0, early = 0, late = 0, missed = 0, extra = 0, outOfOrder = 0;
    void add(const CheckpointOutcome &outcome);
};

struct ExceptionResult
{
    QList<CheckpointOutcome> outcomes; // by round start, plan, then seq (extras after the checkpoints)
    QMap<QString, OutcomeTotals> byPlan;
    QMap<QString, OutcomeTotals> byGuard; // "" for reads before any guard tag
    QList<FlaggedRead> flagged;           // by time
    QMap<QString, int> incidentTotals;    // incident reads of the range by text
    bool anyMissed() const;
};

// Decides for the rounds due from `from` to `to` of the plan `planName`
// (every plan when empty) what became of each of their checkpoints. Each read
// belongs to at most one round; reads of the same terminal, second and code
// count once; guard reads are no checkpoint reads.
//
// The range and the plan only choose what is given back: the rounds of every
// plan, also those of the days around the range (claimingDays()), claim reads
// in one order that does not depend on them, so a report of a day and one of
// its week agree on every round they share. Rounds claim in order of their
// start (by plan name at the same minute); a checkpoint takes the unclaimed read
// of its code in the round's window nearest its due time, the earlier one when
// two are as near, and of two reads in the same second the one of the lower
// machine number.
// Codes compare without case: `guardCodes` and `names` are keyed by
// TagStore::codeKey, and the outcomes carry codes in that form.
class ExceptionMatcher
{
public:
    static ExceptionResult match(const QList<PatrolPlan> &plans, QList<PatrolRead> reads, const QDate &from,
                                 const QDate &to, const QSet<QString> &guardCodes,
                                 const QHash<QString, QString> &names, const QString &planName = {});
    // The days whose rounds take part in the matching of the rounds due from
    // `from` to `to`; `reads` need to hold the records of those days.
    static void claimingDays(const QList<PatrolPlan> &plans, const QDate &from, const QDate &to, QDate *first,
                             QDate *last);
};
