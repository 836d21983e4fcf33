#include "GuiHelpers.h"

#include <QApplication>

#include "MessageReporter.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>

namespace {

void prepare(QFileDialog &dialog, const QString &title, const QString &initialFolder, const QString &filter)
{
    dialog.setWindowTitle(title);
    dialog.setDirectory(initialFolder);
    const QStringList filters = DialogNameFilters(filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
}

// Shows the dialog with `proposed` as its file name; the chosen path, or an
// empty text on cancel.
QString choose(QFileDialog &dialog, const QString &proposed)
{
    dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

}

void SelectComboText(QComboBox &combo, const QString &text)
{
    if (combo.count() == 0)
        return;
    const int index = combo.findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    combo.setCurrentIndex(index >= 0 ? index : 0);
}

QStringList DialogNameFilters(const QString &filter)
{
    if (!filter.contains(QLatin1Char('|')))
        return filter.isEmpty() ? QStringList() : filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts);
    QStringList filters;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the last parentheses of the text.
        const QString tail = QLatin1Char('(') + patterns + QLatin1Char(')');
        filters << (description.endsWith(tail) ? description : description + QLatin1Char(' ') + tail);
    }
    return filters;
}

bool ShowSaveDialog(QFileDialog &dialog, const QString &title, const QString &initialFolder, const QString &filter,
                    QString &fileName)
{
    prepare(dialog, title, initialFolder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The overwrite question is ours, so that Cancel brings the dialog back.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    for (;;) {
        const QString chosen = choose(dialog, fileName);
        if (chosen.isEmpty())
            return false;
        if (!QFileInfo::exists(chosen)
            || MessageReporter::instance().confirm(QStringLiteral("File already exists, overwrite?"),
                                                   MessageReporter::Icon::Exclamation)) {
            fileName = chosen;
            return true;
        }
    }
}

bool ShowOpenDialog(QFileDialog &dialog, const QString &title, const QString &initialFolder, const QString &filter,
                    QString &fileName)
{
    prepare(dialog, title, initialFolder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QString chosen = choose(dialog, fileName);
    if (chosen.isEmpty())
        return false;
    fileName = chosen;
    return true;
}

BusyCursor::BusyCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor()
{
    QApplication::restoreOverrideCursor();
}
