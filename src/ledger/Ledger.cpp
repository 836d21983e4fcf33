#include "Ledger.h"

#include "DataStore.h"
#include "MessageReporter.h"
#include "Outbox.h"
#include "RegularFile.h"
#include "Workspace.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <openssl/evp.h>

#include <memory>

namespace {

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QVariant nullable(const QString &text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QVariant nullable(const std::optional<qint64> &value)
{
    return value ? QVariant(*value) : QVariant();
}

std::optional<qint64> optionalNumber(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    return value.toLongLong();
}

QString number(const std::optional<qint64> &value)
{
    return value ? QString::number(*value) : QString();
}

// Runs one statement of the ledger's own; false with the database's words.
bool exec(QSqlQuery &query, const QString &text, QString *error)
{
    if (query.exec(text))
        return true;
    setError(error, QStringLiteral("The ledger in %1 cannot be written: %2")
                        .arg(QDir::toNativeSeparators(Workspace::tvlMon()), query.lastError().text()));
    return false;
}

// One write transaction on tvl.mon, taken at once so that a second program
// appending at the same time waits instead of reading the same last row.
class WriteTransaction
{
public:
    explicit WriteTransaction(QSqlDatabase db)
        : m_query(db)
    {
    }
    ~WriteTransaction()
    {
        if (m_open)
            m_query.exec(QStringLiteral("ROLLBACK"));
    }
    bool begin(QString *error) { return m_open = exec(m_query, QStringLiteral("BEGIN IMMEDIATE"), error); }
    bool commit(QString *error)
    {
        if (!exec(m_query, QStringLiteral("COMMIT"), error))
            return false;
        m_open = false;
        return true;
    }

private:
    QSqlQuery m_query;
    bool m_open = false;
};

QSqlDatabase ledgerDatabase(QString *error)
{
    return DataStore::database(DataStore::kConnLog, error);
}

bool isEmpty(QSqlDatabase db, bool *empty, QString *error)
{
    QSqlQuery query(db);
    if (!exec(query, QStringLiteral("SELECT COUNT(*) FROM Ledger"), error) || !query.next())
        return false;
    *empty = query.value(0).toLongLong() == 0;
    return true;
}

bool makeBaseline(LedgerRow *row, const QString &except, QString *error)
{
    row->kind = Ledger::kBaseline;
    for (const QString &name : Ledger::patrolFiles()) {
        if (name == except)
            continue;
        QString why;
        const QString hash = Ledger::hashFile(Workspace::path(name), &why);
        if (hash.isEmpty()) {
            setError(error, why);
            return false;
        }
        row->baselineFiles.append({name, hash});
    }
    row->fileName = QString::number(row->baselineFiles.size());
    row->fileHash = Ledger::listHash(row->baselineFiles);
    return true;
}

}

QByteArray Ledger::canonicalText(const LedgerRow &row)
{
    const QStringList fields {QString::number(row.rowNo), row.at,        row.kind,
                              row.fileName,               row.fileHash,  number(row.recordCount),
                              row.family,                 row.machineNo, number(row.clockOffsetSec)};
    QByteArray text = fields.join(QLatin1Char('\t')).toUtf8() + '\n';
    for (const auto &[name, hash] : row.baselineFiles)
        text += name.toUtf8() + '\t' + hash.toLatin1() + '\n';
    return text;
}

QString Ledger::computeHash(const LedgerRow &row)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(canonicalText(row));
    hash.addData(row.prevHash.toLatin1());
    return QString::fromLatin1(hash.result().toHex());
}

QString Ledger::listHash(const QList<QPair<QString, QString>> &files)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const auto &[name, fileHash] : files)
        hash.addData(name.toUtf8() + '\t' + fileHash.toLatin1() + '\n');
    return QString::fromLatin1(hash.result().toHex());
}

QString Ledger::hashFile(const QString &path, QString *error)
{
    QFile file;
    if (!RegularFile::openForReading(file, path, error))
        return QString();
    // OpenSSL's SHA-256 uses the processor's SHA instructions where it has
    // them: verify hashes every patrol-data file, hundreds of megabytes.
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    bool ok = context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) == 1;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    while (ok) {
        const qint64 got = file.read(buffer.data(), buffer.size());
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        ok = EVP_DigestUpdate(context.get(), buffer.constData(), size_t(got)) == 1;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!ok || EVP_DigestFinal_ex(context.get(), digest, &length) != 1) {
        setError(error, QStringLiteral("Cannot read %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
        return QString();
    }
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex());
}

QString Ledger::relativeName(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString root = QFileInfo(Workspace::current()).absoluteFilePath() + QLatin1Char('/');
    return absolute.startsWith(root) ? absolute.mid(root.size()) : absolute;
}

QStringList Ledger::patrolFiles()
{
    QStringList names;
    for (const QString &folder : {QStringLiteral("Unapproved"), QStringLiteral("Approved")}) {
        const QStringList files = QDir(Workspace::path(folder))
                                      .entryList({QStringLiteral("*.tvl")}, QDir::Files | QDir::System, QDir::Name);
        for (const QString &file : files)
            names << folder + QLatin1Char('/') + file;
    }
    return names;
}

bool Ledger::insert(LedgerRow &row, QString *error)
{
    QSqlDatabase db = ledgerDatabase(error);
    QSqlQuery last(db);
    if (!exec(last, QStringLiteral("SELECT RowNo, RowHash FROM Ledger ORDER BY RowNo DESC LIMIT 1"), error))
        return false;
    row.rowNo = last.next() ? last.value(0).toLongLong() + 1 : 1;
    row.prevHash = row.rowNo == 1 ? kZeroHash : last.value(1).toString();
    if (row.at.isEmpty())
        row.at = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    row.rowHash = computeHash(row);

    QSqlQuery add(db);
    add.prepare(QStringLiteral("INSERT INTO Ledger (RowNo, At, Kind, FileName, FileHash, RecordCount, Family, "
                               "MachineNo, ClockOffsetSec, PrevHash, RowHash) VALUES (?,?,?,?,?,?,?,?,?,?,?)"));
    for (const QVariant &value : {QVariant(row.rowNo), QVariant(row.at), QVariant(row.kind), nullable(row.fileName),
                                  nullable(row.fileHash), nullable(row.recordCount), nullable(row.family),
                                  nullable(row.machineNo), nullable(row.clockOffsetSec), QVariant(row.prevHash),
                                  QVariant(row.rowHash)})
        add.addBindValue(value);
    if (!add.exec()) {
        setError(error, QStringLiteral("The ledger in %1 cannot be written: %2")
                            .arg(QDir::toNativeSeparators(Workspace::tvlMon()), add.lastError().text()));
        return false;
    }
    for (const auto &[name, hash] : std::as_const(row.baselineFiles)) {
        QSqlQuery file(db);
        file.prepare(QStringLiteral("INSERT INTO LedgerBaseline (RowNo, FileName, FileHash) VALUES (?,?,?)"));
        file.addBindValue(row.rowNo);
        file.addBindValue(name);
        file.addBindValue(hash);
        if (!file.exec()) {
            setError(error, QStringLiteral("The ledger in %1 cannot be written: %2")
                                .arg(QDir::toNativeSeparators(Workspace::tvlMon()), file.lastError().text()));
            return false;
        }
    }
    return true;
}

bool Ledger::append(LedgerRow row, QString *error)
{
    QSqlDatabase db = ledgerDatabase(error);
    if (!db.isOpen())
        return false;
    WriteTransaction transaction(db);
    // A saved download enters the central outbox with its ledger row, or neither does.
    const bool outbox = row.kind == kDownload && Outbox::enabled();
    return transaction.begin(error) && baselineIfEmpty(db, row.fileName, error) && insert(row, error)
        && (!outbox || Outbox::queue(db, row.fileName, row.fileHash, error)) && transaction.commit(error);
}

bool Ledger::baselineIfEmpty(QSqlDatabase db, const QString &except, QString *error)
{
    bool empty = false;
    if (!isEmpty(db, &empty, error))
        return false;
    if (!empty)
        return true;
    LedgerRow baseline;
    if (!makeBaseline(&baseline, except, error))
        return false;
    return baseline.baselineFiles.isEmpty() || insert(baseline, error);
}

bool Ledger::appendFile(const QString &kind, const QString &path, std::optional<qint64> recordCount, QString *error)
{
    LedgerRow row;
    row.kind = kind;
    row.fileName = relativeName(path);
    row.fileHash = hashFile(path, error);
    row.recordCount = recordCount;
    return !row.fileHash.isEmpty() && append(row, error);
}

void Ledger::note(const QString &kind, const QString &path, std::optional<qint64> recordCount)
{
    QString error;
    if (!appendFile(kind, path, recordCount, &error))
        reportFailure(path, error);
}

void Ledger::note(const LedgerRow &row)
{
    QString error;
    if (!append(row, &error))
        reportFailure(row.fileName, error);
}

void Ledger::reportFailure(const QString &path, const QString &error)
{
    MessageReporter::instance().message(
        QStringLiteral("%1 is kept, but the ledger could not record it: %2").arg(QDir::toNativeSeparators(path), error),
        MessageReporter::Icon::Exclamation);
}

bool Ledger::ensureBaseline(QString *error, const QString &except)
{
    QSqlDatabase db = ledgerDatabase(error);
    if (!db.isOpen())
        return false;
    WriteTransaction transaction(db);
    return transaction.begin(error) && baselineIfEmpty(db, except, error) && transaction.commit(error);
}

bool Ledger::rows(QList<LedgerRow> *rows, QString *error)
{
    rows->clear();
    QSqlDatabase db = ledgerDatabase(error);
    if (!db.isOpen())
        return false;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!exec(query, QStringLiteral("SELECT RowNo, At, Kind, FileName, FileHash, RecordCount, Family, MachineNo, "
                                    "ClockOffsetSec, PrevHash, RowHash FROM Ledger ORDER BY RowNo"),
              error))
        return false;
    while (query.next()) {
        LedgerRow row;
        row.rowNo = query.value(0).toLongLong();
        row.at = query.value(1).toString();
        row.kind = query.value(2).toString();
        row.fileName = query.value(3).toString();
        row.fileHash = query.value(4).toString();
        row.recordCount = optionalNumber(query.value(5));
        row.family = query.value(6).toString();
        row.machineNo = query.value(7).toString();
        row.clockOffsetSec = optionalNumber(query.value(8));
        row.prevHash = query.value(9).toString();
        row.rowHash = query.value(10).toString();
        rows->append(row);
    }
    QSqlQuery files(db);
    files.setForwardOnly(true);
    if (!exec(files, QStringLiteral("SELECT RowNo, FileName, FileHash FROM LedgerBaseline ORDER BY RowNo, rowid"),
              error))
        return false;
    qsizetype at = 0;
    while (files.next()) {
        const qint64 rowNo = files.value(0).toLongLong();
        while (at < rows->size() && (*rows)[at].rowNo < rowNo)
            ++at;
        if (at < rows->size() && (*rows)[at].rowNo == rowNo)
            (*rows)[at].baselineFiles.append({files.value(1).toString(), files.value(2).toString()});
    }
    return true;
}

bool Ledger::head(LedgerRow *row, QString *error)
{
    QSqlDatabase db = ledgerDatabase(error);
    if (!db.isOpen())
        return false;
    QSqlQuery query(db);
    if (!exec(query, QStringLiteral("SELECT RowHash, At, RowNo FROM Ledger ORDER BY RowNo DESC LIMIT 1"), error))
        return false;
    if (!query.next())
        return false;
    row->rowHash = query.value(0).toString();
    row->at = query.value(1).toString();
    row->rowNo = query.value(2).toLongLong();
    return true;
}

QString Ledger::footerLine()
{
    LedgerRow last;
    QString error;
    if (!head(&last, &error))
        return error.isEmpty() ? QStringLiteral("Ledger empty") : QStringLiteral("Ledger unreadable");
    return QStringLiteral("Ledger head %1, %2").arg(last.rowHash.left(12), last.at);
}
