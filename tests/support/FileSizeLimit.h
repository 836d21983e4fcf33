#pragma once

#include <csignal>
#include <sys/resource.h>

// Plays a full disk in this process and in the processes it starts: while it
// lives, a write past `bytes` in any file fails with EFBIG (SIGXFSZ ignored)
// instead of growing the file. A negative size leaves the limit alone.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(long long bytes)
        : m_active(bytes >= 0)
    {
        if (!m_active)
            return;
        m_previousSignal = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        struct rlimit limit = m_previous;
        limit.rlim_cur = rlim_t(bytes);
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        if (!m_active)
            return;
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousSignal);
    }

private:
    const bool m_active;
    struct rlimit m_previous = {};
    void (*m_previousSignal)(int) = SIG_DFL;
};
