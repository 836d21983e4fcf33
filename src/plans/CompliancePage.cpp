#include "CompliancePage.h"

#include "ButtonKey.h"
#include "CRes.h"
#include "ComplianceChart.h"
#include "ExceptionReport.h"
#include "GuiHelpers.h"
#include "MessageReporter.h"
#include "TypedDateEdit.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kAllPlansText = 366;

QString res(int number, const char *english)
{
    return CRes::instance().ResString(number, QLatin1String(english));
}

}

CompliancePage::CompliancePage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("picCompliance"));
    // A month up to yesterday: the last full day.
    const QDate yesterday = QDate::currentDate().addDays(-1);
    const QString dateFormat = QLocale::system().dateFormat(QLocale::ShortFormat);
    m_fromDate = new TypedDateEdit(yesterday.addDays(-29), this);
    m_fromDate->setObjectName(QStringLiteral("dtpFrom"));
    m_toDate = new TypedDateEdit(yesterday, this);
    m_toDate->setObjectName(QStringLiteral("dtpTo"));
    for (QDateEdit *d : {m_fromDate, m_toDate}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(dateFormat);
    }
    m_plan = new QComboBox(this);
    m_plan->setObjectName(QStringLiteral("cboPlan"));
    m_plan->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_plan->setMinimumContentsLength(10);
    m_plan->addItem(QString());
    m_rows = new QComboBox(this);
    m_rows->setObjectName(QStringLiteral("cboRows"));
    m_rows->addItems({QString(), QString()});
    m_run = new QPushButton(this);
    m_run->setObjectName(QStringLiteral("cmdRun"));
    m_run->setDefault(true);
    m_fromLabel = new QLabel(this);
    m_toLabel = new QLabel(this);
    m_planLabel = new QLabel(this);
    m_rowsLabel = new QLabel(this);
    m_fromLabel->setBuddy(m_fromDate);
    m_toLabel->setBuddy(m_toDate);
    m_planLabel->setBuddy(m_plan);
    m_rowsLabel->setBuddy(m_rows);
    m_chart = new ComplianceChart(this);
    m_hint = new QLabel(this);
    m_hint->setObjectName(QStringLiteral("lblHint"));
    m_warnings = new QLabel(this);
    m_warnings->setObjectName(QStringLiteral("lblWarnings"));
    m_warnings->setWordWrap(true);
    m_warnings->setStyleSheet(QStringLiteral("color: #8a5a00"));
    m_warnings->hide();

    // The range and the plan on one line, the choice of bars on another, as
    // on the exceptions page, so that the page stays narrow in every language.
    auto *inputs = new QHBoxLayout;
    inputs->addWidget(m_fromLabel);
    inputs->addWidget(m_fromDate);
    inputs->addSpacing(8);
    inputs->addWidget(m_toLabel);
    inputs->addWidget(m_toDate);
    inputs->addSpacing(8);
    inputs->addWidget(m_planLabel);
    inputs->addWidget(m_plan, 1);
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

    connect(m_fromDate, &QDateEdit::dateChanged, this, [this](QDate d) {
        if (d > m_toDate->date())
            m_toDate->setDate(d);
    });
    connect(m_toDate, &QDateEdit::dateChanged, this, [this](QDate d) {
        if (d < m_fromDate->date())
            m_fromDate->setDate(d);
    });
    ButtonKey::bind(this, m_run, QKeySequence(Qt::Key_F5), QStringLiteral("compliance_run"));
    connect(m_run, &QPushButton::clicked, this, &CompliancePage::run);
    connect(m_rows, &QComboBox::currentIndexChanged, this, &CompliancePage::showFigures);
    connect(m_chart, &ComplianceChart::dayClicked, this, [this](const QDate &day) { Q_EMIT dayClicked(day, planName()); });
    applyTexts();
}

void CompliancePage::applyTexts()
{
    m_fromLabel->setText(res(363, "&From:"));
    m_toLabel->setText(res(364, "&To:"));
    m_planLabel->setText(res(365, "&Plan:"));
    m_plan->setItemText(0, res(kAllPlansText, "(All plans)"));
    m_rowsLabel->setText(res(478, "&Show:"));
    m_rows->setItemText(0, res(476, "Per day"));
    m_rows->setItemText(1, res(477, "Per guard"));
    m_run->setText(res(367, "&Run"));
    m_hint->setText(res(484, "Click a day's bar to see its exceptions."));
    m_chart->applyTexts();
}

void CompliancePage::setPlanNames(const QStringList &names)
{
    const QString current = planName();
    m_plan->clear();
    m_plan->addItem(res(kAllPlansText, "(All plans)"));
    m_plan->addItems(names);
    m_plan->setCurrentIndex(qMax(0, int(names.indexOf(current)) + 1));
}

QString CompliancePage::planName() const
{
    return m_plan->currentIndex() > 0 ? m_plan->currentText() : QString();
}

bool CompliancePage::run()
{
    BusyCursor busy;
    m_run->setEnabled(false);
    const QDate from = m_fromDate->date();
    const QDate to = m_toDate->date();
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
    m_warnings->setVisible(!warnings.isEmpty());
    m_warnings->setText(res(377, "%1 files or lines could not be read and were left out:").arg(warnings.size())
                        + u' ' + warnings.mid(0, 3).join(QStringLiteral("; "))
                        + (warnings.size() > 3 ? QStringLiteral(" ...") : QString()));
    m_warnings->setToolTip(warnings.join(u'\n'));
    return true;
}

void CompliancePage::showFigures()
{
    const bool perGuard = m_rows->currentIndex() == 1;
    m_hint->setVisible(!perGuard);
    m_chart->setFigures(m_figures, perGuard);
}
