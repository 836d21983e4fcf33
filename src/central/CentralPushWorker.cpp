#include "CentralPushWorker.h"

#include "CentralDatabase.h"
#include "DataStore.h"

#include <QTimer>

#include <algorithm>

CentralPushWorker::CentralPushWorker(const CentralSettings &settings, int intervalMinutes)
    : m_settings(settings)
    , m_intervalMs(std::max(1, intervalMinutes) * 60 * 1000)
    , m_connection(QStringLiteral("centralPush%1").arg(quintptr(this), 0, 16))
{
}

void CentralPushWorker::start()
{
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &CentralPushWorker::push);
    push();
}

void CentralPushWorker::pushNow()
{
    if (m_timer)
        push();
}

void CentralPushWorker::stop()
{
    delete m_timer;
    m_timer = nullptr;
    CentralDatabase::close(m_connection);
    DataStore::closeThreadConnections();
}

void CentralPushWorker::push()
{
    QString error;
    // A known-unreachable server keeps saying so until it answers again.
    if (m_retryMs == 0) {
        const int waiting = CentralPusher::waiting(m_settings, &error);
        if (waiting > 0)
            Q_EMIT stateChanged(CentralPusher::State::Waiting, waiting, {});
    }
    CentralPusher::Report report;
    if (!CentralPusher::pushPending(m_settings, m_connection, &report, &error))
        qWarning("Central push: %s", qPrintable(error));
    if (report.reachable) {
        m_retryMs = 0;
    } else {
        m_retryMs = m_retryMs == 0 ? kFirstRetryMs : std::min(2 * m_retryMs, m_intervalMs);
    }
    Q_EMIT stateChanged(report.state(), std::max(0, report.waiting), report.unreachableSince);
    if (m_timer)
        m_timer->start(m_retryMs == 0 ? m_intervalMs : std::min(m_retryMs, m_intervalMs));
}
