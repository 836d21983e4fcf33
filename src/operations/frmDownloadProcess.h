#pragma once

#include "CancelToken.h"
#include "DownloadProcess.h"

#include <QDialog>
#include <QTimer>

#include <memory>

namespace Ui {
class frmDownloadProcess;
}

// The download progress dialog: shown modally, it starts the download of the
// given terminal family 100 ms after it opened, shows the progress, lets the
// user cancel, and closes itself when the download ends. The caller reads
// DownloadFile afterwards, or listens to downloadFinished.
class frmDownloadProcess : public QDialog
{
    Q_OBJECT
public:
    // `family`: DownloadProcess::kKrFamily or kVxFamily.
    frmDownloadProcess(ucKR500_900 &kr, ucVX700 &vx, int family, QWidget *parent = nullptr);
    ~frmDownloadProcess() override;

    bool IsAutoDownload() const { return m_autoDownload; }
    void setIsAutoDownload(bool autoDownload) { m_autoDownload = autoDownload; }
    // The file (no folder) this run created in Unapproved/; empty when none.
    QString DownloadFile() const { return m_process.DownloadFile(); }
    // How the last run ended.
    DownloadProcess::Outcome outcome() const { return m_outcome; }

    // The password prompt used when a VX terminal refuses the stored password.
    void setPasswordPrompt(VxPasswordPrompt *prompt) { m_process.passwordPrompt = prompt; }

Q_SIGNALS:
    // A VX download stopped answering: the main window withdraws its download button.
    void vxConnectionLost();
    // A download ran; `file` as DownloadFile gives it.
    void downloadFinished(const QString &file);

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    void tmr_Timer();
    void cmdCtrl_Click();
    void onProgressStarted(int total);
    void onProgressed(int count, int total, const QString &label);
    void showProgress();

    std::unique_ptr<Ui::frmDownloadProcess> m_ui;
    DownloadProcess m_process;
    int m_family;
    // The running download's; a fresh one for each run.
    std::unique_ptr<CancelToken> m_cancel;
    QTimer m_tmr;
    // The latest progress, shown when the event loop next runs: the bar paints
    // itself at once when set, and a VX terminal waits for the next request
    // meanwhile.
    QTimer m_progressTimer;
    int m_progressCount = 0;
    QString m_progressLabel;
    bool m_autoDownload = false;
    bool m_running = false;
    bool m_cursorSet = false;
    DownloadProcess::Outcome m_outcome = DownloadProcess::Outcome::NoRecords;
};
