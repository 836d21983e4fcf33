#pragma once

#include <QString>

// Appends one record to the operation log (table Log of tvl.mon): now, the
// two-letter command ("KD", "KC", "KT", "KP", "VD", "VC", "VT") and its
// description. A failure is shown as "<description>: MonitorLog " with its
// number as title; the caller goes on. Returns whether the record was saved.
bool WriteLog(const QString &command, const QString &description);
