#include "TerminalSim.h"

#include <QSocketNotifier>
#include <QTimer>

#include <thread>

#include <sys/prctl.h>

TerminalSim::TerminalSim(QObject *parent)
    : QObject(parent)
{
}

TerminalSim::~TerminalSim()
{
    stop();
}

bool TerminalSim::start(const QString &linkPath, QString *error)
{
    stop();
    if (!m_pty.open(linkPath, error))
        return false;
    // The line's pace is kept by sleeping; the default timer slack (50 us a
    // sleep) would add up to a line slower than its baud rate.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    m_notifier = new QSocketNotifier(m_pty.masterFd(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminalSim::onReadable);
    resetCounters();
    return true;
}

void TerminalSim::stop()
{
    delete m_notifier;
    m_notifier = nullptr;
    m_pty.close();
}

QString TerminalSim::devicePath() const
{
    return m_pty.linkPath().isEmpty() ? m_pty.slavePath() : m_pty.linkPath();
}

void TerminalSim::vanish()
{
    if (!m_pty.isOpen())
        return;
    stop();
    Q_EMIT vanished();
}

bool TerminalSim::vanishesOn(char letter)
{
    if (m_vanishOccurrence <= 0 || letter != m_vanishLetter || --m_vanishOccurrence > 0)
        return false;
    // Closing the line from inside the read handler would delete its notifier mid-call.
    QTimer::singleShot(0, this, &TerminalSim::vanish);
    return true;
}

TerminalSim::Clock::duration TerminalSim::lineTime(qsizetype bytes) const
{
    const int baud = m_pty.lineBaudRate();
    if (!m_paced || baud <= 0)
        return Clock::duration::zero();
    // Start bit, 8 data bits, stop bit.
    return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(bytes * 10LL * 1000000000LL / baud));
}

void TerminalSim::onReadable()
{
    bool closed = false;
    const QByteArray bytes = m_pty.readAvailable(&closed);
    if (bytes.isEmpty())
        return;
    m_bytesReceived += bytes.size();
    if (m_silent)
        return;
    // The pty delivers at once; a real line would still be shifting the bytes
    // in, so nothing goes out before they would have arrived. One sleep, in
    // send(), covers both directions.
    if (m_paced) {
        const Clock::time_point arrived = Clock::now();
        m_outFreeAt = std::max(m_outFreeAt, arrived + lineTime(bytes.size()));
    }
    handleBytes(bytes);
}

void TerminalSim::send(const QByteArray &bytes)
{
    if (bytes.isEmpty() || !m_pty.isOpen())
        return;
    if (m_pieces > 1 && bytes.size() > 1) {
        const qsizetype size = (bytes.size() + m_pieces - 1) / m_pieces;
        const int pieces = m_pieces;
        m_pieces = 1;
        for (qsizetype at = 0; at < bytes.size(); at += size) {
            if (at > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            send(bytes.mid(at, size));
        }
        m_pieces = pieces;
        return;
    }
    if (m_paced) {
        const Clock::time_point start = std::max(Clock::now(), m_outFreeAt);
        m_outFreeAt = start + lineTime(bytes.size());
        // A sleep from an idle processor ends up to some 150 us late (more
        // on a virtual machine), which would make the line slower than its
        // baud rate: sleep to just short of the moment and watch the clock
        // for the rest. The reply never goes out before its last byte would
        // have. The host is waiting for this reply meanwhile, so the watch
        // takes no processor time it could use.
        constexpr auto kSleepLateness = std::chrono::microseconds(250);
        if (m_outFreeAt - Clock::now() > kSleepLateness)
            std::this_thread::sleep_until(m_outFreeAt - kSleepLateness);
        Clock::time_point now = Clock::now();
        while (now < m_outFreeAt)
            now = Clock::now();
        m_late += now - m_outFreeAt;
    }
    // Stamped before the write: the host may read the bytes before the write returns.
    m_lastSentAt = Clock::now();
    if (m_pty.write(bytes))
        m_bytesSent += bytes.size();
}
