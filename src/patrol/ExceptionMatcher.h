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
    bool anyMissed() const;
};

// Decides for every round due from `from` to `to` what became of each of its
// checkpoints. Each read belongs to at most one round; reads of the same
// terminal, second and code count once; guard reads are no checkpoint reads.
// Codes compare without case: `guardCodes` and `names` are keyed by
// TagStore::codeKey, and the outcomes carry codes in that form.
class ExceptionMatcher
{
public:
    static ExceptionResult match(const QList<PatrolPlan> &plans, QList<PatrolRead> reads, const QDate &from,
                                 const QDate &to, const QSet<QString> &guardCodes,
                                 const QHash<QString, QString> &names);
};
