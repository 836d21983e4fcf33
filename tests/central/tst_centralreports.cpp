#include "CentralDatabase.h"
#include "CentralExceptions.h"
#include "CentralPush.h"
#include "CentralReport.h"
#include "CentralRoles.h"
#include "CentralSchema.h"
#include "PatrolFile.h"
#include "PgCluster.h"
#include "PlanStore.h"
#include "SiteIdentity.h"
#include "TagStore.h"
#include "TestEnv.h"
#include "Workspace.h"

#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;

// Reports across the sites of a central database, the twin flag and the
// site and reader roles, against one real PostgreSQL server: two sites,
// North Gate and South Yard, push their workspaces into it.
class tst_CentralReports : public QObject
{
    Q_OBJECT

    PgCluster m_pg;
    std::unique_ptr<TestEnv> m_north; // the current workspace after initTestCase
    SiteIdentity::Site m_northSite, m_southSite;

    int cli(const QStringList &args, QString *out, QString *err)
    {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(u"XDG_CONFIG_HOME"_s, m_north->configFolder());
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(TAVREL_CLI_PATH), QStringList{u"--workspace"_s, m_north->workspace()} + args);
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
            return -1;
        *out = QString::fromUtf8(p.readAllStandardOutput());
        // Qt's own note of a missing XDG_RUNTIME_DIR (the PDF needs a GUI application) is not the program's.
        *err = QString::fromUtf8(p.readAllStandardError()).remove(QRegularExpression(u"^QStandardPaths: [^\n]*\n"_s));
        return p.exitCode();
    }

    static void writeFile(const QString &name, const QStringList &lines)
    {
        QFile f(QDir(Workspace::unapprovedFolder()).filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        for (const QString &l : lines)
            QVERIFY(WritePatrolLine(f, l));
    }

    // Names the current workspace's site, pushes its definitions and files.
    static void pushWorkspace(const CentralSettings &settings, const QString &name, SiteIdentity::Site *site)
    {
        QString error;
        QVERIFY2(SiteIdentity::setName(name, &error) && SiteIdentity::current(site, &error), qPrintable(error));
        QSqlDatabase db = CentralDatabase::open(settings, u"push"_s, &error);
        QVERIFY2(db.isOpen() && CentralPush::registerSite(db, *site, &error)
                     && CentralPush::pushDefinitions(db, site->id, &error),
                 qPrintable(error));
        CentralPush::Outcome outcome;
        for (const QString &file : QDir(Workspace::unapprovedFolder()).entryList({u"*.tvl"_s}))
            QVERIFY2(CentralPush::pushFile(db, site->id, QDir(Workspace::unapprovedFolder()).filePath(file), {},
                                           &outcome, &error),
                     qPrintable(error));
        db = QSqlDatabase();
        CentralDatabase::close(u"push"_s);
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_pg.start(&error), qPrintable(error));
        {
            QSqlDatabase db = CentralDatabase::open(m_pg.settings(), u"init"_s, &error);
            QVERIFY2(db.isOpen() && CentralSchema::migrate(db, nullptr, &error), qPrintable(error));
            db = QSqlDatabase();
            CentralDatabase::close(u"init"_s);
        }
        // South Yard: its own plan; machine 0007 on the 1st (North's 0007 reads
        // that day too) and 0009 on the 2nd (North's 0009 reads on the 3rd).
        {
            TestEnv south;
            QCOMPARE(TagStore::add(u"S1"_s, u"Yard"_s, &error), TagStore::Result::Ok);
            PatrolPlan yard{u"Yard"_s, QTime(8, 0), QTime(8, 0), 0, PatrolPlan::kEveryDay, {{u"S1"_s, 0, 10, 0}}};
            QVERIFY2(PlanStore::save(yard, {}, &error), qPrintable(error));
            writeFile(u"20261203 060000.tvl"_s, {u"0007,S1,2026/12/01,08:02:00"_s, u"0009,S1,2026/12/02,08:01:00"_s});
            pushWorkspace(m_pg.settings(), u"South Yard"_s, &m_southSite);
        }
        // North Gate: two plans, guard and incident tags, a burst and a late,
        // an early and a missed checkpoint.
        m_north = std::make_unique<TestEnv>();
        for (const QString &code : {u"A1"_s, u"B2"_s, u"C3"_s, u"D4"_s, u"G9"_s, u"X5"_s})
            QCOMPARE(TagStore::add(code, u"Point "_s + code, &error), TagStore::Result::Ok);
        QVERIFY(TagStore::setGuard(u"G9"_s, true, &error));
        QVERIFY(TagStore::setIncident(u"X5"_s, u"Door open"_s, &error));
        const QList<PatrolPlan> plans = {
            {u"Night"_s, QTime(22, 0), QTime(2, 0), 120, PatrolPlan::kEveryDay, {{u"A1"_s, 0, 10, 0}, {u"b2"_s, 30, 10, 5}}},
            {u"Day"_s, QTime(9, 0), QTime(9, 0), 0, PatrolPlan::kEveryDay, {{u"C3"_s, 0, 5, 0}, {u"D4"_s, 20, 5, 0}}}};
        QVERIFY2(PlanStore::replaceAll(plans, &error), qPrintable(error));
        writeFile(u"20261202 060000.tvl"_s,
                  {u"0007,G9,2026/12/01,21:55:00"_s, u"0007,A1,2026/12/01,22:03:00"_s, u"0007,X5,2026/12/01,22:04:00"_s,
                   u"0007,B2,2026/12/01,22:05:00"_s, u"0007,a1,2026/12/02,00:20:00"_s, u"0008,C3,2026/12/01,09:20:00"_s,
                   u"0008,A1,2026/12/01,09:20:10"_s, u"0008,B2,2026/12/01,09:20:20"_s, u"0008,D4,2026/12/01,09:20:30"_s});
        writeFile(u"20261204 070000.tvl"_s, {u"0009,C3,2026/12/03,08:58:00"_s, u"0007,A1,2026/12/02,02:00:00"_s});
        pushWorkspace(m_pg.settings(), u"North Gate"_s, &m_northSite);
        QVERIFY2(m_pg.configure(&error), qPrintable(error));
    }

    // `central exceptions --site` reads line for line as the site's own
    // `exceptions`, after the site column; all sites list both; unknown names are one line.
    void cliAcrossSites()
    {
        const QStringList range{u"--from"_s, u"2026-12-01"_s, u"--to"_s, u"2026-12-03"_s};
        QString local, central, all, err;
        const int localStatus = cli(QStringList{u"exceptions"_s} + range, &local, &err);
        QCOMPARE(localStatus, 5); // missed checkpoints
        QCOMPARE(cli(QStringList{u"central"_s, u"exceptions"_s} + range + QStringList{u"--site"_s, u"North Gate"_s},
                     &central, &err),
                 localStatus);
        QStringList withoutSite;
        for (const QString &line : central.split(u'\n', Qt::SkipEmptyParts)) {
            QVERIFY2(line.startsWith(u"North Gate\t"_s), qPrintable(line));
            withoutSite << line.section(u'\t', 1);
        }
        QVERIFY(withoutSite.size() >= 8);
        QCOMPARE(withoutSite, local.split(u'\n', Qt::SkipEmptyParts));

        const QString pdf = QDir(m_north->root()).filePath(u"all.pdf"_s);
        QCOMPARE(cli(QStringList{u"central"_s, u"exceptions"_s} + range + QStringList{u"--pdf"_s, pdf}, &all, &err), 5);
        QStringList sites;
        for (const QString &line : all.split(u'\n', Qt::SkipEmptyParts))
            if (sites.isEmpty() || sites.last() != line.section(u'\t', 0, 0))
                sites << line.section(u'\t', 0, 0);
        QCOMPARE(sites, QStringList({u"North Gate"_s, u"South Yard"_s}));
        QVERIFY(all.startsWith(central));
        QVERIFY(QFileInfo(pdf).size() > 1000);

        QCOMPARE(cli(QStringList{u"central"_s, u"exceptions"_s} + range + QStringList{u"--plan"_s, u"Yard"_s}, &all, &err), 5);
        QCOMPARE(all.count(u'\n'), 3);
        QVERIFY2(all.startsWith(u"South Yard\tYard\t2026-12-01 08:00\t1\tS1\t08:00\ton-time\t2\t"_s), qPrintable(all));

        for (const auto &[option, name, text] : {std::tuple{u"--site"_s, u"Nowhere"_s, u"There is no site called Nowhere"_s},
                                                 {u"--plan"_s, u"Nope"_s, u"There is no plan called Nope"_s}}) {
            QCOMPARE(cli(QStringList{u"central"_s, u"exceptions"_s} + range + QStringList{option, name}, &all, &err), 2);
            QCOMPARE(err, u"tavrel-cli: "_s + text + u'\n');
            QVERIFY(all.isEmpty());
        }
    }

    // One machine number at both sites on one day: its first read there is
    // flagged at each site; the same number on different days is not.
    void twinFlag()
    {
        CentralExceptions::Result result;
        QString error;
        QCOMPARE(CentralExceptions::run(m_pg.settings(), {}, QDate(2026, 12, 1), QDate(2026, 12, 3), {}, &result, &error),
                 CentralExceptions::Status::Ok);
        QStringList twins;
        for (const FlaggedRead &f : std::as_const(result.report.flagged))
            if (f.rules.contains(u"twin"_s))
                twins << f.site + u'|' + f.at.toString(Qt::ISODate) + u'|' + f.machineNo + u'|' + f.detail;
        QCOMPARE(twins, QStringList({u"North Gate|2026-12-01T21:55:00Z|0007|also read at South Yard on 2026-12-01"_s,
                                     u"South Yard|2026-12-01T08:02:00Z|0007|also read at North Gate on 2026-12-01"_s}));
        // The three ways of finding them agree: among the sites' records, all sites at once, one site.
        QSqlDatabase db = CentralDatabase::open(m_pg.settings(), u"twins"_s, &error);
        QVERIFY2(db.isOpen(), qPrintable(error));
        QHash<QString, QList<CentralReport::Twin>> all;
        QList<CentralReport::Twin> north;
        QVERIFY2(CentralReport::allTwins(db, QDate(2026, 11, 29), QDate(2026, 12, 5), &all, &error)
                     && CentralReport::twins(db, m_northSite.id, QDate(2026, 11, 29), QDate(2026, 12, 5), &north, &error),
                 qPrintable(error));
        db = QSqlDatabase();
        CentralDatabase::close(u"twins"_s);
        for (const auto &[list, other] : {std::pair{all.value(m_northSite.id), u"South Yard"_s},
                                          {all.value(m_southSite.id), u"North Gate"_s}, {north, u"South Yard"_s}}) {
            QCOMPARE(list.size(), 1);
            QCOMPARE(list[0].machineNo + u' ' + list[0].day.toString(Qt::ISODate) + u' ' + list[0].otherSites.join(u','),
                     u"0007 2026-12-01 "_s + other);
        }
        // The rule's name is known to the flag filter and shows at the outcome of the read.
        QCOMPARE(ReadFlags::ruleFromName(u"twin"_s), std::optional<FlagRule>(FlagRule::Twin));
        const auto yard = std::find_if(result.report.outcomes.cbegin(), result.report.outcomes.cend(),
                                       [](const CheckpointOutcome &o) { return o.site == u"South Yard"_s && o.seq == 1; });
        QVERIFY(yard != result.report.outcomes.cend());
        QCOMPARE(yard->flags, u"twin"_s);
    }

    // Each site's role writes and reads its own rows only; the reader reads all and writes nothing.
    void rolesKeepSitesApart()
    {
        QString out, err, error;
        QCOMPARE(cli({u"central"_s, u"init"_s, u"--roles"_s, u"--print"_s}, &out, &err), 0);
        const QString northRole = CentralRoles::siteRole(m_northSite.id);
        QVERIFY2(out.contains(u"CREATE POLICY tavrel_site_own ON records"_s)
                     && out.contains(u"role\t"_s + northRole + u"\tNorth Gate\n"_s),
                 qPrintable(out + err));
        QCOMPARE(cli({u"central"_s, u"init"_s, u"--roles"_s}, &out, &err), 0); // again: nothing changes, nothing fails
        QCOMPARE(m_pg.value(u"SELECT count(*) FROM site_roles"_s), u"2"_s);

        // North's pusher, under North's role: its own file, definitions and push note go in.
        QSqlDatabase db = CentralDatabase::open(m_pg.settings(u"tavrel"_s, northRole), u"north"_s, &error);
        QVERIFY2(db.isOpen(), qPrintable(error));
        writeFile(u"20261205 070000.tvl"_s, {u"0009,C3,2026/12/04,09:01:00"_s});
        CentralPush::Outcome outcome;
        QVERIFY2(CentralPush::registerSite(db, m_northSite, &error)
                     && CentralPush::pushFile(db, m_northSite.id,
                                              QDir(Workspace::unapprovedFolder()).filePath(u"20261205 070000.tvl"_s), {},
                                              &outcome, &error)
                     && CentralPush::pushDefinitions(db, m_northSite.id, &error)
                     && CentralPush::notePush(db, m_northSite.id, 0, &error),
                 qPrintable(error));
        QCOMPARE(outcome, CentralPush::Outcome::Landed);
        QCOMPARE(m_pg.value(u"SELECT count(*) FROM records WHERE read_at::date = '2026-12-04'"_s), u"1"_s);

        // ... and nothing of South's goes in or comes out.
        const QString southRecords = m_pg.value(u"SELECT count(*) FROM records WHERE site_id = '%1'"_s.arg(m_southSite.id));
        QVERIFY(!CentralPush::registerSite(db, {m_southSite.id, u"Taken"_s}, &error));
        QVERIFY2(error.contains(u"row-level security"_s), qPrintable(error));
        QVERIFY(!CentralPush::pushFile(db, m_southSite.id,
                                       QDir(Workspace::unapprovedFolder()).filePath(u"20261202 060000.tvl"_s),
                                       u"20261209 000000.tvl"_s, &outcome, &error));
        QVERIFY2(error.contains(u"row-level security"_s), qPrintable(error));
        QSqlQuery q(db);
        QVERIFY(!q.exec(u"INSERT INTO records (site_id, machine_no, read_at, code, download_id, seq) "
                        "VALUES ('%1', '1', '2026-12-01 10:00', 'S1', 1, 1)"_s.arg(m_southSite.id)));
        QVERIFY2(q.lastError().text().contains(u"row-level security"_s), qPrintable(q.lastError().text()));
        QVERIFY(!q.exec(u"SELECT count(*) FROM records_202612"_s)); // a partition is no way round
        for (const char *table : {"sites", "downloads", "records", "tags", "plans", "plan_points"}) {
            QVERIFY(q.exec(u"SELECT count(*) FROM %1 WHERE %2 <> '%3'"_s.arg(QLatin1String(table),
                                                                           table == "sites"_L1 ? u"id"_s : u"site_id"_s,
                                                                           m_northSite.id)));
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toInt(), 0);
        }
        QCOMPARE(m_pg.value(u"SELECT count(*) FROM records WHERE site_id = '%1'"_s.arg(m_southSite.id)), southRecords);
        q.finish();
        db = QSqlDatabase();
        CentralDatabase::close(u"north"_s);

        // Head office reads every site and changes nothing.
        QVERIFY2(m_pg.psql(u"CREATE ROLE office LOGIN IN ROLE tavrel_reader; CREATE ROLE nobody LOGIN"_s, nullptr, &error),
                 qPrintable(error));
        db = CentralDatabase::open(m_pg.settings(u"tavrel"_s, u"office"_s), u"office"_s, &error);
        QVERIFY2(db.isOpen(), qPrintable(error));
        QSqlQuery r(db);
        QVERIFY(r.exec(u"SELECT count(*) FROM records"_s) && r.next());
        QCOMPARE(r.value(0).toString(), m_pg.value(u"SELECT count(*) FROM records"_s));
        QVERIFY(!r.exec(u"DELETE FROM tags"_s));
        QVERIFY2(r.lastError().text().contains(u"permission denied for table tags"_s), qPrintable(r.lastError().text()));
        r.finish();
        db = QSqlDatabase();
        CentralDatabase::close(u"office"_s);

        // A role the server refuses the report: one line, status 8.
        QVERIFY2(m_pg.settings(u"tavrel"_s, u"nobody"_s).save(&error), qPrintable(error));
        QCOMPARE(cli({u"central"_s, u"exceptions"_s, u"--from"_s, u"2026-12-01"_s, u"--to"_s, u"2026-12-01"_s}, &out, &err), 8);
        QCOMPARE(err, u"tavrel-cli: The central database refused the report: permission denied for table sites\n"_s);
        QVERIFY(m_pg.configure(&error));
    }
};

QTEST_GUILESS_MAIN(tst_CentralReports)
#include "tst_centralreports.moc"
