#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

class ucVX700;

// The commands of the VX maintenance dialog on the program's VX link: each
// takes the dialog's fields and gives back the text of its result box ("OK",
// the reply, or "Errcode: <code>, ErrMsg: <name>"), or nothing when it ends
// without one; Logon and Logoff also say which state the dialog moves to.
class VxMaintenance
{
public:
    enum Command {
        Logon = 0,
        Logoff = 1,
        SetPassword = 2,
        SetTime = 3,
        GetTime = 4,
        SyncToPc = 5,
        SetMachineId = 6,
        GetMachineId = 7,
        GetVersion = 8,
        GetBatteryVoltage = 9,
        GetBatteryTemperature = 10,
        DownloadData = 11, // the dialog's own: log, then the download dialog
        ClearData = 12,
        RecordCount = 13,
        GetChargerStatus = 14,
        SetChargerStatus = 15,
    };
    static constexpr int kCommandCount = 16;
    static constexpr qint32 kTimeoutMs = 2000;

    struct Input
    {
        QString port;          // "COM3"
        QString password;      // txtPassword
        QDateTime setMoment;   // the pickers, for Set Time
        QString newId;         // txtNewID
        QString chargerStatus; // cboChargerStatus's text
    };

    enum class Logged { Unchanged, On, Off };

    struct Outcome
    {
        std::optional<QString> message;
        // What the result box shows when it is more than the message: a value
        // with the caption of the command that read it.
        QString shown;
        bool succeeded = false;
        Logged logged = Logged::Unchanged;
    };

    explicit VxMaintenance(ucVX700 &vx) : m_vx(vx) {}

    Outcome run(int command, const Input &input, const QDateTime &now = QDateTime::currentDateTime());

    // A charger status as the dialog lists it: the letter, " - " and its
    // words in the current language ("N - Not present" in English).
    static QString chargerStatusText(const QString &letter);

    // Whether a machine ID may hold `text`: letters and digits only.
    static bool isMachineIdText(const QString &text);

private:
    ucVX700 &m_vx;
};
