#pragma once

#include <QDateTime>
#include <QFile>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class CancelToken;
class ucKR500_900;
class ucVX700;
class VxPasswordPrompt;

// Takes every record out of the connected terminal into a new patrol-data file
// in Unapproved/, then runs the follow-up actions (clear, set the clock, power
// down). One flow per terminal family, over the program's link objects. It
// shows its messages through MessageReporter and its progress through signals,
// so the download dialog and the command line run the same logic.
//
// Nothing received is lost: every line is flushed as it is written, a line or
// a file that cannot be written stops the download before anything is erased,
// the file is synced to the disk before the terminal is cleared, and the
// follow-up actions run only after the terminal itself reported the end of its
// records. Every file it saved, whole or cut short, gets its row in the ledger.
class DownloadProcess : public QObject
{
    Q_OBJECT
public:
    enum class Outcome {
        Saved,        // every record read; follow-up actions done
        NoRecords,    // the terminal held none; no file
        Cancelled,    // stopped by the cancel token; the file keeps what arrived
        LinkFailure,  // the terminal or the port failed (errCode() tells)
        WriteFailure, // the file could not be created or written
        LogonFailed,  // VX: the terminal refused or the user cancelled the logon
        Failed,       // an unexpected failure, already shown; nothing was read
    };

    static constexpr int kKrFamily = 0;
    static constexpr int kVxFamily = 1;

    DownloadProcess(ucKR500_900 &kr, ucVX700 &vx, QObject *parent = nullptr);
    ~DownloadProcess() override;

    // True for downloads started automatically: every follow-up action runs
    // whatever the options say.
    bool IsAutoDownload = false;
    // The prompt VxLogon asks when the terminal refuses the stored password;
    // with none a refusal ends the download.
    VxPasswordPrompt *passwordPrompt = nullptr;
    // The moment that names the file and sets the terminal's clock (tests fix it).
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
    // The port to use instead of the Terminal/Comport setting (command line --port).
    QString portName;

    // Runs the flow of the family (0 KR, 1 VX) with the port and options of the
    // settings, stopping before the next exchange once `cancel` is set.
    Outcome run(int family, const CancelToken &cancel);

    // The file name (no folder) created by the last run; empty when none was.
    QString DownloadFile() const { return m_downloadFile; }
    int recordCount() const { return m_count; }
    int recordTotal() const { return m_total; }
    // The terminal was to be cleared but did not confirm it: it may still hold
    // the records just saved (already said to the user and in the log).
    bool terminalKeptRecords() const { return m_terminalKeptRecords; }
    // The run failed because another program holds the port (already said).
    bool portInUse() const;
    // The link's code and name after a LinkFailure.
    qint32 errCode() const { return m_errCode; }
    QString errName() const { return m_errName; }

    // "66.67%, (2/3)": the ratio in the pattern "0.##%" (the decimal point is
    // kept when no decimals follow: "100.%, (3/3)").
    static QString progressText(int count, int total);

Q_SIGNALS:
    // Before the first record: the bar gets the range 0..total at position 1.
    void progressStarted(int total);
    // After each record.
    void progressed(int count, int total, const QString &label);
    // A VX download stopped answering mid-way: the user has to log on again.
    void vxConnectionLost();
    // At the end of every run: the file (no folder) it created in
    // Unapproved/, empty when it created none.
    void downloadFinished(const QString &file);

private:
    Outcome runKr();
    Outcome runVx();
    qint16 portNumber() const;
    bool createFile();
    bool writeRecord(const QString &text);
    // Flushes and fsyncs the file and its folder before the terminal is erased.
    bool syncFile();
    enum class Erase { Skip, Go, Failed };
    // Closes the file after the last record; when the terminal is to be erased,
    // first makes sure every counted record arrived and the file is on the disk.
    Erase prepareErase(bool wanted);
    void closeFile();
    // Reads the terminal's clock just before it is set, for the ledger's
    // offset; a clock that cannot be read leaves the offset unknown.
    void readKrClock();
    void readVxClock();
    // Adds the saved file to the ledger; a failure there is told, the file stays.
    void recordInLedger();
    void recordArrived();
    // After a clear the terminal did not confirm: the user and the log hear of it.
    void clearNotConfirmed(const QString &logCommand, const QString &errName);
    Outcome linkFailure(qint32 code, const QString &name, bool report);

    ucKR500_900 &m_kr;
    ucVX700 &m_vx;
    QFile m_file;
    QString m_downloadFile;
    int m_count = 0;
    int m_written = 0;
    int m_total = 0;
    QString m_machineNo;
    std::optional<qint64> m_clockOffset;
    qint32 m_errCode = 0;
    QString m_errName;
    bool m_terminalKeptRecords = false;
    int m_family = kKrFamily;
    // The token of the run under way.
    const CancelToken *m_cancel = nullptr;
};
