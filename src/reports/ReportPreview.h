#pragma once

#include <QString>

#include <memory>

class QPrintPreviewDialog;
class QWidget;
class ReportLayout;

// The windows around a report: its preview (not modal, so the main window
// stays usable), the printer dialog and the export as PDF. The preview draws
// the first pages at once and the rest on the next turn of the event loop, so
// a long list shows its first page without waiting for the last.
class ReportPreview
{
public:
    // Pages drawn before the preview first shows.
    static constexpr int kFirstPages = 4;

    // Opens the preview; the dialog deletes itself when it is closed. Its
    // toolbar has an "Export PDF..." button beside print.
    static QPrintPreviewDialog *show(std::shared_ptr<ReportLayout> report, QWidget *parent);
    // The printer dialog, then every page. False when cancelled or when the
    // printer cannot be used (`error` set then).
    static bool print(const ReportLayout &report, QWidget *parent, QString *error);
    // Asks for a file (proposed name `proposedName` in `folder`, or where the
    // last PDF went) and writes the report as PDF there; the status bar says
    // where. False when cancelled or failed (`error` set).
    static bool exportPdf(const ReportLayout &report, QWidget *parent, const QString &folder,
                          const QString &proposedName, QString *error);
    // The text of the "Export PDF..." command in the current language.
    static QString exportPdfText();
};
