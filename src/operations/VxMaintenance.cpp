#include "VxMaintenance.h"

#include "CRes.h"
#include "ComPorts.h"
#include "LinkBusy.h"
#include "MessageReporter.h"
#include "OperationLog.h"
#include "Settings.h"
#include "ucVX700.h"

namespace {

constexpr int kAccessDeniedHint = 230;
constexpr const char *kChargerLetters = "NIDCFOA";

}

QString VxMaintenance::chargerStatusText(const QString &letter)
{
    const QString english = ucVX700::chargerStatusText(letter);
    const qsizetype index = letter.size() == 1 ? QByteArray(kChargerLetters).indexOf(letter.at(0).toLatin1()) : -1;
    if (english.isEmpty() || index < 0)
        return english;
    // The letter leads, as Set Charger Status sends it; the words are the
    // language's, texts 63 to 69 in the order of kChargerLetters.
    return letter + QStringLiteral(" - ") + CRes::instance().ResString(63 + int(index), english.mid(4));
}

bool VxMaintenance::isMachineIdText(const QString &text)
{
    for (const QChar c : text) {
        if (!(c.isDigit() && c.unicode() < 128) && !((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')))
            return false;
    }
    return true;
}

VxMaintenance::Outcome VxMaintenance::run(int command, const Input &input, const QDateTime &now)
{
    Outcome outcome;
    if (command == DownloadData || command < 0 || command >= kCommandCount)
        return outcome;
    const LinkBusy::Scope busy;
    m_vx.setComport(ComPortNumber(input.port));
    m_vx.setTimeout(kTimeoutMs);
    // An ID the field cannot hold (the "N/A" that Get Mac ID shows for a
    // terminal without one) is refused like an empty one.
    if (command == SetMachineId && (input.newId.isEmpty() || !isMachineIdText(input.newId))) {
        MessageReporter::instance().message(CRes::instance().ResString(70, QStringLiteral("Invalid ID")),
                                            MessageReporter::Icon::None);
        return outcome;
    }

    switch (command) {
    case Logon:
        m_vx.VX700_Logon(input.password);
        break;
    case Logoff:
        m_vx.VX700_Logoff();
        break;
    case SetPassword:
        m_vx.VX700_SetPassword(input.password);
        break;
    case SetTime:
        // The attempt is logged before anything is sent.
        WriteLog(QStringLiteral("VT"), QStringLiteral("Set Time"));
        m_vx.VX700_SetTime(input.setMoment);
        break;
    case GetTime:
        m_vx.VX700_GetTime();
        break;
    case SyncToPc:
        WriteLog(QStringLiteral("VT"), QStringLiteral("Set Time"));
        m_vx.VX700_SetTime(now);
        break;
    case SetMachineId:
        m_vx.VX700_SetID(input.newId);
        break;
    case GetMachineId:
        // A terminal without a machine ID shows "N/A" rather than nothing.
        m_vx.VX700_GetID(true);
        break;
    case GetVersion:
        m_vx.VX700_GetVersion();
        break;
    case GetBatteryVoltage:
        m_vx.VX700_GetBatteryVoltage();
        break;
    case GetBatteryTemperature:
        m_vx.VX700_GetBatteryTemperature();
        break;
    case ClearData:
        WriteLog(QStringLiteral("VC"), QStringLiteral("Clear Data"));
        m_vx.VX700_EraseAllRecord();
        break;
    case RecordCount:
        m_vx.VX700_RecordCount();
        break;
    case GetChargerStatus:
        m_vx.CRADLE_GetStatus();
        break;
    case SetChargerStatus:
        m_vx.CRADLE_SetStatus(input.chargerStatus.left(1));
        break;
    }

    const qint32 code = m_vx.ErrCode();
    if (code != ucVX700::VX_SUCCESS) {
        QString msg = QStringLiteral("Errcode: %1, ErrMsg: %2").arg(code).arg(ucVX700::ErrMessage(code));
        if (code == ucVX700::VX_ERR_TERMINAL_ACCESS_DENIED)
            msg += QStringLiteral("\r\n\r\n") + CRes::instance().ResString(kAccessDeniedHint);
        outcome.message = msg;
        return outcome;
    }
    outcome.succeeded = true;
    if (command == Logon || command == SetPassword)
        SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Password"), input.password);
    if (command == Logon)
        outcome.logged = Logged::On;
    else if (command == Logoff)
        outcome.logged = Logged::Off;
    const QString data = m_vx.GetData();
    outcome.message = data.isEmpty() ? QStringLiteral("OK") : data;
    if (command == GetChargerStatus && !data.isEmpty())
        outcome.message = chargerStatusText(data.left(1));
    // A bare value says what it is by the command's caption (the machine ID
    // and the charger status go into fields and show as they are).
    const int caption = command == GetTime ? 149
        : command == GetVersion            ? 153
        : command == GetBatteryVoltage     ? 227
        : command == GetBatteryTemperature ? 228
        : command == RecordCount           ? 150
                                           : 0;
    if (caption && !data.isEmpty())
        outcome.shown = CRes::instance().ResString(caption).remove(QLatin1Char('&')) + QStringLiteral(": ") + data;
    return outcome;
}
