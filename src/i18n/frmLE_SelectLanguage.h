#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class frmLE_SelectLanguage;
}

// The language choice of the very first start. It shows its designed texts,
// since no language has been chosen yet. IsOK stays false unless the user
// confirmed a language; start-up then ends the program.
class frmLE_SelectLanguage : public QDialog
{
    Q_OBJECT
public:
    explicit frmLE_SelectLanguage(QWidget *parent = nullptr);
    ~frmLE_SelectLanguage() override;

    bool IsOK() const { return m_isOK; }

private:
    void confirm();

    std::unique_ptr<Ui::frmLE_SelectLanguage> m_ui;
    bool m_isOK = false;
};
