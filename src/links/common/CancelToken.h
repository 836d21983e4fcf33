#pragma once

#include <atomic>

// The user's request to stop one download: the dialog's Cancel sets it, the
// download and the KR link's record count read it between exchanges. Each
// download gets a token of its own, so a cancel never outlives it. Atomic,
// since the terminal search's probes read one on threads of their own.
class CancelToken
{
public:
    CancelToken() = default;
    CancelToken(const CancelToken &) = delete;
    CancelToken &operator=(const CancelToken &) = delete;

    void cancel() { m_cancelled.store(true); }
    bool isCancelled() const { return m_cancelled.load(); }

private:
    std::atomic<bool> m_cancelled = false;
};
