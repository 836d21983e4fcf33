#pragma once

#include "SerialTransport.h"

#include <QObject>
#include <QSerialPort>

// SerialTransport over QSerialPort. Port COMn is the device mapped to it in the
// Ports settings (see ComPorts.h).
class QtSerialTransport : public QObject, public SerialTransport
{
    Q_OBJECT
public:
    explicit QtSerialTransport(QObject *parent = nullptr);
    ~QtSerialTransport() override;

    bool open(int portNumber, int baudRate) override;
    void close() override;
    bool isOpen() const override;
    void setBaudRate(int baudRate) override;
    int baudRate() const override;

    qint64 bytesWaiting() override;
    QByteArray readAll() override;
    bool write(const QByteArray &bytes) override;
    void discardInput() override;
    bool waitForData(int timeoutMs) override;

    Failure failure() const override;
    QString errorString() const override;

private:
    void setFailure(Failure failure, const QString &text);
    void onError(QSerialPort::SerialPortError error);
    void requestLowLatency();

    QSerialPort m_port;
    int m_baudRate = 19200;
    Failure m_failure = Failure::None;
    QString m_error;
};
