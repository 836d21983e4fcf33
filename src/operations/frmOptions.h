#pragma once

#include "TerminalOptions.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QTabWidget;

// The options: terminal family and port, the follow-up actions of a download,
// and the automatic download. Shown modally; ok_click tells whether OK stored
// the choices.
class frmOptions : public QDialog
{
    Q_OBJECT
public:
    explicit frmOptions(QWidget *parent = nullptr);
    ~frmOptions() override;

    bool ok_click() const { return m_okClick; }

private:
    void cboTerminalModel_Click();
    void cmd_Click(int index);
    TerminalOptions chosen() const;

    QTabWidget *m_tab = nullptr;
    QComboBox *m_cboTerminalModel = nullptr;
    QComboBox *m_cboComport = nullptr;
    QCheckBox *m_chkClearData = nullptr;
    QCheckBox *m_chkUpdateTime = nullptr;
    QCheckBox *m_chkPowerDown = nullptr;
    QCheckBox *m_chkAutoDownload = nullptr;
    bool m_okClick = false;
};
