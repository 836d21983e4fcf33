#include "PatrolRow.h"

QDate PatrolRow::dateValue() const
{
    for (const QLatin1StringView format : {QLatin1StringView("yyyy/MM/dd"), QLatin1StringView("yyyy-MM-dd")}) {
        const QDate d = QDate::fromString(date.trimmed(), format);
        if (d.isValid())
            return d;
    }
    return {};
}

QTime PatrolRow::timeValue() const
{
    const QString t = time.trimmed();
    QTime v = QTime::fromString(t, QStringLiteral("HH:mm:ss"));
    if (!v.isValid())
        v = QTime::fromString(t, QStringLiteral("H:mm:ss"));
    return v;
}
