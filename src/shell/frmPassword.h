#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class frmPassword;
}

// The application password prompt, shown at start-up and before the hidden
// main window comes back. IsOK tells the caller whether the entry was accepted.
class frmPassword : public QDialog
{
    Q_OBJECT
public:
    explicit frmPassword(QWidget *parent = nullptr);
    ~frmPassword() override;

    bool IsOK() const { return m_isOK; }

private:
    void cmdCtrl_Click(int index);

    std::unique_ptr<Ui::frmPassword> m_ui;
    bool m_isOK = false;
};
