#pragma once

#include <QByteArray>
#include <QString>

// The device side of a pseudo-terminal pair. The link opens the slave path
// (or the symlink published for it) as its serial port; the simulated device
// reads and writes the master. Both ends are raw: no echo, no CR/LF mapping,
// EOT (0x04) passes through.
class PtyEndpoint
{
public:
    PtyEndpoint() = default;
    ~PtyEndpoint();
    PtyEndpoint(const PtyEndpoint &) = delete;
    PtyEndpoint &operator=(const PtyEndpoint &) = delete;

    // Opens a new pair; with a non-empty `linkPath` a symlink to the slave is
    // made there (replacing an old one).
    bool open(const QString &linkPath, QString *error);
    // Closes the master: the device "vanishes" and the link's reads fail.
    void close();
    bool isOpen() const { return m_master >= 0; }

    int masterFd() const { return m_master; }
    QString slavePath() const { return m_slavePath; }
    QString linkPath() const { return m_linkPath; }

    // The baud rate the link set on the line (read through the master).
    int lineBaudRate() const;

    // Non-blocking read of everything waiting; an empty result with `closed`
    // set means the master was closed.
    QByteArray readAvailable(bool *closed = nullptr);
    bool write(const QByteArray &bytes);

private:
    int m_master = -1;
    // Held open so that the pair survives the link closing and reopening its port.
    int m_slaveKeepAlive = -1;
    QString m_slavePath;
    QString m_linkPath;
};
