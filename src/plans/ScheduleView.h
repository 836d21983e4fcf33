#pragma once

#include "ReportSource.h"

#include <QWidget>

#include <memory>

class CompliancePage;
class ExceptionsPage;
class PlanEditor;
class QLabel;
class QTabWidget;
class ReportLayout;

// The schedule view, the navigation bar's third item: the patrol plans
// (PlanEditor), the exception report over them (ExceptionsPage) and its
// compliance chart (CompliancePage), as three tabs. A day clicked on the chart
// opens the exceptions of that day.
class ScheduleView : public QWidget, public ReportSource
{
    Q_OBJECT
public:
    explicit ScheduleView(QWidget *parent = nullptr);

    // Captions in the current language (after a language switch).
    void applyTexts();
    // Asks about a changed plan before the program ends; false to stay.
    bool confirmLeave();
    // The exception report for the File menu's preview, print and PDF; the
    // exceptions page has shown why when there is none.
    std::shared_ptr<ReportLayout> report(QString *error) override;

    PlanEditor *planEditor() const { return m_plans; }
    ExceptionsPage *exceptionsPage() const { return m_exceptions; }
    CompliancePage *compliancePage() const { return m_compliance; }
    QTabWidget *tabs() const { return m_tabs; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLabel *m_title = nullptr;
    QTabWidget *m_tabs = nullptr;
    PlanEditor *m_plans = nullptr;
    ExceptionsPage *m_exceptions = nullptr;
    CompliancePage *m_compliance = nullptr;
};
