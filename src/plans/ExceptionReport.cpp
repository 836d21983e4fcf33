#include "ExceptionReport.h"

#include "CRes.h"
#include "FlagReport.h"
#include "PatrolDataLoader.h"
#include "PatrolLibrary.h"
#include "PlanStore.h"
#include "TagStore.h"
#include "Workspace.h"

#include <QDir>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <iterator>

namespace {

struct FileReads
{
    QList<PatrolRead> reads;
    QString warning;
};

FileReads readFile(const QString &path)
{
    FileReads result;
    QList<int> skipped;
    int noMoment = 0;
    QString error;
    // One row reused for every line: its texts keep their buffers.
    PatrolRow row;
    // A file holds the same few terminals and tags again and again: one text
    // of each is shared by its reads.
    QHash<size_t, QString> machines, codes;
    auto shared = [](QHash<size_t, QString> &texts, QStringView field) {
        QString &text = texts[qHash(field)];
        if (text != field)
            text = field.toString(); // new, or another text of the same hash
        return text;
    };
    const bool ok = PatrolDataLoader::readTvl(
        path, [&](qsizetype size) { result.reads.reserve(size / 200 + 1); },
        [&](const QList<QStringView> &fields) {
            row.date.resize(0);
            row.date.append(fields[2]);
            row.time.resize(0);
            row.time.append(fields[3]);
            const QDate date = row.dateValue();
            const QTime time = row.timeValue();
            if (!date.isValid() || !time.isValid()) {
                ++noMoment;
                return;
            }
            result.reads.append({shared(machines, fields[0]), PatrolPlan::moment(date, time), shared(codes, fields[1])});
        },
        &skipped, &error);
    if (!ok) {
        result.warning = error;
        return result;
    }
    result.warning = PatrolDataLoader::readWarning(path, skipped, noMoment);
    return result;
}

}

QList<PatrolRead> ExceptionReport::readRange(const QDate &from, const QDate &to, QStringList *warnings)
{
    Q_UNUSED(to); // a file downloaded after the range can still hold records of it
    // A file holds records older than its download only: one downloaded more
    // than a day before the range (a terminal's clock may run a day ahead of
    // the office's) holds none of it.
    const QDate oldest = from.addDays(-1);
    QStringList paths;
    for (const QString &folder : {Workspace::unapprovedFolder(), Workspace::approvedFolder()}) {
        for (const QString &name : PatrolLibrary::listFolder(folder)) {
            const QDateTime downloaded = QDateTime::fromString(name.left(15), QStringLiteral("yyyyMMdd HHmmss"));
            if (downloaded.isValid() && downloaded.date() < oldest)
                continue;
            paths << QDir(folder).filePath(name);
        }
    }
    QList<FileReads> files = QtConcurrent::blockingMapped(paths, readFile);
    qsizetype total = 0;
    for (const FileReads &f : std::as_const(files))
        total += f.reads.size();
    QList<PatrolRead> reads;
    reads.reserve(total);
    for (FileReads &f : files) {
        std::move(f.reads.begin(), f.reads.end(), std::back_inserter(reads));
        if (warnings && !f.warning.isEmpty())
            warnings->append(f.warning);
    }
    return reads;
}

bool ExceptionReport::run(const QDate &from, const QDate &to, const QString &planName, ExceptionResult *result,
                          QString *error, QStringList *warnings)
{
    QString problem;
    // Every plan takes part in the matching; `planName` only chooses the rounds given back.
    const QList<PatrolPlan> plans = PlanStore::all(&problem);
    if (!problem.isEmpty()) {
        *error = problem;
        return false;
    }
    if (!planName.isEmpty()
        && std::none_of(plans.begin(), plans.end(), [&](const PatrolPlan &p) { return p.name == planName; })) {
        *error = QStringLiteral("There is no plan called %1").arg(planName);
        return false;
    }
    if (plans.isEmpty()) { // nothing is due: no file needs reading
        *result = {};
        return true;
    }
    const QSet<QString> guards = TagStore::guardCodes(&problem);
    const QHash<QString, QString> names = TagStore::descriptionMap(&problem);
    if (!problem.isEmpty()) {
        *error = problem;
        return false;
    }
    QDate first, last;
    ExceptionMatcher::claimingDays(plans, from, to, &first, &last);
    // The records are read once, for the matching and for the flags.
    FlagData marks;
    if (!FlagReport::run(first, last, &marks, error, warnings))
        return false;
    const QHash<QString, QString> incidents = TagStore::incidentTexts(&problem);
    *result = compute(plans, guards, names, incidents, marks, from, to, planName);
    return true;
}

ExceptionResult ExceptionReport::compute(const QList<PatrolPlan> &plans, const QSet<QString> &guards,
                                         const QHash<QString, QString> &names, const QHash<QString, QString> &incidents,
                                         const FlagData &marks, const QDate &from, const QDate &to,
                                         const QString &planName)
{
    // Incident reads are no checkpoint reads: they show beside the read they belong to.
    QList<PatrolRead> reads;
    reads.reserve(qsizetype(marks.reads.size()));
    for (const FlagRead &r : marks.reads)
        if (!incidents.contains(r.code))
            reads.append({r.machineNo, QDateTime::fromSecsSinceEpoch(r.at, Qt::UTC), r.code});
    ExceptionResult result = ExceptionMatcher::match(plans, std::move(reads), from, to, guards, names, planName);
    addMarks(marks, from, to, &result);
    return result;
}

void ExceptionReport::addMarks(const FlagData &marks, const QDate &from, const QDate &to, ExceptionResult *result)
{
    auto key = [](const QString &machineNo, qint64 at, const QString &code) {
        return machineNo + u'\t' + QString::number(at) + u'\t' + code;
    };
    QHash<QString, QString> flagsOf;
    QHash<QString, QStringList> incidentsOf;
    for (qsizetype f = 0; f < marks.flags.size(); ++f) {
        const ReadFlag &flag = marks.flags.at(f);
        const FlagRead &r = marks.reads[size_t(flag.read)];
        QString &rules = flagsOf[key(r.machineNo, r.at, r.code)];
        if (!rules.isEmpty())
            rules += QStringLiteral(", ");
        rules += ReadFlags::ruleName(flag.rule);
        if (!marks.inRange(flag.read, from, to))
            continue;
        // One line per read in the flags section.
        if (f > 0 && marks.flags.at(f - 1).read == flag.read) {
            result->flagged.last().rules += QStringLiteral(", ") + ReadFlags::ruleName(flag.rule);
            result->flagged.last().detail += QStringLiteral("; ") + flag.detail;
        } else {
            result->flagged.append({marks.moment(flag.read), r.machineNo, r.code, ReadFlags::ruleName(flag.rule), flag.detail, {}});
        }
    }
    std::stable_sort(result->flagged.begin(), result->flagged.end(),
                     [](const FlaggedRead &a, const FlaggedRead &b) { return a.at < b.at; });
    for (const IncidentRead &incident : marks.incidents) {
        if (!marks.inRange(incident.read, from, to))
            continue;
        ++result->incidentTotals[incident.text];
        if (incident.checkpoint >= 0) {
            const FlagRead &c = marks.reads[size_t(incident.checkpoint)];
            incidentsOf[key(c.machineNo, c.at, c.code)].append(incident.text);
        }
    }
    for (CheckpointOutcome &o : result->outcomes) {
        if (!o.read.isValid())
            continue;
        const QString k = key(o.machineNo, o.read.toSecsSinceEpoch(), o.code);
        o.flags = flagsOf.value(k);
        o.incidents = incidentsOf.value(k);
    }
}

QString ExceptionReport::kindText(CheckpointOutcome::Kind kind)
{
    CRes &res = CRes::instance();
    switch (kind) {
    case CheckpointOutcome::Kind::OnTime:
        return res.ResString(390, QStringLiteral("On time"));
    case CheckpointOutcome::Kind::Early:
        return res.ResString(391, QStringLiteral("Early"));
    case CheckpointOutcome::Kind::Late:
        return res.ResString(392, QStringLiteral("Late"));
    case CheckpointOutcome::Kind::Missed:
        return res.ResString(393, QStringLiteral("Missed"));
    case CheckpointOutcome::Kind::Extra:
        return res.ResString(394, QStringLiteral("Extra"));
    }
    return {};
}

QString ExceptionReport::line(const CheckpointOutcome &o)
{
    static const char *const kWords[] = {"on-time", "early", "late", "missed", "extra"};
    // A tab or line break inside a name (a plan, a tag description) would split the line.
    auto field = [](QString text) {
        for (QChar &c : text)
            if (c == u'\t' || c == u'\n' || c == u'\r')
                c = u' ';
        return text;
    };
    return QStringList{field(o.plan),
                       o.roundStart.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                       QString::number(o.seq),
                       field(o.code),
                       o.due.isValid() ? o.due.toString(QStringLiteral("HH:mm")) : QString(),
                       QLatin1String(kWords[int(o.kind)]),
                       QString::number(o.minutes),
                       o.outOfOrder ? QStringLiteral("out-of-order") : QString(),
                       o.read.isValid() ? o.read.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString(),
                       field(o.machineNo),
                       field(o.guard)}
        .join(u'\t');
}

QString ExceptionReport::nameKey(const QString &site, const QString &code)
{
    return site.isEmpty() ? code : site + u'\t' + code;
}
