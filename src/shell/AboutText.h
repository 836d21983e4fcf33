#pragma once

#include <QString>

// The texts of the about box that are built rather than stored.
namespace AboutText {

// `prefix` (text 143), ": V", major, ".", minor, "R", revision; the numbers in
// decimal without leading zeros, e.g. "Version: V2.1R15".
QString versionLine(const QString &prefix, int major, int minor, int revision);
// The same for the running program.
QString versionLine(const QString &prefix);

}
