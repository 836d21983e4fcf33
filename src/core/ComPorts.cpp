#include "ComPorts.h"

#include "MessageReporter.h"
#include "Settings.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QSettings>

#include <map>

#include <sys/stat.h>

namespace {

// The number of a port name in the program's own form "COM<n>", 1..99; -1 for
// anything else ("COM03", "ttyS0", "COM100").
int numberOf(const QString &name)
{
    if (!name.startsWith(QLatin1String("COM")))
        return -1;
    bool ok = false;
    const int n = name.mid(3).toInt(&ok);
    return ok && n > 0 && n < 100 && name == QStringLiteral("COM%1").arg(n) ? n : -1;
}

// A mapped port is present when its path (or the target of a symlink, such as
// a pseudo-terminal's) is a character device.
bool isCharacterDevice(const QString &path)
{
    struct stat st;
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISCHR(st.st_mode);
}

// The serial devices present: those the system lists, then the character
// devices named in $TAVREL_SERIAL_DEVICES (paths separated by ':'), which the
// system does not take for serial ports (a pseudo-terminal of the terminal
// simulator, a device node of an unusual driver).
QStringList presentDevices()
{
    QStringList devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        devices << info.systemLocation();
    const QStringList extra = qEnvironmentVariable("TAVREL_SERIAL_DEVICES").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &path : extra) {
        if (isCharacterDevice(path) && !devices.contains(path))
            devices << path;
    }
    return devices;
}

std::map<int, QString> mappedPorts()
{
    std::map<int, QString> ports;
    QSettings store(Settings::filePath(), QSettings::IniFormat);
    store.beginGroup(QStringLiteral("Ports"));
    for (const QString &key : store.childKeys()) {
        const int n = numberOf(key);
        if (n > 0)
            ports[n] = store.value(key).toString();
    }
    return ports;
}

}

int ListComPorts(QStringList &names)
{
    names.clear();
    std::map<int, QString> ports = mappedPorts();
    for (const QString &device : presentDevices()) {
        const QString canonical = QFileInfo(device).canonicalFilePath();
        bool named = false;
        for (const auto &[n, path] : ports) {
            if (path == device || (!canonical.isEmpty() && QFileInfo(path).canonicalFilePath() == canonical)) {
                named = true;
                break;
            }
        }
        if (named)
            continue;
        int n = 1;
        while (ports.count(n))
            ++n;
        if (n > 99)
            break;
        ports[n] = device;
        // Listed for now either way; unsaved, the device may get another name next time.
        if (!SetComPortDevice(n, device))
            MessageReporter::instance().message(QStringLiteral("The port name COM%1 for %2 could not be saved: %3")
                                                    .arg(n)
                                                    .arg(device, Settings::lastError()),
                                                MessageReporter::Icon::Exclamation);
    }
    for (const auto &[n, path] : ports) {
        if (isCharacterDevice(path))
            names << QStringLiteral("COM%1").arg(n);
    }
    return int(names.size());
}

qint16 ComPortNumber(const QString &portName)
{
    const QString lastTwo = portName.right(2);
    bool ok = lastTwo.size() == 2 && lastTwo[0].isDigit() && lastTwo[1].isDigit();
    if (ok)
        return qint16(lastTwo.toInt());
    const QString last = portName.right(1);
    return qint16(last.toInt());
}

QString ComPortDevice(int portNumber)
{
    return GetSetting(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(portNumber));
}

bool SetComPortDevice(int portNumber, const QString &devicePath)
{
    return SaveSetting(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(portNumber), devicePath);
}

bool IsComPortName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^COM([1-9]|[1-9][0-9])$"));
    return pattern.match(name).hasMatch();
}

qint16 ConfiguredComPort()
{
    return ComPortNumber(GetSetting(QStringLiteral("Terminal"), QStringLiteral("Comport"), QStringLiteral("COM1")));
}
