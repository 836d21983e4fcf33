#include "ComplianceChartPainter.h"

#include "CRes.h"
#include "ComplianceFigures.h"
#include "ExceptionReport.h"
#include "ExceptionTableModel.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>

#include <cmath>

namespace {

QString res(int number, const char *english)
{
    return CRes::instance().ResString(number, QLatin1String(english));
}

}

QColor ComplianceChartPainter::lineColor()
{
    // Dark enough to read over every bar colour.
    return QColor(30, 70, 170);
}

int ComplianceChartPainter::scaleTop(int value)
{
    if (value <= 4)
        return 4;
    const double raw = value / 4.0;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double step : {1.0, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 7.5, 10.0}) {
        if (step * magnitude >= raw && std::fmod(step * magnitude, 1.0) == 0.0)
            return int(step * magnitude * 4);
    }
    return int(std::ceil(raw) * 4);
}

QString ComplianceChartPainter::percentText(double percent)
{
    return QLocale().toString(percent, 'f', 1) + QStringLiteral(" %");
}

QString ComplianceChartPainter::summary(const ComplianceRow &row)
{
    if (!row.hasPercent())
        return res(483, "Compliance: no checkpoints due");
    return res(482, "Compliance: %1 (%2 of %3 checkpoints on time)")
        .arg(percentText(row.percent()))
        .arg(row.onTime)
        .arg(row.due());
}

QString ComplianceChartPainter::earlyOrLateText()
{
    return res(480, "Early or late");
}

QString ComplianceChartPainter::percentAxisText()
{
    return res(479, "Compliance %");
}

QString ComplianceChartPainter::dueAxisText()
{
    return res(481, "Checkpoints due");
}

void ComplianceChartPainter::paint(QPainter &painter, const QRectF &rect, const ComplianceFigures &figures,
                                   const QFont &font)
{
    using Kind = CheckpointOutcome::Kind;
    painter.save();
    painter.setFont(font);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetricsF fm(font, painter.device());
    const qreal line = fm.lineSpacing();
    const qreal thin = qMax<qreal>(1, line / 14);

    // The caption, and the legend beside it or, when there is no room, under it.
    const QString caption = summary(figures.total());
    const QRectF captionLine(rect.left(), rect.top(), rect.width(), line * 1.3);
    painter.setPen(Qt::black);
    painter.drawText(captionLine, Qt::AlignLeft | Qt::AlignVCenter, caption);
    struct Key
    {
        QString text;
        QColor color;
        bool isLine;
    };
    const Key keys[] = {{ExceptionReport::kindText(Kind::OnTime), ExceptionTableModel::kindColor(Kind::OnTime), false},
                        {earlyOrLateText(), ExceptionTableModel::kindColor(Kind::Late), false},
                        {ExceptionReport::kindText(Kind::Missed), ExceptionTableModel::kindColor(Kind::Missed), false},
                        {percentAxisText(), lineColor(), true}};
    const qreal swatch = line * 0.7;
    qreal legendWidth = 0;
    for (const Key &k : keys)
        legendWidth += swatch + line * 0.3 + fm.horizontalAdvance(k.text) + line;
    const bool legendBelow = fm.horizontalAdvance(caption) + line + legendWidth > rect.width();
    const QRectF legendLine = legendBelow ? captionLine.translated(0, captionLine.height()) : captionLine;
    qreal x = legendBelow ? rect.left() : rect.right() - legendWidth + line;
    for (const Key &k : keys) {
        const QRectF box(x, legendLine.center().y() - swatch / 2, swatch, swatch);
        if (k.isLine) {
            painter.setPen(QPen(k.color, thin * 2));
            painter.drawLine(QPointF(box.left(), box.center().y()), QPointF(box.right(), box.center().y()));
        } else {
            painter.setPen(QPen(k.color.darker(160), thin));
            painter.setBrush(k.color);
            painter.drawRect(box);
            painter.setBrush(Qt::NoBrush);
        }
        x += swatch + line * 0.3;
        const qreal w = fm.horizontalAdvance(k.text);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x, legendLine.top(), w + 1, legendLine.height()), Qt::AlignLeft | Qt::AlignVCenter,
                         k.text);
        x += w + line;
    }

    const QList<ComplianceRow> &days = figures.days();
    int most = 0;
    for (const ComplianceRow &d : days)
        most = qMax(most, d.due());
    const int top = scaleTop(most);
    const QString percentTop = QStringLiteral("100 %");
    const qreal leftLabels = fm.horizontalAdvance(QString::number(top)) + line * 0.4;
    const qreal rightLabels = fm.horizontalAdvance(percentTop) + line * 0.4;
    const QRectF plot(rect.left() + leftLabels, legendLine.bottom() + line * 0.6,
                      rect.width() - leftLabels - rightLabels, rect.bottom() - legendLine.bottom() - line * 2.0);
    if (plot.width() <= 0 || plot.height() <= 0) {
        painter.restore();
        return;
    }

    // The scales: checkpoints due on the left, percent on the right, four steps each.
    for (int i = 0; i <= 4; ++i) {
        const qreal y = plot.bottom() - plot.height() * i / 4;
        painter.setPen(QPen(i == 0 ? QColor(Qt::black) : QColor(210, 210, 210), thin));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(rect.left(), y - line / 2, leftLabels - line * 0.2, line),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(top * i / 4));
        painter.setPen(lineColor());
        painter.drawText(QRectF(plot.right() + line * 0.2, y - line / 2, rightLabels, line),
                         Qt::AlignLeft | Qt::AlignVCenter, QString::number(25 * i) + QStringLiteral(" %"));
    }
    if (days.isEmpty()) {
        painter.restore();
        return;
    }

    // Days without the year, which the report's title gives.
    const QString dayFormat = QLocale()
                                  .dateFormat(QLocale::ShortFormat)
                                  .remove(QRegularExpression(QStringLiteral("[^dMy]*y+[^dMy]*")))
                                  .trimmed();
    const qreal slot = plot.width() / days.size();
    // A few days get bars of a sensible width rather than the whole line.
    const qreal barWidth = qMin(slot * 0.7, line * 4);
    const qreal widest = fm.horizontalAdvance(QLocale().toString(QDate(2000, 12, 28), dayFormat)) + line * 0.5;
    const int labelEvery = qMax(1, int(std::ceil(widest / slot)));
    QPainterPath percentLine;
    bool drawing = false;
    for (qsizetype i = 0; i < days.size(); ++i) {
        const ComplianceRow &d = days.at(i);
        const qreal centre = plot.left() + slot * (qreal(i) + 0.5);
        qreal y = plot.bottom();
        const std::pair<int, Kind> parts[] = {{d.onTime, Kind::OnTime}, {d.earlyOrLate, Kind::Late},
                                              {d.missed, Kind::Missed}};
        for (const auto &[n, kind] : parts) {
            if (n == 0)
                continue;
            const qreal h = plot.height() * n / top;
            const QColor color = ExceptionTableModel::kindColor(kind);
            painter.setPen(QPen(color.darker(160), thin));
            painter.setBrush(color);
            painter.drawRect(QRectF(centre - barWidth / 2, y - h, barWidth, h));
            y -= h;
        }
        painter.setBrush(Qt::NoBrush);
        if (i % labelEvery == 0) {
            painter.setPen(Qt::black);
            painter.drawText(QRectF(centre - slot * labelEvery / 2, plot.bottom() + line * 0.2, slot * labelEvery, line),
                             Qt::AlignHCenter | Qt::AlignTop, QLocale().toString(d.day, dayFormat));
        }
        if (!d.hasPercent()) {
            drawing = false;
            continue;
        }
        const QPointF point(centre, plot.bottom() - plot.height() * d.percent() / 100);
        if (drawing)
            percentLine.lineTo(point);
        else
            percentLine.moveTo(point);
        drawing = true;
        painter.setPen(Qt::NoPen);
        painter.setBrush(lineColor());
        painter.drawEllipse(point, thin * 2, thin * 2);
        painter.setBrush(Qt::NoBrush);
    }
    painter.setPen(QPen(lineColor(), thin * 2));
    painter.drawPath(percentLine);
    painter.restore();
}
