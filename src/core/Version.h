#pragma once

#include <QString>

// " v<major>.<minor>R<revision>", the suffix of the main window's title; the
// numbers come from the project version given to the compiler.
inline QString VersionSuffix()
{
    return QStringLiteral(" v%1.%2R%3").arg(TAVREL_VERSION_MAJOR).arg(TAVREL_VERSION_MINOR).arg(TAVREL_VERSION_REVISION);
}
