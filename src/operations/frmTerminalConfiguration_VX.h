#pragma once

#include "TerminalDialogParts.h"
#include "VxMaintenance.h"

#include <QDialog>

#include <QList>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class ucKR500_900;
class ucVX700;

// Maintenance of a VX-family terminal and its cradle on the program's VX link:
// logon and password, clock, machine ID, version, record count, clearing,
// charger status, download and (with the maintenance code) the battery
// readings and setting the charger status. The logged-on state lives in the
// main window's download action: enabled means logged on, and the dialog reads
// it when it opens.
class frmTerminalConfiguration_VX : public QDialog
{
    Q_OBJECT
public:
    frmTerminalConfiguration_VX(ucKR500_900 &kr, ucVX700 &vx, QAction &download, QWidget *parent = nullptr);
    ~frmTerminalConfiguration_VX() override;

    QPushButton *button(int index) const { return m_cmd.at(index); }
    // The commands that need a logon, enabled or not, and the port list the other way round.
    void setLoggedOn(bool loggedOn);

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
    QAction &m_download;
    VxMaintenance m_commands;
    QList<QPushButton *> m_cmd;
    QComboBox *m_cboCommPort = nullptr;
    QLineEdit *m_txtPassword = nullptr;
    TerminalDialogParts::DateTimePickers m_pickers;
    QLineEdit *m_txtNewID = nullptr;
    QComboBox *m_cboChargerStatus = nullptr;
};
