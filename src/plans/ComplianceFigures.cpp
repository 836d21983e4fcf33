#include "ComplianceFigures.h"

#include <QMap>

namespace {

void count(ComplianceRow &row, CheckpointOutcome::Kind kind)
{
    switch (kind) {
    case CheckpointOutcome::Kind::OnTime:
        ++row.onTime;
        break;
    case CheckpointOutcome::Kind::Early:
    case CheckpointOutcome::Kind::Late:
        ++row.earlyOrLate;
        break;
    case CheckpointOutcome::Kind::Missed:
        ++row.missed;
        break;
    case CheckpointOutcome::Kind::Extra:
        break;
    }
}

}

ComplianceFigures::ComplianceFigures(const ExceptionResult &result, const QDate &from, const QDate &to)
    : m_from(from)
    , m_to(to)
{
    if (!from.isValid() || !to.isValid() || from > to)
        return;
    const qint64 dayCount = from.daysTo(to) + 1;
    m_days.reserve(dayCount);
    for (qint64 i = 0; i < dayCount; ++i) {
        ComplianceRow &row = m_days.emplaceBack();
        row.day = from.addDays(i);
    }
    QMap<QString, ComplianceRow> guards;
    for (const CheckpointOutcome &o : result.outcomes) {
        if (o.kind == CheckpointOutcome::Kind::Extra)
            continue;
        // Outcomes made elsewhere may lack the day; their round's start gives it.
        const QDate day = o.day.isValid() ? o.day : o.roundStart.date();
        if (day < from || day > to)
            continue;
        count(m_days[from.daysTo(day)], o.kind);
        ComplianceRow &guard = guards[o.guard];
        guard.guard = o.guard;
        count(guard, o.kind);
        count(m_total, o.kind);
    }
    m_guards = guards.values();
}
