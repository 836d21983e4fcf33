#pragma once

#include <QDateTime>
#include <QHash>
#include <QMutex>
#include <QString>

// The logged-in sessions of the web service and the failed logins per name,
// in memory only (a restart logs everyone out). Safe to use from the
// service's worker threads.
class WebSessions
{
public:
    static constexpr int kFirstDelayMs = 1000;
    static constexpr int kLongestDelayMs = 30000;

    explicit WebSessions(qint64 lifetimeSeconds) : m_lifetime(lifetimeSeconds) {}
    qint64 lifetimeSeconds() const { return m_lifetime; }

    // A new session of `user`: 32 random bytes in hex.
    QString create(const QString &user);
    // The user of a live session; empty when the token is unknown or expired.
    QString user(const QString &token);
    void end(const QString &token);

    // Before checking a password of `name`: true when it may be checked now,
    // and then no other attempt of the name is checked until this one ends
    // with failed(), succeeded() or abandoned(); false with `waitMs` the
    // milliseconds the previous failure still holds the name back (the
    // attempt is refused unchecked), so parallel guesses gain nothing.
    bool begin(const QString &name, int *waitMs);
    // A wrong password for `name`: the milliseconds its answer is held back,
    // doubling from kFirstDelayMs per consecutive failure up to kLongestDelayMs.
    int failed(const QString &name);
    void succeeded(const QString &name);
    void abandoned(const QString &name); // not checked (the database could not be read)

private:
    struct Failures
    {
        int count = 0;
        QDateTime notBefore;
        bool checking = false;
    };
    const qint64 m_lifetime;
    QMutex m_mutex;
    QHash<QString, QPair<QString, QDateTime>> m_sessions; // token -> user, expiry
    QHash<QString, Failures> m_failures;
};
