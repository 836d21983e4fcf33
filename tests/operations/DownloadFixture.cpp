#include "DownloadFixture.h"

#include "CRes.h"
#include "ComPorts.h"
#include "CancelToken.h"
#include "Settings.h"
#include "VxRecordLine.h"
#include "Workspace.h"

#include <QDir>

namespace {

constexpr int kPort = 10;
const QString kMachineId = QStringLiteral("0042");

}

DownloadFixture::DownloadFixture(int family, int records)
    : m_family(family)
    , m_env(std::make_unique<TestEnv>())
{
    CRes::destroyInstance();
    if (isKr()) {
        m_krSim.emplace(kPort, m_env.get());
        kr([&](KrTerminalSim &s) { s.setRecords(KrTerminalSim::generateRecords(records, 3)); });
    } else {
        m_vxSim.emplace(kPort, m_env.get());
        vx([&](VxCradleSim &s) {
            s.setRecords(VxCradleSim::sampleRecords(records));
            s.setMachineId(kMachineId);
        });
    }
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Comport"), QStringLiteral("COM%1").arg(kPort));
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Model"), QString::number(family));
    m_kr = std::make_unique<ucKR500_900>();
    m_vx = std::make_unique<ucVX700>();
    // Maintenance commands use the links directly, on the terminal's port.
    m_kr->setCommPort(kPort);
    m_vx->setComport(kPort);
    m_process = std::make_unique<DownloadProcess>(*m_kr, *m_vx);
    m_initial = terminalLines();
}

DownloadFixture::~DownloadFixture()
{
    CRes::destroyInstance();
}

void DownloadFixture::setOptions(int clear, int time, int power)
{
    const std::pair<const char *, int> options[] {{"AutoClearData", clear}, {"AutoUpdateTime", time}, {"AutoPowerDown", power}};
    for (const auto &[key, value] : options)
        SaveSetting(QStringLiteral("Terminal"), QLatin1String(key), QString::number(value));
}

DownloadProcess::Outcome DownloadFixture::download(bool automatic, const QDateTime &at)
{
    if (at.isValid())
        m_process->clock = [at] { return at; };
    const CancelToken token;
    return download(automatic, token);
}

DownloadProcess::Outcome DownloadFixture::download(bool automatic, const CancelToken &cancel)
{
    m_process->IsAutoDownload = automatic;
    return m_process->run(m_family, cancel);
}

QString DownloadFixture::filePath() const
{
    return QDir(Workspace::unapprovedFolder()).filePath(m_process->DownloadFile());
}

QStringList DownloadFixture::fileLines() const
{
    return m_process->DownloadFile().isEmpty() ? QStringList() : TestEnv::patrolLines(filePath());
}

QStringList DownloadFixture::savedLines(const QString &folderPath)
{
    QStringList lines;
    const QDir folder(folderPath.isEmpty() ? Workspace::unapprovedFolder() : folderPath);
    for (const QString &name : folder.entryList({QStringLiteral("*.tvl")}, QDir::Files, QDir::Name))
        lines += TestEnv::patrolLines(folder.filePath(name));
    return lines;
}

QStringList DownloadFixture::vxLines(const QString &machine, const QList<VxCradleSim::Record> &records)
{
    QStringList lines;
    for (const VxCradleSim::Record &r : records)
        lines << VxRecordLine(machine, QString::fromLatin1(VxCradleSim::recordText(r)));
    return lines;
}

QStringList DownloadFixture::terminalLines()
{
    if (isKr())
        return kr([](KrTerminalSim &s) { return s.records(); });
    return vxLines(kMachineId, vx([](VxCradleSim &s) { return s.records(); }));
}


void DownloadFixture::vanishAfter(int records)
{
    if (isKr())
        kr([&](KrTerminalSim &s) { s.setVanishAfterRecords(records); });
    else
        vx([&](VxCradleSim &s) { s.vanishAfterRecords(records); });
}

void DownloadFixture::replug()
{
    QString error;
    vanishAfter(-1);
    const QString link = ComPortDevice(kPort);
    if (!sim([&](auto &s) { return s.hasVanished() ? s.start(link, &error) : true; }))
        qFatal("DownloadFixture: %s", qPrintable(error));
}
