#pragma once

#include <QByteArray>
#include <QString>

// What the terminal links need from a serial port, and nothing more. The real
// one wraps QSerialPort; the line is always 8 data bits, no parity, 1 stop bit,
// raw binary.
class SerialTransport
{
public:
    enum class Failure {
        None,
        InvalidPort,    // no device for the port number, or it cannot be configured
        AlreadyOpen,    // another program (or link) holds the port
        DeviceVanished, // the device went away while open (adapter pulled, pty closed)
        Other,
    };

    virtual ~SerialTransport() = default;

    // Opens port COM<portNumber> at the given baud rate.
    virtual bool open(int portNumber, int baudRate) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Changes the baud rate of the next open (and of the open port, if any).
    virtual void setBaudRate(int baudRate) = 0;
    virtual int baudRate() const = 0;

    virtual qint64 bytesWaiting() = 0;
    virtual QByteArray readAll() = 0;
    virtual bool write(const QByteArray &bytes) = 0;
    virtual void discardInput() = 0;

    // Waits, keeping the user interface alive, until at least one byte is
    // waiting, the device vanished, or `timeoutMs` passed. True when bytes wait.
    virtual bool waitForData(int timeoutMs) = 0;

    // The failure of the last operation that failed, and its description.
    virtual Failure failure() const = 0;
    virtual QString errorString() const = 0;

    // What the user is told when another program holds port COM<portNumber>.
    static QString portInUseText(int portNumber)
    {
        return QStringLiteral("COM%1: the port is in use by another program.").arg(portNumber);
    }
};
