#pragma once

#include "KrMaintenance.h"
#include "TerminalDialogParts.h"

#include <QDialog>

#include <QList>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class ucKR500_900;
class ucVX700;

// Maintenance of a KR-family terminal on the program's KR link: clock, machine
// number, record count, version, clearing, power-down, download, and (with the
// maintenance code) Recover Data and Invoke Test. Each command shows its
// result in a message box. The VX link is there only for the download dialog.
class frmTerminalConfiguration_KR : public QDialog
{
    Q_OBJECT
public:
    frmTerminalConfiguration_KR(ucKR500_900 &kr, ucVX700 &vx, QWidget *parent = nullptr);
    ~frmTerminalConfiguration_KR() override;

    QPushButton *button(int index) const { return m_cmd.at(index); }

Q_SIGNALS:
    // The dialog's Download Data ran a download; `file` (no folder) is the
    // patrol-data file it created in Unapproved/, empty when none.
    void downloadFinished(const QString &file);

protected:
    void done(int result) override;

private:
    void cmd_Click(int index);

    ucKR500_900 &m_kr;
    ucVX700 &m_vx;
    KrMaintenance m_commands;
    QList<QPushButton *> m_cmd;
    QComboBox *m_cboCommPort = nullptr;
    QLineEdit *m_txtID = nullptr;
    TerminalDialogParts::DateTimePickers m_pickers;
    QLineEdit *m_txtNewID = nullptr;
    QLineEdit *m_uxIdHex = nullptr;
    QLabel *m_lblRecoverData = nullptr;
    QLabel *m_lblInvokeTest = nullptr;
};
