#pragma once

#include "PatrolRow.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <iterator>
#include <type_traits>

// Which checkpoint read an incident belongs to: an incident tag read on a
// terminal within the window (5 minutes unless set otherwise) after a
// checkpoint read of the same terminal is attached to that checkpoint read,
// the nearest one before it. Guard reads and other incident reads are no
// checkpoint reads and do not break the window.
class IncidentTracker
{
public:
    enum Kind { Checkpoint, Incident, Other };
    // For a read that is no incident (attach()).
    static constexpr qsizetype kNoIncident = -2;
    // For an incident read that follows no checkpoint read in the window.
    static constexpr qsizetype kUnattached = -1;

    // Settings "Flags"/"IncidentMinutes", 5 by default, in seconds.
    static qint64 windowSeconds();

    // For every row of `rows` (same order): kNoIncident, kUnattached or the
    // index of the checkpoint row it is attached to. `incidentCodes` and
    // `guardCodes` are keyed by TagStore::codeKey.
    static QList<qsizetype> attach(const QList<PatrolRow> &rows, const QHash<QString, QString> &incidentCodes,
                                   const QSet<QString> &guardCodes, qint64 windowSeconds);

    // The walk behind attach() for reads kept in any form: `order` lists them
    // terminal by terminal, each terminal's in time order; `terminalOf(i)`,
    // `secondsOf(i)` (wall-clock seconds) and `kindOf(i)` describe read i, and
    // `assign(incident, checkpoint)` receives each incident read with its
    // checkpoint read or kUnattached.
    template <typename Order, typename TerminalOf, typename SecondsOf, typename KindOf, typename Assign>
    static void walk(const Order &order, TerminalOf terminalOf, SecondsOf secondsOf, KindOf kindOf,
                     qint64 windowSeconds, Assign assign)
    {
        using Index = std::decay_t<decltype(*std::begin(order))>;
        bool started = false;
        std::decay_t<decltype(terminalOf(*std::begin(order)))> terminal{};
        bool haveCheckpoint = false;
        Index checkpoint{};
        for (const auto i : order) {
            if (!started || terminalOf(i) != terminal) {
                terminal = terminalOf(i);
                haveCheckpoint = false;
                started = true;
            }
            switch (kindOf(i)) {
            case Checkpoint:
                checkpoint = i;
                haveCheckpoint = true;
                break;
            case Incident:
                assign(i, haveCheckpoint && secondsOf(i) - secondsOf(checkpoint) <= windowSeconds
                              ? qsizetype(checkpoint)
                              : kUnattached);
                break;
            case Other:
                break;
            }
        }
    }
};
