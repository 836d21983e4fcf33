// The string store opened over a Res.mdb of arbitrary bytes: it must refuse
// or read it, and every lookup must still answer.

#include "CRes.h"
#include "FuzzSetup.h"
#include "Settings.h"
#include "Workspace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetup();
    static const QString folder = QDir::tempPath() + QStringLiteral("/tavrel-fuzz-resmdb-%1").arg(QCoreApplication::applicationPid());
    static const bool ready = [] {
        QDir().mkpath(folder + QStringLiteral("/config"));
        Settings::setConfigFolder(folder + QStringLiteral("/config"));
        Workspace::setCurrent(folder);
        return true;
    }();
    Q_UNUSED(ready);

    QFile file(Workspace::path(QStringLiteral("Res.mdb")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();

    CRes &res = CRes::instance();
    for (int n : {1, 8, 125, 174, 266, 999})
        (void)res.ResString(n);
    (void)res.Language();
    CRes::destroyInstance();
    return 0;
}
