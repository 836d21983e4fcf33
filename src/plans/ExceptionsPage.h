#pragma once

#include "ExceptionMatcher.h"
#include "ExceptionSource.h"
#include "ReportFilter.h"

#include <QDate>
#include <QWidget>

#include <memory>

class ExceptionTableModel;
class QAbstractItemModel;
class OutcomeTotalsModel;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTableView;
class QTableWidget;
class ReportLayout;

// The exception page of the schedule view: the range and plan filter, Run,
// the outcomes coloured by kind, the totals per plan and per guard, and the
// same result as a report (preview, print, PDF). The matching runs in
// ExceptionReport; the page shows what it found. With a source (the sites of
// a central database) the page reports those instead, with a site filter and
// a site column, and runs the report on a worker thread: the page stays
// usable and says it is running.
class ExceptionsPage : public QWidget
{
    Q_OBJECT
public:
    explicit ExceptionsPage(QWidget *parent = nullptr);

    // The plan filter's choices: all plans, then each name.
    void setPlanNames(const QStringList &names);
    // Shows the range and plan (empty for all plans) in the filter, to be run.
    void setFilter(const QDate &from, const QDate &to, const QString &plan);
    // Reports from `source` instead of the workspace.
    void setSource(std::shared_ptr<const ExceptionSource> source);
    // Runs the report for the range and plan shown; false after a message.
    // With a source it only starts the run (false when one is running):
    // runFinished tells the end.
    bool run();
    bool isRunning() const { return m_running; }
    // The report of the last run (run first when there was none); null after a message.
    std::shared_ptr<ReportLayout> report();
    void preview();
    void print();
    void exportPdf();
    void applyTexts();

    ExceptionTableModel *outcomes() const { return m_model; }
    OutcomeTotalsModel *planTotals() const { return m_planTotals; }
    OutcomeTotalsModel *guardTotals() const { return m_guardTotals; }
    QTableWidget *flaggedReads() const { return m_flagged; }

Q_SIGNALS:
    void runFinished(bool ok);

private:
    void showResult(ExceptionResult result, QHash<QString, QString> names, const QStringList &warnings,
                    const QDate &from, const QDate &to);
    void refreshCatalog();
    QTableView *makeTable(const char *name, QAbstractItemModel *model);
    void fitColumns();

    ExceptionResult m_result;
    QDate m_from;
    QDate m_to;
    bool m_haveResult = false;
    QHash<QString, QString> m_names; // of the codes of m_result, by ExceptionReport::nameKey
    std::shared_ptr<const ExceptionSource> m_source;
    bool m_running = false;

    ReportFilter m_filter;
    QLabel *m_siteLabel = nullptr;
    QComboBox *m_site = nullptr;
    QLabel *m_runningNote = nullptr;
    QPushButton *m_run = nullptr;
    QPushButton *m_preview = nullptr;
    QPushButton *m_print = nullptr;
    QPushButton *m_pdf = nullptr;
    ExceptionTableModel *m_model = nullptr;
    QTableView *m_table = nullptr;
    QLabel *m_warnings = nullptr;
    QGroupBox *m_planBox = nullptr;
    QGroupBox *m_guardBox = nullptr;
    OutcomeTotalsModel *m_planTotals = nullptr;
    OutcomeTotalsModel *m_guardTotals = nullptr;
    QGroupBox *m_flaggedBox = nullptr;
    QTableWidget *m_flagged = nullptr;
};
