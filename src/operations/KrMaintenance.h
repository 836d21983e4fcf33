#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

class ucKR500_900;

// The commands of the KR maintenance dialog on the program's KR link: each
// takes what the dialog's fields hold and gives back the text of its result
// box ("OK", a result, or "ErrCode: <code>, <name>"), or nothing when the
// command ends without a box.
class KrMaintenance
{
public:
    enum Command {
        SetTime = 0,
        GetTime = 1,
        RecordCount = 2,
        SetMachineId = 3,
        GetMachineId = 4,
        GetVersion = 5,
        ClearData = 6,
        RecoverData = 7,
        InvokeTest = 8,
        PowerDown = 9,
        DownloadData = 10, // the dialog's own: it opens the download dialog
        SyncToPc = 11,
    };
    static constexpr int kCommandCount = 12;
    static constexpr qint32 kTimeoutMs = 2000;

    struct Input
    {
        QString port;        // "COM3"
        QString machineId;   // txtID, decimal
        QDateTime setMoment; // the pickers' date and time, for Set Time
        QString hexId;       // uxIdHex, for Set Mach#
    };

    explicit KrMaintenance(ucKR500_900 &kr) : m_kr(kr) {}

    // Runs one command; SyncToPc sets the terminal to `now`.
    std::optional<QString> run(int command, const Input &input, const QDateTime &now = QDateTime::currentDateTime());

    // The upper-case hexadecimal of the number at the start of a decimal entry
    // ("255" gives "FF", no number gives "0").
    static QString hexOfDecimal(const QString &decimal);

private:
    ucKR500_900 &m_kr;
};
