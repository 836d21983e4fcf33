#include "WebFigures.h"

#include <algorithm>

QList<DayFigures> WebFigures::daily(const ExceptionResult &result, const QDate &from, const QDate &to,
                                    const std::function<bool(const CheckpointOutcome &)> &which)
{
    QList<DayFigures> days;
    if (!from.isValid() || !to.isValid() || to < from)
        return days;
    for (QDate d = from; d <= to; d = d.addDays(1))
        days.append({d});
    for (const CheckpointOutcome &o : result.outcomes) {
        if (o.kind == CheckpointOutcome::Kind::Extra || (which && !which(o)))
            continue;
        const qint64 i = from.daysTo(o.roundStart.date());
        if (i < 0 || i >= days.size())
            continue;
        DayFigures &f = days[i];
        switch (o.kind) {
        case CheckpointOutcome::Kind::OnTime:
            ++f.onTime;
            break;
        case CheckpointOutcome::Kind::Early:
        case CheckpointOutcome::Kind::Late:
            ++f.earlyOrLate;
            break;
        case CheckpointOutcome::Kind::Missed:
            ++f.missed;
            break;
        case CheckpointOutcome::Kind::Extra:
            break;
        }
    }
    return days;
}

qint64 WebFigures::staleAfterSeconds(const QList<PatrolPlan> &plans)
{
    // Two weeks of round starts hold every gap a weekly schedule has, also
    // the one across the end of the week.
    const QDate monday(2024, 1, 1);
    QList<QDateTime> starts;
    for (const PatrolPlan &p : plans)
        starts += p.roundStarts(monday, monday.addDays(13));
    if (starts.size() < 2)
        return starts.isEmpty() ? 24 * 3600 : 7 * 24 * 3600 + kMargin;
    std::sort(starts.begin(), starts.end());
    qint64 longest = 0;
    for (qsizetype i = 1; i < starts.size(); ++i)
        longest = std::max(longest, starts[i - 1].secsTo(starts[i]));
    return longest + kMargin;
}
