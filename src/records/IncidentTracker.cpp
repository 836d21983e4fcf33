#include "IncidentTracker.h"

#include "Settings.h"
#include "TagStore.h"

#include <algorithm>
#include <numeric>
#include <vector>

qint64 IncidentTracker::windowSeconds()
{
    return qint64(GetSettingNumber(QStringLiteral("Flags"), QStringLiteral("IncidentMinutes"), 5)) * 60;
}

QList<qsizetype> IncidentTracker::attach(const QList<PatrolRow> &rows, const QHash<QString, QString> &incidentCodes,
                                         const QSet<QString> &guardCodes, qint64 windowSeconds)
{
    QList<qsizetype> result(rows.size(), kNoIncident);
    if (incidentCodes.isEmpty())
        return result;
    // Rows without a valid moment take no part: they have no place in time.
    std::vector<qint64> seconds(size_t(rows.size()), -1);
    std::vector<qsizetype> order;
    order.reserve(size_t(rows.size()));
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QDate d = rows.at(i).dateValue();
        const QTime t = rows.at(i).timeValue();
        if (!d.isValid() || !t.isValid())
            continue;
        seconds[size_t(i)] = QDateTime(d, t, Qt::UTC).toSecsSinceEpoch();
        order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        if (const int c = rows.at(a).machineNo.compare(rows.at(b).machineNo))
            return c < 0;
        return seconds[size_t(a)] < seconds[size_t(b)];
    });
    walk(
        order, [&](qsizetype i) { return rows.at(i).machineNo; }, [&](qsizetype i) { return seconds[size_t(i)]; },
        [&](qsizetype i) {
            const QString key = TagStore::codeKey(rows.at(i).code);
            return incidentCodes.contains(key) ? Incident : guardCodes.contains(key) ? Other : Checkpoint;
        },
        windowSeconds, [&](qsizetype incident, qsizetype checkpoint) { result[incident] = checkpoint; });
    return result;
}
