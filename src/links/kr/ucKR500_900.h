#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

class CancelToken;

class SerialTransport;

// The link to a KR500A/550/900 terminal (directly or through a DK900 download
// base) and to a DS900 base station. Every operation runs on the caller's
// thread and keeps the user interface alive while it waits; none throws: each
// leaves its outcome in ErrCode (0 on success, ErrMessage names it) and writes
// its outputs only on success. The port opens lazily at the first command and
// stays open between commands.
class ucKR500_900 : public QObject
{
    Q_OBJECT
    Q_PROPERTY(qint16 CommPort READ CommPort WRITE setCommPort)
    Q_PROPERTY(qint32 Timeout READ Timeout WRITE setTimeout)
    Q_PROPERTY(qint32 ErrCode READ ErrCode WRITE setErrCode)
public:
    enum : qint32 {
        KR_SUCCESS = 0,
        KR_ERR_NO_DATA = 1, // EOT instead of a data frame: nothing (more) to send
        KR_ERR_TIMEOUT = -1,
        KR_ERR_PORT_NOT_OPEN = -2,
        KR_ERR_ACK_NOT_GET = -3,
        KR_ERR_INVALID_BCC = -4,
        KR_ERR_EOT_NOT_GET = -5,
        KR_ERR_PORT_MISSING = -6, // the port does not exist or its device vanished
        KR_ERR_PORT_IN_USE = -7,  // another program (or link) holds the port
        KR_ERR_FAILURE = -99,     // any other unexpected failure
    };

    // Uses a QtSerialTransport of its own.
    explicit ucKR500_900(QObject *parent = nullptr);
    // Uses the given transport (a bench may bring another kind of port).
    explicit ucKR500_900(std::unique_ptr<SerialTransport> transport, QObject *parent = nullptr);
    ~ucKR500_900() override;

    qint16 CommPort() const { return m_commPort; }
    // Closes the port if it is open; the next command opens the new one.
    void setCommPort(qint16 port);
    qint32 Timeout() const { return m_timeout; }
    void setTimeout(qint32 milliseconds) { m_timeout = milliseconds; }
    qint32 ErrCode() const { return m_errCode; }
    void setErrCode(qint32 code) { m_errCode = code; }

    // The name of `code`; 0 means the current ErrCode.
    QString ErrMessage(qint32 code = 0) const;
    void Disconnect();
    // Whether the port is open now (it opens at the next command when not).
    bool isPortOpen() const;

    void SetBuzzervibration(qint16 i_iID, const QString &i_s);
    void GetVoltage(qint16 i_iID, QString &o_sVoltage);
    void SetTime(qint16 i_iID, const QDateTime &i_dt);
    void GetTime(qint16 i_iID, QDateTime &o_dt);
    // A count read once `cancel` (the download's) is set is neither
    // acknowledged nor stored. A count that starts with no digit gives
    // KR_ERR_INVALID_BCC.
    void GetRecordCount(qint16 i_iID, qint16 &o_iRecordCount, const CancelToken *cancel = nullptr);
    void SetID(qint16 i_iID, qint16 i_iNewID);
    void GetID(qint16 i_iID, qint16 &o_iID);
    void getVersion(qint16 i_iID, QString &o_sVersion);
    void ClearData(qint16 i_iID);
    void RecoverData(qint16 i_iID);
    void InvokeTest(qint16 i_iID);
    void PowerDown(qint16 i_iID);
    void BeginDownload(qint16 i_iID);
    // One record after BeginDownload; ErrCode 1 when no record is left.
    void GetRecord(QString &o_sData);
    void GetTagCount(qint16 i_iID, qint16 &o_iTagCount);
    void BeginTagUpload(qint16 i_iID);
    void SendTagCode(qint16 i_iIndex, const QString &i_sCode);
    void EndTagUpload();
    void BeginTagDownload(qint16 i_iID);
    void GetTagCode(QString &o_sData);
    void DS900_GetVersion(QString &o_sVersion);
    void DS900_GetInformation(QString &o_sInformation);

    static constexpr int kTerminalBaud = 19200;
    static constexpr int kBaseStationBaud = 9600;

private:
    // How a command reports a port that cannot be opened: the maintenance
    // commands silently, the commands without a caller in the program with a
    // message box as well.
    enum class OnMissingPort { Silent, Report };

    bool openPort(OnMissingPort onMissing);
    bool portOpen();
    // False, with ErrCode -6 after the device vanished and -2 otherwise, when the port is closed.
    bool requireOpenPort();
    void closePort();
    bool writeBytes(const QByteArray &bytes);
    void unexpectedFailure(const QString &description, int number);

    bool SendCommand(qint16 id, char letter, OnMissingPort onMissing = OnMissingPort::Silent);
    void SendDataFrame(const QByteArray &data);
    void WaitAck();
    void WaitEot();
    void waitControlByte(char expected, qint32 mismatchCode);
    void ReadFrame(QByteArray &data);
    void SendAck();
    void SendNak();
    void SendEot();
    void sendControlByte(char byte);
    // Waits until `milliseconds` after the terminal was last heard from.
    void PauseAfterHeard(int milliseconds);

    void writeExchange(qint16 id, char letter, const QByteArray &data, OnMissingPort onMissing);
    bool readExchange(qint16 id, char letter, QByteArray &data, OnMissingPort onMissing);
    bool storeNumber(const QByteArray &data, qint16 &out);
    void baseStationExchange(char letter, QString &out);

    std::unique_ptr<SerialTransport> m_transport;
    qint16 m_commPort = 1;
    qint32 m_timeout = 3000;
    qint32 m_errCode = 0;
    // The link opened the port and has not closed it: when the transport
    // reports it closed all the same, the device went away.
    bool m_expectOpen = false;
    bool m_vanished = false;
    // When the last bytes of a frame came in (or a wait for them gave up).
    std::chrono::steady_clock::time_point m_heardAt {};
};
