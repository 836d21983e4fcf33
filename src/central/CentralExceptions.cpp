#include "CentralExceptions.h"

#include "CentralDatabase.h"
#include "CentralReport.h"
#include "ExceptionReport.h"

#include <QAtomicInteger>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>

namespace {

struct SiteRun
{
    CentralReport::Site site;
    ExceptionResult result;
    CentralReport::Definitions definitions;
    bool hasPlan = true;
    QString error;
};

// A connection name no other thread uses now: a QSqlDatabase belongs to its thread.
QString connectionName()
{
    static QAtomicInteger<quint64> next;
    return QStringLiteral("tavrel-central-exceptions-%1").arg(next.fetchAndAddRelaxed(1));
}

}

CentralExceptions::Status CentralExceptions::run(const CentralSettings &settings, const QString &site, const QDate &from, const QDate &to,
                            const QString &planName, Result *result, QString *error)
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

    QList<SiteRun> runs;
    for (const CentralReport::Site &s : std::as_const(sites))
        runs.append({s, {}, {}, true, {}});
    QtConcurrent::blockingMap(runs, [&](SiteRun &r) {
        const QString name = connectionName();
        QSqlDatabase db = CentralDatabase::open(settings, name, &r.error);
        if (db.isOpen() && CentralReport::definitions(db, r.site.id, &r.definitions, &r.error)) {
            if (!planName.isEmpty()
                && std::none_of(r.definitions.plans.cbegin(), r.definitions.plans.cend(),
                                [&](const PatrolPlan &p) { return p.name == planName; }))
                r.hasPlan = false; // not one of this site's plans: the site has nothing to report
            else
                CentralReport::run(db, r.site.id, from, to, planName, &r.result, &r.definitions, &r.error);
        }
        db = QSqlDatabase();
        CentralDatabase::close(name);
    });

    bool anyPlan = planName.isEmpty();
    for (SiteRun &r : runs) {
        if (!r.error.isEmpty()) {
            *error = r.error;
            return Status::Refused;
        }
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
            report.byGuard.insert(prefix + it.key(), it.value());
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
