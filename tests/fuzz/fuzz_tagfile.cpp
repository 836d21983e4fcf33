// The .tag reader fed arbitrary files: it reads or refuses each one whole.

#include "FuzzSetup.h"
#include "TagFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetup();
    static const QString path = QDir::tempPath() + QStringLiteral("/tavrel-fuzz-%1.tag").arg(QCoreApplication::applicationPid());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();
    QList<TagDef> defs;
    QString error;
    TagFile::readTag(path, &defs, &error);
    return 0;
}
