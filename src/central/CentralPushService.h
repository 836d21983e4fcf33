#pragma once

#include "CentralPusher.h"
#include "CentralSettings.h"

#include <QDateTime>
#include <QObject>

class CentralPushWorker;
class QThread;

// The central push off the window's thread: a thread of its own with its own
// connections, pushing at start, after each download (pushNow) and every
// [Central] PushMinutes (5 by default). Destroying it stops the thread.
class CentralPushService : public QObject
{
    Q_OBJECT
public:
    explicit CentralPushService(const CentralSettings &settings, QObject *parent = nullptr);
    ~CentralPushService() override;

    static int intervalMinutes();

    void start();
    // Waits for a push under way to end, then ends the thread.
    void stop();
    void pushNow();

Q_SIGNALS:
    // `since` (UTC) is set for Unreachable only.
    void stateChanged(CentralPusher::State state, int waiting, const QDateTime &since);

private:
    CentralSettings m_settings;
    QThread *m_thread = nullptr;
    CentralPushWorker *m_worker = nullptr;
};
