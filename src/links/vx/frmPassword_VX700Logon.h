#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class frmPassword_VX700Logon;
}

// Asks for another terminal password after the VX terminal refused one. The
// caller shows it modally and reads IsOK and Password afterwards.
class frmPassword_VX700Logon : public QDialog
{
    Q_OBJECT
public:
    explicit frmPassword_VX700Logon(QWidget *parent = nullptr);
    ~frmPassword_VX700Logon() override;

    // True only after OK.
    bool IsOK() const { return m_isOK; }
    QString Password() const { return m_password; }
    // Also fills the password field.
    void setPassword(const QString &password);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void onOk();
    void onCancel();

    std::unique_ptr<Ui::frmPassword_VX700Logon> m_ui;
    bool m_isOK = false;
    QString m_password;
};
