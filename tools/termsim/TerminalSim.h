#pragma once

#include "PtyEndpoint.h"

#include <QObject>

#include <algorithm>
#include <chrono>

class QSocketNotifier;

// A simulated serial device on the master side of a pseudo-terminal. A
// personality (KR terminal, VX cradle) implements handleBytes() from the wire
// format and answers with send(). With pacing on, every byte costs the time it
// takes on a real line (10 bits at the baud rate the link set), in both
// directions, so that timings measured against the simulator are honest.
class TerminalSim : public QObject
{
    Q_OBJECT
public:
    explicit TerminalSim(QObject *parent = nullptr);
    ~TerminalSim() override;

    // Opens the pseudo-terminal and publishes its slave at `linkPath` (if given).
    bool start(const QString &linkPath, QString *error);
    void stop();
    // The path a link opens: the published symlink, or the slave itself.
    QString devicePath() const;
    int lineBaudRate() const { return m_pty.lineBaudRate(); }

    void setPaced(bool paced) { m_paced = paced; }
    // Every write leaves in this many pieces a few milliseconds apart, as a
    // USB adapter or a busy line may deliver it (1: whole).
    void setSendPieces(int pieces) { m_pieces = std::max(1, pieces); }
    bool isPaced() const { return m_paced; }
    // Ignores everything received: a device that does not answer.
    void setSilent(bool silent) { m_silent = silent; }
    bool isSilent() const { return m_silent; }
    // Closes the master now, as a pulled adapter would.
    void vanish();
    bool hasVanished() const { return !m_pty.isOpen(); }
    // The device vanishes, unanswered, when command `letter` arrives for the
    // `occurrence`-th time from now (0: never), as a cable pulled at that step.
    void setVanishOnCommand(char letter, int occurrence = 1)
    {
        m_vanishLetter = letter;
        m_vanishOccurrence = occurrence;
    }

    // Bytes that crossed the line in each direction since start (or the last reset).
    qint64 bytesReceived() const { return m_bytesReceived; }
    qint64 bytesSent() const { return m_bytesSent; }
    // When paced: how much later, in all, the replies went out than the line
    // would have let them (the simulator's own delay, not the host's).
    double lateSeconds() const { return std::chrono::duration<double>(m_late).count(); }
    void resetCounters()
    {
        m_bytesReceived = m_bytesSent = 0;
        m_late = Clock::duration::zero();
    }

Q_SIGNALS:
    void vanished();

protected:
    // Bytes from the host, in arrival order; several commands may come at once
    // and a command may be split across calls.
    virtual void handleBytes(const QByteArray &bytes) = 0;
    // True when command `letter` is the one to vanish at: the vanishing is
    // then under way and the command must go unanswered.
    bool vanishesOn(char letter);
    // Writes to the host (after the bytes' line time when paced).
    void send(const QByteArray &bytes);
    // When the last bytes went out to the host.
    std::chrono::steady_clock::time_point lastSentAt() const { return m_lastSentAt; }

private:
    using Clock = std::chrono::steady_clock;
    void onReadable();
    Clock::duration lineTime(qsizetype bytes) const;

    PtyEndpoint m_pty;
    QSocketNotifier *m_notifier = nullptr;
    bool m_paced = false;
    int m_pieces = 1;
    bool m_silent = false;
    char m_vanishLetter = 0;
    int m_vanishOccurrence = 0;
    Clock::time_point m_outFreeAt {};
    qint64 m_bytesReceived = 0;
    qint64 m_bytesSent = 0;
    Clock::duration m_late {};
    Clock::time_point m_lastSentAt {};
};
