#pragma once

#include "PatrolRow.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <iterator>
#include <type_traits>
#include <utility>

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
    // `guardCodes` and `names` are keyed by TagStore::codeKey.
    static QStringList guards(const QList<PatrolRow> &rows, const QSet<QString> &guardCodes,
                              const QHash<QString, QString> &names);
    // True when any row reads a guard tag.
    static bool hasGuardReads(const QList<PatrolRow> &rows, const QSet<QString> &guardCodes);

    // The walk behind guards() for reads kept in any form: `order` lists them
    // terminal by terminal, each terminal's in time order; `terminalOf(i)`
    // gives read i's terminal, `guardOf(i)` the guard it names or `none`, and
    // `assign(i, guard)` receives its guard.
    template <typename Order, typename TerminalOf, typename Guard, typename GuardOf, typename Assign>
    static void walk(const Order &order, TerminalOf terminalOf, const Guard &none, GuardOf guardOf, Assign assign)
    {
        bool started = false;
        std::decay_t<decltype(terminalOf(*std::begin(order)))> terminal{};
        Guard guard = none;
        for (const auto i : order) {
            if (!started || terminalOf(i) != terminal) {
                terminal = terminalOf(i);
                guard = none;
                started = true;
            }
            if (Guard named = guardOf(i); named != none)
                guard = std::move(named);
            assign(i, guard);
        }
    }
};
