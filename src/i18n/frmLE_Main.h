#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class frmLE_Main;
}

// The language editor: picks the interface language, adds and deletes
// languages and opens the translation grid. Opened from the main window, whose
// menus and title Apply re-texts at once (the parent, when it is the main window).
class frmLE_Main : public QDialog
{
    Q_OBJECT
public:
    explicit frmLE_Main(QWidget *mainWindow = nullptr);
    ~frmLE_Main() override;

    // The list's entries in order, and the selected one (empty when none).
    QStringList languages() const;
    QString selectedLanguage() const;

private:
    void fillList(int select);
    void lstLanguage_Click();
    void cmdCtrl_Click(int index);
    void editLanguage();
    void addLanguage();
    void deleteLanguage();
    void applyLanguage();

    std::unique_ptr<Ui::frmLE_Main> m_ui;
    QWidget *m_mainWindow = nullptr;
};
