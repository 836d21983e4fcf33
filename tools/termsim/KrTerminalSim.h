#pragma once

#include "TerminalSim.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QStringList>

// A KR-family patrol terminal (with the DS900 base station on the same line),
// byte for byte as it behaves on the wire:
//   host:     ENQ id(2 hex digits) letter            at 19200 baud
//             ENQ "B00" letter CR                     at 9600 baud (base station)
//   frames:   STX data ETX BCC, BCC = XOR of the data bytes
//   control:  ACK 0x06, NAK 0x15, EOT 0x04
// Reading commands (T clock, V version, Q ID, A record count, B voltage) get a
// frame, then EOT after the host's ACK; a NAK repeats the frame. Writing
// commands (S clock, P ID, W buzzer) get ACK, then a frame from the host, ACK,
// and the host's EOT. D clears, M recovers (ACK, EOT), Z runs the self-test
// (no answer), O powers down (ACK). I sends the first record, every ACK the
// next one and EOT when none is left; a NAK repeats the record. K takes tag
// entries (ACK each) until EOT, J sends them back like records. The terminal
// answers only enquiries with its own ID and only at 19200 baud; the base
// station answers V and N with one frame and only at 9600 baud.
//
// Faults on request: silence, bad check bytes, EOT instead of data, stray
// bytes before a reply, frames cut short, EOT inside a frame, NAK instead of
// ACK, any text as the record count, and vanishing in the middle of a download.
class KrTerminalSim : public TerminalSim
{
    Q_OBJECT
public:
    explicit KrTerminalSim(QObject *parent = nullptr);

    // "1,0004A1B2C3,2024/01/08,08:00:15"-like records: machine number, tag
    // code, date, time, a little apart from each other.
    static QStringList generateRecords(int count, int machineNumber = 1);
    // One record a line; empty lines are skipped.
    static bool readRecordsFile(const QString &path, QStringList *records, QString *error);

    void setId(int id) { m_id = id; }
    int id() const { return m_id; }
    void setRecords(const QStringList &records) { m_records = records; }
    QStringList records() const { return m_records; }
    QStringList clearedRecords() const { return m_cleared; }
    void setVersion(const QByteArray &version) { m_version = version; }
    void setVoltage(const QByteArray &voltage) { m_voltage = voltage; }
    void setClock(const QDateTime &now);
    QDateTime clock() const;
    void setBaseVersion(const QByteArray &version) { m_baseVersion = version; }
    void setBaseInformation(const QByteArray &information) { m_baseInformation = information; }
    QList<QByteArray> tagEntries() const { return m_tags; }
    void setTagEntries(const QList<QByteArray> &entries) { m_tags = entries; }
    QByteArray buzzer() const { return m_buzzer; }
    int testsRun() const { return m_testsRun; }
    bool isPoweredDown() const { return m_poweredDown; }

    // The next `frames` frames sent carry a wrong check byte.
    void setBadBccFrames(int frames) { m_badBccFrames = frames; }
    // Reading commands and downloads get EOT at once.
    void setEotInsteadOfData(bool on) { m_eotInsteadOfData = on; }
    // The next `replies` frames are preceded by two stray bytes.
    void setStrayBytes(int replies) { m_strayReplies = replies; }
    // The next `frames` frames stop after half their data.
    void setCutShortFrames(int frames) { m_cutShortFrames = frames; }
    // The next `frames` frames carry an EOT in place of a data byte (the check
    // byte still that of the true data) and come in two pieces.
    void setEotInsideFrames(int frames) { m_eotInsideFrames = frames; }
    // Commands that want an ACK get NAK.
    void setRefuseCommands(bool on) { m_refuse = on; }
    // Only the commands with these letters get NAK (a terminal that will not clear: "D").
    void setRefusedLetters(const QByteArray &letters) { m_refusedLetters = letters; }
    // The next `frames` data frames from the host (set time, ID, buzzer) get NAK.
    void setNakHostFrames(int frames) { m_nakHostFrames = frames; }
    // The next `replies` acknowledged reply frames are followed by a NAK
    // instead of the closing EOT.
    void setNoEotAfterReply(int replies) { m_noEotReplies = replies; }
    // Replies to A with this text instead of the number of records.
    void setCountReply(const QByteArray &text) { m_countReply = text; }
    // After this many records have been acknowledged in a download the
    // device vanishes (negative: never).
    void setVanishAfterRecords(int records) { m_vanishAfter = records; }

    // Everything the host sent, and the control bytes among it.
    QByteArray received() const { return m_received; }
    void clearReceived() { m_received.clear(); m_acks = m_naks = 0; }
    int acksReceived() const { return m_acks; }
    // ACKs and NAKs of records that came sooner than the terminal can take
    // them: within 5 ms of the record's last byte.
    int hastyRecordReplies() const { return m_hastyReplies; }
    int naksReceived() const { return m_naks; }
    // Frames sent (including repeats) and records acknowledged by the host.
    int framesSent() const { return m_framesSent; }
    int recordsAcknowledged() const { return m_recordsAcked; }

protected:
    void handleBytes(const QByteArray &bytes) override;

private:
    enum class State {
        Idle,
        Enquiry,      // after ENQ: collecting the ID and letter (or B00, letter, CR)
        ReplySent,    // a reply frame went out: ACK ends with EOT, NAK repeats
        HostFrame,    // expecting a frame from the host (S, P, W, K)
        HostEot,      // expecting the host's closing EOT
        Sending,      // download of records (I) or tag entries (J)
    };

    void feed(char byte);
    void onEnquiry();
    void onTerminalCommand(char letter);
    void onBaseStationCommand(char letter);
    void onHostFrame(const QByteArray &data, bool goodBcc);
    void onHostByteOutsideFrame(char byte);
    void onSendingReply(char byte);
    void reply(const QByteArray &data);
    void sendFrame(const QByteArray &data);
    void sendNextItem();
    void acknowledge(bool ok);

    int m_id = 0;
    QStringList m_records;
    QStringList m_cleared;
    QByteArray m_version = "KR900 V2.31";
    QByteArray m_voltage = "3.62";
    QByteArray m_baseVersion = "DS900 V1.05";
    QByteArray m_baseInformation = "DS900,SN 0093217,ID 00";
    qint64 m_clockOffsetMs = 0;
    QList<QByteArray> m_tags;
    QByteArray m_buzzer;
    int m_testsRun = 0;
    bool m_poweredDown = false;

    int m_badBccFrames = 0;
    bool m_eotInsteadOfData = false;
    int m_strayReplies = 0;
    int m_cutShortFrames = 0;
    int m_eotInsideFrames = 0;
    bool m_refuse = false;
    QByteArray m_refusedLetters;
    int m_nakHostFrames = 0;
    int m_noEotReplies = 0;
    QByteArray m_countReply;
    int m_vanishAfter = -1;

    State m_state = State::Idle;
    QByteArray m_enquiry;
    char m_letter = 0;
    QByteArray m_lastFrame;
    // Host frame being collected.
    bool m_inFrame = false;
    bool m_frameNeedsBcc = false;
    QByteArray m_frameData;
    // Download in progress: records (I) or tag entries (J).
    QList<QByteArray> m_items;
    qsizetype m_next = 0;
    bool m_sendingRecords = false;

    QByteArray m_received;
    int m_acks = 0;
    int m_naks = 0;
    int m_framesSent = 0;
    int m_recordsAcked = 0;
    int m_downloadAcked = 0;
    int m_hastyReplies = 0;
};
