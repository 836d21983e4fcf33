#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class frmLE_AddNewLanguage;
}

// Asks for the name of a new language. A name equal to one of `existing`
// (the editor's list) is refused here, before the store is touched.
class frmLE_AddNewLanguage : public QDialog
{
    Q_OBJECT
public:
    explicit frmLE_AddNewLanguage(const QStringList &existing, QWidget *parent = nullptr);
    ~frmLE_AddNewLanguage() override;

    bool IsOK() const { return m_isOK; }
    QString LanguageName() const { return m_name; }

private:
    void cmdCtrl_Click(int index);

    std::unique_ptr<Ui::frmLE_AddNewLanguage> m_ui;
    QStringList m_existing;
    bool m_isOK = false;
    QString m_name;
};
