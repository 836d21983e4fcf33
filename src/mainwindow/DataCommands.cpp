#include "DataCommands.h"

#include "AtomicFile.h"
#include "CRes.h"
#include "FileFolders.h"
#include "GuiHelpers.h"
#include "Ledger.h"
#include "MessageReporter.h"
#include "PatrolDataLoader.h"
#include "PatrolExport.h"
#include "PatrolTableModel.h"
#include "RegularFile.h"
#include "PatrolDataView.h"
#include "ReportPreview.h"
#include "ReportSource.h"
#include "StatusNote.h"
#include "TagFile.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

namespace {

// A copy that appears only when complete, so a failure leaves the target as it was.
bool copyFile(const QString &from, const QString &to, QString *error)
{
    QFile source;
    if (!RegularFile::openForReading(source, from, error))
        return false;
    const QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError) {
        *error = QStringLiteral("Cannot read %1: %2").arg(QDir::toNativeSeparators(from), source.errorString());
        return false;
    }
    return AtomicFile::writeFile(to, bytes, error);
}

// The name the user meant: one without an extension takes the chosen
// filter's, and ".xls", the old workbook, becomes ".xlsx".
QString intendedName(const QString &chosen, const QString &selectedFilter)
{
    const QString suffix = QFileInfo(chosen).suffix();
    if (suffix.isEmpty()) {
        const bool workbook = selectedFilter.contains(QLatin1String("*.xlsx"), Qt::CaseInsensitive);
        return chosen + (workbook ? QStringLiteral(".xlsx") : QStringLiteral(".tvl"));
    }
    if (suffix.compare(QLatin1String("xls"), Qt::CaseInsensitive) == 0)
        return chosen + QLatin1Char('x');
    return chosen;
}

QString res(int number, const char *english)
{
    return CRes::instance().ResString(number, QLatin1String(english));
}

// A filter of the file dialogs: a name in the interface language and its pattern.
QString filter(int nameNumber, const char *english, const char *pattern)
{
    return res(nameNumber, english) + QLatin1Char('|') + QLatin1String(pattern);
}

const QString kPatrolFolder = QStringLiteral("PatrolData");
const QString kTagFolder = QStringLiteral("Tags");

void noteDone(int textNumber, const char *english, const QString &path)
{
    StatusNote::post(res(textNumber, english).arg(QDir::toNativeSeparators(path)));
}

}

DataCommands::DataCommands(QWidget *window, PatrolDataView &patrol)
    : QObject(window)
    , m_window(window)
    , m_patrol(patrol)
{
}

void DataCommands::showError(const QString &text)
{
    MessageReporter::instance().message(text, MessageReporter::Icon::Exclamation);
}

void DataCommands::OpenPatrolDataFileDialog()
{
    QFileDialog dialog(m_window);
    QString path;
    if (!ShowOpenDialog(dialog, res(71, "Open"), FileFolders::initial(kPatrolFolder),
                        filter(81, "Patrol data file", "*.tvl") + QLatin1Char('|')
                            + filter(82, "Old patrol data database (TVL 2.x.x/1.x.x)", "*.mdb"),
                        path))
        return;
    FileFolders::remember(kPatrolFolder, path);
    m_patrol.OpenPatrolDataFile(path);
}

void DataCommands::SavePatrolDataFileAs()
{
    const QString current = m_patrol.CurrentFilePath();
    if (current.isEmpty())
        return;
    QFileDialog dialog(m_window);
    QString path = QFileInfo(current).completeBaseName();
    if (!ShowSaveDialog(dialog, res(72, "Save"), FileFolders::initial(kPatrolFolder),
                        filter(81, "Patrol data file", "*.tvl") + QLatin1Char('|')
                            + filter(80, "Excel workbook", "*.xlsx"),
                        path))
        return;
    FileFolders::remember(kPatrolFolder, path);
    const QString chosen = path;
    path = intendedName(chosen, dialog.selectedNameFilter());
    // The dialog asked about the name typed; the completed one may be another file.
    if (path != chosen && QFileInfo::exists(path)
        && !MessageReporter::instance().confirm(QStringLiteral("File already exists, overwrite?"),
                                                MessageReporter::Icon::Exclamation))
        return;
    if (path.endsWith(QLatin1String(".tvl"), Qt::CaseInsensitive)) {
        BusyCursor busy;
        QString error;
        if (savePatrolDataFile(current, path, &error)) {
            Ledger::note(Ledger::kSaveAs, path);
            noteDone(76, "Saved to %1", path);
        } else {
            showError(error);
        }
    } else if (path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)) {
        ExportPatrolDataToExcel(path);
    } else {
        showError(QStringLiteral("%1 was not saved: give it a name ending in .tvl (patrol-data file) or .xlsx "
                                 "(Excel workbook).")
                      .arg(QDir::toNativeSeparators(QFileInfo(path).fileName())));
    }
}

bool DataCommands::savePatrolDataFile(const QString &current, const QString &path, QString *error)
{
    if (!current.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive))
        return copyFile(current, path, error);
    // An old-generation database is no patrol-data file: its rows become records.
    const PatrolLoadResult old = PatrolDataLoader::load(current, {});
    if (!old.ok) {
        *error = old.error;
        return false;
    }
    return PatrolExport::writeTvl(path, old.rows, error);
}

bool DataCommands::ExportPatrolDataToExcel(const QString &path)
{
    BusyCursor busy;
    QString error;
    if (PatrolExport::writeXlsx(path, m_patrol.model()->rows(), PatrolExport::captions(), &error)) {
        noteDone(77, "Exported to %1", path);
        return true;
    }
    showError(error);
    return false;
}

bool DataCommands::ExportPatrolDataText()
{
    BusyCursor busy;
    QString error;
    if (PatrolExport::writeText(PatrolExport::dataTextPath(), m_patrol.model()->rows(), &error)) {
        noteDone(77, "Exported to %1", PatrolExport::dataTextPath());
        return true;
    }
    showError(error);
    return false;
}

void DataCommands::ExportTagDefinitions()
{
    QFileDialog dialog(m_window);
    // A name typed without an extension still becomes a .tag file, which the import accepts.
    dialog.setDefaultSuffix(QStringLiteral("tag"));
    QString path = TagFile::proposedName(QDate::currentDate());
    if (!ShowSaveDialog(dialog, res(73, "Export"), FileFolders::initial(kTagFolder),
                        filter(83, "Tag definitions", "*.tag"), path))
        return;
    FileFolders::remember(kTagFolder, path);
    BusyCursor busy;
    QString error;
    if (TagFile::exportAll(path, nullptr, &error))
        noteDone(77, "Exported to %1", path);
    else
        showError(error);
}

void DataCommands::ImportTagDefinitions()
{
    QFileDialog dialog(m_window);
    QString path;
    if (!ShowOpenDialog(dialog, res(74, "Import"), FileFolders::initial(kTagFolder),
                        filter(83, "Tag definitions", "*.tag") + QLatin1Char('|')
                            + filter(84, "Tag definitions, old format", "*.tu"),
                        path))
        return;
    FileFolders::remember(kTagFolder, path);
    QString error;
    bool ok = false;
    {
        BusyCursor busy;
        ok = TagFile::import(path, nullptr, &error);
    }
    if (!ok) {
        showError(error);
        return;
    }
    noteDone(87, "Imported tag definitions from %1", path);
    Q_EMIT tagsImported();
}

std::shared_ptr<ReportLayout> DataCommands::currentReport()
{
    if (!m_source)
        return nullptr;
    BusyCursor busy;
    QString error;
    std::shared_ptr<ReportLayout> report = m_source->report(&error);
    if (!report && !error.isEmpty())
        MessageReporter::instance().failure(error, 0);
    return report;
}

void DataCommands::ShowReport(bool print)
{
    const std::shared_ptr<ReportLayout> report = currentReport();
    if (!report)
        return;
    if (!print) {
        ReportPreview::show(report, m_window);
        return;
    }
    QString error;
    if (!ReportPreview::print(*report, m_window, &error) && !error.isEmpty())
        MessageReporter::instance().failure(error, 0);
}

void DataCommands::ExportReportPdf()
{
    const std::shared_ptr<ReportLayout> report = currentReport();
    if (!report)
        return;
    QString error;
    if (!ReportPreview::exportPdf(*report, m_window, QString(), QString(), &error) && !error.isEmpty())
        showError(error);
}
