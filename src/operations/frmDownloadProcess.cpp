#include "frmDownloadProcess.h"
#include "ui_frmDownloadProcess.h"

#include "CRes.h"
#include "InputHold.h"

#include <QApplication>
#include <QShowEvent>

namespace {

// The bar and its label change at most this often; each change paints.
constexpr int kProgressMs = 50;

}

frmDownloadProcess::frmDownloadProcess(ucKR500_900 &kr, ucVX700 &vx, int family, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::frmDownloadProcess>())
    , m_process(kr, vx)
    , m_family(family)
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    // Cancel has to work while the link waits for the next record.
    setProperty(InputHold::kExemptProperty, true);
    m_tmr.setSingleShot(true);
    m_tmr.setInterval(100);
    connect(&m_tmr, &QTimer::timeout, this, &frmDownloadProcess::tmr_Timer);
    m_progressTimer.setSingleShot(true);
    m_progressTimer.setInterval(kProgressMs);
    connect(&m_progressTimer, &QTimer::timeout, this, &frmDownloadProcess::showProgress);
    connect(m_ui->cmdCtrl, &QPushButton::clicked, this, &frmDownloadProcess::cmdCtrl_Click);
    connect(&m_process, &DownloadProcess::progressStarted, this, &frmDownloadProcess::onProgressStarted);
    connect(&m_process, &DownloadProcess::progressed, this, &frmDownloadProcess::onProgressed);
    connect(&m_process, &DownloadProcess::vxConnectionLost, this, &frmDownloadProcess::vxConnectionLost);
    connect(&m_process, &DownloadProcess::downloadFinished, this, &frmDownloadProcess::downloadFinished);
    CRes::instance().SetFormInterface(this);
}

frmDownloadProcess::~frmDownloadProcess()
{
    if (m_cursorSet)
        QApplication::restoreOverrideCursor();
}

void frmDownloadProcess::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous() || m_running || m_tmr.isActive())
        return;
    if (!m_cursorSet) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
        m_cursorSet = true;
    }
    m_tmr.start();
}

void frmDownloadProcess::tmr_Timer()
{
    m_running = true;
    m_process.IsAutoDownload = m_autoDownload;
    m_cancel = std::make_unique<CancelToken>();
    m_outcome = m_process.run(m_family, *m_cancel);
    m_running = false;
    // A dialog left open after a failure shows where the download stopped.
    if (m_progressTimer.isActive()) {
        m_progressTimer.stop();
        showProgress();
    }
    if (m_cursorSet) {
        QApplication::restoreOverrideCursor();
        m_cursorSet = false;
    }
    // After an unexpected failure the dialog stays open until the user closes it.
    if (m_outcome != DownloadProcess::Outcome::Failed)
        accept();
}

void frmDownloadProcess::cmdCtrl_Click()
{
    // While the flow runs, the loop notices the token before its next request
    // and closes the dialog itself.
    if (m_running)
        m_cancel->cancel();
    else
        reject();
}

void frmDownloadProcess::done(int result)
{
    // The flow runs inside this dialog's timer: closing now would pull the
    // dialog away under it, so a close only asks the flow to stop.
    if (m_running) {
        m_cancel->cancel();
        return;
    }
    m_tmr.stop();
    m_autoDownload = false;
    QDialog::done(result);
}

void frmDownloadProcess::onProgressStarted(int total)
{
    m_progressTimer.stop();
    m_ui->lbl->clear();
    // Wide enough for the widest label from the start (the count at its
    // longest, the ratio with two decimals, as the next to last record gives
    // it): a label that grew with the records would resize the dialog's
    // minimum each time.
    const QFontMetrics metrics = m_ui->lbl->fontMetrics();
    m_ui->lbl->setMinimumWidth(qMax(metrics.horizontalAdvance(DownloadProcess::progressText(total - 1, total)),
                                    metrics.horizontalAdvance(DownloadProcess::progressText(total, total))));
    m_ui->pb->setRange(0, total);
    m_ui->pb->setValue(1);
}

void frmDownloadProcess::onProgressed(int count, int total, const QString &label)
{
    Q_UNUSED(total);
    m_progressCount = count;
    m_progressLabel = label;
    if (!m_progressTimer.isActive())
        m_progressTimer.start();
}

void frmDownloadProcess::showProgress()
{
    m_ui->lbl->setText(m_progressLabel);
    if (m_progressCount < m_ui->pb->maximum())
        m_ui->pb->setValue(m_progressCount);
}
