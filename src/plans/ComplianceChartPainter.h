#pragma once

#include <QColor>
#include <QString>

class ComplianceFigures;
struct ComplianceRow;
class QFont;
class QPainter;
class QRectF;

// The compliance of an exception report drawn with a painter on any paint
// device (the printed report, its preview, a PDF, an image): the overall
// figure as a caption with the legend, one stacked bar per day (on time,
// early or late, missed, in the exception table's colours) against the
// checkpoints due, and the compliance percentage as a line against a 0-100 %
// scale on the right. A day with nothing due has no bar and breaks the line.
class ComplianceChartPainter
{
public:
    static void paint(QPainter &painter, const QRectF &rect, const ComplianceFigures &figures, const QFont &font);

    // "Compliance: 87.5 % (35 of 40 checkpoints on time)" in the current
    // language, or the text for a range with nothing due.
    static QString summary(const ComplianceRow &row);
    // A percentage as "87.5 %" in the current locale.
    static QString percentText(double percent);
    // The texts of the legend and the scale, in the current language.
    static QString earlyOrLateText();
    static QString percentAxisText();
    static QString dueAxisText();
    // The colour of the percentage.
    static QColor lineColor();
    // A scale's top at or above `value` that divides into four round steps.
    static int scaleTop(int value);
};
