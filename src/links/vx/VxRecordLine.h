#pragma once

#include <QString>

// The patrol record written for one terminal record: machine number, tag code
// (the record's last 10 characters), date yyyy/mm/dd and time hh:nn:ss from its
// leading "yyyymmddhhnnss". A record too short for a field gives a shortened field.
QString VxRecordLine(const QString &machineNumber, const QString &record);
