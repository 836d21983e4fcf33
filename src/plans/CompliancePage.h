#pragma once

#include "ComplianceFigures.h"
#include "ReportFilter.h"

#include <QDate>
#include <QWidget>

class ComplianceChart;
class QComboBox;
class QLabel;
class QPushButton;

// The compliance page of the schedule view: the range and plan filter, Run
// (F5), per day or per guard, and the chart of the checkpoints due by
// outcome with the compliance percentage. The figures come from the same
// exception report as the exceptions page; clicking a day's bar asks for
// that day's exceptions.
class CompliancePage : public QWidget
{
    Q_OBJECT
public:
    explicit CompliancePage(QWidget *parent = nullptr);

    // The plan filter's choices: all plans, then each name.
    void setPlanNames(const QStringList &names);
    // Runs the report for the range and plan shown; false after a message.
    bool run();
    void applyTexts();

    // The plan chosen, empty for all plans.
    QString planName() const;
    const ComplianceFigures &figures() const { return m_figures; }
    ComplianceChart *chart() const { return m_chart; }

Q_SIGNALS:
    // A day's bar was clicked: its exceptions, for the plan chosen.
    void dayClicked(const QDate &day, const QString &plan);

private:
    void showFigures();

    ComplianceFigures m_figures;

    ReportFilter m_filter;
    QLabel *m_rowsLabel = nullptr;
    QComboBox *m_rows = nullptr;
    QPushButton *m_run = nullptr;
    ComplianceChart *m_chart = nullptr;
    QLabel *m_hint = nullptr;
    QLabel *m_warnings = nullptr;
};
