#include "DownloadProcess.h"

#include "CRes.h"
#include "ComPorts.h"
#include "CancelToken.h"
#include "Ledger.h"
#include "LinkBusy.h"
#include "MessageReporter.h"
#include "NumberFormat.h"
#include "OperationLog.h"
#include "PatrolFile.h"
#include "SerialTransport.h"
#include "Settings.h"
#include "VxLogon.h"
#include "VxRecordLine.h"
#include "Workspace.h"
#include "ucKR500_900.h"
#include "ucVX700.h"

#include <QDateTime>
#include <QDir>
#include <QLocale>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kNoRecordsText = 166;
constexpr int kNotClearedText = 280;
// The terminal ID the download addresses.
constexpr qint16 kTerminalId = 0;

const QString kTerminal = QStringLiteral("Terminal");

// The options are converted strictly here: a value that is no number is an
// error rather than a silent "off".
bool readOption(const QString &key, int *value)
{
    bool ok = false;
    *value = GetSetting(kTerminal, key, QStringLiteral("1")).trimmed().toInt(&ok);
    return ok;
}

}

DownloadProcess::DownloadProcess(ucKR500_900 &kr, ucVX700 &vx, QObject *parent)
    : QObject(parent)
    , m_kr(kr)
    , m_vx(vx)
{
}

DownloadProcess::~DownloadProcess()
{
    closeFile();
}

QString DownloadProcess::progressText(int count, int total)
{
    const double percent = total > 0 ? 100.0 * count / total : 0.0;
    return QStringLiteral("%1%, (%2/%3)")
        .arg(FormatTwoDecimals(percent, true, QLocale().decimalPoint().at(0)))
        .arg(count)
        .arg(total);
}

DownloadProcess::Outcome DownloadProcess::run(int family, const CancelToken &cancel)
{
    m_cancel = &cancel;
    m_downloadFile.clear();
    m_count = 0;
    m_written = 0;
    m_total = 0;
    m_machineNo.clear();
    m_clockOffset.reset();
    m_errCode = 0;
    m_errName.clear();
    m_terminalKeptRecords = false;
    m_family = family == kVxFamily ? kVxFamily : kKrFamily;
    const Outcome outcome = m_family == kVxFamily ? runVx() : runKr();
    closeFile();
    if (!m_downloadFile.isEmpty())
        recordInLedger();
    m_cancel = nullptr;
    Q_EMIT downloadFinished(m_downloadFile);
    return outcome;
}

DownloadProcess::Outcome DownloadProcess::linkFailure(qint32 code, const QString &name, bool report)
{
    m_errCode = code;
    m_errName = name;
    if (report) {
        MessageReporter::instance().message(portInUse() ? SerialTransport::portInUseText(portNumber()) : name,
                                            MessageReporter::Icon::Exclamation);
    }
    return Outcome::LinkFailure;
}

bool DownloadProcess::portInUse() const
{
    return m_family == kVxFamily ? m_errCode == ucVX700::VX_ERR_PORT_IN_USE
                                 : m_errCode == ucKR500_900::KR_ERR_PORT_IN_USE;
}

qint16 DownloadProcess::portNumber() const
{
    return portName.isEmpty() ? ConfiguredComPort() : ComPortNumber(portName);
}

bool DownloadProcess::createFile()
{
    QString error;
    if (!PatrolFile::createForDownload(m_file, clock(), &m_downloadFile, &error)) {
        MessageReporter::instance().failure(error + QStringLiteral("\nNothing was read from the terminal."), 75);
        m_downloadFile.clear();
        return false;
    }
    return true;
}

bool DownloadProcess::writeRecord(const QString &text)
{
    // An empty record has no line of its own; everything else must reach the disk.
    if (text.isEmpty())
        return true;
    if (!WritePatrolLine(m_file, text))
        return false;
    if (m_written++ == 0 && m_machineNo.isEmpty())
        m_machineNo = text.section(QLatin1Char(','), 0, 0);
    return true;
}

void DownloadProcess::readKrClock()
{
    QDateTime terminal;
    m_kr.GetTime(kTerminalId, terminal);
    if (m_kr.ErrCode() == ucKR500_900::KR_SUCCESS && terminal.isValid())
        m_clockOffset = clock().secsTo(terminal);
}

void DownloadProcess::readVxClock()
{
    m_vx.VX700_GetTime();
    if (m_vx.ErrCode() == ucVX700::VX_SUCCESS && m_vx.TerminalTime().isValid())
        m_clockOffset = clock().secsTo(m_vx.TerminalTime());
}

void DownloadProcess::recordInLedger()
{
    LedgerRow row;
    row.kind = Ledger::kDownload;
    const QString path = QDir(Workspace::unapprovedFolder()).filePath(m_downloadFile);
    row.fileName = Ledger::relativeName(path);
    QString error;
    row.fileHash = Ledger::hashFile(path, &error);
    row.recordCount = m_written;
    row.family = m_family == kVxFamily ? QStringLiteral("VX") : QStringLiteral("KR");
    row.machineNo = m_machineNo;
    row.clockOffsetSec = m_clockOffset;
    if (row.fileHash.isEmpty())
        MessageReporter::instance().message(
            QStringLiteral("%1 is kept, but the ledger could not record it: %2").arg(m_downloadFile, error),
            MessageReporter::Icon::Exclamation);
    else
        Ledger::note(row);
}

bool DownloadProcess::syncFile()
{
    if (!m_file.isOpen())
        return true;
    bool ok = m_file.flush() && ::fsync(m_file.handle()) == 0;
    // A new file is only durable once its folder entry is too.
    const int dir = ::open(QFile::encodeName(Workspace::unapprovedFolder()).constData(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ok = ::fsync(dir) == 0 && ok;
        ::close(dir);
    }
    if (!ok) {
        MessageReporter::instance().failure(
            QStringLiteral("The patrol-data file %1 could not be saved to the disk; the terminal was not cleared.")
                .arg(m_file.fileName()),
            61);
    }
    return ok;
}

DownloadProcess::Erase DownloadProcess::prepareErase(bool wanted)
{
    if (wanted && m_count < m_total) {
        // Fewer records came than the terminal counted: erasing it now could
        // lose the rest.
        MessageReporter::instance().message(
            CRes::instance().ResString(kNotClearedText).arg(m_total).arg(m_count), MessageReporter::Icon::Exclamation);
        wanted = false;
    }
    if (wanted && !syncFile())
        return Erase::Failed;
    closeFile();
    return wanted ? Erase::Go : Erase::Skip;
}

void DownloadProcess::closeFile()
{
    if (m_file.isOpen())
        m_file.close();
}

void DownloadProcess::clearNotConfirmed(const QString &logCommand, const QString &errName)
{
    m_terminalKeptRecords = true;
    WriteLog(logCommand, QStringLiteral("Clear Data not confirmed: ") + errName);
    MessageReporter::instance().message(
        QStringLiteral("The records were saved to %1, but the terminal did not confirm clearing them (%2): "
                       "it may still hold them, and the next download will bring them again.")
            .arg(m_downloadFile, errName),
        MessageReporter::Icon::Exclamation);
}

void DownloadProcess::recordArrived()
{
    ++m_count;
    Q_EMIT progressed(m_count, m_total, progressText(m_count, m_total));
}

DownloadProcess::Outcome DownloadProcess::runKr()
{
    int clear = 0, setTime = 0, powerDown = 0;
    if (!readOption(QStringLiteral("AutoClearData"), &clear) || !readOption(QStringLiteral("AutoUpdateTime"), &setTime)
        || !readOption(QStringLiteral("AutoPowerDown"), &powerDown)) {
        MessageReporter::instance().failure(QStringLiteral("Type mismatch"), 13);
        return Outcome::Failed;
    }
    m_kr.setCommPort(portNumber());

    qint16 total = 0;
    m_kr.GetRecordCount(kTerminalId, total, m_cancel);
    if (m_kr.ErrCode() != ucKR500_900::KR_SUCCESS)
        return linkFailure(m_kr.ErrCode(), m_kr.ErrMessage(m_kr.ErrCode()), true);
    // Cancelled while counting: the count was read but not taken.
    if (m_cancel->isCancelled())
        return Outcome::Cancelled;
    m_total = total;
    if (m_total == 0) {
        MessageReporter::instance().message(CRes::instance().ResString(kNoRecordsText),
                                            MessageReporter::Icon::Information);
        return Outcome::NoRecords;
    }

    Q_EMIT progressStarted(m_total);
    if (!createFile())
        return Outcome::WriteFailure;
    WriteLog(QStringLiteral("KD"), QStringLiteral("Download"));
    // The records come as one exchange: the link stays busy between them.
    const LinkBusy::Scope busy;
    m_kr.BeginDownload(kTerminalId);

    for (;;) {
        if (m_cancel->isCancelled())
            return Outcome::Cancelled;
        QString record;
        m_kr.GetRecord(record);
        if (m_kr.ErrCode() == ucKR500_900::KR_ERR_NO_DATA)
            break;
        if (m_kr.ErrCode() != ucKR500_900::KR_SUCCESS) {
            // The link already said "Time out" after its retries.
            return linkFailure(m_kr.ErrCode(), m_kr.ErrMessage(m_kr.ErrCode()), false);
        }
        recordArrived();
        if (!writeRecord(record))
            return Outcome::WriteFailure;
    }

    // The terminal said it has nothing more: only now may it be cleared.
    switch (prepareErase(IsAutoDownload || clear == 1)) {
    case Erase::Failed:
        return Outcome::WriteFailure;
    case Erase::Go:
        WriteLog(QStringLiteral("KC"), QStringLiteral("Clear Data"));
        m_kr.ClearData(kTerminalId);
        if (m_kr.ErrCode() != ucKR500_900::KR_SUCCESS)
            clearNotConfirmed(QStringLiteral("KC"), m_kr.ErrMessage(m_kr.ErrCode()));
        break;
    case Erase::Skip:
        break;
    }
    if (IsAutoDownload || setTime == 1) {
        readKrClock();
        WriteLog(QStringLiteral("KT"), QStringLiteral("Set Time"));
        m_kr.SetTime(kTerminalId, clock());
    }
    if (IsAutoDownload || powerDown == 1) {
        WriteLog(QStringLiteral("KP"), QStringLiteral("Power Off"));
        m_kr.PowerDown(kTerminalId);
    }
    return Outcome::Saved;
}

DownloadProcess::Outcome DownloadProcess::runVx()
{
    int clear = 0, setTime = 0;
    if (!readOption(QStringLiteral("AutoClearData"), &clear) || !readOption(QStringLiteral("AutoUpdateTime"), &setTime)) {
        MessageReporter::instance().failure(QStringLiteral("Type mismatch"), 13);
        return Outcome::Failed;
    }
    m_vx.setComport(portNumber());
    const QString password = StoredTerminalPassword();

    if (!VxLogon(password, m_vx, passwordPrompt)) {
        m_errCode = m_vx.ErrCode();
        m_errName = ucVX700::ErrMessage(m_errCode);
        return Outcome::LogonFailed;
    }
    if (m_cancel->isCancelled())
        return Outcome::Cancelled;
    m_vx.VX700_RecordCount();
    if (m_vx.ErrCode() != ucVX700::VX_SUCCESS)
        return linkFailure(m_vx.ErrCode(), ucVX700::ErrMessage(m_vx.ErrCode()), true);
    if (m_cancel->isCancelled())
        return Outcome::Cancelled;
    m_total = LeadingNumber(m_vx.GetData());
    if (m_total <= 0) {
        m_total = 0;
        MessageReporter::instance().message(CRes::instance().ResString(kNoRecordsText),
                                            MessageReporter::Icon::Information);
        return Outcome::NoRecords;
    }
    m_vx.VX700_GetID();
    if (m_vx.ErrCode() != ucVX700::VX_SUCCESS)
        return linkFailure(m_vx.ErrCode(), ucVX700::ErrMessage(m_vx.ErrCode()), true);
    const QString machineNumber = m_vx.GetData();
    m_machineNo = machineNumber;
    // A download that was cut off (cable pulled, program killed) left the
    // terminal's read pointer where it stopped: rewind it, so that this
    // download reads every record again rather than only the rest. A
    // terminal that refuses the rewind is still read (the count check below
    // keeps it from being erased short); a line that went dead is not.
    m_vx.VX700_RollBack();
    const qint32 rewind = m_vx.ErrCode();
    if (rewind == ucVX700::VX_ERR_TIMEOUT || rewind == ucVX700::VX_ERR_INVALID_COMPORT
        || rewind == ucVX700::VX_ERR_UNKNOWN)
        return linkFailure(rewind, ucVX700::ErrMessage(rewind), true);

    Q_EMIT progressStarted(m_total);
    if (!createFile())
        return Outcome::WriteFailure;
    WriteLog(QStringLiteral("VD"), QStringLiteral("Download Data"));

    // The link stays busy between the record requests.
    const LinkBusy::Scope busy;
    do {
        if (m_cancel->isCancelled()) {
            // Rewind the terminal's read pointer so its records stay readable
            // in full for the next download.
            m_vx.VX700_RollBack();
            return Outcome::Cancelled;
        }
        m_vx.VX700_GetOneRecord();
        if (m_vx.ErrCode() == ucVX700::VX_SUCCESS) {
            const QString record = m_vx.GetData();
            recordArrived();
            if (!writeRecord(VxRecordLine(machineNumber, record))) {
                m_vx.VX700_RollBack();
                return Outcome::WriteFailure;
            }
        }
    } while (m_vx.ErrCode() == ucVX700::VX_SUCCESS);

    if (m_vx.ErrCode() != ucVX700::VX_ERR_TERMINAL_DATA_EMPTY) {
        const qint32 code = m_vx.ErrCode();
        MessageReporter::instance().message(
            QStringLiteral("Time out,\r\nplease check the connection and log on again"), MessageReporter::Icon::None);
        Q_EMIT vxConnectionLost();
        return linkFailure(code, ucVX700::ErrMessage(code), false);
    }

    // Every record was read and the terminal said so itself.
    m_vx.VX700_RollBack();
    switch (prepareErase(IsAutoDownload || clear == 1)) {
    case Erase::Failed:
        return Outcome::WriteFailure;
    case Erase::Go:
        WriteLog(QStringLiteral("VC"), QStringLiteral("Clear Data"));
        m_vx.VX700_EraseAllRecord();
        if (m_vx.ErrCode() != ucVX700::VX_SUCCESS)
            clearNotConfirmed(QStringLiteral("VC"), ucVX700::ErrMessage(m_vx.ErrCode()));
        break;
    case Erase::Skip:
        break;
    }
    if (IsAutoDownload || setTime == 1) {
        readVxClock();
        m_vx.VX700_SetTime(clock());
    }
    return Outcome::Saved;
}
