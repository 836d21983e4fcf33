#pragma once

#include <QObject>
#include <QString>

#include <memory>

class PatrolDataView;
class ReportLayout;
class ReportSource;
class QWidget;

// The main window's commands that move data in and out: open and save a
// patrol-data file, the Excel workbook, data0.txt, the tag files, and the two
// reports (preview, print, PDF). Each collects its file through the file
// dialog, calls the non-widget code and reports a failure in a message box.
// The patrol-data view gives the file and rows; the reports come from the
// source the window names as current.
class DataCommands : public QObject
{
    Q_OBJECT
public:
    // Dialogs open over `window`.
    DataCommands(QWidget *window, PatrolDataView &patrol);

    // The view whose report preview, print and PDF make.
    void setReportSource(ReportSource *source) { m_source = source; }

    void OpenPatrolDataFileDialog();
    // Nothing while no file was clicked. A name without an extension takes the
    // chosen filter's, ".xls" becomes ".xlsx"; any other name is refused with
    // a message. A .tvl copies the file, or writes an old .mdb's rows as records.
    void SavePatrolDataFileAs();
    bool ExportPatrolDataToExcel(const QString &path);
    // data0.txt of the workspace from the rows the list shows.
    bool ExportPatrolDataText();
    void ExportTagDefinitions();
    void ImportTagDefinitions();
    // The report of the current view: preview (not modal) or print.
    void ShowReport(bool print);
    void ExportReportPdf();

Q_SIGNALS:
    // Tag definitions were imported: the tag list is to be read again and shown.
    void tagsImported();

private:
    // The report of the current view with its data and texts; null after a message.
    std::shared_ptr<ReportLayout> currentReport();
    static bool savePatrolDataFile(const QString &current, const QString &path, QString *error);
    void showError(const QString &text);

    QWidget *m_window;
    PatrolDataView &m_patrol;
    ReportSource *m_source = nullptr;
};
