#include "AboutText.h"

namespace AboutText {

QString versionLine(const QString &prefix, int major, int minor, int revision)
{
    return QStringLiteral("%1: V%2.%3R%4").arg(prefix).arg(major).arg(minor).arg(revision);
}

QString versionLine(const QString &prefix)
{
    return versionLine(prefix, TAVREL_VERSION_MAJOR, TAVREL_VERSION_MINOR, TAVREL_VERSION_REVISION);
}

}
