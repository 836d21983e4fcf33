#include "GuardTracker.h"

#include "TagStore.h"

#include <algorithm>
#include <numeric>
#include <vector>

QStringList GuardTracker::guards(const QList<PatrolRow> &rows, const QSet<QString> &guardCodes,
                                 const QHash<QString, QString> &names)
{
    QStringList result(rows.size());
    if (guardCodes.isEmpty())
        return result;
    // Terminal by terminal, in time order; rows of the same second keep the
    // list's order. Dates of one file share one layout, so text order is time order.
    std::vector<qsizetype> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&rows](qsizetype a, qsizetype b) {
        const PatrolRow &x = rows.at(a);
        const PatrolRow &y = rows.at(b);
        if (const int c = x.machineNo.compare(y.machineNo))
            return c < 0;
        if (const int c = x.date.compare(y.date))
            return c < 0;
        return x.time < y.time;
    });
    walk(
        order, [&rows](qsizetype i) { return rows.at(i).machineNo; }, QString(),
        [&](qsizetype i) {
            const PatrolRow &row = rows.at(i);
            const QString key = TagStore::codeKey(row.code);
            if (!guardCodes.contains(key))
                return QString();
            const QString name = names.value(key);
            return name.isEmpty() ? row.code : name;
        },
        [&result](qsizetype i, const QString &guard) { result[i] = guard; });
    return result;
}

bool GuardTracker::hasGuardReads(const QList<PatrolRow> &rows, const QSet<QString> &guardCodes)
{
    if (guardCodes.isEmpty())
        return false;
    return std::any_of(rows.begin(), rows.end(), [&](const PatrolRow &row) { return guardCodes.contains(TagStore::codeKey(row.code)); });
}
