#pragma once

#include "Ledger.h"

#include <QList>
#include <QString>

// One thing that does not hold: kind ("edited", "missing", "uncovered",
// "chain"), the file or "row N" it concerns, and what was found.
struct LedgerFinding
{
    QString kind;
    QString subject;
    QString detail;
};

// Checks the workspace against its ledger: every row's hash and link to the
// row before, and every patrol-data file against the last row that names it.
// Findings: a file whose bytes changed since the ledger last saw it; a
// ledgered file that is gone without a ledgered delete; a file no row covers;
// a row whose hash or link does not hold (edited, removed or inserted).
class LedgerVerifier
{
public:
    // False with `error` when the ledger cannot be read; true otherwise, with
    // `findings` empty when everything holds. The files are hashed in parallel.
    static bool verify(QList<LedgerFinding> *findings, QString *error);
    // The row whose hash starts with `prefix` (at least 12 hex digits, any case);
    // false when none does or the ledger cannot be read (then `error` is set).
    static bool findHead(const QString &prefix, LedgerRow *row, QString *error);
    // The file list a replay of the rows gives: relative name and hash.
    static QList<QPair<QString, QString>> expectedFiles(const QList<LedgerRow> &rows);
};
