#include "KrTerminalSim.h"

#include <QFile>
#include <QTimer>

#include <chrono>
#include <thread>

namespace {

constexpr char kEnq = 0x05;
constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;
constexpr char kEot = 0x04;
constexpr char kAck = 0x06;
constexpr char kNak = 0x15;
constexpr char kCr = 0x0D;

constexpr int kTerminalBaud = 19200;
constexpr int kBaseBaud = 9600;

char checkByte(const QByteArray &data)
{
    unsigned char x = 0;
    for (char c : data)
        x ^= static_cast<unsigned char>(c);
    return char(x);
}

QByteArray hexId(int id)
{
    return QByteArray::number(id & 0xFF, 16).toUpper().rightJustified(2, '0');
}

const char *kTimeFormat = "yyyyMMddHHmmss";

}

KrTerminalSim::KrTerminalSim(QObject *parent)
    : TerminalSim(parent)
{
}

QStringList KrTerminalSim::generateRecords(int count, int machineNumber)
{
    QStringList out;
    out.reserve(count);
    const QDateTime first(QDate(2024, 1, 8), QTime(8, 0, 15));
    for (int i = 0; i < count; ++i) {
        const qint64 tag = 0x0004A1B2C3LL + qint64(i) * 0x1F3;
        const QDateTime at = first.addSecs(qint64(i) * 47);
        out << QStringLiteral("%1,%2,%3,%4")
                   .arg(machineNumber)
                   .arg(QString::number(tag, 16).toUpper().rightJustified(10, QLatin1Char('0')))
                   .arg(at.toString(QStringLiteral("yyyy/MM/dd")), at.toString(QStringLiteral("HH:mm:ss")));
    }
    return out;
}

bool KrTerminalSim::readRecordsFile(const QString &path, QStringList *records, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    records->clear();
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            records->append(QString::fromLatin1(line));
    }
    return true;
}

void KrTerminalSim::setClock(const QDateTime &now)
{
    m_clockOffsetMs = QDateTime::currentDateTime().msecsTo(now);
}

QDateTime KrTerminalSim::clock() const
{
    return QDateTime::currentDateTime().addMSecs(m_clockOffsetMs);
}

void KrTerminalSim::handleBytes(const QByteArray &bytes)
{
    m_received += bytes;
    for (char byte : bytes) {
        if (hasVanished())
            return;
        feed(byte);
    }
}

void KrTerminalSim::feed(char byte)
{
    // Inside a frame from the host every byte is data or the check byte.
    const bool framing = m_state == State::HostFrame && m_inFrame;
    if (!framing) {
        if (byte == kAck)
            ++m_acks;
        else if (byte == kNak)
            ++m_naks;
    }
    if (byte == kEnq && !(framing && m_frameNeedsBcc)) {
        // A new enquiry ends whatever exchange was going on.
        m_state = State::Enquiry;
        m_enquiry.clear();
        m_inFrame = false;
        return;
    }
    switch (m_state) {
    case State::Idle:
        break;
    case State::Enquiry: {
        m_enquiry += byte;
        const int baud = lineBaudRate();
        if (baud == kBaseBaud ? m_enquiry.size() == 5 : m_enquiry.size() == 3)
            onEnquiry();
        break;
    }
    case State::ReplySent:
        if (byte == kAck) {
            if (m_noEotReplies > 0) {
                --m_noEotReplies;
                send(QByteArray(1, kNak));
            } else {
                send(QByteArray(1, kEot));
            }
            m_state = State::Idle;
        } else if (byte == kNak) {
            sendFrame(m_lastFrame);
        }
        break;
    case State::HostFrame:
        if (!m_inFrame) {
            if (byte == kStx) {
                m_inFrame = true;
                m_frameNeedsBcc = false;
                m_frameData.clear();
            } else if (byte == kEot) {
                m_state = State::Idle; // end of a tag upload, or the host gave up
            }
        } else if (m_frameNeedsBcc) {
            m_inFrame = false;
            onHostFrame(m_frameData, checkByte(m_frameData) == byte);
        } else if (byte == kEtx) {
            m_frameNeedsBcc = true;
        } else {
            m_frameData += byte;
        }
        break;
    case State::HostEot:
        if (byte == kEot)
            m_state = State::Idle;
        break;
    case State::Sending:
        onSendingReply(byte);
        break;
    }
}

void KrTerminalSim::onEnquiry()
{
    m_state = State::Idle;
    const int baud = lineBaudRate();
    if (baud == kBaseBaud) {
        if (m_enquiry.startsWith("B00") && m_enquiry.endsWith(kCr))
            onBaseStationCommand(m_enquiry[3]);
    } else if (baud == kTerminalBaud) {
        if (m_enquiry.left(2) == hexId(m_id))
            onTerminalCommand(m_enquiry[2]);
    }
}

void KrTerminalSim::onBaseStationCommand(char letter)
{
    // The base station answers with one frame and expects nothing back.
    if (letter == 'V')
        sendFrame(m_baseVersion);
    else if (letter == 'N')
        sendFrame(m_baseInformation);
}

void KrTerminalSim::acknowledge(bool ok)
{
    send(QByteArray(1, ok ? kAck : kNak));
}

void KrTerminalSim::onTerminalCommand(char letter)
{
    if (vanishesOn(letter))
        return;
    // Any enquiry wakes a terminal resting in its base.
    m_poweredDown = false;
    const bool refuse = m_refuse || m_refusedLetters.contains(letter);
    switch (letter) {
    case 'T':
        reply(clock().toString(QLatin1String(kTimeFormat)).toLatin1());
        break;
    case 'V':
        reply(m_version);
        break;
    case 'Q':
        reply(hexId(m_id));
        break;
    case 'A':
        reply(m_countReply.isEmpty() ? QByteArray::number(m_records.size()) : m_countReply);
        break;
    case 'B':
        reply(m_voltage);
        break;
    case 'S':
    case 'P':
    case 'W':
    case 'K':
        acknowledge(!refuse);
        if (!refuse) {
            m_letter = letter;
            m_state = State::HostFrame;
            m_inFrame = false;
        }
        break;
    case 'D':
        acknowledge(!refuse);
        if (!refuse) {
            if (!m_records.isEmpty())
                m_cleared = m_records;
            m_records.clear();
            m_state = State::HostEot;
        }
        break;
    case 'M':
        acknowledge(!refuse);
        if (!refuse) {
            m_records = m_cleared + m_records;
            m_cleared.clear();
            m_state = State::HostEot;
        }
        break;
    case 'Z':
        ++m_testsRun;
        break;
    case 'O':
        acknowledge(!refuse);
        if (!refuse)
            m_poweredDown = true;
        break;
    case 'I':
    case 'J':
        if (m_eotInsteadOfData) {
            send(QByteArray(1, kEot));
            break;
        }
        m_items.clear();
        m_sendingRecords = letter == 'I';
        if (m_sendingRecords) {
            for (const QString &r : std::as_const(m_records))
                m_items << r.toLatin1();
        } else {
            m_items = m_tags;
        }
        m_next = 0;
        m_downloadAcked = 0;
        m_state = State::Sending;
        sendNextItem();
        break;
    default:
        break;
    }
}

void KrTerminalSim::onHostFrame(const QByteArray &data, bool goodBcc)
{
    if (!goodBcc || (m_nakHostFrames > 0 && m_letter != 'K')) {
        if (goodBcc)
            --m_nakHostFrames;
        acknowledge(false);
        m_state = State::Idle;
        return;
    }
    switch (m_letter) {
    case 'S': {
        const QDateTime at = data.size() == 14
            ? QDateTime::fromString(QString::fromLatin1(data), QLatin1String(kTimeFormat))
            : QDateTime();
        acknowledge(at.isValid());
        if (at.isValid())
            setClock(at);
        m_state = at.isValid() ? State::HostEot : State::Idle;
        break;
    }
    case 'P': {
        bool ok = false;
        const int id = data.toInt(&ok, 16);
        ok = ok && data.size() == 2;
        acknowledge(ok);
        if (ok)
            m_id = id;
        m_state = ok ? State::HostEot : State::Idle;
        break;
    }
    case 'W':
        m_buzzer = data;
        acknowledge(true);
        m_state = State::HostEot;
        break;
    case 'K':
        // Another entry may follow; EOT ends the list.
        m_tags << data;
        acknowledge(true);
        break;
    default:
        m_state = State::Idle;
        break;
    }
}

void KrTerminalSim::onSendingReply(char byte)
{
    constexpr auto kRecordMoment = std::chrono::milliseconds(5);
    if (m_sendingRecords && (byte == kAck || byte == kNak)
        && std::chrono::steady_clock::now() - lastSentAt() < kRecordMoment)
        ++m_hastyReplies;
    if (byte == kNak) {
        sendFrame(m_lastFrame);
        return;
    }
    if (byte != kAck)
        return;
    ++m_next;
    if (m_sendingRecords) {
        ++m_recordsAcked;
        ++m_downloadAcked;
        if (m_vanishAfter >= 0 && m_downloadAcked >= m_vanishAfter) {
            m_state = State::Idle;
            // Not from inside the read notification that brought the ACK.
            QTimer::singleShot(0, this, [this] { vanish(); });
            return;
        }
    }
    sendNextItem();
}

void KrTerminalSim::sendNextItem()
{
    if (m_next < m_items.size()) {
        m_lastFrame = m_items[m_next];
        sendFrame(m_lastFrame);
    } else {
        send(QByteArray(1, kEot));
        m_state = State::Idle;
    }
}

void KrTerminalSim::reply(const QByteArray &data)
{
    if (m_eotInsteadOfData) {
        send(QByteArray(1, kEot));
        m_state = State::Idle;
        return;
    }
    m_lastFrame = data;
    m_state = State::ReplySent;
    sendFrame(data);
}

void KrTerminalSim::sendFrame(const QByteArray &data)
{
    ++m_framesSent;
    char bcc = checkByte(data);
    if (m_badBccFrames > 0) {
        --m_badBccFrames;
        bcc = char(bcc ^ 0x5A);
    }
    QByteArray frame;
    if (m_strayReplies > 0) {
        --m_strayReplies;
        frame += QByteArray("\x00\xFF", 2);
    }
    if (m_cutShortFrames > 0) {
        --m_cutShortFrames;
        frame += kStx;
        frame += data.left(data.size() / 2);
        send(frame);
        return;
    }
    if (m_eotInsideFrames > 0 && !data.isEmpty()) {
        --m_eotInsideFrames;
        QByteArray spoiled = data;
        const qsizetype at = spoiled.size() / 2;
        spoiled[at] = kEot;
        frame += kStx;
        frame += spoiled.left(at + 1);
        send(frame);
        // The rest follows a little later, as a noisy line might deliver it.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        QByteArray rest = spoiled.mid(at + 1);
        rest += kEtx;
        rest += bcc;
        send(rest);
        return;
    }
    frame += kStx;
    frame += data;
    frame += kEtx;
    frame += bcc;
    send(frame);
}
