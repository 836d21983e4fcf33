#include "ScheduleView.h"

#include "CRes.h"
#include "CompliancePage.h"
#include "ExceptionsPage.h"
#include "PlanEditor.h"
#include "ReportLayout.h"

#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QString res(int number, const char *english)
{
    return CRes::instance().ResString(number, QLatin1String(english));
}

}

ScheduleView::ScheduleView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pic_2"));
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("lbl_2"));
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabSchedule"));
    m_plans = new PlanEditor(m_tabs);
    m_exceptions = new ExceptionsPage(m_tabs);
    m_compliance = new CompliancePage(m_tabs);
    m_tabs->addTab(m_plans, QString());
    m_tabs->addTab(m_exceptions, QString());
    m_tabs->addTab(m_compliance, QString());

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_title);
    layout->addWidget(m_tabs, 1);

    connect(m_plans, &PlanEditor::plansChanged, this, [this] {
        m_exceptions->setPlanNames(m_plans->planNames());
        m_compliance->setPlanNames(m_plans->planNames());
    });
    connect(m_compliance, &CompliancePage::dayClicked, this, [this](const QDate &day, const QString &plan) {
        m_exceptions->setFilter(day, day, plan);
        m_tabs->setCurrentWidget(m_exceptions);
        m_exceptions->run();
    });
    applyTexts();
}

void ScheduleView::applyTexts()
{
    m_title->setText(res(341, "Schedule"));
    m_tabs->setTabText(0, res(343, "Plans"));
    m_tabs->setTabText(1, res(344, "Exceptions"));
    m_tabs->setTabText(2, res(475, "Compliance"));
    m_plans->applyTexts();
    m_exceptions->applyTexts();
    m_compliance->applyTexts();
}

void ScheduleView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Tags and plans may have changed elsewhere (the tag view, the command
    // line); a changed draft keeps its plan and takes only the new tags.
    if (m_plans->isModified())
        m_plans->refreshTags();
    else
        m_plans->reload();
    m_exceptions->setPlanNames(m_plans->planNames());
    m_compliance->setPlanNames(m_plans->planNames());
}

bool ScheduleView::confirmLeave()
{
    return m_plans->confirmLeave();
}

std::shared_ptr<ReportLayout> ScheduleView::report(QString *)
{
    return m_exceptions->report();
}
