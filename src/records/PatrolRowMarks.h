#pragma once

#include "PatrolRow.h"

#include <QList>
#include <QString>
#include <QStringList>

// What a room above the records adds to the patrol list: a mark for every row
// of an open file (the flags of suspicious reads), worked out where the plans
// are known. The patrol-data view asks it when it opens a file.
class PatrolRowMarks
{
public:
    virtual ~PatrolRowMarks() = default;
    // The mark of every row of the file at `path` (same order as `rows`), or
    // an empty list when no row has one.
    virtual QStringList marks(const QString &path, const QList<PatrolRow> &rows) = 0;
};
