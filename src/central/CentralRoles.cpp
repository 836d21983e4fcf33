#include "CentralRoles.h"

#include "CentralDatabase.h"

#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// A table of a site's rows and the column holding the site's id.
struct SiteTable
{
    const char *name;
    const char *siteColumn;
    const char *siteRights; // what the pusher does to its own rows
};
const SiteTable kTables[] = {
    {"sites", "id", "SELECT, INSERT, UPDATE"},
    {"downloads", "site_id", "SELECT, INSERT"},
    {"records", "site_id", "SELECT, INSERT"},
    {"conflicts", "site_id", "SELECT, INSERT"},
    {"tags", "site_id", "SELECT, INSERT, DELETE"},
    {"plans", "site_id", "SELECT, INSERT, DELETE"},
    {"plan_points", "site_id", "SELECT, INSERT, DELETE"},
};

// Creates a role unless it is there (CREATE ROLE has no IF NOT EXISTS).
QString createRole(const QString &role, const QString &options)
{
    return QStringLiteral("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = '%1') THEN "
                          "CREATE ROLE %1 %2; END IF; END $$")
        .arg(role, options);
}

}

QString CentralRoles::siteRole(const QString &siteId)
{
    QString hex = siteId;
    hex.remove(u'-');
    return QStringLiteral("tavrel_site_") + hex.left(8).toLower();
}

QStringList CentralRoles::statements(const QList<CentralReport::Site> &sites)
{
    const QString reader = readerRole();
    const QString group = siteGroup();
    // The site of the role that runs the statement; evaluated once per statement.
    const QString ownSite = QStringLiteral("(SELECT site_id FROM site_roles WHERE role_name = current_user)");
    QStringList sql{
        createRole(reader, QStringLiteral("NOLOGIN")),
        createRole(group, QStringLiteral("NOLOGIN")),
        QStringLiteral("GRANT USAGE ON SCHEMA public TO %1, %2").arg(reader, group),
        QStringLiteral("GRANT SELECT ON ALL TABLES IN SCHEMA public TO %1").arg(reader),
        QStringLiteral("GRANT SELECT ON schema_version TO %1").arg(group),
        QStringLiteral("GRANT USAGE ON SEQUENCE downloads_id_seq, conflicts_id_seq TO %1").arg(group),
        QStringLiteral("GRANT EXECUTE ON FUNCTION ensure_record_partition(timestamp) TO %1").arg(group),
        // A site's role finds its own row of the mapping only.
        QStringLiteral("GRANT SELECT ON site_roles TO %1").arg(group),
        QStringLiteral("ALTER TABLE site_roles ENABLE ROW LEVEL SECURITY"),
        QStringLiteral("DROP POLICY IF EXISTS tavrel_site_own ON site_roles"),
        QStringLiteral("CREATE POLICY tavrel_site_own ON site_roles FOR SELECT TO %1 USING (role_name = current_user)")
            .arg(group),
        QStringLiteral("DROP POLICY IF EXISTS tavrel_reader_all ON site_roles"),
        QStringLiteral("CREATE POLICY tavrel_reader_all ON site_roles FOR SELECT TO %1 USING (true)").arg(reader),
    };
    // Not FORCEd: the tables' owner is the administrator, who runs the
    // migrations and must see every row.
    for (const SiteTable &t : kTables) {
        const QString table = QLatin1String(t.name);
        const QString own = QStringLiteral("%1 = %2").arg(QLatin1String(t.siteColumn), ownSite);
        sql << QStringLiteral("GRANT %1 ON %2 TO %3").arg(QLatin1String(t.siteRights), table, group)
            << QStringLiteral("ALTER TABLE %1 ENABLE ROW LEVEL SECURITY").arg(table)
            << QStringLiteral("DROP POLICY IF EXISTS tavrel_site_own ON %1").arg(table)
            << QStringLiteral("CREATE POLICY tavrel_site_own ON %1 TO %2 USING (%3) WITH CHECK (%3)").arg(table, group, own)
            << QStringLiteral("DROP POLICY IF EXISTS tavrel_reader_all ON %1").arg(table)
            << QStringLiteral("CREATE POLICY tavrel_reader_all ON %1 FOR SELECT TO %2 USING (true)").arg(table, reader);
    }
    for (const CentralReport::Site &site : sites) {
        const QString role = siteRole(site.id);
        sql << createRole(role, QStringLiteral("LOGIN"))
            << QStringLiteral("GRANT %1 TO %2").arg(group, role)
            << QStringLiteral("INSERT INTO site_roles (role_name, site_id) VALUES ('%1', '%2') ON CONFLICT DO NOTHING")
                   .arg(role, site.id);
    }
    return sql;
}

bool CentralRoles::apply(QSqlDatabase db, QStringList *statements, QStringList *roles, QString *error)
{
    QList<CentralReport::Site> sites;
    if (!CentralReport::sites(db, &sites, error))
        return false;
    // Site ids come from the database; a malformed one must not reach the SQL text.
    static const QRegularExpression uuid(QStringLiteral("^[0-9a-fA-F-]{36}$"));
    sites.removeIf([](const CentralReport::Site &s) { return !uuid.match(s.id).hasMatch(); });
    *statements = CentralRoles::statements(sites);
    const QString what = QStringLiteral("The roles cannot be made");
    if (!db.transaction()) {
        *error = what + QStringLiteral(": ") + CentralDatabase::reason(db.lastError().text());
        return false;
    }
    QSqlQuery q(db);
    for (const QString &sql : std::as_const(*statements)) {
        if (!CentralDatabase::exec(q, sql, what, error)) {
            q.finish();
            db.rollback();
            return false;
        }
    }
    // Two sites whose ids begin alike would share a role name: the second gets none.
    q.prepare(QStringLiteral("SELECT r.role_name, s.name, r.site_id::text FROM site_roles r JOIN sites s ON s.id = r.site_id "
                             "ORDER BY s.name, r.role_name"));
    if (!CentralDatabase::exec(q, what, error)) {
        db.rollback();
        return false;
    }
    roles->clear();
    QSet<QString> mapped;
    while (q.next()) {
        *roles << q.value(0).toString() + u'\t' + q.value(1).toString();
        mapped.insert(q.value(2).toString());
    }
    q.finish();
    for (const CentralReport::Site &s : std::as_const(sites))
        if (!mapped.contains(s.id))
            *roles << QStringLiteral("-\t%1 (its role name %2 is taken by another site)").arg(s.name, siteRole(s.id));
    if (!db.commit()) {
        *error = what + QStringLiteral(": ") + CentralDatabase::reason(db.lastError().text());
        db.rollback();
        return false;
    }
    return true;
}

QString CentralRoles::refusal(const QString &what, const QString &error)
{
    if (!error.contains(QLatin1String("permission denied")) && !error.contains(QLatin1String("row-level security")))
        return error;
    const qsizetype colon = error.indexOf(QLatin1String(": "));
    return QStringLiteral("The central database refused %1: %2").arg(what, colon < 0 ? error : error.mid(colon + 2));
}
