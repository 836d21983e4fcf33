#pragma once

#include "PatrolRow.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// Who carries each terminal: a read of a guard tag names the guard of that
// terminal (machine number) from then on, until the next guard tag read on
// the same terminal. Rows are taken in time order per terminal, whatever the
// order of the list.
class GuardTracker
{
public:
    // The guard of every row of `rows` (same order), empty before the first
    // guard read of its terminal; a guard read itself gets its own guard.
    // The guard's name is the tag's description in `names`, else its code.
    static QStringList guards(const QList<PatrolRow> &rows, const QSet<QString> &guardCodes,
                              const QHash<QString, QString> &names);
    // True when any row reads a guard tag.
    static bool hasGuardReads(const QList<PatrolRow> &rows, const QSet<QString> &guardCodes);
};
