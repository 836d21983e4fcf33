#include "NumberFormat.h"

#include <cmath>

QString FormatTwoDecimals(double value, bool leadingZero, QChar decimalPoint)
{
    const qint64 hundredths = std::llround(std::abs(value) * 100.0);
    QString text;
    if (value < 0 && hundredths != 0)
        text += QLatin1Char('-');
    if (hundredths >= 100 || leadingZero)
        text += QString::number(hundredths / 100);
    text += decimalPoint;
    const int fraction = int(hundredths % 100);
    if (fraction != 0) {
        QString digits = QString::number(fraction).rightJustified(2, QLatin1Char('0'));
        if (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        text += digits;
    }
    return text;
}
