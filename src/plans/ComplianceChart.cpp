#include "ComplianceChart.h"

#include "CRes.h"
#include "ComplianceChartPainter.h"
#include "ExceptionReport.h"
#include "ExceptionTableModel.h"

#include <QLocale>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QStackedBarSeries>
#include <QtCharts/QValueAxis>


ComplianceChart::ComplianceChart(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("chtCompliance"));
    m_view = new QChartView(new QChart, this);
    m_view->setObjectName(QStringLiteral("chvCompliance"));
    m_view->setRenderHint(QPainter::Antialiasing);
    // The chart shrinks with the window rather than widening it.
    m_view->setMinimumSize(200, 150);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    rebuild();
}

ComplianceChart::~ComplianceChart() = default;

void ComplianceChart::setFigures(const ComplianceFigures &figures, bool perGuard)
{
    m_figures = figures;
    m_perGuard = perGuard;
    rebuild();
}

void ComplianceChart::applyTexts()
{
    rebuild();
}

void ComplianceChart::rebuild()
{
    using Kind = CheckpointOutcome::Kind;
    const QList<ComplianceRow> &rows = m_perGuard ? m_figures.guards() : m_figures.days();
    const QLocale locale;
    // Days without the year, which the range gives.
    const QString dayFormat =
        locale.dateFormat(QLocale::ShortFormat).remove(QRegularExpression(QStringLiteral("[^dMy]*y+[^dMy]*"))).trimmed();
    m_categories.clear();
    m_barDays.clear();
    for (const ComplianceRow &r : rows) {
        if (m_perGuard)
            m_categories << (r.guard.isEmpty() ? CRes::instance().ResString(398, QStringLiteral("(no guard)")) : r.guard);
        else
            m_categories << locale.toString(r.day, dayFormat);
        m_barDays << r.day;
    }

    auto *chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setFont(font());
    chart->setTitleFont(font());
    // No verdict before the first run.
    if (!m_figures.days().isEmpty())
        chart->setTitle(ComplianceChartPainter::summary(m_figures.total()));
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->legend()->setFont(font());

    const std::pair<QString, Kind> kinds[] = {{ExceptionReport::kindText(Kind::OnTime), Kind::OnTime},
                                              {ComplianceChartPainter::earlyOrLateText(), Kind::Late},
                                              {ExceptionReport::kindText(Kind::Missed), Kind::Missed}};
    auto *bars = new QStackedBarSeries;
    int most = 0;
    for (const auto &[text, kind] : kinds) {
        auto *set = new QBarSet(text);
        const QColor color = ExceptionTableModel::kindColor(kind);
        set->setColor(color);
        set->setBorderColor(color.darker(160));
        for (const ComplianceRow &r : rows)
            *set << (kind == Kind::OnTime ? r.onTime : kind == Kind::Late ? r.earlyOrLate : r.missed);
        connect(set, &QBarSet::clicked, this, [this](int index) {
            if (!m_perGuard && index >= 0 && index < m_barDays.size())
                Q_EMIT dayClicked(m_barDays.at(index));
        });
        bars->append(set);
    }
    for (const ComplianceRow &r : rows)
        most = qMax(most, r.due());
    bars->setBarWidth(0.7);
    chart->addSeries(bars);

    auto *categoryAxis = new QBarCategoryAxis;
    categoryAxis->append(m_categories);
    categoryAxis->setLabelsFont(font());
    // A month of days reads upwards rather than overlapping.
    if (m_categories.size() > 14)
        categoryAxis->setLabelsAngle(-90);
    // A month of days in a small window: Qt Charts would cut every turned
    // label down to an ellipsis; whole labels may touch, but they say the day.
    categoryAxis->setTruncateLabels(false);
    chart->addAxis(categoryAxis, Qt::AlignBottom);
    bars->attachAxis(categoryAxis);

    auto *dueAxis = new QValueAxis;
    dueAxis->setRange(0, ComplianceChartPainter::scaleTop(most));
    dueAxis->setTickCount(5);
    dueAxis->setLabelFormat(QStringLiteral("%d"));
    dueAxis->setTitleText(ComplianceChartPainter::dueAxisText());
    dueAxis->setLabelsFont(font());
    dueAxis->setTitleFont(font());
    chart->addAxis(dueAxis, Qt::AlignLeft);
    bars->attachAxis(dueAxis);

    auto *percentAxis = new QValueAxis;
    percentAxis->setRange(0, 100);
    percentAxis->setTickCount(5);
    percentAxis->setLabelFormat(QStringLiteral("%d"));
    percentAxis->setTitleText(ComplianceChartPainter::percentAxisText());
    percentAxis->setLabelsFont(font());
    percentAxis->setTitleFont(font());
    percentAxis->setLabelsColor(ComplianceChartPainter::lineColor());
    percentAxis->setGridLineVisible(false);
    chart->addAxis(percentAxis, Qt::AlignRight);

    // Per day a line through the days with something due, broken at the
    // days without; per guard a point each.
    QList<QXYSeries *> percents;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (!rows.at(i).hasPercent())
            continue;
        const bool continues = !m_perGuard && i > 0 && rows.at(i - 1).hasPercent();
        if (percents.isEmpty() || !continues) {
            QXYSeries *series = m_perGuard ? static_cast<QXYSeries *>(new QScatterSeries) : new QLineSeries;
            series->setName(ComplianceChartPainter::percentAxisText());
            series->setColor(ComplianceChartPainter::lineColor());
            if (auto *scatter = qobject_cast<QScatterSeries *>(series)) {
                scatter->setMarkerSize(10);
                scatter->setBorderColor(ComplianceChartPainter::lineColor());
            } else {
                QPen pen(ComplianceChartPainter::lineColor(), 2);
                series->setPen(pen);
                series->setPointsVisible(true);
            }
            percents << series;
        }
        percents.last()->append(qreal(i), rows.at(i).percent());
    }
    for (qsizetype i = 0; i < percents.size(); ++i) {
        chart->addSeries(percents.at(i));
        percents.at(i)->attachAxis(categoryAxis);
        percents.at(i)->attachAxis(percentAxis);
        // One legend entry for the percentage, however often the line breaks.
        if (i > 0)
            for (QLegendMarker *marker : chart->legend()->markers(percents.at(i)))
                marker->setVisible(false);
    }

    QChart *old = m_view->chart();
    m_view->setChart(chart);
    delete old;
}
