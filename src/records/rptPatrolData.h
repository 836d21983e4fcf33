#pragma once

#include "PatrolRow.h"
#include "ReportLayout.h"

#include <QHash>

// The patrol-data report over the rows the patrol list shows. The rows go
// through the working table PatrolData (emptied and refilled in one
// transaction) and come back joined with the current tag definitions, sorted
// by date and then time. The table holds dates as yyyy-MM-dd and times as
// HH:mm:ss so that its order is the order in time.
class rptPatrolData : public ReportLayout
{
public:
    // Fills the working table from `rows` (a row whose date or time cannot be
    // read is left out) and reads the report's rows back. False with `error`
    // set, and the working table as it was, when the database refuses.
    bool load(const QList<PatrolRow> &rows, QString *error);
    // The label texts in the current language and its font face.
    void SetupPatrolDataReport();

    // Dates in the system's short format, times in its long format without
    // the time zone, as the list shows them; `rows` keeps them as stored.
    QString cellText(qsizetype row, int column) const override;

private:
    mutable QHash<QString, QString> m_shown;
};
