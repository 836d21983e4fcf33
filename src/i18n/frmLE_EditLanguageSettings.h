#pragma once

#include <QDialog>

#include <memory>

class StringTableModel;

namespace Ui {
class frmLE_EditLanguageSettings;
}

// Translates one language: a grid of every text sorted by its English
// wording, English read-only beside the language's own column, and the
// language's font. Edits go straight into Res.mdb; the column widths are kept
// between sessions.
class frmLE_EditLanguageSettings : public QDialog
{
    Q_OBJECT
public:
    explicit frmLE_EditLanguageSettings(const QString &language, QWidget *parent = nullptr);
    ~frmLE_EditLanguageSettings() override;

    // Writes a pending edit before the window goes, however it is closed.
    void done(int result) override;

    // Opens the font dialog; tests answer it. Returns whether a font was chosen.
    bool selectFont();

private:
    void loadColumnWidths();
    void showFont();
    void grdString_RowColChange();
    bool submitEdits();

    std::unique_ptr<Ui::frmLE_EditLanguageSettings> m_ui;
    std::unique_ptr<StringTableModel> m_model;
    QString m_language;
};
