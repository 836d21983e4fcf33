#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include <memory>

class SerialTransport;

// The link to a VX-family terminal through its download cradle. One command
// packet (STX, command letter, data, CR) goes out, one reply (STX, status
// character, data, CR) comes back; the status character tells cradle errors
// from terminal errors. Every operation leaves its result in ErrCode and the
// reply's data in the text GetData returns; nothing is ever thrown.
//
// The port opens on the first exchange and stays open, so a logon and the
// commands after it run on one open port.
class ucVX700 : public QObject
{
    Q_OBJECT
public:
    // Result codes; ErrMessage gives their names, which the windows show.
    enum : qint32 {
        VX_SUCCESS = 0,
        VX_ERR_TIMEOUT = -1,
        VX_ERR_LENGTH_NOT_ALLOWED = -2,
        VX_ERR_CRADLE_PACKET_TOO_LONG = -3,
        VX_ERR_CRADLE_PACKET_EMPTY = -4,
        VX_ERR_CRADLE_CMD_CODE_OUT_OF_RANGE = -5,
        VX_ERR_CRADLE_ROUTE_CMD_TO_TERMINAL = -6,
        VX_ERR_CRADLE_TIMEOUT_OF_WAITING_TERMINAL = -7,
        VX_ERR_CRADLE_TIMEOUT_OF_ROUTING_REPLAY_PACKET = -8,
        VX_ERR_CRADLE_CHECKSUM = -9,
        VX_ERR_CRADLE_INVALID_CMD_DATA = -10,
        VX_ERR_TERMINAL_CHECKSUM = -11,
        VX_ERR_TERMINAL_ACCESS_DENIED = -12,
        VX_ERR_TERMINAL_INVALID_CMD_DATA = -13,
        VX_ERR_TERMINAL_CMD_EXE_FAILED = -14,
        VX_ERR_TERMINAL_DATA_EMPTY = -15,
        VX_ERR_INVALID_COMPORT = -16,
        // The terminal answered success, but its data could not be read as
        // what was asked for (a clock reply that is no date and time). The raw
        // reply data stays in GetData.
        VX_ERR_INVALID_REPLY_DATA = -17,
        // Another program (or link) holds the port.
        VX_ERR_PORT_IN_USE = -18,
        VX_ERR_UNKNOWN = -99,
    };

    static constexpr int kBaudRate = 19200;
    static constexpr int kDefaultTimeout = 3000;
    // One poll of the reply: a 100 ms wait and a 10 ms pause.
    static constexpr int kPollMs = 110;

    // Uses a QtSerialTransport of its own.
    explicit ucVX700(QObject *parent = nullptr);
    // Uses the given transport (a bench may bring another kind of port).
    explicit ucVX700(std::unique_ptr<SerialTransport> transport, QObject *parent = nullptr);
    ~ucVX700() override;

    qint16 Comport() const { return m_comport; }
    // Closes the port if it is open; the next exchange opens the new number.
    void setComport(qint16 i_iComport);
    qint32 Timeout() const { return m_timeout; }
    // Values of 0 or less are ignored.
    void setTimeout(qint32 i_lTimeout);
    qint32 ErrCode() const { return m_errCode; }
    void setErrCode(qint32 i_lErrCode) { m_errCode = i_lErrCode; }

    // The data of the last reply; reading it empties it.
    QString GetData();
    static QString ErrMessage(qint32 i_lErrCode);
    void Disconnect();
    bool isPortOpen() const;

    // One exchange; the result is left in ErrCode and GetData. With
    // `i_blnEmptyIsNa` an empty reply reads "N/A".
    void Transact(QChar i_sCmd, const QString &i_sData = QString(), bool i_blnEmptyIsNa = false);
    // The exchange of the connection test: any failure becomes
    // VX_ERR_INVALID_COMPORT and announces deviceDisconnected().
    void ProbeTransact(QChar i_sCmd, const QString &i_sData = QString());
    // Waits `ms` milliseconds while the user interface processes its events.
    static void WaitMs(int ms);

    // Polling rounds of a reply wait: Timeout/100, halves rounded to even.
    static int timeoutRounds(qint32 timeoutMs);
    // How long a reply may take before VX_ERR_TIMEOUT: rounds + 1 polls.
    static int replyBudgetMs(qint32 timeoutMs);

    // Cradle commands.
    void CRADLE_GetStatus();
    void CRADLE_SetStatus(const QString &i_sStatus);
    // Terminal commands.
    void VX700_Logon(const QString &i_sPassword);
    void VX700_SetPassword(const QString &i_sPassword);
    void VX700_Logoff();
    // A count that does not start with a digit gives VX_ERR_INVALID_REPLY_DATA.
    void VX700_RecordCount();
    void VX700_EraseAllRecord();
    void VX700_GetOneRecord();
    void VX700_Commit();
    void VX700_RollBack();
    void VX700_SetTime(const QDateTime &i_dtTime);
    // On success GetData holds the terminal's clock in the system's date and
    // time format; a reply that is no valid moment gives
    // VX_ERR_INVALID_REPLY_DATA with the raw reply kept.
    void VX700_GetTime();
    // The terminal's clock as the last successful VX700_GetTime read it.
    QDateTime TerminalTime() const { return m_terminalTime; }
    void VX700_SetID(const QString &i_sID);
    // `i_blnEmptyIsNa`: a terminal without a machine ID answers "N/A" rather
    // than nothing (the maintenance commands show it).
    void VX700_GetID(bool i_blnEmptyIsNa = false);
    void VX700_ConnectionTest();
    void VX700_GetVersion();
    void VX700_GetBatteryVoltage();
    void VX700_GetBatteryTemperature();

    // The display text of a charger status letter; empty for any other letter.
    static QString chargerStatusText(const QString &letter);
    // A value in the pattern "##.##": at most two decimals, no leading zero,
    // no trailing zeros, the decimal point always written (4.2, 4., 17.01).
    static QString formatTwoDecimals(double value);
    // The terminal's "yyyymmddhhnnss"; invalid when it is no moment.
    static QDateTime parseTerminalTime(const QString &text);
    // A moment written in the system's date and time format, with seconds.
    static QString systemDateTimeText(const QDateTime &moment);

Q_SIGNALS:
    // The connection test failed: the windows withdraw their terminal commands.
    void deviceDisconnected();

private:
    enum class Receive { Complete, TimedOut, Failed };

    bool beginExchange(QChar cmd, const QString &data);
    Receive receiveReply(QString &reply);
    void reportSerialFailure();
    static qint32 statusCode(QChar status);

    std::unique_ptr<SerialTransport> m_transport;
    qint16 m_comport = 1;
    qint32 m_timeout = kDefaultTimeout;
    qint32 m_errCode = VX_SUCCESS;
    QString m_replyText;
    QDateTime m_terminalTime;
};
