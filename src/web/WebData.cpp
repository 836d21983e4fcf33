#include "WebData.h"

#include "CentralDatabase.h"

#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

namespace {

// The sites the user bound twice at the ? may see.
const char kVisible[] = "(s.id IN (SELECT site_id FROM web_user_sites WHERE user_name = ?) "
                        "OR coalesce((SELECT all_sites FROM web_users WHERE name = ?), false))";

// One row per site: what the overview shows and a version of its data, made
// of its newest download and a digest of its definitions.
const char kSiteColumns[] =
    "SELECT s.id::text, s.name, s.last_push, s.waiting, "
    " (SELECT max(d.downloaded_at) FROM downloads d WHERE d.site_id = s.id), "
    " coalesce((SELECT max(d.id) FROM downloads d WHERE d.site_id = s.id), 0) || ':' || "
    " md5(coalesce((SELECT string_agg(concat_ws('|', p.name, p.start_time, p.end_time, p.interval_minutes,"
    "   p.weekdays), ';' ORDER BY p.name) FROM plans p WHERE p.site_id = s.id), '') || '#' ||"
    "  coalesce((SELECT string_agg(concat_ws('|', pp.plan_name, pp.seq, pp.code, pp.minutes, pp.tolerance,"
    "   pp.min_minutes), ';' ORDER BY pp.plan_name, pp.seq) FROM plan_points pp WHERE pp.site_id = s.id), '') || '#' ||"
    "  coalesce((SELECT string_agg(concat_ws('|', t.code, t.description, t.kind, t.kind_text), ';' ORDER BY t.code)"
    "   FROM tags t WHERE t.site_id = s.id), '')) "
    "FROM sites s ";

WebData::Site siteOf(const QSqlQuery &q)
{
    WebData::Site s;
    s.id = q.value(0).toString();
    s.name = q.value(1).toString();
    if (!q.value(2).isNull())
        s.lastPush = q.value(2).toDateTime().toUTC();
    s.waiting = q.value(3).toInt();
    if (!q.value(4).isNull()) {
        const QDateTime at = q.value(4).toDateTime();
        s.lastDownload = PatrolPlan::moment(at.date(), at.time());
    }
    s.version = q.value(5).toString();
    return s;
}

}

bool WebData::sites(QSqlDatabase db, const QString &user, QList<Site> *sites, QString *error)
{
    sites->clear();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QString::fromLatin1(kSiteColumns) + QStringLiteral("WHERE ") + QString::fromLatin1(kVisible)
              + QStringLiteral(" ORDER BY s.name, s.id"));
    q.addBindValue(user);
    q.addBindValue(user);
    if (!CentralDatabase::exec(q, QStringLiteral("The sites cannot be read"), error))
        return false;
    while (q.next())
        sites->append(siteOf(q));
    return true;
}

bool WebData::allSites(QSqlDatabase db, QList<Site> *sites, QString *error)
{
    sites->clear();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!CentralDatabase::exec(q, QString::fromLatin1(kSiteColumns) + QStringLiteral("ORDER BY s.name, s.id"),
                               QStringLiteral("The sites cannot be read"), error))
        return false;
    while (q.next())
        sites->append(siteOf(q));
    return true;
}

bool WebData::site(QSqlDatabase db, const QString &user, const QString &siteId, Site *site, bool *found,
                   QString *error)
{
    *found = false;
    const QUuid id = QUuid::fromString(siteId);
    if (id.isNull() || siteId.size() != 36)
        return true;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QString::fromLatin1(kSiteColumns) + QStringLiteral("WHERE s.id = ?::uuid AND ")
              + QString::fromLatin1(kVisible));
    q.addBindValue(id.toString(QUuid::WithoutBraces));
    q.addBindValue(user);
    q.addBindValue(user);
    if (!CentralDatabase::exec(q, QStringLiteral("The site cannot be read"), error))
        return false;
    if (q.next()) {
        *site = siteOf(q);
        *found = true;
    }
    return true;
}

bool WebData::report(QSqlDatabase db, const Site &site, const QDate &from, const QDate &to, const QString &plan,
                     std::shared_ptr<const Report> *report, bool *planMissing, QString *error)
{
    *planMissing = false;
    const QString key = QStringList{site.id, site.version, from.toString(Qt::ISODate), to.toString(Qt::ISODate), plan}
                            .join(QChar(31));
    {
        QMutexLocker lock(&m_mutex);
        if (const auto it = m_cache.constFind(key); it != m_cache.constEnd()) {
            *report = *it;
            return true;
        }
    }
    auto computed = std::make_shared<Report>();
    if (!CentralReport::definitions(db, site.id, &computed->definitions, error))
        return false;
    if (!plan.isEmpty()
        && std::none_of(computed->definitions.plans.begin(), computed->definitions.plans.end(),
                        [&](const PatrolPlan &p) { return p.name == plan; })) {
        *planMissing = true;
        *error = QStringLiteral("There is no plan called %1").arg(plan);
        return false;
    }
    if (!CentralReport::run(db, site.id, from, to, plan, &computed->result, error))
        return false;
    QMutexLocker lock(&m_mutex);
    if (m_cache.size() >= 4096) // old versions and ranges pile up: start again
        m_cache.clear();
    m_cache.insert(key, computed);
    *report = computed;
    return true;
}

void WebData::clear()
{
    QMutexLocker lock(&m_mutex);
    m_cache.clear();
}
