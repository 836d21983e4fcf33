#pragma once

#include <QString>

class QFile;

// Files the program reads to their end (patrol-data files, old-generation
// databases) are opened only when they are regular files, symlinks resolved:
// a device behind such a name never ends, and opening a FIFO would wait for a
// writer.
class RegularFile
{
public:
    // Opens `path` read-only into `file`. The type is checked before the open,
    // and the open itself never waits. False with `error` ("... is not a
    // regular file", or the system's reason) otherwise.
    static bool openForReading(QFile &file, const QString &path, QString *error);
};
