#include "CentralExceptions.h"

#include "CRes.h"
#include "CentralDatabase.h"
#include "CentralReport.h"
#include "ExceptionReport.h"

#include <QAtomicInteger>
#include <QSet>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <limits>

namespace {

struct SiteRun
{
    CentralReport::Site site;
    ExceptionResult result;
    CentralReport::Definitions definitions;
    bool hasPlan = true;
    QString error;
    QDate first, last; // the claiming days of its plans
    FlagData marks;
    QList<CentralReport::Twin> twins; // when the site was chosen by name
};

// A connection name no other thread uses now: a QSqlDatabase belongs to its thread.
QString connectionName()
{
    static QAtomicInteger<quint64> next;
    return QStringLiteral("tavrel-central-exceptions-%1").arg(next.fetchAndAddRelaxed(1));
}

// The machine numbers read at more than one of the sites on a day from
// `first` to `last`, by site id, as CentralReport::allTwins finds them.
QHash<QString, QList<CentralReport::Twin>> twinsAmong(const QList<SiteRun> &runs, const QDate &first, const QDate &last)
{
    QHash<QString, QSet<int>> sitesOf; // machine number + day -> into runs
    for (qsizetype s = 0; s < runs.size(); ++s) {
        const FlagData &m = runs[s].marks;
        QString previous;
        qint64 previousDay = std::numeric_limits<qint64>::min();
        for (const FlagRead &r : m.reads) {
            const qint64 day = r.at / 86400;
            if (day == previousDay && r.machineNo == previous)
                continue;
            previous = r.machineNo;
            previousDay = day;
            const QDate date = QDate(1970, 1, 1).addDays(day);
            if (date >= first && date <= last)
                sitesOf[r.machineNo + u'\t' + date.toString(Qt::ISODate)].insert(int(s));
        }
    }
    QHash<QString, QList<CentralReport::Twin>> twins;
    for (auto it = sitesOf.cbegin(); it != sitesOf.cend(); ++it) {
        if (it.value().size() < 2)
            continue;
        const QString machine = it.key().section(u'\t', 0, 0);
        const QDate day = QDate::fromString(it.key().section(u'\t', 1), Qt::ISODate);
        for (const int s : it.value()) {
            QStringList others;
            for (const int o : it.value())
                if (o != s)
                    others << runs[o].site.name;
            others.sort();
            twins[runs[s].site.id].append({machine, day, others});
        }
    }
    return twins;
}

}

CentralExceptions::Status CentralExceptions::run(const CentralSettings &settings, const QString &site,
                                                const QDate &from, const QDate &to, const QString &planName,
                                                Result *result, QString *error)
{
    *result = {};
    QList<CentralReport::Site> sites;
    {
        const QString name = connectionName();
        QSqlDatabase db = CentralDatabase::open(settings, name, error);
        const bool ok = db.isOpen() && CentralReport::sites(db, &sites, error);
        db = QSqlDatabase();
        CentralDatabase::close(name);
        if (!ok)
            return Status::Refused;
    }
    if (!site.isEmpty()) {
        sites.removeIf([&](const CentralReport::Site &s) { return s.name != site && s.id != site; });
        if (sites.isEmpty()) {
            *error = QStringLiteral("There is no site called %1").arg(site);
            return Status::Unknown;
        }
    }

    // The sites' definitions and records side by side; then the twins; then
    // the matching, which needs the database no more.
    QList<SiteRun> runs;
    for (const CentralReport::Site &s : std::as_const(sites))
        runs.append({s, {}, {}, true, {}, {}, {}, {}, {}});
    // One connection per thread, each taking its share of the sites in turn:
    // a new server process per site would spend more on warming up its
    // caches than on the site's records.
    const int threads = std::max(1, std::min(int(runs.size()), QThreadPool::globalInstance()->maxThreadCount()));
    QList<QList<SiteRun *>> shares(threads);
    for (qsizetype i = 0; i < runs.size(); ++i)
        shares[i % threads].append(&runs[i]);
    QtConcurrent::blockingMap(shares, [&](const QList<SiteRun *> &share) {
        const QString name = connectionName();
        QString openError;
        QSqlDatabase db = CentralDatabase::open(settings, name, &openError);
        for (SiteRun *run : share) {
            SiteRun &r = *run;
            if (!db.isOpen()) {
                r.error = openError;
                continue;
            }
            if (!CentralReport::definitions(db, r.site.id, &r.definitions, &r.error))
                continue;
            if (!planName.isEmpty()
                && std::none_of(r.definitions.plans.cbegin(), r.definitions.plans.cend(),
                                [&](const PatrolPlan &p) { return p.name == planName; })) {
                r.hasPlan = false; // not one of this site's plans: the site has nothing to report
                continue;
            }
            if (r.definitions.plans.isEmpty())
                continue;
            ExceptionMatcher::claimingDays(r.definitions.plans, from, to, &r.first, &r.last);
            // A site chosen by name: its own twins cost less than all sites' (see below).
            if (CentralReport::marks(db, r.site.id, r.definitions, r.first, r.last, &r.marks, &r.error)
                && !site.isEmpty()) {
                QList<CentralReport::Twin> own;
                if (CentralReport::twins(db, r.site.id, r.first, r.last, &own, &r.error))
                    r.twins = own;
            }
        }
        db = QSqlDatabase();
        CentralDatabase::close(name);
    });
    QDate first, last;
    for (const SiteRun &r : std::as_const(runs)) {
        if (!r.error.isEmpty()) {
            *error = r.error;
            return Status::Refused;
        }
        if (r.first.isValid() && (!first.isValid() || r.first < first))
            first = r.first;
        if (r.last.isValid() && (!last.isValid() || r.last > last))
            last = r.last;
    }
    // When every site's records of the same days are here already, the twins
    // are found among them; otherwise the database looks at all sites' records.
    QHash<QString, QList<CentralReport::Twin>> twins;
    const qsizetype allSites = sites.size();
    const bool allHere = site.isEmpty() && std::all_of(runs.cbegin(), runs.cend(), [&](const SiteRun &r) {
        return r.first.isValid() && r.first == first;
    });
    if (!site.isEmpty()) {
        for (const SiteRun &r : std::as_const(runs))
            twins.insert(r.site.id, r.twins);
    } else if (allHere && allSites > 0) {
        twins = twinsAmong(runs, first, last);
    } else if (first.isValid()) {
        const QString name = connectionName();
        QSqlDatabase db = CentralDatabase::open(settings, name, error);
        const bool ok = db.isOpen() && CentralReport::allTwins(db, first, last, &twins, error);
        db = QSqlDatabase();
        CentralDatabase::close(name);
        if (!ok)
            return Status::Refused;
    }
    QtConcurrent::blockingMap(runs, [&](SiteRun &r) {
        if (!r.hasPlan || r.definitions.plans.isEmpty())
            return;
        CentralReport::addTwins(twins.value(r.site.id), &r.marks);
        const CentralReport::Definitions &d = r.definitions;
        r.result = ExceptionReport::compute(d.plans, d.guards, d.names, d.incidents, r.marks, from, to, planName);
        r.marks = {};
    });

    qsizetype outcomes = 0, flagged = 0;
    for (const SiteRun &r : std::as_const(runs)) {
        outcomes += r.result.outcomes.size();
        flagged += r.result.flagged.size();
    }
    result->report.outcomes.reserve(outcomes);
    result->report.flagged.reserve(flagged);
    bool anyPlan = planName.isEmpty();
    for (SiteRun &r : runs) {
        if (!r.hasPlan)
            continue;
        anyPlan = true;
        const QString &siteName = r.site.name;
        result->sites << siteName;
        ExceptionResult &report = result->report;
        for (CheckpointOutcome &o : r.result.outcomes) {
            o.site = siteName;
            report.outcomes.append(std::move(o));
        }
        const QString prefix = siteName + QStringLiteral(" / ");
        for (auto it = r.result.byPlan.cbegin(); it != r.result.byPlan.cend(); ++it)
            report.byPlan.insert(prefix + it.key(), it.value());
        for (auto it = r.result.byGuard.cbegin(); it != r.result.byGuard.cend(); ++it)
            report.byGuard.insert(prefix + (it.key().isEmpty() ? CRes::instance().ResString(398, QStringLiteral("(no guard)"))
                                                                : it.key()),
                                  it.value());
        for (FlaggedRead &f : r.result.flagged) {
            f.site = siteName;
            report.flagged.append(std::move(f));
        }
        for (auto it = r.result.incidentTotals.cbegin(); it != r.result.incidentTotals.cend(); ++it)
            report.incidentTotals[it.key()] += it.value();
        for (auto it = r.definitions.names.cbegin(); it != r.definitions.names.cend(); ++it)
            result->names.insert(ExceptionReport::nameKey(siteName, it.key()), it.value());
    }
    if (!anyPlan) {
        *error = QStringLiteral("There is no plan called %1").arg(planName);
        return Status::Unknown;
    }
    return Status::Ok;
}
