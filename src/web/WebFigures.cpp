#include "WebFigures.h"

#include <algorithm>

QList<ComplianceRow> WebFigures::daily(const ExceptionResult &result, const QDate &from, const QDate &to,
                                       const std::function<bool(const CheckpointOutcome &)> &which)
{
    if (!which)
        return ComplianceFigures(result, from, to).days();
    ExceptionResult chosen;
    for (const CheckpointOutcome &o : result.outcomes)
        if (which(o))
            chosen.outcomes.append(o);
    return ComplianceFigures(chosen, from, to).days();
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
