// Old-generation Access files of arbitrary bytes through the header password
// check and libmdb: as a patrol-data .mdb, as a .tu tag database, and the
// header check alone. Each is read or refused, never crashes.

#include "FuzzSetup.h"
#include "LegacyDatabase.h"
#include "PatrolDataLoader.h"
#include "TagFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetup();
    static const QString base = QDir::tempPath() + QStringLiteral("/tavrel-fuzz-%1").arg(QCoreApplication::applicationPid());
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    QString password;
    LegacyDatabase::headerPassword(bytes.left(4096), &password);

    // The last byte chooses the reader, so the file keeps its own first page.
    const bool asTags = size > 0 && (data[size - 1] & 1);
    const QString path = base + (asTags ? QStringLiteral(".tu") : QStringLiteral(".mdb"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(bytes);
    file.close();
    if (asTags) {
        QList<TagDef> defs;
        QString error;
        TagFile::readTu(path, &defs, &error);
    } else {
        PatrolDataLoader::load(path, {});
    }
    return 0;
}
