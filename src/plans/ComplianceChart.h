#pragma once

#include "ComplianceFigures.h"

#include <QDate>
#include <QList>
#include <QStringList>
#include <QWidget>

class QChart;
class QChartView;

// The compliance figures as a chart on screen: one stacked bar per day or
// per guard (on time, early or late, missed, in the exception table's
// colours) against the checkpoints due, and the compliance percentage on a
// 0-100 % scale on the right (a line through the days, a point per guard).
// The only class that knows the chart library: the page gives it figures and
// hears which day was clicked.
class ComplianceChart : public QWidget
{
    Q_OBJECT
public:
    explicit ComplianceChart(QWidget *parent = nullptr);
    ~ComplianceChart() override;

    // Shows `figures` per day or per guard.
    void setFigures(const ComplianceFigures &figures, bool perGuard);
    const ComplianceFigures &figures() const { return m_figures; }
    bool perGuard() const { return m_perGuard; }
    // The captions under the bars, in order.
    QStringList categories() const { return m_categories; }
    // Draws the chart again in the current language.
    void applyTexts();

Q_SIGNALS:
    // A day's bar was clicked (per day only).
    void dayClicked(const QDate &day);

private:
    void rebuild();

    ComplianceFigures m_figures;
    bool m_perGuard = false;
    QStringList m_categories;
    QList<QDate> m_barDays;
    QChartView *m_view = nullptr;
};
