#pragma once

#include "ucKR500_900.h"
#include "ucVX700.h"

#include <QMainWindow>

#include <memory>

class QLabel;
class VxPasswordPrompt;

namespace Ui {
class frmMain;
}

// The program's main window and the hub of its commands. It owns the one KR
// link (gs) and the one VX link (wm) of the whole run. Menu items keep the
// object names of their menu arrays (mnuFiles_10, mnuTools_1) so that the
// language code can find them by index.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    ucKR500_900 &gs() { return m_gs; }
    ucVX700 &wm() { return m_wm; }

    // The terminal connection flag: a VX download that stopped answering
    // clears it so that the download button stays off until the next logon.
    bool disconnect_flag = true;

    // Runs the download dialog (automatic: all follow-up actions) and shows
    // the file it saved.
    void DownloadPatrolData(bool autoDownload);
    // The patrol-data file last saved or opened; empty when none.
    QString CurrentFilePath() const { return m_currentFilePath; }

Q_SIGNALS:
    // File item 10: the program should end now.
    void exitRequested();

private:
    void mnuFiles_Click(int index);
    void mnuTools_Click(int index);
    void Toolbar2_ButtonClick(const QString &key);
    void showModel();
    void showFile(const QString &path);

    std::unique_ptr<Ui::frmMain> m_ui;
    ucKR500_900 m_gs;
    ucVX700 m_wm;
    std::unique_ptr<VxPasswordPrompt> m_vxPrompt;
    QLabel *m_sbFile = nullptr;
    QLabel *m_sbModel = nullptr;
    QString m_currentFilePath;
};
