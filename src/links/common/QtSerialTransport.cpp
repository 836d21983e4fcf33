#include "QtSerialTransport.h"

#include "ComPorts.h"
#include "LinkBusy.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cerrno>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

QtSerialTransport::QtSerialTransport(QObject *parent)
    : QObject(parent)
{
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialTransport::onError);
}

QtSerialTransport::~QtSerialTransport()
{
    close();
}

void QtSerialTransport::setFailure(Failure failure, const QString &text)
{
    m_failure = failure;
    m_error = text;
}

void QtSerialTransport::onError(QSerialPort::SerialPortError error)
{
    // A pulled USB adapter or a pseudo-terminal whose other end closed shows up
    // as a resource, read or write error (or a missing device) on an open port.
    const bool gone = error == QSerialPort::ResourceError || error == QSerialPort::ReadError
        || error == QSerialPort::WriteError || error == QSerialPort::DeviceNotFoundError;
    if (gone && m_port.isOpen()) {
        // The system's own words ("No such file or directory") do not tell
        // the user what happened.
        setFailure(Failure::DeviceVanished,
                   QStringLiteral("The serial device %1 was disconnected (%2). Check the cable or adapter.")
                       .arg(m_port.portName(), m_port.errorString()));
        m_port.close();
    }
}

bool QtSerialTransport::open(int portNumber, int baudRate)
{
    if (m_port.isOpen()) {
        setFailure(Failure::AlreadyOpen, QStringLiteral("The port is already open"));
        return false;
    }
    m_baudRate = baudRate;
    const QString device = portNumber > 0 ? ComPortDevice(portNumber) : QString();
    if (device.isEmpty() || !QFileInfo::exists(device)) {
        setFailure(Failure::InvalidPort,
                   device.isEmpty() ? QStringLiteral("COM%1 is not mapped to a serial device").arg(portNumber)
                                    : QStringLiteral("The device %1 of COM%2 does not exist").arg(device).arg(portNumber));
        return false;
    }
    // Without the rights to the device the port is neither missing nor taken:
    // say so rather than let it pass for a port held by another program.
    if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0 && errno == EACCES) {
        setFailure(Failure::Other,
                   QStringLiteral("Permission denied: %1 (COM%2). Serial devices belong to the group dialout: "
                                  "add your user to it (sudo usermod -aG dialout $USER) and log in again.")
                       .arg(device)
                       .arg(portNumber));
        return false;
    }
    m_port.setPortName(device);
    m_port.setBaudRate(baudRate);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError e = m_port.error();
        Failure kind = Failure::Other;
        if (e == QSerialPort::DeviceNotFoundError || e == QSerialPort::UnsupportedOperationError)
            kind = Failure::InvalidPort;
        else if (e == QSerialPort::PermissionError || e == QSerialPort::OpenError)
            kind = Failure::AlreadyOpen;
        setFailure(kind, m_port.errorString());
        m_port.clearError();
        return false;
    }
    requestLowLatency();
    // A pseudo-terminal has no modem lines: DTR and RTS are best effort.
    m_port.setDataTerminalReady(true);
    m_port.setRequestToSend(true);
    m_port.clearError();
    setFailure(Failure::None, QString());
    return true;
}

void QtSerialTransport::requestLowLatency()
{
    // A USB serial adapter holds what it received back to fill a packet, up
    // to 16 ms on FTDI's by default, and every record's exchange would wait
    // for it. The driver's low-latency setting asks for the least it can do
    // (1 ms there); a device without the setting refuses and keeps its own.
    serial_struct info {};
    const int fd = int(m_port.handle());
    if (::ioctl(fd, TIOCGSERIAL, &info) == 0 && !(info.flags & ASYNC_LOW_LATENCY)) {
        info.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(fd, TIOCSSERIAL, &info);
    }
}

void QtSerialTransport::close()
{
    if (m_port.isOpen())
        m_port.close();
}

bool QtSerialTransport::isOpen() const
{
    return m_port.isOpen();
}

void QtSerialTransport::setBaudRate(int baudRate)
{
    m_baudRate = baudRate;
    if (m_port.isOpen())
        m_port.setBaudRate(baudRate);
}

int QtSerialTransport::baudRate() const
{
    return m_baudRate;
}

qint64 QtSerialTransport::bytesWaiting()
{
    if (!m_port.isOpen())
        return 0;
    // Pull what the driver holds into QSerialPort's buffer without blocking.
    if (m_port.waitForReadyRead(0) || m_port.error() == QSerialPort::TimeoutError)
        m_port.clearError();
    return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

QByteArray QtSerialTransport::readAll()
{
    // After a wait the bytes are usually in QSerialPort's buffer already:
    // ask the driver only when it is empty.
    if (!m_port.isOpen() || (m_port.bytesAvailable() == 0 && bytesWaiting() == 0))
        return QByteArray();
    return m_port.readAll();
}

bool QtSerialTransport::write(const QByteArray &bytes)
{
    if (!m_port.isOpen()) {
        setFailure(Failure::Other, QStringLiteral("The port is not open"));
        return false;
    }
    if (m_port.write(bytes) != bytes.size()) {
        setFailure(Failure::Other, m_port.errorString());
        return false;
    }
    // Hand the bytes to the driver now rather than at the next event-loop turn.
    m_port.flush();
    if (m_port.bytesToWrite() > 0)
        m_port.waitForBytesWritten(1000);
    return m_port.isOpen();
}

void QtSerialTransport::discardInput()
{
    if (!m_port.isOpen())
        return;
    m_port.clear(QSerialPort::Input);
    m_port.readAll();
}

bool QtSerialTransport::waitForData(int timeoutMs)
{
    if (m_port.isOpen() && m_port.bytesAvailable() > 0)
        return true;
    // Without time to wait, ask the driver; with time, the event loop below
    // wakes at once for bytes the driver already holds, and asking it first
    // would only delay the wait (a reply usually is not there yet).
    if (timeoutMs <= 0)
        return bytesWaiting() > 0;
    if (!m_port.isOpen() || LinkBusy::yieldRequested())
        return false;
    // A nested event loop: the window keeps repainting and a Cancel button
    // works, and the wait ends the moment a byte arrives.
    const LinkBusy::Scope busy;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&m_port, &QSerialPort::readyRead, &loop, &QEventLoop::quit);
    connect(&m_port, &QSerialPort::errorOccurred, &loop, &QEventLoop::quit);
    connect(&m_port, &QSerialPort::aboutToClose, &loop, &QEventLoop::quit);
    connect(&LinkBusy::instance(), &LinkBusy::yielding, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    loop.exec();
    return m_port.isOpen() && m_port.bytesAvailable() > 0;
}

SerialTransport::Failure QtSerialTransport::failure() const
{
    return m_failure;
}

QString QtSerialTransport::errorString() const
{
    return m_error;
}
