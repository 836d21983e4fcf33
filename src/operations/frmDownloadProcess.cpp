#include "frmDownloadProcess.h"
#include "ui_frmDownloadProcess.h"

#include "CRes.h"
#include "InputHold.h"

#include <QApplication>
#include <QShowEvent>

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
    m_ui->lbl->clear();
    m_ui->pb->setRange(0, total);
    m_ui->pb->setValue(1);
}

void frmDownloadProcess::onProgressed(int count, int total, const QString &label)
{
    Q_UNUSED(total);
    m_ui->lbl->setText(label);
    if (count < m_ui->pb->maximum())
        m_ui->pb->setValue(count);
}
