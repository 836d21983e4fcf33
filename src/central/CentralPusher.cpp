#include "CentralPusher.h"

#include "CentralDatabase.h"
#include "CentralPush.h"
#include "CentralSchema.h"
#include "Ledger.h"
#include "Outbox.h"
#include "SiteIdentity.h"
#include "Workspace.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSqlQuery>

#include <optional>

namespace {

QString now()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
}

// The definitions last pushed are those of one central database.
QString definitionsKey(const CentralSettings &settings, const QString &hash)
{
    return settings.describe() + u'\t' + hash;
}

bool definitionsChanged(const CentralSettings &settings, QString *hash, QString *error)
{
    *hash = CentralPush::definitionsHash(error);
    if (hash->isEmpty())
        return false;
    return Outbox::value(Outbox::kDefinitionsHash) != definitionsKey(settings, *hash);
}

// Where the file of an outbox row is now. Approving moves it to Approved/
// (renamed " (n)" when its name is taken there), so a name is trusted only
// with the bytes it was saved with; else the bytes are looked for among all
// files. A file changed since is pushed as it is (the server keeps the other
// bytes under a known name as a conflict). Empty when it is gone.
class FileFinder
{
public:
    QString locate(const Outbox::Entry &entry)
    {
        const QString base = QFileInfo(entry.fileName).fileName();
        const QStringList byName{QDir(Workspace::unapprovedFolder()).filePath(base),
                                 QDir(Workspace::approvedFolder()).filePath(base)};
        for (const QString &path : byName)
            if (QFileInfo::exists(path) && (entry.fileHash.isEmpty() || Ledger::hashFile(path) == entry.fileHash))
                return path;
        if (!entry.fileHash.isEmpty()) {
            if (!m_byHash) {
                m_byHash.emplace();
                for (const QString &name : Ledger::patrolFiles())
                    m_byHash->insert(Ledger::hashFile(Workspace::path(name)), Workspace::path(name));
            }
            const QString found = m_byHash->value(entry.fileHash);
            if (!found.isEmpty())
                return found;
        }
        for (const QString &path : byName)
            if (QFileInfo::exists(path))
                return path;
        return {};
    }

private:
    std::optional<QHash<QString, QString>> m_byHash;
};

}

CentralPusher::State CentralPusher::Report::state() const
{
    return !reachable ? State::Unreachable : waiting > 0 ? State::Waiting : State::UpToDate;
}

int CentralPusher::waiting(const CentralSettings &settings, QString *error)
{
    Outbox::Summary summary;
    if (!Outbox::summary(&summary, error))
        return -1;
    QString hash;
    const bool changed = definitionsChanged(settings, &hash, error);
    if (hash.isEmpty())
        return -1;
    return summary.waiting + (changed ? 1 : 0);
}

bool CentralPusher::pushPending(const CentralSettings &settings, const QString &connectionName, Report *report,
                                QString *error)
{
    *report = {};
    SiteIdentity::Site site;
    QList<Outbox::Entry> entries;
    QString hash;
    if (!SiteIdentity::current(&site, error) || !Outbox::waiting(&entries, error))
        return false;
    const bool changed = definitionsChanged(settings, &hash, error);
    if (hash.isEmpty())
        return false;

    QSqlDatabase db = CentralDatabase::open(settings, connectionName, error);
    // The server cannot be reached, refuses this user or this program, or went
    // away in the middle: everything waiting stays, with the attempt counted.
    auto unreachable = [&] {
        Outbox::markFailed(0, *error, nullptr);
        QString since = Outbox::value(Outbox::kUnreachableSince);
        if (since.isEmpty()) {
            since = now();
            Outbox::setValue(Outbox::kUnreachableSince, since, nullptr);
        }
        report->reachable = false;
        report->unreachableSince = QDateTime::fromString(since, Qt::ISODate);
        QString unread;
        report->waiting = CentralPusher::waiting(settings, &unread);
        db = QSqlDatabase();
        // A connection the server ended must not be handed out again.
        CentralDatabase::close(connectionName);
        return false;
    };
    if (!db.isOpen() || !CentralSchema::check(db, error) || !CentralPush::registerSite(db, site, error))
        return unreachable();
    if (changed) {
        if (!CentralPush::pushDefinitions(db, site.id, error))
            return unreachable();
        Outbox::setValue(Outbox::kDefinitionsHash, definitionsKey(settings, hash), nullptr);
        report->definitions = true;
    }

    FileFinder finder;
    QString lastFailure;
    for (const Outbox::Entry &entry : std::as_const(entries)) {
        const QString path = finder.locate(entry);
        if (path.isEmpty()) {
            if (!Outbox::markGone(entry.seq,
                                  QStringLiteral("%1 was deleted before it could be pushed").arg(entry.fileName),
                                  error))
                return false;
            ++report->gone;
            continue;
        }
        CentralPush::Outcome outcome;
        QString why;
        const bool pushed = CentralPush::pushFile(db, site.id, path, QFileInfo(entry.fileName).fileName(), &outcome, &why);
        bool up = pushed || db.isOpen();
        if (!pushed && up) {
            QSqlQuery alive(db);
            up = alive.exec(QStringLiteral("SELECT 1"));
        }
        if (!up) {
            *error = why;
            return unreachable();
        }
        if (!pushed) {
            Outbox::markFailed(entry.seq, why, nullptr);
            lastFailure = why;
            ++report->failed;
            continue;
        }
        if (!Outbox::markPushed(entry.seq, error))
            return false;
        ++(outcome == CentralPush::Outcome::Landed         ? report->landed
           : outcome == CentralPush::Outcome::AlreadyThere ? report->alreadyThere
                                                           : report->conflicts);
    }
    report->waiting = report->failed;
    if (!CentralPush::notePush(db, site.id, report->waiting, error))
        return unreachable();
    db = QSqlDatabase();
    CentralDatabase::close(connectionName);
    Outbox::setValue(Outbox::kLastPush, now(), nullptr);
    Outbox::setValue(Outbox::kUnreachableSince, QString(), nullptr);
    if (report->failed > 0) {
        *error = lastFailure;
        return false;
    }
    return true;
}
