#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <optional>

class QSqlDatabase;

// One row of the ledger; the optional and empty fields are NULL in the table.
struct LedgerRow
{
    qint64 rowNo = 0;
    QString at;       // PC time, ISO-8601 UTC with seconds
    QString kind;     // one of the Ledger::k... kinds
    QString fileName; // relative to the workspace ("Unapproved/x.tvl"), else absolute
    QString fileHash; // lower-case hex SHA-256 of the file's bytes
    std::optional<qint64> recordCount;
    QString family;    // "KR" or "VX"
    QString machineNo;
    std::optional<qint64> clockOffsetSec; // terminal clock minus PC clock
    QString prevHash;
    QString rowHash;
    // A baseline row only: every patrol-data file then present, name and hash
    // (kept in the table LedgerBaseline under the row's RowNo, in this order).
    QList<QPair<QString, QString>> baselineFiles;
};

// The download ledger in tvl.mon: an append-only chain of rows, one per saved
// download, approve, delete to the trash, Save As, tag import and plan import,
// each sealed by a hash over its own fields and the previous row's hash, so
// that an edited, removed or inserted row breaks the chain from there on.
//
// Row hash = lower-case hex SHA-256 of the UTF-8 canonical text followed by
// PrevHash (64 zeros for the first row). The canonical text is the fields
// RowNo, At, Kind, FileName, FileHash, RecordCount, Family, MachineNo,
// ClockOffsetSec in this order, separated by tabs, NULL written as nothing,
// then a line feed. A baseline row adds one line per listed file, "name",
// tab, "hash", line feed, Unapproved/ then Approved/, each by name; its FileName holds the number of
// listed files and its FileHash the SHA-256 of those lines, so the list in
// LedgerBaseline is sealed by the row too.
//
// A baseline row starts the ledger of a workspace that held patrol-data files
// before it had a ledger: those files are taken as they are at that moment;
// what happened to them before is not covered.
//
// An approve row names the file's new place in Approved/; the file it moved
// is the unapproved file of that name (without a " (n)" a taken name added)
// or else one with the same hash. A delete row names the file moved to the
// trash.
class Ledger
{
public:
    static inline const QString kDownload = QStringLiteral("download");
    static inline const QString kApprove = QStringLiteral("approve");
    static inline const QString kDelete = QStringLiteral("delete");
    static inline const QString kSaveAs = QStringLiteral("saveas");
    static inline const QString kTagImport = QStringLiteral("tagimport");
    static inline const QString kPlanImport = QStringLiteral("planimport");
    static inline const QString kBaseline = QStringLiteral("baseline");
    static inline const QString kZeroHash = QString(64, QLatin1Char('0'));

    static QByteArray canonicalText(const LedgerRow &row);
    static QString computeHash(const LedgerRow &row);
    // The hex SHA-256 of the lines of a baseline list.
    static QString listHash(const QList<QPair<QString, QString>> &files);
    // The hex SHA-256 of a file's bytes; empty with `error` set when unreadable.
    static QString hashFile(const QString &path, QString *error = nullptr);
    // "Unapproved/x.tvl" for a file inside the workspace, else the absolute path.
    static QString relativeName(const QString &path);
    // The patrol-data files of the workspace by relative name, Unapproved/ then Approved/.
    static QStringList patrolFiles();

    // Appends a row: fills At (when empty), RowNo, PrevHash and RowHash, in
    // one transaction that keeps other writers out between reading the last
    // row and adding this one. When the ledger is still empty and the
    // workspace holds patrol-data files, a baseline row comes first (the
    // row's own file is left out of it).
    static bool append(LedgerRow row, QString *error);
    // Appends a row for `path`, reading its hash now.
    static bool appendFile(const QString &kind, const QString &path, std::optional<qint64> recordCount,
                           QString *error);
    // Like appendFile, and tells the user when the ledger could not take the
    // row: the operation itself stands.
    static void note(const QString &kind, const QString &path, std::optional<qint64> recordCount = std::nullopt);
    // Appends a row made by the caller, telling the user when it could not.
    static void note(const LedgerRow &row);
    // Starts an empty ledger with a baseline row when the workspace holds
    // patrol-data files (other than `except`); nothing otherwise.
    static bool ensureBaseline(QString *error, const QString &except = QString());

    // Every row in order, with the baseline lists. False with `error` when the
    // table cannot be read.
    static bool rows(QList<LedgerRow> *rows, QString *error);
    // The last row; false when the ledger is empty or unreadable.
    static bool head(LedgerRow *row, QString *error = nullptr);
    // "Ledger head 0123456789ab, 2026-12-06T19:40:18Z", or the text for an
    // empty or unreadable ledger: what a printed report carries in its footer.
    static QString footerLine();

private:
    static bool insert(LedgerRow &row, QString *error);
    // Inside a write transaction: an empty ledger of a workspace that holds
    // files (other than `except`) starts with their baseline row.
    static bool baselineIfEmpty(QSqlDatabase db, const QString &except, QString *error);
    static void reportFailure(const QString &path, const QString &error);
};
