// The KR link against a terminal that answers anything at all: every
// operation must end with an error code, never crash or hang.

#include "FuzzSetup.h"
#include "FuzzTransport.h"
#include "ucKR500_900.h"

#include <QCoreApplication>
#include <QDateTime>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetup();
    if (size < 1)
        return 0;
    const QByteArray script(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);
    ucKR500_900 link(std::make_unique<FuzzTransport>(script));
    link.setTimeout(100);
    QString text;
    qint16 number = 0;
    QDateTime moment;
    switch (data[0] % 8) {
    case 0:
        link.BeginDownload(0);
        for (int i = 0; i < 64 && link.ErrCode() == 0; ++i)
            link.GetRecord(text);
        break;
    case 1: link.getVersion(0, text); break;
    case 2: link.GetRecordCount(0, number); break;
    case 3: link.GetTime(0, moment); break;
    case 4: link.GetID(0, number); break;
    case 5: link.SetTime(0, QDateTime(QDate(2024, 1, 8), QTime(8, 0, 15))); break;
    case 6: link.DS900_GetInformation(text); break;
    default:
        link.BeginTagDownload(0);
        for (int i = 0; i < 64 && link.ErrCode() == 0; ++i)
            link.GetTagCode(text);
        break;
    }
    link.Disconnect();
    return 0;
}
