#include "ReportFilter.h"

#include "CRes.h"
#include "TypedDateEdit.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>

namespace {

constexpr int kAllPlansText = 366;

QString res(int number, const char *english)
{
    return CRes::instance().ResString(number, QLatin1String(english));
}

}

ReportFilter::ReportFilter(QWidget *page, const QDate &from, const QDate &to)
    : m_fromLabel(new QLabel(page))
    , m_fromDate(new TypedDateEdit(from, page))
    , m_toLabel(new QLabel(page))
    , m_toDate(new TypedDateEdit(to, page))
    , m_planLabel(new QLabel(page))
    , m_plan(new QComboBox(page))
{
    m_fromDate->setObjectName(QStringLiteral("dtpFrom"));
    m_toDate->setObjectName(QStringLiteral("dtpTo"));
    const QString dateFormat = QLocale::system().dateFormat(QLocale::ShortFormat);
    for (QDateEdit *d : {m_fromDate, m_toDate}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(dateFormat);
    }
    m_plan->setObjectName(QStringLiteral("cboPlan"));
    // At least "(All plans)" in every shipped language; wider as the page widens.
    m_plan->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_plan->setMinimumContentsLength(10);
    m_plan->addItem(QString());
    m_fromLabel->setBuddy(m_fromDate);
    m_toLabel->setBuddy(m_toDate);
    m_planLabel->setBuddy(m_plan);
    QObject::connect(m_fromDate, &QDateEdit::dateChanged, page, [this](QDate d) {
        if (d > m_toDate->date())
            m_toDate->setDate(d);
    });
    QObject::connect(m_toDate, &QDateEdit::dateChanged, page, [this](QDate d) {
        if (d < m_fromDate->date())
            m_fromDate->setDate(d);
    });
}

void ReportFilter::addTo(QHBoxLayout *row) const
{
    row->addWidget(m_fromLabel);
    row->addWidget(m_fromDate);
    row->addSpacing(8);
    row->addWidget(m_toLabel);
    row->addWidget(m_toDate);
    row->addSpacing(8);
    row->addWidget(m_planLabel);
    row->addWidget(m_plan, 1);
}

void ReportFilter::applyTexts()
{
    m_fromLabel->setText(res(363, "&From:"));
    m_toLabel->setText(res(364, "&To:"));
    m_planLabel->setText(res(365, "&Plan:"));
    m_plan->setItemText(0, res(kAllPlansText, "(All plans)"));
}

void ReportFilter::setPlanNames(const QStringList &names)
{
    setChoices(m_plan, kAllPlansText, "(All plans)", names);
}

void ReportFilter::set(const QDate &from, const QDate &to, const QString &plan)
{
    // From first: a later start takes the end along, which the end then sets.
    m_fromDate->setDate(from);
    m_toDate->setDate(to);
    m_plan->setCurrentIndex(plan.isEmpty() ? 0 : qMax(0, m_plan->findText(plan)));
}

QDate ReportFilter::from() const
{
    return m_fromDate->date();
}

QDate ReportFilter::to() const
{
    return m_toDate->date();
}

QString ReportFilter::planName() const
{
    return m_plan->currentIndex() > 0 ? m_plan->currentText() : QString();
}

void ReportFilter::setChoices(QComboBox *combo, int allText, const char *allEnglish, const QStringList &names)
{
    const QString current = combo->currentIndex() > 0 ? combo->currentText() : QString();
    combo->clear();
    combo->addItem(res(allText, allEnglish));
    combo->addItems(names);
    combo->setCurrentIndex(qMax(0, int(names.indexOf(current)) + 1));
}

QLabel *makeUnreadableNote(QWidget *page)
{
    auto *note = new QLabel(page);
    note->setObjectName(QStringLiteral("lblWarnings"));
    note->setWordWrap(true);
    note->setStyleSheet(QStringLiteral("color: #8a5a00"));
    note->hide();
    return note;
}

void showUnreadable(QLabel *note, const QStringList &warnings)
{
    note->setVisible(!warnings.isEmpty());
    note->setText(res(377, "%1 files or lines could not be read and were left out:").arg(warnings.size()) + u' '
                  + warnings.mid(0, 3).join(QStringLiteral("; "))
                  + (warnings.size() > 3 ? QStringLiteral(" ...") : QString()));
    note->setToolTip(warnings.join(u'\n'));
}
