#include "FlagReport.h"

#include "IncidentTracker.h"
#include "PatrolDataLoader.h"
#include "PatrolLibrary.h"
#include "PatrolRow.h"
#include "PlanStore.h"
#include "TagStore.h"
#include "Workspace.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <numeric>

namespace {

struct FileRecords
{
    std::vector<FlagRead> reads;
    std::vector<int> rows;
    QString warning;
};

FileRecords readFile(const QString &path)
{
    FileRecords result;
    QList<int> skipped;
    QString error;
    PatrolRow row;
    int record = 0;
    int noMoment = 0;
    const bool ok = PatrolDataLoader::readTvl(
        path, [&](qsizetype size) { result.reads.reserve(size_t(size / 200 + 1)); },
        [&](const QList<QStringView> &fields) {
            row.date = fields[2].toString();
            row.time = fields[3].toString();
            const QDate date = row.dateValue();
            const QTime time = row.timeValue();
            if (date.isValid() && time.isValid()) {
                result.reads.push_back({fields[0].toString(), PatrolPlan::moment(date, time).toSecsSinceEpoch(),
                                        TagStore::codeKey(fields[1].toString()), 0});
                result.rows.push_back(record);
            } else {
                ++noMoment;
            }
            ++record;
        },
        &skipped, &error);
    if (!ok) {
        result.warning = error;
        return result;
    }
    result.warning = PatrolDataLoader::readWarning(path, skipped, noMoment);
    return result;
}

// A moment of the PC as the wall clock the terminals record.
qint64 wallClock(const QDateTime &moment)
{
    const QDateTime local = moment.toLocalTime();
    return PatrolPlan::moment(local.date(), local.time()).toSecsSinceEpoch();
}

// File name -> (download time, clock offset) from the Ledger's download rows;
// nothing when tvl.mon has no Ledger table. Its own read-only connection: the
// ledger is never written from here.
QHash<QString, DownloadInfo> ledgerDownloads()
{
    QHash<QString, DownloadInfo> downloads;
    const QString name = QStringLiteral("tavrel-ledger-read");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(Workspace::tvlMon());
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (QFileInfo::exists(Workspace::tvlMon()) && db.open()) {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            if (q.exec(QStringLiteral("SELECT FileName, At, ClockOffsetSec FROM Ledger WHERE Kind = 'download' "
                                      "ORDER BY RowNo"))) {
                while (q.next()) {
                    DownloadInfo info;
                    info.file = QFileInfo(q.value(0).toString()).fileName();
                    const QDateTime at = QDateTime::fromString(q.value(1).toString(), Qt::ISODate);
                    if (at.isValid())
                        info.at = wallClock(at.timeSpec() == Qt::LocalTime ? QDateTime(at.date(), at.time(), Qt::UTC) : at); // UTC when no zone is written
                    if (!q.value(2).isNull())
                        info.offset = q.value(2).toLongLong();
                    downloads.insert(info.file, info);
                }
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return downloads;
}

QString field(QString text)
{
    for (QChar &c : text)
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    return text;
}

}

QDateTime FlagData::moment(qsizetype read) const
{
    return QDateTime::fromSecsSinceEpoch(reads[size_t(read)].at, Qt::UTC);
}

bool FlagData::inRange(qsizetype read, const QDate &from, const QDate &to) const
{
    const QDate day = moment(read).date();
    return day >= from && day <= to;
}

bool FlagReport::run(const QDate &from, const QDate &to, FlagData *data, QString *error, QStringList *warnings,
                     const QString &extraPath)
{
    Q_UNUSED(to); // a file downloaded after the range can still hold records of it
    *data = {};
    QString problem;
    const QList<PatrolPlan> plans = PlanStore::all(&problem);
    const QSet<QString> guards = TagStore::guardCodes(&problem);
    const QHash<QString, QString> incidentTexts = TagStore::incidentTexts(&problem);
    if (!problem.isEmpty()) {
        *error = problem;
        return false;
    }
    // Files in download order: their names are their download times.
    const QDate oldest = from.addDays(-1);
    QList<std::pair<QString, QString>> files; // name, path
    for (const QString &folder : {Workspace::unapprovedFolder(), Workspace::approvedFolder()}) {
        for (const QString &name : PatrolLibrary::listFolder(folder)) {
            const QDateTime downloaded = QDateTime::fromString(name.left(15), QStringLiteral("yyyyMMdd HHmmss"));
            if (!downloaded.isValid() || downloaded.date() >= oldest)
                files.append({name, QDir(folder).filePath(name)});
        }
    }
    std::stable_sort(files.begin(), files.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    if (!extraPath.isEmpty()
        && std::none_of(files.begin(), files.end(), [&](const auto &f) {
               return QFileInfo(f.second).absoluteFilePath() == QFileInfo(extraPath).absoluteFilePath();
           }))
        files.append({QFileInfo(extraPath).fileName(), extraPath});
    for (const auto &f : std::as_const(files))
        data->paths << f.second;

    const QHash<QString, DownloadInfo> ledger = ledgerDownloads();
    QList<FileRecords> records = QtConcurrent::blockingMapped(data->paths, readFile);
    size_t total = 0;
    for (const FileRecords &r : std::as_const(records))
        total += r.reads.size();
    data->reads.reserve(total);
    data->rowOf.reserve(total);
    for (qsizetype f = 0; f < records.size(); ++f) {
        const QString name = QFileInfo(data->paths.at(f)).fileName();
        DownloadInfo info = ledger.value(name);
        if (!ledger.contains(name)) {
            info.file = name;
            const QDateTime modified = QFileInfo(data->paths.at(f)).lastModified();
            if (modified.isValid())
                info.at = wallClock(modified);
        }
        data->downloads.push_back(info);
        FileRecords &r = records[f];
        for (FlagRead &read : r.reads) {
            read.download = int(f);
            data->reads.push_back(std::move(read));
        }
        data->rowOf.insert(data->rowOf.end(), r.rows.begin(), r.rows.end());
        if (warnings && !r.warning.isEmpty())
            warnings->append(r.warning);
    }

    evaluate(plans, guards, incidentTexts, data);
    return true;
}

void FlagReport::evaluate(const QList<PatrolPlan> &plans, const QSet<QString> &guards,
                          const QHash<QString, QString> &incidentTexts, FlagData *data)
{
    QSet<QString> notCheckpoints = guards;
    for (auto it = incidentTexts.cbegin(); it != incidentTexts.cend(); ++it)
        notCheckpoints.insert(it.key());
    data->flags = ReadFlags::evaluate(data->reads, data->downloads, ReadFlags::transitRules(plans), notCheckpoints,
                                      FlagThresholds::fromSettings());

    if (!incidentTexts.isEmpty()) {
        const std::vector<FlagRead> &reads = data->reads;
        std::vector<qsizetype> order(reads.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
            if (const int c = reads[size_t(a)].machineNo.compare(reads[size_t(b)].machineNo))
                return c < 0;
            return reads[size_t(a)].at < reads[size_t(b)].at;
        });
        IncidentTracker::walk(
            order, [&](qsizetype i) { return reads[size_t(i)].machineNo; }, [&](qsizetype i) { return reads[size_t(i)].at; },
            [&](qsizetype i) {
                const QString &code = reads[size_t(i)].code;
                return incidentTexts.contains(code) ? IncidentTracker::Incident
                    : guards.contains(code)         ? IncidentTracker::Other
                                                    : IncidentTracker::Checkpoint;
            },
            IncidentTracker::windowSeconds(),
            [&](qsizetype incident, qsizetype checkpoint) {
                data->incidents.append({incident, checkpoint, incidentTexts.value(reads[size_t(incident)].code)});
            });
        std::sort(data->incidents.begin(), data->incidents.end(),
                  [](const IncidentRead &a, const IncidentRead &b) { return a.read < b.read; });
    }
}

QStringList FlagReport::rowFlags(const QString &path, int rowCount, const QDate &first, const QDate &last)
{
    FlagData data;
    QString error;
    if (!first.isValid() || !last.isValid() || !run(first, last, &data, &error, nullptr, path))
        return {};
    const QString absolute = QFileInfo(path).absoluteFilePath();
    qsizetype file = -1;
    for (qsizetype f = 0; f < data.paths.size() && file < 0; ++f)
        if (QFileInfo(data.paths.at(f)).absoluteFilePath() == absolute)
            file = f;
    QStringList marks(rowCount);
    bool any = false;
    for (const ReadFlag &flag : std::as_const(data.flags)) {
        if (data.reads[size_t(flag.read)].download != file)
            continue;
        const int row = data.rowOf[size_t(flag.read)];
        if (row < 0 || row >= rowCount)
            continue;
        QString &mark = marks[row];
        if (!mark.isEmpty())
            mark += QStringLiteral(", ");
        mark += ReadFlags::ruleName(flag.rule);
        any = true;
    }
    return any ? marks : QStringList();
}

QString FlagReport::line(const FlagData &data, const ReadFlag &flag)
{
    const FlagRead &r = data.reads[size_t(flag.read)];
    return QStringList{data.moment(flag.read).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), field(r.machineNo),
                       field(r.code), ReadFlags::ruleName(flag.rule), field(flag.detail),
                       field(data.downloads[size_t(r.download)].file)}
        .join(u'\t');
}

QString FlagReport::incidentLine(const FlagData &data, const IncidentRead &incident)
{
    const FlagRead &r = data.reads[size_t(incident.read)];
    const bool attached = incident.checkpoint >= 0;
    return QStringList{data.moment(incident.read).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), field(r.machineNo),
                       field(r.code), field(incident.text),
                       attached ? field(data.reads[size_t(incident.checkpoint)].code) : QString(),
                       attached ? data.moment(incident.checkpoint).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString(),
                       field(data.downloads[size_t(r.download)].file)}
        .join(u'\t');
}
