#include "TerminalSettings.h"

#include "ComPorts.h"
#include "Settings.h"

TerminalSettings TerminalSettings::load()
{
    TerminalSettings s;
    s.family = GetSettingNumber(QStringLiteral("Terminal"), QStringLiteral("Model"), kKrFamily) == kVxFamily
        ? kVxFamily
        : kKrFamily;
    s.port = ConfiguredComPort();
    s.autoDownload = GetSettingNumber(QStringLiteral("AutoDownload"), QStringLiteral("Enable"), 1) == 1;
    return s;
}
