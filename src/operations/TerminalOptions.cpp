#include "TerminalOptions.h"

#include "ComPorts.h"
#include "Settings.h"

namespace {

const QString kTerminal = QStringLiteral("Terminal");
const QString kAutoDownload = QStringLiteral("AutoDownload");

bool readSwitch(const QString &section, const QString &key)
{
    return GetSettingNumber(section, key, 1) == 1;
}

QString switchText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

}

TerminalOptions TerminalOptions::load()
{
    TerminalOptions o;
    o.model = GetSettingNumber(kTerminal, QStringLiteral("Model"), kKrFamily) == kVxFamily ? kVxFamily : kKrFamily;
    o.comport = GetSetting(kTerminal, QStringLiteral("Comport"), QStringLiteral("COM1"));
    o.autoClear = readSwitch(kTerminal, QStringLiteral("AutoClearData"));
    o.autoTime = readSwitch(kTerminal, QStringLiteral("AutoUpdateTime"));
    o.autoPowerDown = readSwitch(kTerminal, QStringLiteral("AutoPowerDown"));
    o.autoDownload = readSwitch(kAutoDownload, QStringLiteral("Enable"));
    return o;
}

bool TerminalOptions::save(QString *error) const
{
    const bool ok = SaveSetting(kTerminal, QStringLiteral("Comport"), comport)
        && SaveSetting(kTerminal, QStringLiteral("Model"), QString::number(model))
        && SaveSetting(kTerminal, QStringLiteral("AutoClearData"), switchText(autoClear))
        && SaveSetting(kTerminal, QStringLiteral("AutoUpdateTime"), switchText(autoTime))
        && SaveSetting(kTerminal, QStringLiteral("AutoPowerDown"), switchText(autoPowerDown))
        && SaveSetting(kAutoDownload, QStringLiteral("Enable"), switchText(autoDownload));
    if (!ok && error)
        *error = Settings::lastError();
    return ok;
}

void TerminalOptions::applyModelRule()
{
    if (!autoDownloadAllowed())
        autoDownload = false;
}

QString TerminalOptions::familyName(int model)
{
    return model == kVxFamily ? QStringLiteral("VX700A/700N/KR60") : QStringLiteral("KR500A/550/900");
}

QStringList TerminalOptions::builtInPorts()
{
    QStringList ports;
    for (int n = 1; n <= 16; ++n)
        ports << QStringLiteral("COM%1").arg(n);
    return ports;
}

QStringList TerminalOptions::portChoices()
{
    QStringList names;
    ListComPorts(names);
    return names.isEmpty() ? builtInPorts() : names;
}

QStringList TerminalOptions::keys()
{
    return {QStringLiteral("model"),         QStringLiteral("comport"),         QStringLiteral("auto-clear"),
            QStringLiteral("auto-time"),     QStringLiteral("auto-power-down"), QStringLiteral("auto-download")};
}

QString TerminalOptions::value(const QString &key) const
{
    if (key == QLatin1String("model"))
        return QString::number(model);
    if (key == QLatin1String("comport"))
        return comport;
    if (key == QLatin1String("auto-clear"))
        return switchText(autoClear);
    if (key == QLatin1String("auto-time"))
        return switchText(autoTime);
    if (key == QLatin1String("auto-power-down"))
        return switchText(autoPowerDown);
    if (key == QLatin1String("auto-download"))
        return switchText(autoDownload);
    return QString();
}

bool TerminalOptions::set(const QString &key, const QString &text, QString *error)
{
    const bool isSwitch = text == QLatin1String("0") || text == QLatin1String("1");
    if (key == QLatin1String("model")) {
        if (!isSwitch) {
            *error = QStringLiteral("model takes 0 (KR500A/550/900) or 1 (VX700A/700N/KR60)");
            return false;
        }
        model = text.toInt();
        applyModelRule();
        return true;
    }
    if (key == QLatin1String("comport")) {
        if (!IsComPortName(text)) {
            *error = QStringLiteral("comport takes a port name COM1 to COM99");
            return false;
        }
        comport = text;
        return true;
    }
    bool *target = key == QLatin1String("auto-clear")            ? &autoClear
                   : key == QLatin1String("auto-time")           ? &autoTime
                   : key == QLatin1String("auto-power-down")     ? &autoPowerDown
                   : key == QLatin1String("auto-download")       ? &autoDownload
                                                                 : nullptr;
    if (!target) {
        *error = QStringLiteral("unknown key %1 (one of: %2)").arg(key, keys().join(QStringLiteral(", ")));
        return false;
    }
    if (!isSwitch) {
        *error = QStringLiteral("%1 takes 0 or 1").arg(key);
        return false;
    }
    if (target == &autoDownload && text == QLatin1String("1") && !autoDownloadAllowed()) {
        *error = QStringLiteral("the VX family has no automatic download");
        return false;
    }
    *target = text == QLatin1String("1");
    return true;
}
