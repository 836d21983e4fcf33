#include "FlagRowMarks.h"

#include "FlagReport.h"

QStringList FlagRowMarks::marks(const QString &path, const QList<PatrolRow> &rows)
{
    QDate first, last;
    for (const PatrolRow &row : rows) {
        const QDate day = row.dateValue();
        if (!day.isValid())
            continue;
        if (!first.isValid() || day < first)
            first = day;
        if (!last.isValid() || day > last)
            last = day;
    }
    return FlagReport::rowFlags(path, int(rows.size()), first, last);
}
