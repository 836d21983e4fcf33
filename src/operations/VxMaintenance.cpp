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
        MessageReporter::instance().message(QStringLiteral("Invalid ID"), MessageReporter::Icon::None);
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
    return outcome;
}
