#pragma once

#include <QString>
#include <QStringList>

// The about box's system-information button: the first of the known
// system-information programs that is installed on the PATH.
namespace SystemInfo {

constexpr const char *kUnavailable = "System Information Is Unavailable At This Time";

// The programs looked for, in order of preference.
QStringList candidates();
// Full path of the first candidate found on the PATH; empty when none is.
QString findProgram();
// Starts the program found, detached from this one; false when none is
// installed or it could not be started.
bool start();

}
