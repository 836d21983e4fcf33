#pragma once

#include "CentralPusher.h"
#include "CentralSettings.h"

#include <QDateTime>
#include <QObject>

class QTimer;

// The pusher's side of CentralPushService: lives in the service's thread,
// pushes when asked and every interval, and while the server cannot be
// reached tries again after 30 s, then twice as long each time up to the
// interval. Every database connection it uses is its own.
class CentralPushWorker : public QObject
{
    Q_OBJECT
public:
    CentralPushWorker(const CentralSettings &settings, int intervalMinutes);

    static constexpr int kFirstRetryMs = 30 * 1000;

public Q_SLOTS:
    void start();
    void pushNow();
    // Stops the timer and closes the thread's connections; the thread may end after it.
    void stop();

Q_SIGNALS:
    void stateChanged(CentralPusher::State state, int waiting, const QDateTime &since);

private:
    void push();

    CentralSettings m_settings;
    int m_intervalMs;
    int m_retryMs = 0; // 0 while the server answers
    QTimer *m_timer = nullptr;
    QString m_connection;
};
