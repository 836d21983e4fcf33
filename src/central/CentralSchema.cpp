#include "CentralSchema.h"

#include "CentralDatabase.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

// Held by a migration's transaction, so two `central init` at once run one
// after the other; any fixed number would do.
constexpr qint64 kMigrationLock = 0x74617672656c;

QList<CentralSchema::Migration> makeMigrations()
{
    return {
        {1,
         "sites, downloads, records by month, tag definitions, plans, conflicts",
         {
             QStringLiteral("CREATE TABLE sites ("
                            " id uuid PRIMARY KEY,"
                            " name text NOT NULL,"
                            " created_at timestamptz NOT NULL DEFAULT now(),"
                            " last_push timestamptz,"
                            " waiting integer NOT NULL DEFAULT 0)"),
             // One patrol-data file as the site saved it. A file is the same
             // file by its bytes (sha256) wherever it lands; a site's file name
             // names one file only, so the same name with other bytes is a conflict.
             QStringLiteral("CREATE TABLE downloads ("
                            " id bigserial PRIMARY KEY,"
                            " site_id uuid NOT NULL REFERENCES sites (id),"
                            " ledger_hash text,"
                            " file_name text NOT NULL,"
                            " sha256 text NOT NULL UNIQUE,"
                            " machine_no text,"
                            " family text,"
                            " downloaded_at timestamp," // the PC's wall clock when it was saved
                            " clock_offset_sec integer," // the terminal's clock minus the PC's then, when known
                            " record_count integer NOT NULL,"
                            " bytes bytea NOT NULL,"
                            " pushed_at timestamptz NOT NULL DEFAULT now(),"
                            " UNIQUE (site_id, file_name))"),
             QStringLiteral("CREATE INDEX downloads_site_time ON downloads (site_id, downloaded_at)"),
             // Read times are the terminals' wall clock, without a time zone.
             // A read is one read by site, terminal, second and code, whichever
             // downloads brought it. One partition a month, made on demand by
             // ensure_record_partition (there is no default partition, so a
             // month can always be added).
             QStringLiteral("CREATE TABLE records ("
                            " site_id uuid NOT NULL,"
                            " machine_no text NOT NULL,"
                            " read_at timestamp NOT NULL,"
                            " code text NOT NULL,"
                            " download_id bigint NOT NULL,"
                            " seq integer NOT NULL," // its place in that download's file
                            " PRIMARY KEY (site_id, machine_no, read_at, code))"
                            " PARTITION BY RANGE (read_at)"),
             QStringLiteral("CREATE INDEX records_site_time ON records (site_id, read_at)"),
             QStringLiteral("CREATE INDEX records_machine_time ON records (machine_no, read_at)"),
             QStringLiteral("CREATE FUNCTION ensure_record_partition(day timestamp) RETURNS void"
                            " LANGUAGE plpgsql SECURITY DEFINER SET search_path = public AS $$"
                            " DECLARE"
                            "  first date := date_trunc('month', day)::date;"
                            "  part text := format('records_%s', to_char(first, 'YYYYMM'));"
                            " BEGIN"
                            "  IF to_regclass(part) IS NOT NULL THEN RETURN; END IF;"
                            "  PERFORM pg_advisory_xact_lock(hashtext(part));"
                            "  EXECUTE format('CREATE TABLE %I PARTITION OF records FOR VALUES FROM (%L) TO (%L)',"
                            "                 part, first, (first + interval '1 month')::date);"
                            // Another site made it while this one waited for the lock
                            // (the catalogue this statement sees may predate that).
                            " EXCEPTION WHEN duplicate_table THEN NULL;"
                            " END $$"),
             QStringLiteral("CREATE TABLE tags ("
                            " site_id uuid NOT NULL REFERENCES sites (id),"
                            " code text NOT NULL,"
                            " description text NOT NULL DEFAULT '',"
                            " kind text," // NULL: a checkpoint; 'guard'; 'incident'
                            " kind_text text,"
                            " PRIMARY KEY (site_id, code))"),
             QStringLiteral("CREATE TABLE plans ("
                            " site_id uuid NOT NULL REFERENCES sites (id),"
                            " name text NOT NULL,"
                            " start_time time NOT NULL,"
                            " end_time time NOT NULL,"
                            " interval_minutes integer NOT NULL,"
                            " weekdays integer NOT NULL,"
                            " PRIMARY KEY (site_id, name))"),
             QStringLiteral("CREATE TABLE plan_points ("
                            " site_id uuid NOT NULL,"
                            " plan_name text NOT NULL,"
                            " seq integer NOT NULL,"
                            " code text NOT NULL,"
                            " minutes integer NOT NULL,"
                            " tolerance integer NOT NULL,"
                            " min_minutes integer,"
                            " PRIMARY KEY (site_id, plan_name, seq),"
                            " FOREIGN KEY (site_id, plan_name) REFERENCES plans ON DELETE CASCADE ON UPDATE CASCADE)"),
             // What arrived under a key that already held something else: kept
             // beside it, never written over it.
             QStringLiteral("CREATE TABLE conflicts ("
                            " id bigserial PRIMARY KEY,"
                            " site_id uuid NOT NULL REFERENCES sites (id),"
                            " kind text NOT NULL,"
                            " natural_key text NOT NULL,"
                            " existing_sha256 text,"
                            " incoming_sha256 text NOT NULL,"
                            " incoming bytea,"
                            " seen_at timestamptz NOT NULL DEFAULT now(),"
                            " UNIQUE (site_id, kind, natural_key, incoming_sha256))"),
         }},
        {2,
         "users of the web page and the sites each may see",
         {
             // password_hash: libsodium's crypto_pwhash_str (Argon2id), never the password.
             QStringLiteral("CREATE TABLE web_users ("
                            " name text PRIMARY KEY,"
                            " password_hash text NOT NULL,"
                            " all_sites boolean NOT NULL DEFAULT false,"
                            " created_at timestamptz NOT NULL DEFAULT now())"),
             QStringLiteral("CREATE TABLE web_user_sites ("
                            " user_name text REFERENCES web_users ON DELETE CASCADE ON UPDATE CASCADE,"
                            " site_id uuid REFERENCES sites,"
                            " PRIMARY KEY (user_name, site_id))"),
         }},
        {3,
         "the login role of each site",
         {
             // Filled by `central init --roles`: the row-level policies give a
             // site's role the rows of its site only.
             QStringLiteral("CREATE TABLE site_roles ("
                            " role_name name PRIMARY KEY,"
                            " site_id uuid NOT NULL UNIQUE REFERENCES sites (id))"),
         }},
    };
}

bool run(QSqlQuery &q, const QString &sql, QString *error)
{
    return CentralDatabase::exec(q, sql, QStringLiteral("The central schema cannot be brought up to date"), error);
}

QString tooNew(int found)
{
    return QStringLiteral("The central database has schema version %1, newer than this Tavrel knows (%2): "
                          "update Tavrel on this computer")
        .arg(found)
        .arg(CentralSchema::knownVersion());
}

}

const QList<CentralSchema::Migration> &CentralSchema::migrations()
{
    static const QList<Migration> list = makeMigrations();
    return list;
}

int CentralSchema::knownVersion()
{
    return migrations().last().version;
}

int CentralSchema::version(QSqlDatabase db, QString *error)
{
    QSqlQuery q(db);
    if (!CentralDatabase::exec(q, QStringLiteral("SELECT to_regclass('schema_version') IS NOT NULL"),
                               QStringLiteral("The central schema cannot be read"), error)
        || !q.next())
        return -1;
    if (!q.value(0).toBool())
        return 0;
    if (!CentralDatabase::exec(q, QStringLiteral("SELECT coalesce(max(version), 0) FROM schema_version"),
                               QStringLiteral("The central schema cannot be read"), error)
        || !q.next())
        return -1;
    return q.value(0).toInt();
}

bool CentralSchema::migrate(QSqlDatabase db, QStringList *applied, QString *error)
{
    for (const Migration &m : migrations()) {
        if (!db.transaction()) {
            *error = QStringLiteral("The central schema cannot be brought up to date: %1")
                         .arg(CentralDatabase::reason(db.lastError().text()));
            return false;
        }
        QSqlQuery q(db);
        bool ok = run(q, QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kMigrationLock), error)
            && run(q, QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version integer PRIMARY KEY,"
                                     " title text NOT NULL, applied_at timestamptz NOT NULL DEFAULT now())"),
                   error);
        const int found = ok ? version(db, error) : -1;
        ok = ok && found >= 0;
        if (ok && found > knownVersion()) {
            *error = tooNew(found);
            ok = false;
        }
        if (ok && found >= m.version) { // applied before, or by another init just now
            db.rollback();
            continue;
        }
        for (const QString &sql : m.statements)
            ok = ok && run(q, sql, error);
        if (ok) {
            q.prepare(QStringLiteral("INSERT INTO schema_version (version, title) VALUES (?, ?)"));
            q.addBindValue(m.version);
            q.addBindValue(QString::fromUtf8(m.title));
            ok = CentralDatabase::exec(q, QStringLiteral("The central schema cannot be brought up to date"), error);
        }
        if (!ok || !db.commit()) {
            if (ok)
                *error = QStringLiteral("The central schema cannot be brought up to date: %1")
                             .arg(CentralDatabase::reason(db.lastError().text()));
            q.finish();
            db.rollback();
            return false;
        }
        if (applied)
            applied->append(QStringLiteral("%1 %2").arg(m.version).arg(QString::fromUtf8(m.title)));
    }
    return true;
}

bool CentralSchema::check(QSqlDatabase db, QString *error)
{
    const int found = version(db, error);
    if (found < 0)
        return false;
    if (found > knownVersion()) {
        *error = tooNew(found);
        return false;
    }
    if (found < knownVersion()) {
        *error = QStringLiteral("The central database has schema version %1, this Tavrel needs %2: "
                                "run tavrel-cli central init")
                     .arg(found)
                     .arg(knownVersion());
        return false;
    }
    return true;
}
