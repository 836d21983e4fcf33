#pragma once

#include "CentralSettings.h"

#include <QDateTime>
#include <QString>

// Sends what waits in this workspace's outbox to the central database: the
// site's row, its definitions when they changed since they were last pushed,
// and each waiting download in a transaction of its own, marked pushed in the
// outbox only once the server committed it. Runs in whichever thread calls it,
// on a connection name of that thread's own.
class CentralPusher
{
public:
    enum class State { UpToDate, Waiting, Unreachable };

    struct Report
    {
        int landed = 0;
        int alreadyThere = 0;
        int conflicts = 0;
        int gone = 0;    // files deleted before they could be pushed
        int failed = 0;  // files the server took but could not store, or that could not be read
        int waiting = 0; // batches still waiting afterwards (the definitions count as one)
        bool definitions = false;
        bool reachable = true; // false: the server could not be reached or refused
        QDateTime unreachableSince; // UTC, when not reachable
        State state() const;
    };

    // False with one line in `error` when something was not pushed; everything
    // not pushed stays waiting in the outbox with its attempt and error counted.
    static bool pushPending(const CentralSettings &settings, const QString &connectionName, Report *report,
                            QString *error);
    // The batches waiting now: outbox rows, and one for changed definitions. -1 with `error` when unreadable.
    static int waiting(const CentralSettings &settings, QString *error);
};
