#pragma once

#include "PatrolRowMarks.h"

// The patrol list's flag column: the flags of each record of the open file,
// worked out with the records of the files around it and the plans.
class FlagRowMarks : public PatrolRowMarks
{
public:
    QStringList marks(const QString &path, const QList<PatrolRow> &rows) override;
};
