#include "KrMaintenance.h"

#include "CRes.h"
#include "ComPorts.h"
#include "LinkBusy.h"
#include "MessageReporter.h"
#include "OperationLog.h"
#include "Settings.h"
#include "ucKR500_900.h"
#include "ucVX700.h"

#include <limits>

namespace {

constexpr int kMachineNumberText = 185;
constexpr int kClearQuestionText = 211;
constexpr int kNoNewMachineNumberText = 88;
constexpr int kGetTimeText = 149;
constexpr int kRecordCountText = 150;
constexpr int kGetVersionText = 153;
constexpr int kErrOverflow = 6;

// A machine number as the terminal takes it; nullopt (after the overflow box)
// when it does not fit.
std::optional<qint16> machineNumber(qint64 value)
{
    if (value < std::numeric_limits<qint16>::min() || value > 0xFFFF) {
        MessageReporter::instance().failure(CRes::instance().ResString(62, QStringLiteral("Overflow")), kErrOverflow);
        return std::nullopt;
    }
    return qint16(value);
}

}

QString KrMaintenance::hexOfDecimal(const QString &decimal)
{
    return QString::number(LeadingNumber(decimal), 16).toUpper();
}

std::optional<QString> KrMaintenance::run(int command, const Input &input, const QDateTime &now)
{
    if (command == DownloadData || command < 0 || command >= kCommandCount)
        return std::nullopt;
    if (command == ClearData) {
        if (!MessageReporter::instance().question(CRes::instance().ResString(kClearQuestionText)))
            return std::nullopt;
    }
    const LinkBusy::Scope busy;
    m_kr.setCommPort(ComPortNumber(input.port));
    const std::optional<qint16> id = machineNumber(LeadingNumber(input.machineId));
    if (!id)
        return std::nullopt;
    m_kr.setTimeout(kTimeoutMs);

    QString msg;
    switch (command) {
    case SetTime:
        m_kr.SetTime(*id, input.setMoment);
        break;
    case GetTime: {
        QDateTime moment;
        m_kr.GetTime(*id, moment);
        if (m_kr.ErrCode() == ucKR500_900::KR_SUCCESS)
            msg = ucVX700::systemDateTimeText(moment);
        break;
    }
    case RecordCount: {
        qint16 count = 0;
        m_kr.GetRecordCount(*id, count);
        msg = QString::number(count);
        break;
    }
    case SetMachineId: {
        // An empty field would renumber the terminal to 0 and report "OK".
        if (input.hexId.isEmpty()) {
            MessageReporter::instance().message(CRes::instance().ResString(kNoNewMachineNumberText,
                                                                           QStringLiteral("Type the new machine number first.")),
                                                MessageReporter::Icon::Exclamation);
            return std::nullopt;
        }
        bool ok = true;
        const qint64 value = input.hexId.toLongLong(&ok, 16);
        const std::optional<qint16> newId = machineNumber(ok ? value : std::numeric_limits<qint64>::max());
        if (!newId)
            return std::nullopt;
        m_kr.SetID(*id, *newId);
        break;
    }
    case GetMachineId: {
        qint16 value = 0;
        m_kr.GetID(*id, value);
        msg = CRes::instance().ResString(kMachineNumberText) + QLatin1Char(' ')
            + QString::number(quint16(value), 16).toUpper();
        break;
    }
    case GetVersion:
        m_kr.getVersion(*id, msg);
        break;
    case ClearData:
        WriteLog(QStringLiteral("KC"), QStringLiteral("Clear Data"));
        m_kr.ClearData(*id);
        break;
    case RecoverData:
        m_kr.RecoverData(*id);
        break;
    case InvokeTest:
        m_kr.InvokeTest(*id);
        break;
    case PowerDown:
        m_kr.PowerDown(*id);
        break;
    case SyncToPc:
        m_kr.SetTime(*id, now);
        break;
    }

    const qint32 code = m_kr.ErrCode();
    // An unexpected failure was shown by the link already: the command ends there.
    if (code == ucKR500_900::KR_ERR_FAILURE)
        return std::nullopt;
    if (code != ucKR500_900::KR_SUCCESS)
        return QStringLiteral("ErrCode: %1, %2").arg(code).arg(m_kr.ErrMessage(code));
    if (msg.isEmpty())
        return QStringLiteral("OK");
    // A bare value says what it is by the command's caption.
    const int caption = command == GetTime ? kGetTimeText
        : command == RecordCount           ? kRecordCountText
        : command == GetVersion            ? kGetVersionText
                                           : 0;
    return caption ? CRes::instance().ResString(caption).remove(QLatin1Char('&')) + QStringLiteral(": ") + msg : msg;
}
