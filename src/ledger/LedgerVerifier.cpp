#include "LedgerVerifier.h"

#include "Workspace.h"

#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QtConcurrent/QtConcurrentMap>

namespace {

constexpr int kShown = 12;

// "x (2).tvl" -> "x.tvl": the name a file had before approving found it taken.
QString unnumbered(const QString &name)
{
    static const QRegularExpression numbered(QStringLiteral(" \\(\\d+\\)(\\.[^./]*)?$"));
    QString plain = name;
    const QRegularExpressionMatch m = numbered.match(plain);
    if (m.hasMatch())
        plain.replace(m.capturedStart(), m.capturedLength(), m.captured(1));
    return plain;
}

bool isPatrolName(const QString &name)
{
    return name.startsWith(QLatin1String("Unapproved/")) || name.startsWith(QLatin1String("Approved/"));
}

}

QList<QPair<QString, QString>> LedgerVerifier::expectedFiles(const QList<LedgerRow> &rows)
{
    QMap<QString, QString> files;
    for (const LedgerRow &row : rows) {
        if (row.kind == Ledger::kBaseline) {
            for (const auto &[name, hash] : row.baselineFiles)
                files.insert(name, hash);
        } else if (row.kind == Ledger::kDelete) {
            files.remove(row.fileName);
        } else if (row.kind == Ledger::kApprove) {
            const QString base = QFileInfo(row.fileName).fileName();
            QString from = QStringLiteral("Unapproved/") + unnumbered(base);
            if (!files.contains(from))
                from = QStringLiteral("Unapproved/") + base;
            for (auto it = files.cbegin(); !files.contains(from) && it != files.cend(); ++it)
                if (it.key().startsWith(QLatin1String("Unapproved/")) && it.value() == row.fileHash)
                    from = it.key();
            files.remove(from);
            files.insert(row.fileName, row.fileHash);
        } else if ((row.kind == Ledger::kDownload || row.kind == Ledger::kSaveAs) && isPatrolName(row.fileName)) {
            files.insert(row.fileName, row.fileHash);
        }
    }
    QList<QPair<QString, QString>> list;
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        list.append({it.key(), it.value()});
    return list;
}

bool LedgerVerifier::verify(QList<LedgerFinding> *findings, QString *error)
{
    findings->clear();
    QList<LedgerRow> rows;
    if (!Ledger::rows(&rows, error))
        return false;

    QString previous = Ledger::kZeroHash;
    qint64 previousNo = 0;
    for (const LedgerRow &row : std::as_const(rows)) {
        const QString subject = QStringLiteral("row %1").arg(row.rowNo);
        if (row.prevHash != previous) {
            findings->append({QStringLiteral("chain"), subject,
                              row.rowNo != previousNo + 1
                                  ? QStringLiteral("rows %1 to %2 are missing").arg(previousNo + 1).arg(row.rowNo - 1)
                                  : QStringLiteral("its previous hash is not the hash of row %1").arg(previousNo)});
        } else if (Ledger::computeHash(row) != row.rowHash) {
            findings->append({QStringLiteral("chain"), subject, QStringLiteral("its fields do not give its hash")});
        } else if (row.kind == Ledger::kBaseline && Ledger::listHash(row.baselineFiles) != row.fileHash) {
            findings->append({QStringLiteral("chain"), subject, QStringLiteral("its file list was changed")});
        }
        previous = row.rowHash;
        previousNo = row.rowNo;
    }

    const QList<QPair<QString, QString>> expected = expectedFiles(rows);
    const QStringList present = Ledger::patrolFiles();
    const QSet<QString> presentSet(present.cbegin(), present.cend());
    QList<QPair<QString, QString>> toHash;
    QSet<QString> expectedNames;
    for (const auto &file : expected) {
        expectedNames.insert(file.first);
        if (presentSet.contains(file.first))
            toHash.append(file);
        else
            findings->append({QStringLiteral("missing"), file.first,
                              QStringLiteral("in the ledger with %1, gone without a ledgered delete")
                                  .arg(file.second.left(kShown))});
    }
    const QList<QString> hashes = QtConcurrent::blockingMapped(
        toHash, [](const QPair<QString, QString> &file) { return Ledger::hashFile(Workspace::path(file.first)); });
    for (qsizetype i = 0; i < toHash.size(); ++i) {
        if (hashes[i] != toHash[i].second)
            findings->append({QStringLiteral("edited"), toHash[i].first,
                              QStringLiteral("in the ledger with %1, now %2")
                                  .arg(toHash[i].second.left(kShown),
                                       hashes[i].isEmpty() ? QStringLiteral("unreadable") : hashes[i].left(kShown))});
    }
    for (const QString &name : present)
        if (!expectedNames.contains(name))
            findings->append({QStringLiteral("uncovered"), name, QStringLiteral("no ledger row covers this file")});
    return true;
}

bool LedgerVerifier::findHead(const QString &prefix, LedgerRow *row, QString *error)
{
    static const QRegularExpression hex(QStringLiteral("^[0-9a-fA-F]{12,64}$"));
    if (!hex.match(prefix).hasMatch())
        return false;
    QList<LedgerRow> rows;
    if (!Ledger::rows(&rows, error))
        return false;
    for (const LedgerRow &candidate : std::as_const(rows)) {
        if (candidate.rowHash.startsWith(prefix.toLower())) {
            *row = candidate;
            return true;
        }
    }
    return false;
}
