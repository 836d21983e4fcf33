#pragma once

#include <QList>
#include <QString>

class QSqlDatabase;

// Saved downloads on their way to the central database (tvl.mon, table
// CentralOutbox). A download is queued in the same transaction as its ledger
// row, so no saved download is ever missing from it; the pusher marks a row
// pushed only after the central database has committed it. A row whose file
// has gone (deleted before it could be pushed) is marked gone and no longer
// waits. Small facts of the push (the definitions last pushed, the last push,
// since when the server is unreachable) are kept beside it (CentralPushState).
class Outbox
{
public:
    struct Entry
    {
        qint64 seq = 0;
        QString queued;   // ISO-8601 UTC
        QString fileName; // relative to the workspace, as saved ("Unapproved/x.tvl")
        QString fileHash; // the bytes it was saved with
        int attempts = 0;
        QString lastError;
    };
    struct Summary
    {
        int waiting = 0;
        int gone = 0;
        QString oldestWaiting; // Queued of the oldest waiting row, empty when none
        QString lastError;     // of the most recent failed attempt of a waiting or gone row
    };

    static inline const QString kDefinitionsHash = QStringLiteral("DefinitionsHash");
    static inline const QString kLastPush = QStringLiteral("LastPush");
    static inline const QString kUnreachableSince = QStringLiteral("UnreachableSince");

    // True when a central database is configured: only then are downloads queued.
    static bool enabled();
    // Queues a saved download inside the caller's write transaction on tvl.mon.
    static bool queue(QSqlDatabase db, const QString &fileName, const QString &fileHash, QString *error);
    // Queues every patrol-data file of the workspace whose bytes are neither
    // waiting nor pushed yet; `added` gets how many.
    static bool queueAll(int *added, QString *error);

    // The waiting rows, oldest first.
    static bool waiting(QList<Entry> *entries, QString *error);
    static bool summary(Summary *summary, QString *error);
    static bool markPushed(qint64 seq, QString *error);
    // One more failed attempt for `seq`, or for every waiting row when `seq` is 0.
    static bool markFailed(qint64 seq, const QString &reason, QString *error);
    static bool markGone(qint64 seq, const QString &reason, QString *error);

    static QString value(const QString &key);
    // An empty `value` removes the key.
    static bool setValue(const QString &key, const QString &value, QString *error);
};
