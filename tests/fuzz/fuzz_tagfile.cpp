// The .tag reader fed arbitrary files: it reads or refuses each one whole.

#include "SilentReporter.h"
#include "TagFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char arg0[] = "fuzz_tagfile";
    static char *argv[] = {arg0, nullptr};
    static QCoreApplication app(argc, argv);
    static SilentReporter reporter;
    static const QString path = QDir::tempPath() + QStringLiteral("/tavrel-fuzz-%1.tag").arg(QCoreApplication::applicationPid());
    MessageReporter::install(&reporter);
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
