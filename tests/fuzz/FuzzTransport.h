#pragma once

#include "SerialTransport.h"

#include <QByteArray>

#include <utility>

// A serial line whose far side says exactly the bytes a fuzzer chose: each
// wait hands out the next piece (its length taken from the input itself), and
// once the bytes run out the device is gone, so every exchange ends at once
// instead of waiting out its time-out.
class FuzzTransport : public SerialTransport
{
public:
    explicit FuzzTransport(QByteArray script) : m_script(std::move(script)) {}

    bool open(int, int baudRate) override
    {
        m_open = true;
        m_baud = baudRate;
        return true;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    void setBaudRate(int baudRate) override { m_baud = baudRate; }
    int baudRate() const override { return m_baud; }
    qint64 bytesWaiting() override { return m_pending.size(); }
    QByteArray readAll() override { return std::exchange(m_pending, QByteArray()); }
    bool write(const QByteArray &) override { return m_open; }
    void discardInput() override { m_pending.clear(); }
    bool waitForData(int) override
    {
        if (m_pending.isEmpty() && m_at < m_script.size()) {
            const int size = 1 + (quint8(m_script[m_at++]) % 24);
            m_pending = m_script.mid(m_at, size);
            m_at += m_pending.size();
        }
        if (m_pending.isEmpty())
            m_open = false;
        return !m_pending.isEmpty();
    }
    Failure failure() const override { return m_at >= m_script.size() ? Failure::DeviceVanished : Failure::None; }
    QString errorString() const override { return QString(); }

private:
    QByteArray m_script;
    qsizetype m_at = 0;
    QByteArray m_pending;
    bool m_open = false;
    int m_baud = 19200;
};
