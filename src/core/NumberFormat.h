#pragma once

#include <QChar>
#include <QString>

// A number in the display patterns "##.##" and "0.##": at most two decimals
// (halves rounded away from zero), no trailing zeros, and the decimal point
// always written ("4.2", "4.", "100."). With `leadingZero` a value below one
// keeps its 0 before the point ("0.5" rather than ".5").
QString FormatTwoDecimals(double value, bool leadingZero, QChar decimalPoint = QLatin1Char('.'));
