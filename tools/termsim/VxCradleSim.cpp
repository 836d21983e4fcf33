#include "VxCradleSim.h"

#include <QTimer>

#include <cctype>
#include <cstring>

namespace {

constexpr char kStx = 0x02;
constexpr char kCr = 0x0D;
// The cradle's packet buffer; a longer packet is refused with status "1".
constexpr int kMaxPacket = 64;
constexpr int kLineBaud = 19200; // the cradle's only line speed

// Cradle statuses.
constexpr char kCradleOk = '0';
constexpr char kCradleTooLong = '1';
constexpr char kCradleEmpty = '2';
constexpr char kCradleUnknownCommand = '3';
constexpr char kCradleNoTerminal = '5';
constexpr char kCradleBadData = '8';
// Terminal statuses.
constexpr char kTerminalOk = 'A';
constexpr char kTerminalDenied = 'D';
constexpr char kTerminalBadData = 'I';
constexpr char kTerminalEmpty = 'E';
constexpr char kTerminalFailed = 'F';

const char kTerminalCommands[] = "LPONEGCRSTJIFVW";
// Commands that change the terminal or read its records need a logon.
const char kGuardedCommands[] = "GECRSJP";
const char kChargerLetters[] = "NIDCFOA";

QByteArray status(char s, const QByteArray &data = QByteArray())
{
    return QByteArray(1, s) + data;
}

bool isOneOf(const char *set, char c)
{
    return c != 0 && std::strchr(set, c) != nullptr;
}

bool isDigits(const QByteArray &data)
{
    for (const char c : data) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

}

VxCradleSim::VxCradleSim(QObject *parent)
    : TerminalSim(parent)
{
}

QList<VxCradleSim::Record> VxCradleSim::sampleRecords(int count)
{
    QList<Record> records;
    const QDateTime first(QDate(2024, 1, 1), QTime(8, 0, 0));
    for (int i = 0; i < count; ++i)
        records.append({first.addSecs(60LL * i), QStringLiteral("%1").arg(i + 1, 10, 10, QLatin1Char('0'))});
    return records;
}

QByteArray VxCradleSim::recordText(const Record &record)
{
    return record.when.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1()
        + record.code.right(10).rightJustified(10, QLatin1Char('0')).toLatin1();
}

void VxCradleSim::setRecords(const QList<Record> &records)
{
    m_records = records;
    m_readPosition = 0;
}

void VxCradleSim::setClock(const QDateTime &moment)
{
    m_clockOffsetMs = QDateTime::currentDateTime().msecsTo(moment);
}

QDateTime VxCradleSim::clock() const
{
    return QDateTime::currentDateTime().addMSecs(m_clockOffsetMs);
}

void VxCradleSim::setBatteryRaw(int voltage, int temperature)
{
    m_voltageRaw = voltage;
    m_temperatureRaw = temperature;
}

void VxCradleSim::setFault(Fault fault, int count)
{
    m_fault = fault;
    m_faultCount = count;
}

void VxCradleSim::setStatusOverride(char statusChar, int count, const QByteArray &data)
{
    m_overrideStatus = statusChar;
    m_overrideCount = count;
    m_overrideData = data;
}

void VxCradleSim::vanishAfterRecords(int records)
{
    m_vanishAfter = records;
    m_recordsServed = 0;
}

void VxCradleSim::handleBytes(const QByteArray &bytes)
{
    // At any other speed the cradle sees only garbled bytes and answers nothing.
    if (lineBaudRate() != kLineBaud) {
        m_input.clear();
        return;
    }
    m_input += bytes;
    for (;;) {
        const qsizetype start = m_input.indexOf(kStx);
        if (start < 0) {
            m_input.clear(); // line noise before any packet
            return;
        }
        m_input.remove(0, start);
        const qsizetype end = m_input.indexOf(kCr);
        if (end < 0) {
            if (m_input.size() > kMaxPacket + 2) {
                m_input.clear();
                reply(status(kCradleTooLong));
            }
            return;
        }
        const QByteArray packet = m_input.mid(1, end - 1);
        m_input.remove(0, end + 1);
        handlePacket(packet);
        if (hasVanished())
            return;
    }
}

void VxCradleSim::handlePacket(const QByteArray &packet)
{
    m_requests.append(packet);
    if (m_overrideCount > 0) {
        --m_overrideCount;
        reply(status(m_overrideStatus, m_overrideData));
        return;
    }
    if (packet.isEmpty()) {
        reply(status(kCradleEmpty));
        return;
    }
    if (packet.size() > kMaxPacket) {
        reply(status(kCradleTooLong));
        return;
    }
    const char command = packet.at(0);
    const QByteArray data = packet.mid(1);
    if (vanishesOn(command))
        return;
    if (command == '1' || command == '2') {
        reply(cradleCommand(command, data));
        return;
    }
    if (!isOneOf(kTerminalCommands, command)) {
        reply(status(kCradleUnknownCommand));
        return;
    }
    if (!m_terminalPresent) {
        reply(status(kCradleNoTerminal));
        return;
    }
    if (command == 'G' && m_vanishAfter >= 0 && m_recordsServed >= m_vanishAfter) {
        // Closing the line from inside the read handler would delete its notifier mid-call.
        QTimer::singleShot(0, this, &TerminalSim::vanish);
        return;
    }
    if (m_failedCommands.contains(command)) {
        reply(status(kTerminalFailed));
        return;
    }
    const QByteArray answer = terminalCommand(command, data);
    if (!answer.isEmpty())
        reply(answer);
}

QByteArray VxCradleSim::cradleCommand(char command, const QByteArray &data)
{
    if (command == '1')
        return status(kCradleOk, QByteArray(1, m_chargerStatus));
    if (data.size() != 1 || !isOneOf(kChargerLetters, data.at(0)))
        return status(kCradleBadData);
    m_chargerStatus = data.at(0);
    return status(kCradleOk);
}

QByteArray VxCradleSim::terminalCommand(char command, const QByteArray &data)
{
    if (!m_loggedOn && isOneOf(kGuardedCommands, command))
        return status(kTerminalDenied);
    switch (command) {
    case 'L':
        m_loggedOn = QString::fromLatin1(data) == m_password;
        return status(m_loggedOn ? kTerminalOk : kTerminalDenied);
    case 'O':
        m_loggedOn = false;
        return status(kTerminalOk);
    case 'P':
        if (data.isEmpty())
            return status(kTerminalBadData);
        m_password = QString::fromLatin1(data);
        return status(kTerminalOk);
    case 'N':
        return status(kTerminalOk, m_countReply.isEmpty() ? QByteArray::number(m_records.size()) : m_countReply);
    case 'E':
        m_records.clear();
        m_readPosition = 0;
        return status(kTerminalOk);
    case 'G':
        if (m_readPosition >= m_records.size())
            return status(kTerminalEmpty);
        ++m_recordsServed;
        return status(kTerminalOk, recordText(m_records.at(m_readPosition++)));
    case 'C':
        // Commit: the records read so far are gone for good.
        m_records.remove(0, m_readPosition);
        m_readPosition = 0;
        return status(kTerminalOk);
    case 'R':
        m_readPosition = 0;
        return status(kTerminalOk);
    case 'S': {
        const QDateTime moment = QDateTime::fromString(QString::fromLatin1(data), QStringLiteral("yyyyMMddHHmmss"));
        if (data.size() != 14 || !isDigits(data) || !moment.isValid())
            return status(kTerminalBadData);
        setClock(moment);
        m_clockReply.clear();
        return status(kTerminalOk);
    }
    case 'T':
        return status(kTerminalOk, m_clockReply.isEmpty()
                                        ? clock().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1()
                                        : m_clockReply);
    case 'J':
        for (const char c : data) {
            if (!std::isalnum(static_cast<unsigned char>(c)))
                return status(kTerminalBadData);
        }
        if (data.isEmpty())
            return status(kTerminalBadData);
        m_machineId = QString::fromLatin1(data);
        return status(kTerminalOk);
    case 'I':
        return status(kTerminalOk, m_machineId.toLatin1());
    case 'F':
        return status(kTerminalOk, m_version.toLatin1());
    case 'V':
        return status(kTerminalOk, QByteArray::number(m_voltageRaw));
    case 'W':
        return status(kTerminalOk, QByteArray::number(m_temperatureRaw));
    default:
        return status(kCradleUnknownCommand);
    }
}

void VxCradleSim::reply(const QByteArray &statusAndData)
{
    Fault fault = Fault::None;
    if (m_faultCount > 0) {
        fault = m_fault;
        --m_faultCount;
    }
    QByteArray bytes;
    switch (fault) {
    case Fault::NoAnswer:
        return;
    case Fault::NoCr:
        bytes = kStx + statusAndData;
        break;
    case Fault::ShortReply:
        bytes = statusAndData.left(1) + kCr;
        break;
    case Fault::StrayAfterCr:
        bytes = kStx + statusAndData + kCr + QByteArrayLiteral("XY");
        break;
    case Fault::None:
        bytes = kStx + statusAndData + kCr;
        break;
    }
    if (m_replyDelayMs > 0)
        QTimer::singleShot(m_replyDelayMs, this, [this, bytes] { send(bytes); });
    else
        send(bytes);
}
