#include "ReportPreview.h"

#include "CRes.h"
#include "FileFolders.h"
#include "GuiHelpers.h"
#include "MessageReporter.h"
#include "ReportLayout.h"
#include "StatusNote.h"
#include "WindowGeometry.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTimer>
#include <QToolBar>

QString ReportPreview::exportPdfText()
{
    return CRes::instance().ResString(320, QStringLiteral("Export PDF..."));
}

QPrintPreviewDialog *ReportPreview::show(std::shared_ptr<ReportLayout> report, QWidget *parent)
{
    // The dialog's own printer (high resolution) serves the preview and its print button.
    auto *dialog = new QPrintPreviewDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::NonModal);
    dialog->setWindowTitle(report->lblTitle);
    auto *widget = dialog->findChild<QPrintPreviewWidget *>();

    // The first request draws the first pages only and asks for a complete
    // drawing right after; later requests (page set-up, print) draw all.
    auto complete = std::make_shared<bool>(false);
    QObject::connect(dialog, &QPrintPreviewDialog::paintRequested, dialog,
                     [report, complete, widget](QPrinter *target) {
                         if (*complete) {
                             report->print(*target);
                             return;
                         }
                         *complete = true;
                         if (report->print(*target, 0, kFirstPages - 1) == kFirstPages && widget)
                             QTimer::singleShot(0, widget, &QPrintPreviewWidget::updatePreview);
                     });

    if (auto *toolbar = dialog->findChild<QToolBar *>()) {
        toolbar->addSeparator();
        QAction *pdf = toolbar->addAction(exportPdfText());
        pdf->setObjectName(QStringLiteral("exportPdf"));
        QObject::connect(pdf, &QAction::triggered, dialog, [report, dialog] {
            QString error;
            if (!exportPdf(*report, dialog, QString(), QString(), &error) && !error.isEmpty())
                MessageReporter::instance().message(error, MessageReporter::Icon::Exclamation);
        });
    }
    dialog->resize(900, 700);
    WindowGeometry::keep(dialog, QStringLiteral("ReportPreview"));
    dialog->show();
    return dialog;
}

bool ReportPreview::print(const ReportLayout &report, QWidget *parent, QString *error)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(report.lblTitle);
    printer.setPageMargins(ReportLayout::marginsInPoints(), QPageLayout::Point);
    QPrintDialog dialog(&printer, parent);
    dialog.setMinMax(1, report.pageCount(&printer, QRectF(QPointF(0, 0), printer.pageLayout()
                                                                     .paintRectPixels(printer.resolution())
                                                                     .size())));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const int from = printer.fromPage() > 0 ? printer.fromPage() - 1 : 0;
    const int to = printer.toPage() > 0 ? printer.toPage() - 1 : -1;
    int drawn = 0;
    {
        BusyCursor busy;
        drawn = report.print(printer, from, to);
    }
    if (drawn < 0 && error)
        *error = QStringLiteral("The printer %1 cannot be used.").arg(printer.printerName());
    return drawn >= 0;
}

bool ReportPreview::exportPdf(const ReportLayout &report, QWidget *parent, const QString &folder,
                              const QString &proposedName, QString *error)
{
    QFileDialog dialog(parent);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    QString path = proposedName.isEmpty() ? report.lblTitle : proposedName;
    const QString kind = QStringLiteral("Reports");
    if (!ShowSaveDialog(dialog, exportPdfText().remove(QStringLiteral("...")),
                        folder.isEmpty() ? FileFolders::initial(kind) : folder,
                        CRes::instance().ResString(85, QStringLiteral("PDF document")) + QStringLiteral("|*.pdf"), path))
        return false;
    FileFolders::remember(kind, path);
    BusyCursor busy;
    if (!report.writePdf(path, error))
        return false;
    StatusNote::post(CRes::instance().ResString(77, QStringLiteral("Exported to %1")).arg(QDir::toNativeSeparators(path)));
    return true;
}
