#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// One record of the patrol list: the four fields as the file held them and the
// tag's description (looked up in the tag definitions, or for an old-generation
// file read from the file itself). The list, the reports and the exports all
// read these rows; formatting for display happens in the model.
struct PatrolRow
{
    QString machineNo;
    QString date; // "yyyy/MM/dd" in patrol-data files, "yyyy-MM-dd" from old databases
    QString time; // "HH:mm:ss"
    QString code;
    QString description;

    // The date and time as values; invalid when the text is not one.
    QDate dateValue() const;
    QTime timeValue() const;
};
