#pragma once

#include "ExceptionMatcher.h"

#include <QDate>
#include <QList>
#include <QString>

// The checkpoints due on one day or of one guard, by what became of them.
struct ComplianceRow
{
    QDate day;     // per-day rows: the day the rounds were due on
    QString guard; // per-guard rows: the guard, "" for reads before any guard tag
    int onTime = 0;
    int earlyOrLate = 0;
    int missed = 0;

    // Checkpoints due: on time, early or late, or missed.
    int due() const { return onTime + earlyOrLate + missed; }
    // Only a row with checkpoints due has a compliance percentage.
    bool hasPercent() const { return due() > 0; }
    // Compliance: the checkpoints read on time, in percent of the checkpoints
    // due. An early or late read does not comply, nor does a missed
    // checkpoint; extra reads are no checkpoints and are not counted, and an
    // out-of-order read counts by its outcome. 0 when nothing was due.
    double percent() const { return hasPercent() ? 100.0 * onTime / due() : 0.0; }
};

// The compliance of an exception report's result, per day and per guard, as
// the Schedule view's chart and the printed report draw it. It reads nothing
// but the result, so a page that draws the same figures from other storage
// can reuse it. A round counts on the day it is due on, as the report's range
// chooses rounds: a round that ends after midnight, and the rounds of a night
// shift that start after midnight, belong to the evening the shift began.
class ComplianceFigures
{
public:
    ComplianceFigures() = default;
    // One row per day from `from` to `to` (days without rounds too, with
    // nothing due) and one per guard that has checkpoints due in the range,
    // by name; outcomes of rounds outside the range are left out.
    ComplianceFigures(const ExceptionResult &result, const QDate &from, const QDate &to);

    const QList<ComplianceRow> &days() const { return m_days; }
    const QList<ComplianceRow> &guards() const { return m_guards; }
    // The whole range in one row.
    const ComplianceRow &total() const { return m_total; }
    QDate from() const { return m_from; }
    QDate to() const { return m_to; }

private:
    QDate m_from;
    QDate m_to;
    QList<ComplianceRow> m_days;
    QList<ComplianceRow> m_guards;
    ComplianceRow m_total;
};
