#include "WebSessions.h"

#include <sodium.h>

namespace {

// Entries past their time are dropped once a table grows this large.
constexpr qsizetype kPruneAt = 4096;

}

QString WebSessions::create(const QString &user)
{
    unsigned char bytes[32];
    randombytes_buf(bytes, sizeof bytes); // sodium_init() ran before any user could log in
    const QString token = QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(bytes), sizeof bytes).toHex());
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QMutexLocker lock(&m_mutex);
    if (m_sessions.size() >= kPruneAt)
        m_sessions.removeIf([&](const auto &s) { return s.value().second <= now; });
    m_sessions.insert(token, {user, now.addSecs(m_lifetime)});
    return token;
}

QString WebSessions::user(const QString &token)
{
    QMutexLocker lock(&m_mutex);
    const auto it = m_sessions.constFind(token);
    if (it == m_sessions.constEnd())
        return {};
    if (it->second <= QDateTime::currentDateTimeUtc()) {
        m_sessions.erase(it);
        return {};
    }
    return it->first;
}

void WebSessions::end(const QString &token)
{
    QMutexLocker lock(&m_mutex);
    m_sessions.remove(token);
}

bool WebSessions::begin(const QString &name, int *waitMs)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QMutexLocker lock(&m_mutex);
    Failures &f = m_failures[name];
    const qint64 left = f.notBefore.isValid() ? now.msecsTo(f.notBefore) : 0;
    if (f.checking || left > 0) {
        *waitMs = int(std::max<qint64>(left, kFirstDelayMs));
        return false;
    }
    f.checking = true;
    *waitMs = 0;
    return true;
}

void WebSessions::abandoned(const QString &name)
{
    QMutexLocker lock(&m_mutex);
    if (const auto it = m_failures.find(name); it != m_failures.end()) {
        it->checking = false;
        if (it->count == 0)
            m_failures.erase(it);
    }
}

int WebSessions::failed(const QString &name)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QMutexLocker lock(&m_mutex);
    if (m_failures.size() >= kPruneAt)
        m_failures.removeIf([&](const auto &f) { return !f.value().checking && f.value().notBefore.addSecs(3600) <= now; });
    Failures &f = m_failures[name];
    f.count = std::min(f.count + 1, 16);
    const int delay = int(std::min<qint64>(qint64(kFirstDelayMs) << (f.count - 1), kLongestDelayMs));
    f.notBefore = now.addMSecs(delay);
    f.checking = false;
    return delay;
}

void WebSessions::succeeded(const QString &name)
{
    QMutexLocker lock(&m_mutex);
    m_failures.remove(name);
}
