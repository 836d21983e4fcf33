#pragma once

#include "TerminalSim.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// A VX download cradle with a terminal in it, on the device side of a
// pseudo-terminal. Requests are STX, a command letter, data, CR; replies are
// STX, a status character, data, CR. The cradle answers its own commands
// (charger status "1" and "2") with status "0" even when no terminal sits in
// it and routes the others to the terminal, which answers "A" on success. It
// answers only at 19200 baud.
//
// The terminal keeps a password, a logon state, its records with a read
// pointer, a clock, a machine ID, a version text and raw battery readings.
// Commands that change the terminal or read its records answer "D" until a
// logon with the right password.
//
// Faults for tests: error statuses, no answer, a reply without its CR, a
// 2-character reply, stray bytes after the CR, a late reply, and a cradle that
// vanishes in the middle of a download.
class VxCradleSim : public TerminalSim
{
    Q_OBJECT
public:
    struct Record
    {
        QDateTime when;
        QString code; // 10 characters
    };

    enum class Fault {
        None,
        NoAnswer,     // the request is swallowed
        NoCr,         // the reply without its CR
        ShortReply,   // only the status character and the CR
        StrayAfterCr, // the reply followed by two stray bytes in the same write
    };

    static constexpr const char *kDefaultPassword = "7391";

    explicit VxCradleSim(QObject *parent = nullptr);

    // `count` records a minute apart from 2024-01-01 08:00:00, codes 0000000001 upward.
    static QList<Record> sampleRecords(int count);
    // The record as the terminal sends it: "yyyymmddhhnnss" and the 10-character code.
    static QByteArray recordText(const Record &record);

    void setTerminalPresent(bool present) { m_terminalPresent = present; }
    void setPassword(const QString &password) { m_password = password; }
    QString password() const { return m_password; }
    void setLoggedOn(bool loggedOn) { m_loggedOn = loggedOn; }
    bool isLoggedOn() const { return m_loggedOn; }

    void setRecords(const QList<Record> &records);
    QList<Record> records() const { return m_records; }
    int readPosition() const { return m_readPosition; }

    // The terminal's clock runs from the moment it was set.
    void setClock(const QDateTime &moment);
    QDateTime clock() const;
    // A clock that answers this text instead of its time (a corrupted clock);
    // empty restores the real clock.
    void setClockReply(const QByteArray &text) { m_clockReply = text; }

    void setMachineId(const QString &id) { m_machineId = id; }
    QString machineId() const { return m_machineId; }
    void setVersion(const QString &version) { m_version = version; }
    // Raw 8-bit readings of the battery voltage and temperature sensors.
    void setBatteryRaw(int voltage, int temperature);
    void setChargerStatus(char letter) { m_chargerStatus = letter; }
    char chargerStatus() const { return m_chargerStatus; }

    // The next `count` replies suffer `fault`.
    void setFault(Fault fault, int count = 1);
    // The next `count` requests are answered with `status` and `data` and not executed.
    void setStatusOverride(char status, int count = 1, const QByteArray &data = QByteArray());
    // Requests with these command letters are answered "command failed" (F) and
    // not executed (a terminal that will not erase: "E").
    void setFailedCommands(const QByteArray &letters) { m_failedCommands = letters; }
    // Replies to N with this text instead of the number of records.
    void setCountReply(const QByteArray &text) { m_countReply = text; }
    // After `records` record reads, the next record request closes the line.
    void vanishAfterRecords(int records);
    // Every reply leaves this many milliseconds after its request.
    void setReplyDelay(int ms) { m_replyDelayMs = ms; }

    // Requests received, without STX and CR, oldest first.
    QList<QByteArray> requests() const { return m_requests; }
    QByteArray lastRequest() const { return m_requests.isEmpty() ? QByteArray() : m_requests.last(); }
    void clearRequests() { m_requests.clear(); }

protected:
    void handleBytes(const QByteArray &bytes) override;

private:
    void handlePacket(const QByteArray &packet);
    QByteArray cradleCommand(char command, const QByteArray &data);
    QByteArray terminalCommand(char command, const QByteArray &data);
    void reply(const QByteArray &statusAndData);

    QByteArray m_input;
    QByteArray m_failedCommands;
    QByteArray m_countReply;
    QList<QByteArray> m_requests;

    bool m_terminalPresent = true;
    QString m_password = QString::fromLatin1(kDefaultPassword);
    bool m_loggedOn = false;
    QList<Record> m_records;
    int m_readPosition = 0;
    qint64 m_clockOffsetMs = 0;
    QByteArray m_clockReply;
    QString m_machineId = QStringLiteral("0001");
    QString m_version = QStringLiteral("VX700A V2.10");
    int m_voltageRaw = 215;
    int m_temperatureRaw = 90;
    char m_chargerStatus = 'F';

    Fault m_fault = Fault::None;
    int m_faultCount = 0;
    char m_overrideStatus = 0;
    int m_overrideCount = 0;
    QByteArray m_overrideData;
    int m_vanishAfter = -1;
    int m_recordsServed = 0;
    int m_replyDelayMs = 0;
};
