#include "ucVX700.h"

#include "LinkBusy.h"
#include "MessageReporter.h"
#include "NumberFormat.h"
#include "PatrolFile.h"
#include "QtSerialTransport.h"
#include "SerialTransport.h"
#include "Settings.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocale>
#include <QTimer>

#include <utility>

namespace {

constexpr char kStx = 0x02;
constexpr char kCr = 0x0D;

// Error numbers of the serial layer, shown as the title of the failure box.
constexpr int kSerialReadError = 8020;
constexpr int kSerialOtherError = 8010;

struct StatusEntry
{
    char status;
    qint32 code;
};

// Digits are the cradle's statuses, letters the terminal's; "A" and "0" are success.
constexpr StatusEntry kStatuses[] = {
    {'A', ucVX700::VX_SUCCESS},
    {'0', ucVX700::VX_SUCCESS},
    {'1', ucVX700::VX_ERR_CRADLE_PACKET_TOO_LONG},
    {'2', ucVX700::VX_ERR_CRADLE_PACKET_EMPTY},
    {'3', ucVX700::VX_ERR_CRADLE_CMD_CODE_OUT_OF_RANGE},
    {'4', ucVX700::VX_ERR_CRADLE_ROUTE_CMD_TO_TERMINAL},
    {'5', ucVX700::VX_ERR_CRADLE_TIMEOUT_OF_WAITING_TERMINAL},
    {'6', ucVX700::VX_ERR_CRADLE_TIMEOUT_OF_ROUTING_REPLAY_PACKET},
    {'7', ucVX700::VX_ERR_CRADLE_CHECKSUM},
    {'8', ucVX700::VX_ERR_CRADLE_INVALID_CMD_DATA},
    {'C', ucVX700::VX_ERR_TERMINAL_CHECKSUM},
    {'D', ucVX700::VX_ERR_TERMINAL_ACCESS_DENIED},
    {'I', ucVX700::VX_ERR_TERMINAL_INVALID_CMD_DATA},
    {'F', ucVX700::VX_ERR_TERMINAL_CMD_EXE_FAILED},
    {'E', ucVX700::VX_ERR_TERMINAL_DATA_EMPTY},
};

struct ChargerEntry
{
    const char *letter;
    const char *text;
};

constexpr ChargerEntry kChargerStatuses[] = {
    {"N", "N - Not present"},
    {"I", "I - Idle"},
    {"D", "D - Discharge"},
    {"C", "C - Cold"},
    {"F", "F - Fast charge"},
    {"O", "O - Ok. (charging finished)"},
    {"A", "A - Aborted"},
};

// A date or time format of the locale without its time-zone fields, which the
// terminal's clock does not have.
QString withoutTimeZone(const QString &format)
{
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    return out.simplified();
}

}

ucVX700::ucVX700(QObject *parent)
    : ucVX700(std::make_unique<QtSerialTransport>(), parent)
{
}

ucVX700::ucVX700(std::unique_ptr<SerialTransport> transport, QObject *parent)
    : QObject(parent)
    , m_transport(std::move(transport))
{
}

ucVX700::~ucVX700()
{
    Disconnect();
}

void ucVX700::setComport(qint16 i_iComport)
{
    Disconnect();
    m_comport = i_iComport;
}

void ucVX700::setTimeout(qint32 i_lTimeout)
{
    if (i_lTimeout > 0)
        m_timeout = i_lTimeout;
}

QString ucVX700::GetData()
{
    return std::exchange(m_replyText, QString());
}

QString ucVX700::ErrMessage(qint32 i_lErrCode)
{
    switch (i_lErrCode) {
    case VX_SUCCESS: return QStringLiteral("VX_SUCCESS");
    case VX_ERR_TIMEOUT: return QStringLiteral("VX_ERR_TIMEOUT");
    case VX_ERR_LENGTH_NOT_ALLOWED: return QStringLiteral("VX_ERR_LENGTH_NOT_ALLOWED");
    case VX_ERR_CRADLE_PACKET_TOO_LONG: return QStringLiteral("VX_ERR_CRADLE_PACKET_TOO_LONG");
    case VX_ERR_CRADLE_PACKET_EMPTY: return QStringLiteral("VX_ERR_CRADLE_PACKET_EMPTY");
    case VX_ERR_CRADLE_CMD_CODE_OUT_OF_RANGE: return QStringLiteral("VX_ERR_CRADLE_CMD_CODE_OUT_OF_RANGE");
    case VX_ERR_CRADLE_ROUTE_CMD_TO_TERMINAL: return QStringLiteral("VX_ERR_CRADLE_ROUTE_CMD_TO_TERMINAL");
    case VX_ERR_CRADLE_TIMEOUT_OF_WAITING_TERMINAL: return QStringLiteral("VX_ERR_CRADLE_TIMEOUT_OF_WAITING_TERMINAL");
    case VX_ERR_CRADLE_TIMEOUT_OF_ROUTING_REPLAY_PACKET:
        return QStringLiteral("VX_ERR_CRADLE_TIMEOUT_OF_ROUTING_REPLAY_PACKET");
    case VX_ERR_CRADLE_CHECKSUM: return QStringLiteral("VX_ERR_CRADLE_CHECKSUM");
    case VX_ERR_CRADLE_INVALID_CMD_DATA: return QStringLiteral("VX_ERR_CRADLE_INVALID_CMD_DATA");
    case VX_ERR_TERMINAL_CHECKSUM: return QStringLiteral("VX_ERR_TERMINAL_CHECKSUM");
    case VX_ERR_TERMINAL_ACCESS_DENIED: return QStringLiteral("VX_ERR_TERMINAL_ACCESS_DENIED");
    case VX_ERR_TERMINAL_INVALID_CMD_DATA: return QStringLiteral("VX_ERR_TERMINAL_INVALID_CMD_DATA");
    case VX_ERR_TERMINAL_CMD_EXE_FAILED: return QStringLiteral("VX_ERR_TERMINAL_CMD_EXE_FAILED");
    case VX_ERR_TERMINAL_DATA_EMPTY: return QStringLiteral("VX_ERR_TERMINAL_DATA_EMPTY");
    case VX_ERR_INVALID_COMPORT: return QStringLiteral("VX_ERR_INVALID_COMPORT");
    case VX_ERR_INVALID_REPLY_DATA: return QStringLiteral("VX_ERR_INVALID_REPLY_DATA");
    case VX_ERR_PORT_IN_USE: return QStringLiteral("VX_ERR_PORT_IN_USE");
    default: return QStringLiteral("VX_ERR_UNKNOWN");
    }
}

void ucVX700::Disconnect()
{
    if (m_transport->isOpen())
        m_transport->close();
}

bool ucVX700::isPortOpen() const
{
    return m_transport->isOpen();
}

int ucVX700::timeoutRounds(qint32 timeoutMs)
{
    if (timeoutMs <= 0)
        return 0;
    int rounds = timeoutMs / 100;
    const int rest = timeoutMs % 100;
    if (rest > 50 || (rest == 50 && rounds % 2 == 1))
        ++rounds;
    return rounds;
}

int ucVX700::replyBudgetMs(qint32 timeoutMs)
{
    return (timeoutRounds(timeoutMs) + 1) * kPollMs;
}

void ucVX700::WaitMs(int ms)
{
    if (ms <= 0)
        return;
    const LinkBusy::Scope busy;
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

qint32 ucVX700::statusCode(QChar status)
{
    for (const StatusEntry &entry : kStatuses) {
        if (status == QLatin1Char(entry.status))
            return entry.code;
    }
    return VX_ERR_UNKNOWN;
}

void ucVX700::reportSerialFailure()
{
    const int number = m_transport->failure() == SerialTransport::Failure::DeviceVanished ? kSerialReadError
                                                                                          : kSerialOtherError;
    MessageReporter::instance().failure(m_transport->errorString(), number);
    m_errCode = VX_ERR_UNKNOWN;
}

bool ucVX700::beginExchange(QChar cmd, const QString &data)
{
    const QByteArray packet = kStx + PatrolFile::toAnsi(QString(cmd) + data) + kCr;
    if (!m_transport->isOpen() && !m_transport->open(m_comport, kBaudRate)) {
        switch (m_transport->failure()) {
        case SerialTransport::Failure::InvalidPort:
            m_errCode = VX_ERR_INVALID_COMPORT;
            break;
        case SerialTransport::Failure::AlreadyOpen:
            // Another program holds the port: a code of its own, for the caller
            // to say so in its words. Leaving the last code in place would pass
            // the previous exchange's success off as this one's.
            m_replyText.clear();
            m_errCode = VX_ERR_PORT_IN_USE;
            break;
        default:
            reportSerialFailure();
            break;
        }
        return false;
    }
    m_replyText.clear();
    m_transport->discardInput();
    if (!m_transport->write(packet)) {
        reportSerialFailure();
        return false;
    }
    return true;
}

ucVX700::Receive ucVX700::receiveReply(QString &reply)
{
    // The reply is complete at its CR; the wait wakes as soon as bytes come in.
    // The wait itself looks at the port first, and what it found is read
    // without asking the driver again: one poll per round, none after the
    // reply is in. Once the time is up the last round only looks.
    const int budget = replyBudgetMs(m_timeout);
    QElapsedTimer clock;
    clock.start();
    reply.clear();
    for (;;) {
        const qint64 left = budget - clock.elapsed();
        if (m_transport->waitForData(int(qMax<qint64>(left, 0)))) {
            reply += PatrolFile::fromAnsi(m_transport->readAll());
            if (reply.contains(QLatin1Char(kCr)))
                return Receive::Complete;
        }
        if (!m_transport->isOpen())
            return Receive::Failed;
        if (left <= 0)
            return Receive::TimedOut;
    }
}

void ucVX700::Transact(QChar i_sCmd, const QString &i_sData, bool i_blnEmptyIsNa)
{
    if (!beginExchange(i_sCmd, i_sData))
        return;
    QString reply;
    switch (receiveReply(reply)) {
    case Receive::TimedOut:
        m_errCode = VX_ERR_TIMEOUT;
        return;
    case Receive::Failed:
        reportSerialFailure();
        return;
    case Receive::Complete:
        break;
    }
    if (reply.size() < 3) {
        m_errCode = VX_ERR_LENGTH_NOT_ALLOWED;
        m_replyText = reply;
        return;
    }
    // Character 1 is the start character; the last is taken as the CR.
    m_errCode = statusCode(reply.at(1));
    m_replyText = reply.mid(2, reply.size() - 3);
    if (m_replyText.isEmpty() && i_blnEmptyIsNa)
        m_replyText = QStringLiteral("N/A");
}

void ucVX700::ProbeTransact(QChar i_sCmd, const QString &i_sData)
{
    if (!beginExchange(i_sCmd, i_sData))
        return;
    QString reply;
    bool ok = false;
    switch (receiveReply(reply)) {
    case Receive::TimedOut:
        m_errCode = VX_ERR_TIMEOUT;
        break;
    case Receive::Failed:
        reportSerialFailure();
        return;
    case Receive::Complete:
        if (reply.size() < 3) {
            m_errCode = VX_ERR_LENGTH_NOT_ALLOWED;
            m_replyText = reply;
        } else {
            ok = statusCode(reply.at(1)) == VX_SUCCESS;
            m_replyText = reply.mid(2, reply.size() - 3);
        }
        break;
    }
    if (ok) {
        // A passed test must not leave the error of an earlier exchange behind.
        m_errCode = VX_SUCCESS;
        return;
    }
    m_errCode = VX_ERR_INVALID_COMPORT;
    Q_EMIT deviceDisconnected();
    MessageReporter::instance().message(QStringLiteral("Device was disconnected"), MessageReporter::Icon::None);
}

QString ucVX700::chargerStatusText(const QString &letter)
{
    for (const ChargerEntry &entry : kChargerStatuses) {
        if (letter == QLatin1String(entry.letter))
            return QString::fromLatin1(entry.text);
    }
    return QString();
}

QString ucVX700::formatTwoDecimals(double value)
{
    return FormatTwoDecimals(value, false);
}

QDateTime ucVX700::parseTerminalTime(const QString &text)
{
    if (text.size() < 14)
        return QDateTime();
    for (int i = 0; i < 14; ++i) {
        if (text.at(i) < QLatin1Char('0') || text.at(i) > QLatin1Char('9'))
            return QDateTime();
    }
    auto field = [&text](int from, int length) { return text.mid(from, length).toInt(); };
    const QDate date(field(0, 4), field(4, 2), field(6, 2));
    const QTime time(field(8, 2), field(10, 2), field(12, 2));
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time);
}

QString ucVX700::systemDateTimeText(const QDateTime &moment)
{
    const QLocale locale = QLocale::system();
    return locale.toString(moment.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(moment.time(), withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}

void ucVX700::CRADLE_GetStatus()
{
    Transact(QLatin1Char('1'));
    if (m_errCode == VX_SUCCESS)
        m_replyText = chargerStatusText(m_replyText);
}

void ucVX700::CRADLE_SetStatus(const QString &i_sStatus)
{
    Transact(QLatin1Char('2'), i_sStatus);
}

void ucVX700::VX700_Logon(const QString &i_sPassword)
{
    Transact(QLatin1Char('L'), i_sPassword);
}

void ucVX700::VX700_SetPassword(const QString &i_sPassword)
{
    Transact(QLatin1Char('P'), i_sPassword);
}

void ucVX700::VX700_Logoff()
{
    Transact(QLatin1Char('O'));
}

void ucVX700::VX700_RecordCount()
{
    Transact(QLatin1Char('N'));
    // A count that starts with no digit came through garbled: read as 0 it
    // would pass a full terminal off as an empty one.
    const QString count = m_replyText.trimmed();
    if (m_errCode == VX_SUCCESS && (count.isEmpty() || count.front() < u'0' || count.front() > u'9'))
        m_errCode = VX_ERR_INVALID_REPLY_DATA;
}

void ucVX700::VX700_EraseAllRecord()
{
    Transact(QLatin1Char('E'));
}

void ucVX700::VX700_GetOneRecord()
{
    Transact(QLatin1Char('G'));
}

void ucVX700::VX700_Commit()
{
    Transact(QLatin1Char('C'));
}

void ucVX700::VX700_RollBack()
{
    Transact(QLatin1Char('R'));
}

void ucVX700::VX700_SetTime(const QDateTime &i_dtTime)
{
    Transact(QLatin1Char('S'), i_dtTime.toString(QStringLiteral("yyyyMMddHHmmss")));
}

void ucVX700::VX700_GetTime()
{
    Transact(QLatin1Char('T'));
    if (m_errCode != VX_SUCCESS)
        return;
    const QDateTime moment = parseTerminalTime(m_replyText);
    if (!moment.isValid()) {
        m_errCode = VX_ERR_INVALID_REPLY_DATA;
        return;
    }
    m_terminalTime = moment;
    m_replyText = systemDateTimeText(moment);
}

void ucVX700::VX700_SetID(const QString &i_sID)
{
    Transact(QLatin1Char('J'), i_sID);
}

void ucVX700::VX700_GetID(bool i_blnEmptyIsNa)
{
    Transact(QLatin1Char('I'), QString(), i_blnEmptyIsNa);
}

void ucVX700::VX700_ConnectionTest()
{
    ProbeTransact(QLatin1Char('F'));
}

void ucVX700::VX700_GetVersion()
{
    Transact(QLatin1Char('F'));
}

void ucVX700::VX700_GetBatteryVoltage()
{
    Transact(QLatin1Char('V'));
    if (m_errCode != VX_SUCCESS)
        return;
    // The terminal reports the battery as an 8-bit reading of a 5 V scale.
    const double volts = LeadingNumber(m_replyText) * 5.0 / 256.0;
    m_replyText = formatTwoDecimals(volts) + QStringLiteral(" V");
}

void ucVX700::VX700_GetBatteryTemperature()
{
    Transact(QLatin1Char('W'));
    if (m_errCode != VX_SUCCESS)
        return;
    // The sensor gives 1.375 V at 0 degrees and 22.5 mV per degree.
    const double volts = LeadingNumber(m_replyText) * 5.0 / 256.0;
    m_replyText = formatTwoDecimals((volts - 1.375) / 0.0225) + QStringLiteral(" C");
}
