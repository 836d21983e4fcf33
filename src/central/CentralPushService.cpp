#include "CentralPushService.h"

#include "CentralPushWorker.h"
#include "Settings.h"

#include <QThread>

#include <algorithm>

CentralPushService::CentralPushService(const CentralSettings &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
{
    qRegisterMetaType<CentralPusher::State>();
}

CentralPushService::~CentralPushService()
{
    stop();
}

int CentralPushService::intervalMinutes()
{
    return std::max(1, GetSettingNumber(QStringLiteral("Central"), QStringLiteral("PushMinutes"), 5));
}

void CentralPushService::start()
{
    if (m_thread)
        return;
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("central push"));
    m_worker = new CentralPushWorker(m_settings, intervalMinutes());
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::started, m_worker, &CentralPushWorker::start);
    connect(m_worker, &CentralPushWorker::stateChanged, this, &CentralPushService::stateChanged);
    m_thread->start();
}

void CentralPushService::stop()
{
    if (!m_thread)
        return;
    // The worker closes its connections in its own thread, the last thing the thread does.
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker] {
            worker->stop();
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    m_thread->wait();
    delete m_worker;
    delete m_thread;
    m_worker = nullptr;
    m_thread = nullptr;
}

void CentralPushService::pushNow()
{
    if (m_worker)
        QMetaObject::invokeMethod(m_worker, &CentralPushWorker::pushNow, Qt::QueuedConnection);
}
