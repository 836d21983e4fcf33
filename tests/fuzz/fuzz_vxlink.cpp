// The VX link against a cradle that replies anything at all: every command
// and its reply decoder must end with an error code, never crash or hang.

#include "FuzzSetup.h"
#include "FuzzTransport.h"
#include "ucVX700.h"

#include <QCoreApplication>
#include <QDateTime>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetup();
    if (size < 1)
        return 0;
    const QByteArray script(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);
    ucVX700 link(std::make_unique<FuzzTransport>(script));
    link.setTimeout(100);
    switch (data[0] % 8) {
    case 0:
        for (int i = 0; i < 64; ++i) {
            link.VX700_GetOneRecord();
            if (link.ErrCode() != 0)
                break;
        }
        break;
    case 1: link.VX700_GetTime(); break;
    case 2: link.VX700_RecordCount(); break;
    case 3: link.VX700_GetBatteryVoltage(); break;
    case 4: link.VX700_GetBatteryTemperature(); break;
    case 5: link.VX700_Logon(QStringLiteral("7391")); break;
    case 6: link.VX700_GetID(); break;
    default: link.VX700_ConnectionTest(); break;
    }
    (void)link.GetData();
    return 0;
}
