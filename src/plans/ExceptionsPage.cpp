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
#include "rptExceptions.h"

#include <QComboBox>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>
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

#include <optional>

namespace {

constexpr int kPlanText = 381;
constexpr int kGuardText = 389;
constexpr int kSiteText = 410;
constexpr int kAllSitesText = 411;
constexpr int kRunningText = 413;

struct SourceRun
{
    bool ok = false;
    ExceptionSource::Report report;
    QString error;
};

QString res(int number, const char *english)
{
    return CRes::instance().ResString(number, QLatin1String(english));
}

}

ExceptionsPage::ExceptionsPage(QWidget *parent)
    : QWidget(parent)
    , m_filter(this, QDate::currentDate().addDays(-1), QDate::currentDate().addDays(-1))
{
    setObjectName(QStringLiteral("picExceptions"));
    // The site filter shows only with a central source.
    m_site = new QComboBox(this);
    m_site->setObjectName(QStringLiteral("cboSite"));
    m_site->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_site->setMinimumContentsLength(10);
    m_siteLabel = new QLabel(this);
    m_siteLabel->setBuddy(m_site);
    m_site->hide();
    m_siteLabel->hide();
    m_runningNote = new QLabel(this);
    m_runningNote->setObjectName(QStringLiteral("lblRunning"));
    m_runningNote->hide();
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

    m_model = new ExceptionTableModel(this);
    m_table = makeTable("grdExceptions", m_model);
    m_warnings = makeUnreadableNote(this);
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
    inputs->addWidget(m_siteLabel);
    inputs->addWidget(m_site, 1);
    m_filter.addTo(inputs);
    inputs->addSpacing(8);
    inputs->addWidget(m_run);
    auto *commands = new QHBoxLayout;
    commands->addWidget(m_runningNote);
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
    m_filter.applyTexts();
    m_siteLabel->setText(res(412, "&Site:"));
    if (m_site->count() > 0)
        m_site->setItemText(0, res(kAllSitesText, "(All sites)"));
    m_runningNote->setText(res(kRunningText, "Reading the central database..."));
    m_run->setText(res(367, "&Run"));
    m_preview->setText(res(106, "Print Pre&view"));
    m_print->setText(res(107, "&Print..."));
    m_pdf->setText(ReportPreview::exportPdfText());
    m_planBox->setTitle(res(396, "Totals per plan"));
    m_guardBox->setTitle(res(397, "Totals per guard"));
    m_flaggedBox->setTitle(res(471, "Flagged reads"));
    QStringList flaggedHeaders{res(388, "Read"), res(232, "Mach#"), res(384, "Checkpoint"), res(470, "Flags"), QString()};
    if (m_source)
        flaggedHeaders.prepend(res(kSiteText, "Site"));
    m_flagged->setColumnCount(int(flaggedHeaders.size()));
    m_flagged->setHorizontalHeaderLabels(flaggedHeaders);
    m_model->refreshHeaders();
    m_planTotals->refreshHeaders();
    m_guardTotals->refreshHeaders();
    fitColumns();
}

void ExceptionsPage::setPlanNames(const QStringList &names)
{
    // With a source the plans are those of its sites, not of the workspace.
    if (m_source)
        refreshCatalog();
    else
        m_filter.setPlanNames(names);
}

void ExceptionsPage::setSource(std::shared_ptr<const ExceptionSource> source)
{
    m_source = std::move(source);
    m_site->setVisible(bool(m_source));
    m_siteLabel->setVisible(bool(m_source));
    m_model->setShowSite(bool(m_source));
    ReportFilter::setChoices(m_site, kAllSitesText, "(All sites)", {});
    m_filter.setPlanNames({});
    applyTexts();
    // The sites are read when the page is shown (setPlanNames), not before:
    // a server that does not answer costs nothing until then.
}

void ExceptionsPage::refreshCatalog()
{
    // The sites and their plans, read off the window's thread; a failure
    // leaves the choices as they were (Run then says what is wrong).
    auto *watcher = new QFutureWatcher<std::optional<ExceptionSource::Catalog>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        if (const std::optional<ExceptionSource::Catalog> catalog = watcher->result()) {
            ReportFilter::setChoices(m_site, kAllSitesText, "(All sites)", catalog->sites);
            m_filter.setPlanNames(catalog->plans);
        }
    });
    watcher->setFuture(QtConcurrent::run([source = m_source]() -> std::optional<ExceptionSource::Catalog> {
        ExceptionSource::Catalog catalog;
        QString error;
        if (!source->catalog(&catalog, &error))
            return std::nullopt;
        return catalog;
    }));
}

void ExceptionsPage::setFilter(const QDate &from, const QDate &to, const QString &plan)
{
    m_filter.set(from, to, plan);
}

bool ExceptionsPage::run()
{
    const QDate from = m_filter.from();
    const QDate to = m_filter.to();
    const QString plan = m_filter.planName();
    if (m_source) {
        if (m_running)
            return false;
        m_running = true;
        m_run->setEnabled(false);
        m_runningNote->show();
        const QString site = m_site->currentIndex() > 0 ? m_site->currentText() : QString();
        auto *watcher = new QFutureWatcher<SourceRun>(this);
        connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, from, to] {
            watcher->deleteLater();
            SourceRun r = watcher->result();
            m_running = false;
            m_run->setEnabled(true);
            m_runningNote->hide();
            if (r.ok)
                showResult(std::move(r.report.result), std::move(r.report.names), {}, from, to);
            else
                MessageReporter::instance().message(r.error, MessageReporter::Icon::Exclamation);
            Q_EMIT runFinished(r.ok);
        });
        watcher->setFuture(QtConcurrent::run([source = m_source, site, from, to, plan] {
            SourceRun r;
            r.ok = source->run(site, from, to, plan, &r.report, &r.error);
            return r;
        }));
        return true;
    }
    BusyCursor busy;
    m_run->setEnabled(false);
    ExceptionResult result;
    QString error;
    QStringList warnings;
    const bool ok = ExceptionReport::run(from, to, plan, &result, &error, &warnings);
    m_run->setEnabled(true);
    if (!ok) {
        MessageReporter::instance().message(error, MessageReporter::Icon::Exclamation);
        Q_EMIT runFinished(false);
        return false;
    }
    QString tagError;
    showResult(std::move(result), TagStore::descriptionMap(&tagError), warnings, from, to);
    Q_EMIT runFinished(true);
    return true;
}

void ExceptionsPage::showResult(ExceptionResult result, QHash<QString, QString> names, const QStringList &warnings,
                                const QDate &from, const QDate &to)
{
    m_model->setOutcomes(result.outcomes, names);
    m_planTotals->setTotals(result.byPlan);
    m_guardTotals->setTotals(result.byGuard);
    const int siteColumn = m_source ? 1 : 0;
    m_flagged->setRowCount(int(result.flagged.size()));
    for (int r = 0; r < result.flagged.size(); ++r) {
        const FlaggedRead &f = result.flagged.at(r);
        const QString name = names.value(ExceptionReport::nameKey(f.site, f.code));
        const QString cells[] = {QLocale::system().toString(f.at.date(), QLocale::ShortFormat) + u' '
                                     + f.at.toString(QStringLiteral("HH:mm:ss")),
                                 f.machineNo, name.isEmpty() ? f.code : f.code + QStringLiteral("  ") + name, f.rules,
                                 f.detail};
        if (m_source)
            m_flagged->setItem(r, 0, new QTableWidgetItem(f.site));
        for (int c = 0; c < 5; ++c)
            m_flagged->setItem(r, c + siteColumn, new QTableWidgetItem(cells[c]));
    }
    m_result = std::move(result);
    m_names = std::move(names);
    m_from = from;
    m_to = to;
    m_haveResult = true;
    // Files or lines that could not be read are named under the table; the report goes on without them.
    showUnreadable(m_warnings, warnings);
    fitColumns();
}

void ExceptionsPage::fitColumns()
{
    // The totals fit themselves (their header modes); the outcomes fit their contents.
    m_table->resizeColumnsToContents();
}

std::shared_ptr<ReportLayout> ExceptionsPage::report()
{
    if (!m_haveResult) {
        // With a source the run ends later: wait for it with the events flowing.
        QEventLoop wait;
        bool ok = false;
        connect(this, &ExceptionsPage::runFinished, &wait, [&](bool finished) {
            ok = finished;
            wait.quit();
        });
        if (m_running || (run() && m_source))
            wait.exec();
        else
            ok = m_haveResult;
        if (!ok)
            return nullptr;
    }
    BusyCursor busy;
    auto report = std::make_shared<rptExceptions>();
    report->setResult(m_result, m_from, m_to, &m_names);
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
