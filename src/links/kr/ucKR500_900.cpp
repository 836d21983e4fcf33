#include "ucKR500_900.h"

#include "CancelToken.h"
#include "KrFrame.h"
#include "LinkBusy.h"
#include "MessageReporter.h"
#include "PatrolFile.h"
#include "QtSerialTransport.h"
#include "Settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <limits>
#include <thread>

namespace {

// Control bytes are awaited in rounds of 20 ms, frames in rounds of 50 ms; a
// Timeout is worth that many whole rounds, and at least one.
constexpr int kControlRoundMs = 20;
constexpr int kFrameRoundMs = 50;
// Far more than any frame a terminal sends (a record is about 30 bytes).
constexpr int kMaxFrameBytes = 512;
// The terminal needs a moment between sending a record and accepting its ACK or NAK.
constexpr int kRecordPauseMs = 5;
// A record that still fails after this many repeats is given up.
constexpr int kRecordRepeats = 3;

// Failure numbers shown as the title of a failure box, as the serial port
// errors of the program have always been numbered.
constexpr int kErrOverflow = 6;
constexpr int kErrTypeMismatch = 13;
constexpr int kErrInvalidArgument = 5;
constexpr int kErrInvalidPort = 8002;
constexpr int kErrPortAlreadyOpen = 8005;
constexpr int kErrPortFailure = 8015;

int budget(qint32 timeout, int round)
{
    return qMax(1, timeout / round) * round;
}

// A count starts with a decimal digit (blanks before it allowed); what follows
// the digits is ignored, as terminals that append a unit word expect.
bool isCount(const QByteArray &data)
{
    const QByteArray number = data.trimmed();
    return !number.isEmpty() && number.front() >= '0' && number.front() <= '9';
}

QString text(const QByteArray &data)
{
    return PatrolFile::fromAnsi(data);
}

}

ucKR500_900::ucKR500_900(QObject *parent)
    : ucKR500_900(std::make_unique<QtSerialTransport>(), parent)
{
}

ucKR500_900::ucKR500_900(std::unique_ptr<SerialTransport> transport, QObject *parent)
    : QObject(parent)
    , m_transport(std::move(transport))
{
    m_transport->setBaudRate(kTerminalBaud);
}

ucKR500_900::~ucKR500_900()
{
    Disconnect();
}

void ucKR500_900::setCommPort(qint16 port)
{
    closePort();
    m_commPort = port;
}

QString ucKR500_900::ErrMessage(qint32 code) const
{
    switch (code == 0 ? m_errCode : code) {
    case KR_SUCCESS: return QStringLiteral("KR_SUCCESS");
    case KR_ERR_TIMEOUT: return QStringLiteral("KR_ERR_TIMEOUT");
    case KR_ERR_PORT_NOT_OPEN: return QStringLiteral("KR_ERR_PORT_NOT_OPEN");
    case KR_ERR_ACK_NOT_GET: return QStringLiteral("KR_ERR_ACK_NOT_GET");
    case KR_ERR_INVALID_BCC: return QStringLiteral("KR_ERR_INVALID_BCC");
    case KR_ERR_EOT_NOT_GET: return QStringLiteral("KR_ERR_EOT_NOT_GET");
    case KR_ERR_PORT_IN_USE: return QStringLiteral("KR_ERR_PORT_IN_USE");
    default: return QStringLiteral("KR_ERR_UNKNOWN");
    }
}

void ucKR500_900::Disconnect()
{
    closePort();
}

bool ucKR500_900::isPortOpen() const
{
    return m_transport->isOpen();
}

// ---- port -------------------------------------------------------------------

bool ucKR500_900::openPort(OnMissingPort onMissing)
{
    if (portOpen())
        return true;
    if (m_transport->open(m_commPort, m_transport->baudRate())) {
        m_expectOpen = true;
        m_vanished = false;
        return true;
    }
    switch (m_transport->failure()) {
    case SerialTransport::Failure::InvalidPort:
    case SerialTransport::Failure::DeviceVanished:
        if (onMissing == OnMissingPort::Report)
            MessageReporter::instance().failure(m_transport->errorString(), kErrInvalidPort);
        m_errCode = KR_ERR_PORT_MISSING;
        break;
    case SerialTransport::Failure::AlreadyOpen:
        // Not a fault of this program: the caller decides whether to say so
        // (a download) or to try again later (the automatic download's probe).
        if (onMissing == OnMissingPort::Report)
            MessageReporter::instance().failure(SerialTransport::portInUseText(m_commPort), kErrPortAlreadyOpen);
        m_errCode = KR_ERR_PORT_IN_USE;
        break;
    default:
        unexpectedFailure(m_transport->errorString(), kErrPortFailure);
        break;
    }
    return false;
}

bool ucKR500_900::portOpen()
{
    const bool open = m_transport->isOpen();
    if (m_expectOpen && !open) {
        // The transport closes the port itself only when the device went away.
        m_expectOpen = false;
        m_vanished = true;
    }
    return open;
}

bool ucKR500_900::requireOpenPort()
{
    if (portOpen())
        return true;
    m_errCode = m_vanished ? KR_ERR_PORT_MISSING : KR_ERR_PORT_NOT_OPEN;
    return false;
}

void ucKR500_900::closePort()
{
    m_transport->close();
    m_expectOpen = false;
    m_vanished = false;
}

bool ucKR500_900::writeBytes(const QByteArray &bytes)
{
    if (m_transport->write(bytes))
        return true;
    if (requireOpenPort())
        unexpectedFailure(m_transport->errorString(), kErrPortFailure);
    return false;
}

void ucKR500_900::unexpectedFailure(const QString &description, int number)
{
    MessageReporter::instance().failure(description, number);
    m_errCode = KR_ERR_FAILURE;
}

// ---- frame layer ------------------------------------------------------------

bool ucKR500_900::SendCommand(qint16 id, char letter, OnMissingPort onMissing)
{
    if (!openPort(onMissing))
        return false;
    const QByteArray frame = KrFrame::command(id, letter);
    // Whatever a terminal said before this enquiry belongs to no exchange.
    m_transport->discardInput();
    return writeBytes(frame);
}

void ucKR500_900::SendDataFrame(const QByteArray &data)
{
    writeBytes(KrFrame::dataFrame(data));
}

void ucKR500_900::WaitAck()
{
    waitControlByte(KrFrame::kAck, KR_ERR_ACK_NOT_GET);
}

void ucKR500_900::WaitEot()
{
    waitControlByte(KrFrame::kEot, KR_ERR_EOT_NOT_GET);
}

void ucKR500_900::waitControlByte(char expected, qint32 mismatchCode)
{
    if (!requireOpenPort())
        return;
    // Wakes as soon as a byte arrives; only the first byte of what arrived counts.
    const bool arrived = m_transport->waitForData(budget(m_timeout, kControlRoundMs));
    const QByteArray bytes = arrived ? m_transport->readAll() : QByteArray();
    if (!bytes.isEmpty())
        m_errCode = bytes.front() == expected ? KR_SUCCESS : mismatchCode;
    else if (!portOpen())
        m_errCode = KR_ERR_PORT_MISSING;
    else
        m_errCode = KR_ERR_TIMEOUT;
}

void ucKR500_900::ReadFrame(QByteArray &data)
{
    if (!requireOpenPort())
        return;
    // The time-out counts silence only, in whole 50 ms rounds, as polling in
    // such rounds would: a round in which a byte arrived costs nothing, so a
    // frame is cut off only once the silences add up to Timeout.
    int remaining = budget(m_timeout, kFrameRoundMs);
    QByteArray received;
    QElapsedTimer silence;
    for (;;) {
        silence.start();
        const bool arrived = m_transport->waitForData(remaining);
        m_heardAt = std::chrono::steady_clock::now();
        if (arrived) {
            received += m_transport->readAll();
            // A line that keeps talking without ever closing a frame (another
            // device, noise) must not hold the program forever.
            if (received.size() > kMaxFrameBytes) {
                m_errCode = KR_ERR_INVALID_BCC;
                return;
            }
            QByteArray frameData;
            switch (KrFrame::scan(received, &frameData)) {
            case KrFrame::Scan::Complete:
                data = frameData;
                m_errCode = KR_SUCCESS;
                return;
            case KrFrame::Scan::BadFrame:
                m_errCode = KR_ERR_INVALID_BCC;
                return;
            case KrFrame::Scan::EndOfData:
                m_errCode = KR_ERR_NO_DATA;
                return;
            case KrFrame::Scan::Incomplete:
                break;
            }
        }
        if (!portOpen()) {
            m_errCode = KR_ERR_PORT_MISSING;
            return;
        }
        if (!arrived) {
            m_errCode = KR_ERR_TIMEOUT;
            closePort();
            return;
        }
        remaining -= int(silence.elapsed() / kFrameRoundMs * kFrameRoundMs);
    }
}

void ucKR500_900::SendAck()
{
    sendControlByte(KrFrame::kAck);
}

void ucKR500_900::SendNak()
{
    sendControlByte(KrFrame::kNak);
}

void ucKR500_900::SendEot()
{
    sendControlByte(KrFrame::kEot);
}

void ucKR500_900::sendControlByte(char byte)
{
    // A failed write is noticed by the next wait (the port is then closed).
    if (portOpen())
        m_transport->write(QByteArray(1, byte));
}

void ucKR500_900::PauseAfterHeard(int milliseconds)
{
    const LinkBusy::Scope busy;
    // The terminal's moment counts from the end of its frame, not from when
    // the frame was decoded. The event loop wakes its timers on whole
    // milliseconds, a fraction late or early depending on when the loop last
    // looked; on the pause before every record's ACK that adds up. Wait in
    // the event loop until half a millisecond to a millisecond and a half
    // before the end, then sleep out the rest. A sleep itself ends a tenth of
    // a millisecond late or more on a busy machine, so it stops just short of
    // the end and the clock is watched for the last moment.
    using Clock = std::chrono::steady_clock;
    constexpr auto kSleepLateness = std::chrono::microseconds(200);
    const auto until = m_heardAt + std::chrono::milliseconds(milliseconds);
    const auto loopMs =
        (std::chrono::duration_cast<std::chrono::microseconds>(until - Clock::now()).count() - 500) / 1000;
    if (loopMs > 0) {
        QEventLoop loop;
        QTimer::singleShot(int(loopMs), Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (until - Clock::now() > kSleepLateness)
        std::this_thread::sleep_until(until - kSleepLateness);
    while (Clock::now() < until) {
    }
}

// ---- exchanges --------------------------------------------------------------

void ucKR500_900::writeExchange(qint16 id, char letter, const QByteArray &data, OnMissingPort onMissing)
{
    if (!SendCommand(id, letter, onMissing))
        return;
    WaitAck();
    if (m_errCode != KR_SUCCESS)
        return;
    SendDataFrame(data);
    if (m_errCode != KR_SUCCESS)
        return;
    WaitAck();
    if (m_errCode != KR_SUCCESS)
        return;
    SendEot();
}

bool ucKR500_900::readExchange(qint16 id, char letter, QByteArray &data, OnMissingPort onMissing)
{
    if (!SendCommand(id, letter, onMissing))
        return false;
    QByteArray reply;
    ReadFrame(reply);
    if (m_errCode != KR_SUCCESS)
        return false;
    SendAck();
    WaitEot();
    if (m_errCode != KR_SUCCESS)
        return false;
    data = reply;
    return true;
}

bool ucKR500_900::storeNumber(const QByteArray &data, qint16 &out)
{
    const int value = LeadingNumber(QString::fromLatin1(data));
    if (value > std::numeric_limits<qint16>::max() || value < std::numeric_limits<qint16>::min()) {
        unexpectedFailure(QStringLiteral("Overflow"), kErrOverflow);
        return false;
    }
    out = qint16(value);
    return true;
}

void ucKR500_900::baseStationExchange(char letter, QString &out)
{
    // The base station talks at 9600 baud and wants its enquiry closed by CR.
    closePort();
    m_transport->setBaudRate(kBaseStationBaud);
    if (openPort(OnMissingPort::Silent)) {
        m_transport->discardInput();
        if (writeBytes(KrFrame::baseStationCommand(letter))) {
            QByteArray data;
            ReadFrame(data);
            if (m_errCode == KR_SUCCESS)
                out = text(data);
        }
    }
    closePort();
    m_transport->setBaudRate(kTerminalBaud);
}

// ---- operations -------------------------------------------------------------

void ucKR500_900::SetBuzzervibration(qint16 i_iID, const QString &i_s)
{
    writeExchange(i_iID, 'W', "10" + PatrolFile::toAnsi(i_s), OnMissingPort::Report);
}

void ucKR500_900::GetVoltage(qint16 i_iID, QString &o_sVoltage)
{
    QByteArray data;
    if (readExchange(i_iID, 'B', data, OnMissingPort::Report))
        o_sVoltage = text(data);
}

void ucKR500_900::SetTime(qint16 i_iID, const QDateTime &i_dt)
{
    if (!i_dt.isValid()) {
        unexpectedFailure(QStringLiteral("Invalid procedure call or argument: no date and time to set"),
                          kErrInvalidArgument);
        return;
    }
    writeExchange(i_iID, 'S', i_dt.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1(), OnMissingPort::Silent);
}

void ucKR500_900::GetTime(qint16 i_iID, QDateTime &o_dt)
{
    QByteArray data;
    if (!readExchange(i_iID, 'T', data, OnMissingPort::Silent))
        return;
    const QDateTime moment = data.size() == 14
        ? QDateTime::fromString(QString::fromLatin1(data), QStringLiteral("yyyyMMddHHmmss"))
        : QDateTime();
    if (!moment.isValid()) {
        unexpectedFailure(QStringLiteral("Type mismatch: the terminal's time \"%1\" is no date").arg(text(data)),
                          kErrTypeMismatch);
        return;
    }
    o_dt = moment;
}

void ucKR500_900::GetRecordCount(qint16 i_iID, qint16 &o_iRecordCount, const CancelToken *cancel)
{
    QByteArray data;
    if (!SendCommand(i_iID, 'A'))
        return;
    ReadFrame(data);
    // A cancelled download leaves the count unacknowledged; the terminal
    // gives up on its own and the next enquiry starts afresh.
    if (m_errCode != KR_SUCCESS || (cancel && cancel->isCancelled()))
        return;
    SendAck();
    WaitEot();
    if (m_errCode != KR_SUCCESS)
        return;
    // A count that starts with no number came through garbled despite its check byte:
    // read as 0 it would pass a full terminal off as an empty one.
    if (!isCount(data)) {
        m_errCode = KR_ERR_INVALID_BCC;
        return;
    }
    storeNumber(data, o_iRecordCount);
}

void ucKR500_900::SetID(qint16 i_iID, qint16 i_iNewID)
{
    writeExchange(i_iID, 'P', KrFrame::idText(i_iNewID), OnMissingPort::Silent);
}

void ucKR500_900::GetID(qint16 i_iID, qint16 &o_iID)
{
    QByteArray data;
    if (!readExchange(i_iID, 'Q', data, OnMissingPort::Silent))
        return;
    bool ok = false;
    const ushort value = data.toUShort(&ok, 16);
    if (!ok) {
        unexpectedFailure(QStringLiteral("Type mismatch: the terminal's ID \"%1\" is no hexadecimal number")
                              .arg(text(data)),
                          kErrTypeMismatch);
        return;
    }
    o_iID = qint16(value);
}

void ucKR500_900::getVersion(qint16 i_iID, QString &o_sVersion)
{
    QByteArray data;
    if (readExchange(i_iID, 'V', data, OnMissingPort::Silent))
        o_sVersion = text(data);
}

void ucKR500_900::ClearData(qint16 i_iID)
{
    if (!SendCommand(i_iID, 'D'))
        return;
    WaitAck();
    if (m_errCode == KR_SUCCESS)
        SendEot();
}

void ucKR500_900::RecoverData(qint16 i_iID)
{
    if (!SendCommand(i_iID, 'M'))
        return;
    WaitAck();
    if (m_errCode == KR_SUCCESS)
        SendEot();
}

void ucKR500_900::InvokeTest(qint16 i_iID)
{
    // The terminal runs its self-test without answering.
    if (SendCommand(i_iID, 'Z'))
        m_errCode = KR_SUCCESS;
}

void ucKR500_900::PowerDown(qint16 i_iID)
{
    // The terminal switches off after its ACK; no EOT follows.
    if (SendCommand(i_iID, 'O'))
        WaitAck();
}

void ucKR500_900::BeginDownload(qint16 i_iID)
{
    // The terminal answers with its first record, read by GetRecord.
    SendCommand(i_iID, 'I');
}

void ucKR500_900::GetRecord(QString &o_sData)
{
    if (!requireOpenPort()) {
        // The device may have gone while the last record was acknowledged:
        // the download cannot go on, and the user has to hear of it.
        if (m_vanished)
            MessageReporter::instance().message(QStringLiteral("Time out"), MessageReporter::Icon::None);
        return;
    }
    for (int attempt = 1;; ++attempt) {
        QByteArray data;
        ReadFrame(data);
        if (m_errCode == KR_SUCCESS) {
            o_sData = text(data);
            PauseAfterHeard(kRecordPauseMs);
            // The ACK makes the terminal send its next record.
            SendAck();
            QCoreApplication::processEvents();
            return;
        }
        if (m_errCode == KR_ERR_NO_DATA)
            return;
        // A device that went away cannot be asked again.
        if (attempt > kRecordRepeats || m_errCode == KR_ERR_PORT_MISSING) {
            MessageReporter::instance().message(QStringLiteral("Time out"), MessageReporter::Icon::None);
            return;
        }
        PauseAfterHeard(kRecordPauseMs);
        // The NAK makes the terminal send the same record again.
        SendNak();
        QCoreApplication::processEvents();
    }
}

void ucKR500_900::GetTagCount(qint16 i_iID, qint16 &o_iTagCount)
{
    QByteArray data;
    if (readExchange(i_iID, 'B', data, OnMissingPort::Report))
        storeNumber(data, o_iTagCount);
}

void ucKR500_900::BeginTagUpload(qint16 i_iID)
{
    if (SendCommand(i_iID, 'K', OnMissingPort::Report))
        WaitAck();
}

void ucKR500_900::SendTagCode(qint16 i_iIndex, const QString &i_sCode)
{
    if (!requireOpenPort())
        return;
    // Five digits with leading zeros ("00123"); a negative index keeps its sign in front.
    const QByteArray digits = QByteArray::number(qAbs(int(i_iIndex))).rightJustified(5, '0');
    const QByteArray index = i_iIndex < 0 ? "-" + digits : digits;
    if (!writeBytes(KrFrame::dataFrame(index + PatrolFile::toAnsi(i_sCode))))
        return;
    WaitAck();
}

void ucKR500_900::EndTagUpload()
{
    SendEot();
}

void ucKR500_900::BeginTagDownload(qint16 i_iID)
{
    SendCommand(i_iID, 'J', OnMissingPort::Report);
}

void ucKR500_900::GetTagCode(QString &o_sData)
{
    if (!requireOpenPort())
        return;
    QByteArray data;
    ReadFrame(data);
    if (m_errCode != KR_SUCCESS)
        return;
    o_sData = text(data);
    SendAck();
}

void ucKR500_900::DS900_GetVersion(QString &o_sVersion)
{
    baseStationExchange('V', o_sVersion);
}

void ucKR500_900::DS900_GetInformation(QString &o_sInformation)
{
    baseStationExchange('N', o_sInformation);
}
