#pragma once

#include <csignal>
#include <sys/resource.h>

// Plays a full disk in this process: while it lives, a write past `bytes` in
// any file fails with EFBIG (SIGXFSZ ignored) instead of growing the file.
// A negative size leaves the limit alone. Output to pipes is not limited.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(long long bytes)
    {
        if (bytes < 0)
            return;
        m_previousSignal = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        struct rlimit limit = m_previous;
        limit.rlim_cur = rlim_t(bytes);
        m_active = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        if (!m_active)
            return;
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousSignal);
    }
    bool active() const { return m_active; }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    struct rlimit m_previous = {};
    void (*m_previousSignal)(int) = SIG_DFL;
    bool m_active = false;
};
