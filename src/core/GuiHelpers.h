#pragma once

#include <QString>
#include <QStringList>

class QComboBox;
class QFileDialog;

// Selects the entry whose text equals `text` exactly; when none does, the first
// entry. An empty list is left alone.
void SelectComboText(QComboBox &combo, const QString &text);

// The file dialogs of import and export. `filter` is either pairs of
// description and pattern separated by "|" ("(*.tag)|*.tag|(*.tu)|*.tu") or
// Qt's own ";;" form. `fileName` goes in as the proposed name (empty for none)
// and comes out as the chosen full path. False when the user cancels.
// The save dialog asks "File already exists, overwrite?" for an existing file;
// Cancel there brings the dialog back.
bool ShowSaveDialog(QFileDialog &dialog, const QString &title, const QString &initialFolder, const QString &filter,
                    QString &fileName);
// The open dialog; the chosen file need not exist.
bool ShowOpenDialog(QFileDialog &dialog, const QString &title, const QString &initialFolder, const QString &filter,
                    QString &fileName);

// The hourglass for as long as the object lives (a command's work).
class BusyCursor
{
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

// The name filters of a dialog filter in either form above.
QStringList DialogNameFilters(const QString &filter);
