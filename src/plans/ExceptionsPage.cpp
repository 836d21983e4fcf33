#include "ExceptionsPage.h"

#include "ButtonKey.h"
#include "CRes.h"
#include "ExceptionReport.h"
#include "ExceptionTableModel.h"
#include "GuiHelpers.h"
#include "MessageReporter.h"
#include "OutcomeTotalsModel.h"
#include "ReportPreview.h"
#include "TagStore.h"
#include "WindowGeometry.h"
#include "TypedDateEdit.h"
#include "rptExceptions.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QLocale>
#include <QVBoxLayout>

namespace {

constexpr int kAllPlansText = 366;
constexpr int kWarningsText = 377;
constexpr int kPlanText = 381;
constexpr int kGuardText = 389;

QString res(int number, const char *english)
{
    return CRes::instance().ResString(number, QLatin1String(english));
}

}

ExceptionsPage::ExceptionsPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("picExceptions"));
    const QDate yesterday = QDate::currentDate().addDays(-1);
    const QString dateFormat = QLocale::system().dateFormat(QLocale::ShortFormat);
    m_fromDate = new TypedDateEdit(yesterday, this);
    m_fromDate->setObjectName(QStringLiteral("dtpFrom"));
    m_toDate = new TypedDateEdit(yesterday, this);
    m_toDate->setObjectName(QStringLiteral("dtpTo"));
    for (QDateEdit *d : {m_fromDate, m_toDate}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(dateFormat);
    }
    m_plan = new QComboBox(this);
    m_plan->setObjectName(QStringLiteral("cboPlan"));
    // At least "(All plans)" in every shipped language; wider as the page widens.
    m_plan->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_plan->setMinimumContentsLength(10);
    m_run = new QPushButton(this);
    m_run->setObjectName(QStringLiteral("cmdRun"));
    m_run->setDefault(true);
    m_preview = new QPushButton(this);
    m_preview->setObjectName(QStringLiteral("cmdPreview"));
    m_print = new QPushButton(this);
    m_print->setObjectName(QStringLiteral("cmdPrint"));
    m_print->setIcon(QIcon::fromTheme(QStringLiteral("document-print")));
    m_pdf = new QPushButton(this);
    m_pdf->setObjectName(QStringLiteral("cmdExportPdf"));
    m_fromLabel = new QLabel(this);
    m_toLabel = new QLabel(this);
    m_planLabel = new QLabel(this);
    m_fromLabel->setBuddy(m_fromDate);
    m_toLabel->setBuddy(m_toDate);
    m_planLabel->setBuddy(m_plan);

    m_model = new ExceptionTableModel(this);
    m_table = makeTable("grdExceptions", m_model);
    m_warnings = new QLabel(this);
    m_warnings->setObjectName(QStringLiteral("lblWarnings"));
    m_warnings->setWordWrap(true);
    m_warnings->setStyleSheet(QStringLiteral("color: #8a5a00"));
    m_warnings->hide();
    m_planTotals = new OutcomeTotalsModel(kPlanText, this);
    m_guardTotals = new OutcomeTotalsModel(kGuardText, this);
    m_planBox = new QGroupBox(this);
    m_guardBox = new QGroupBox(this);
    for (auto [box, table] : {std::pair{m_planBox, makeTable("grdPlanTotals", m_planTotals)},
                              std::pair{m_guardBox, makeTable("grdGuardTotals", m_guardTotals)}}) {
        auto *l = new QVBoxLayout(box);
        l->setContentsMargins(4, 4, 4, 4);
        l->addWidget(table);
        // The plan or guard takes the width the counts leave.
        table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
        table->horizontalHeader()->setSectionResizeMode(OutcomeTotalsModel::Key, QHeaderView::Stretch);
        table->horizontalHeader()->setStretchLastSection(false);
    }

    // The range and the plan on one line, the report's commands on another,
    // so that the page stays narrow in every language.
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
    auto *commands = new QHBoxLayout;
    commands->addStretch(1);
    for (QPushButton *b : {m_preview, m_print, m_pdf})
        commands->addWidget(b);
    // The flagged reads of the range, as the printed report's flags section lists them.
    m_flaggedBox = new QGroupBox(this);
    m_flagged = new QTableWidget(0, 5, m_flaggedBox);
    m_flagged->setObjectName(QStringLiteral("grdFlagged"));
    m_flagged->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_flagged->verticalHeader()->hide();
    // The last column, what was found, takes the rest of the width.
    m_flagged->horizontalHeader()->setStretchLastSection(true);
    auto *flaggedLayout = new QVBoxLayout(m_flaggedBox);
    flaggedLayout->setContentsMargins(4, 4, 4, 4);
    flaggedLayout->addWidget(m_flagged);
    // The totals and the flagged reads one above the other, so that each has
    // the page's width for its columns.
    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(QStringLiteral("splExceptions"));
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(m_table);
    splitter->addWidget(m_planBox);
    splitter->addWidget(m_guardBox);
    splitter->addWidget(m_flaggedBox);
    // The boxes may shrink to a caption and a row or two, so that the page
    // fits a small screen; the splitter gives them room again.
    for (QGroupBox *box : {m_planBox, m_guardBox, m_flaggedBox})
        box->setMinimumHeight(4 * box->fontMetrics().height());
    splitter->setStretchFactor(0, 1);
    const int totalsHeight = 5 * m_table->verticalHeader()->defaultSectionSize();
    splitter->setSizes({3 * totalsHeight, totalsHeight, totalsHeight, totalsHeight});
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(inputs);
    layout->addWidget(splitter, 1);
    layout->addWidget(m_warnings);
    layout->addLayout(commands);
    WindowGeometry::keep(splitter, QStringLiteral("ExceptionsSplitter"));

    // The range stays a range: moving one end past the other takes it along.
    connect(m_fromDate, &QDateEdit::dateChanged, this, [this](QDate d) {
        if (d > m_toDate->date())
            m_toDate->setDate(d);
    });
    connect(m_toDate, &QDateEdit::dateChanged, this, [this](QDate d) {
        if (d < m_fromDate->date())
            m_fromDate->setDate(d);
    });
    ButtonKey::bind(this, m_run, QKeySequence(Qt::Key_F5), QStringLiteral("schedule_run"));
    connect(m_run, &QPushButton::clicked, this, &ExceptionsPage::run);
    connect(m_preview, &QPushButton::clicked, this, &ExceptionsPage::preview);
    connect(m_print, &QPushButton::clicked, this, &ExceptionsPage::print);
    connect(m_pdf, &QPushButton::clicked, this, &ExceptionsPage::exportPdf);
    applyTexts();
}

QTableView *ExceptionsPage::makeTable(const char *name, QAbstractItemModel *model)
{
    auto *table = new QTableView(this);
    table->setObjectName(QLatin1String(name));
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

void ExceptionsPage::applyTexts()
{
    m_fromLabel->setText(res(363, "&From:"));
    m_toLabel->setText(res(364, "&To:"));
    m_planLabel->setText(res(365, "&Plan:"));
    if (m_plan->count() > 0)
        m_plan->setItemText(0, res(kAllPlansText, "(All plans)"));
    m_run->setText(res(367, "&Run"));
    m_preview->setText(res(106, "Print Pre&view"));
    m_print->setText(res(107, "&Print..."));
    m_pdf->setText(ReportPreview::exportPdfText());
    m_planBox->setTitle(res(396, "Totals per plan"));
    m_guardBox->setTitle(res(397, "Totals per guard"));
    m_flaggedBox->setTitle(res(471, "Flagged reads"));
    m_flagged->setHorizontalHeaderLabels({res(388, "Read"), res(232, "Mach#"), res(384, "Checkpoint"),
                                          res(470, "Flags"), QString()});
    m_model->refreshHeaders();
    m_planTotals->refreshHeaders();
    m_guardTotals->refreshHeaders();
    fitColumns();
}

void ExceptionsPage::setPlanNames(const QStringList &names)
{
    const QString current = m_plan->currentIndex() > 0 ? m_plan->currentText() : QString();
    m_plan->clear();
    m_plan->addItem(res(kAllPlansText, "(All plans)"));
    m_plan->addItems(names);
    m_plan->setCurrentIndex(qMax(0, int(names.indexOf(current)) + 1));
}

void ExceptionsPage::setFilter(const QDate &from, const QDate &to, const QString &plan)
{
    // From first: a later start takes the end along, which the end then sets.
    m_fromDate->setDate(from);
    m_toDate->setDate(to);
    m_plan->setCurrentIndex(plan.isEmpty() ? 0 : qMax(0, m_plan->findText(plan)));
}

bool ExceptionsPage::run()
{
    BusyCursor busy;
    m_run->setEnabled(false);
    const QDate from = m_fromDate->date();
    const QDate to = m_toDate->date();
    const QString plan = m_plan->currentIndex() > 0 ? m_plan->currentText() : QString();
    ExceptionResult result;
    QString error;
    QStringList warnings;
    const bool ok = ExceptionReport::run(from, to, plan, &result, &error, &warnings);
    m_run->setEnabled(true);
    if (!ok) {
        MessageReporter::instance().message(error, MessageReporter::Icon::Exclamation);
        return false;
    }
    QString tagError;
    const QHash<QString, QString> names = TagStore::descriptionMap(&tagError);
    m_model->setOutcomes(result.outcomes, names);
    m_planTotals->setTotals(result.byPlan);
    m_guardTotals->setTotals(result.byGuard);
    m_flagged->setRowCount(int(result.flagged.size()));
    for (int r = 0; r < result.flagged.size(); ++r) {
        const FlaggedRead &f = result.flagged.at(r);
        const QString name = names.value(f.code);
        const QString cells[] = {QLocale::system().toString(f.at.date(), QLocale::ShortFormat) + u' '
                                     + f.at.toString(QStringLiteral("HH:mm:ss")),
                                 f.machineNo, name.isEmpty() ? f.code : f.code + QStringLiteral("  ") + name, f.rules,
                                 f.detail};
        for (int c = 0; c < 5; ++c)
            m_flagged->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    m_result = std::move(result);
    m_from = from;
    m_to = to;
    m_haveResult = true;
    // Files or lines that could not be read are named under the table; the report goes on without them.
    m_warnings->setVisible(!warnings.isEmpty());
    m_warnings->setText(res(kWarningsText, "%1 files or lines could not be read and were left out:").arg(warnings.size())
                        + u' ' + warnings.mid(0, 3).join(QStringLiteral("; "))
                        + (warnings.size() > 3 ? QStringLiteral(" ...") : QString()));
    m_warnings->setToolTip(warnings.join(u'\n'));
    fitColumns();
    return true;
}

void ExceptionsPage::fitColumns()
{
    // The totals fit themselves (their header modes); the outcomes fit their contents.
    m_table->resizeColumnsToContents();
}

std::shared_ptr<ReportLayout> ExceptionsPage::report()
{
    if (!m_haveResult && !run())
        return nullptr;
    BusyCursor busy;
    auto report = std::make_shared<rptExceptions>();
    report->setResult(m_result, m_from, m_to);
    return report;
}

void ExceptionsPage::preview()
{
    if (const std::shared_ptr<ReportLayout> r = report())
        ReportPreview::show(r, window());
}

void ExceptionsPage::print()
{
    const std::shared_ptr<ReportLayout> r = report();
    QString error;
    if (r && !ReportPreview::print(*r, window(), &error) && !error.isEmpty())
        MessageReporter::instance().failure(error, 0);
}

void ExceptionsPage::exportPdf()
{
    const std::shared_ptr<ReportLayout> r = report();
    QString error;
    if (r && !ReportPreview::exportPdf(*r, window(), QString(), QString(), &error) && !error.isEmpty())
        MessageReporter::instance().message(error, MessageReporter::Icon::Exclamation);
}
