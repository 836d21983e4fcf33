// The patrol-data file reader fed arbitrary files: every line is decoded or
// refused, never read out of bounds, and the list's loader keeps going.

#include "FuzzSetup.h"
#include "PatrolDataLoader.h"
#include "PatrolFile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetup();
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    // Each line through the codec on its own...
    QString text;
    for (const QByteArray &line : bytes.split('\n'))
        PatrolFile::decode(line.endsWith('\r') ? line.chopped(1) : line, &text);

    // ...and the whole file through the reader the list uses.
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    while (!file.atEnd()) {
        const qint64 before = file.pos();
        ReadPatrolLine(file, text);
        if (file.pos() == before)
            break;
    }

    // ...and as a file opened into the patrol list.
    static const QString path = QDir::tempPath() + QStringLiteral("/tavrel-fuzz-%1.tvl").arg(QCoreApplication::applicationPid());
    QFile out(path);
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        out.write(bytes);
        out.close();
        PatrolDataLoader::load(path, {{QStringLiteral("0004A1B2C3"), QStringLiteral("Main Gate")}});
    }
    return 0;
}
