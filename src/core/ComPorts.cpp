#include "ComPorts.h"

#include "Settings.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#include <QSettings>

#include <map>

namespace {

int numberOf(const QString &name)
{
    if (!name.startsWith(QLatin1String("COM")))
        return -1;
    bool ok = false;
    const int n = name.mid(3).toInt(&ok);
    return ok && n > 0 && n < 100 ? n : -1;
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
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        const QString device = info.systemLocation();
        bool named = false;
        for (const auto &[n, path] : ports) {
            if (path == device || QFileInfo(path).canonicalFilePath() == QFileInfo(device).canonicalFilePath()) {
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
        SetComPortDevice(n, device);
    }
    for (const auto &[n, path] : ports) {
        if (QFileInfo::exists(path))
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

void SetComPortDevice(int portNumber, const QString &devicePath)
{
    SaveSetting(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(portNumber), devicePath);
}
