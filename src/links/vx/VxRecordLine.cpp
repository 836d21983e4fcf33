#include "VxRecordLine.h"

QString VxRecordLine(const QString &machineNumber, const QString &record)
{
    const QChar comma = QLatin1Char(',');
    const QChar slash = QLatin1Char('/');
    const QChar colon = QLatin1Char(':');
    return machineNumber + comma + record.right(10) + comma
        + record.mid(0, 4) + slash + record.mid(4, 2) + slash + record.mid(6, 2) + comma
        + record.mid(8, 2) + colon + record.mid(10, 2) + colon + record.mid(12, 2);
}
