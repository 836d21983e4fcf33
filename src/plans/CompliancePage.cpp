#include "CompliancePage.h"

#include "ButtonKey.h"
#include "CRes.h"
#include "ComplianceChart.h"
#include "ExceptionReport.h"
#include "GuiHelpers.h"
#include "MessageReporter.h"
#include "ReportFilter.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString res(int number, const char *english)
{
    return CRes::instance().ResString(number, QLatin1String(english));
}

}

CompliancePage::CompliancePage(QWidget *parent)
    : QWidget(parent)
    // A month up to yesterday: the last full day.
    , m_filter(this, QDate::currentDate().addDays(-30), QDate::currentDate().addDays(-1))
{
    setObjectName(QStringLiteral("picCompliance"));
    m_rows = new QComboBox(this);
    m_rows->setObjectName(QStringLiteral("cboRows"));
    m_rows->addItems({QString(), QString()});
    m_run = new QPushButton(this);
    m_run->setObjectName(QStringLiteral("cmdRun"));
    m_run->setDefault(true);
    m_rowsLabel = new QLabel(this);
    m_rowsLabel->setBuddy(m_rows);
    m_chart = new ComplianceChart(this);
    m_hint = new QLabel(this);
    m_hint->setObjectName(QStringLiteral("lblHint"));
    m_warnings = makeUnreadableNote(this);

    // The range and the plan on one line, the choice of bars on another, as
    // on the exceptions page, so that the page stays narrow in every language.
    auto *inputs = new QHBoxLayout;
    m_filter.addTo(inputs);
    inputs->addSpacing(8);
    inputs->addWidget(m_run);
    auto *choice = new QHBoxLayout;
    choice->addWidget(m_rowsLabel);
    choice->addWidget(m_rows);
    choice->addSpacing(8);
    choice->addWidget(m_hint);
    choice->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(inputs);
    layout->addLayout(choice);
    layout->addWidget(m_chart, 1);
    layout->addWidget(m_warnings);

    ButtonKey::bind(this, m_run, QKeySequence(Qt::Key_F5), QStringLiteral("compliance_run"));
    connect(m_run, &QPushButton::clicked, this, &CompliancePage::run);
    connect(m_rows, &QComboBox::currentIndexChanged, this, &CompliancePage::showFigures);
    connect(m_chart, &ComplianceChart::dayClicked, this, [this](const QDate &day) { Q_EMIT dayClicked(day, planName()); });
    applyTexts();
}

void CompliancePage::applyTexts()
{
    m_filter.applyTexts();
    m_rowsLabel->setText(res(478, "&Show:"));
    m_rows->setItemText(0, res(476, "Per day"));
    m_rows->setItemText(1, res(477, "Per guard"));
    m_run->setText(res(367, "&Run"));
    m_hint->setText(res(484, "Click a day's bar to see its exceptions."));
    m_chart->applyTexts();
}

void CompliancePage::setPlanNames(const QStringList &names)
{
    m_filter.setPlanNames(names);
}

QString CompliancePage::planName() const
{
    return m_filter.planName();
}

bool CompliancePage::run()
{
    BusyCursor busy;
    m_run->setEnabled(false);
    const QDate from = m_filter.from();
    const QDate to = m_filter.to();
    ExceptionResult result;
    QString error;
    QStringList warnings;
    const bool ok = ExceptionReport::run(from, to, planName(), &result, &error, &warnings);
    m_run->setEnabled(true);
    if (!ok) {
        MessageReporter::instance().message(error, MessageReporter::Icon::Exclamation);
        return false;
    }
    m_figures = ComplianceFigures(result, from, to);
    showFigures();
    // Files or lines that could not be read are named under the chart, as on the exceptions page.
    showUnreadable(m_warnings, warnings);
    return true;
}

void CompliancePage::showFigures()
{
    const bool perGuard = m_rows->currentIndex() == 1;
    m_hint->setVisible(!perGuard);
    m_chart->setFigures(m_figures, perGuard);
}
