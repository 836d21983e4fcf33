#include "PatrolPlan.h"

#include "TagStore.h"

QList<QDateTime> PatrolPlan::roundStarts(const QDate &from, const QDate &to) const
{
    QList<QDateTime> starts;
    if (!start.isValid() || !end.isValid())
        return starts;
    const int first = start.msecsSinceStartOfDay() / 60000;
    int last = end.msecsSinceStartOfDay() / 60000;
    if (last < first)
        last += kMaxMinutes; // a night shift ends on the next day
    const int step = interval > 0 ? interval : kMaxMinutes + 1;
    for (QDate day = from; day.isValid() && day <= to; day = day.addDays(1)) {
        if (!runsOn(day))
            continue;
        const QDateTime midnight = moment(day, QTime(0, 0));
        for (int minute = first; minute <= last; minute += step)
            starts.append(midnight.addSecs(qint64(minute) * 60));
    }
    return starts;
}

QString PatrolPlan::problem(const QSet<QString> &definedCodes) const
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("A plan has no name.");
    const QString plan = QStringLiteral("Plan \"%1\"").arg(name);
    if (!start.isValid() || !end.isValid())
        return QStringLiteral("%1 has no valid start or end time.").arg(plan);
    if (interval < 0 || interval > kMaxMinutes)
        return QStringLiteral("%1: the interval must be 0 to %2 minutes.").arg(plan).arg(kMaxMinutes);
    if ((weekdays & kEveryDay) == 0 || (weekdays & ~kEveryDay) != 0)
        return QStringLiteral("%1 runs on no weekday.").arg(plan);
    if (checkpoints.isEmpty())
        return QStringLiteral("%1 has no checkpoint.").arg(plan);
    QSet<QString> seen;
    int previous = 0;
    for (qsizetype i = 0; i < checkpoints.size(); ++i) {
        const PlanCheckpoint &point = checkpoints.at(i);
        const QString where = QStringLiteral("%1, checkpoint %2").arg(plan).arg(i + 1);
        const QString key = TagStore::codeKey(point.code);
        if (!definedCodes.contains(key))
            return QStringLiteral("%1: the tag code \"%2\" is not defined.").arg(where, point.code);
        if (seen.contains(key))
            return QStringLiteral("%1: the tag code %2 is already a checkpoint of the plan.").arg(where, point.code);
        seen.insert(key);
        if (point.minutes < 0 || point.minutes > kMaxMinutes)
            return QStringLiteral("%1: the minutes must be 0 to %2.").arg(where).arg(kMaxMinutes);
        if (point.minutes < previous)
            return QStringLiteral("%1: the minutes must not be smaller than those of the checkpoint before.").arg(where);
        if (point.tolerance < 0 || point.tolerance > kMaxMinutes)
            return QStringLiteral("%1: the tolerance must be 0 to %2 minutes.").arg(where).arg(kMaxMinutes);
        if (point.minMinutes < 0 || point.minMinutes > kMaxMinutes)
            return QStringLiteral("%1: the minimum from the previous checkpoint must be 0 to %2 minutes.")
                .arg(where)
                .arg(kMaxMinutes);
        previous = point.minutes;
    }
    return {};
}
