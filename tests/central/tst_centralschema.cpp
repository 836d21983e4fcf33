#include "CentralDatabase.h"
#include "CentralPush.h"
#include "CentralReport.h"
#include "ExceptionReport.h"
#include "PlanStore.h"
#include "CentralSchema.h"
#include "PgCluster.h"
#include "PatrolFile.h"
#include "TagStore.h"
#include "TestEnv.h"
#include "Workspace.h"

#include <QProcess>
#include <QtTest>

using namespace Qt::StringLiterals;

// The schema of the central database through `tavrel-cli central init`
// against a real PostgreSQL server, and the site identity of a workspace.
class tst_CentralSchema : public QObject
{
    Q_OBJECT

    // tavrel-cli on the test's workspace and settings: exit status, stdout, stderr.
    int cli(const TestEnv &env, const QStringList &args, QString *out, QString *err = nullptr)
    {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(u"XDG_CONFIG_HOME"_s, env.configFolder());
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(TAVREL_CLI_PATH), QStringList{u"--workspace"_s, env.workspace()} + args);
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
            return -1;
        *out = QString::fromUtf8(p.readAllStandardOutput());
        if (err)
            *err = QString::fromUtf8(p.readAllStandardError());
        return p.exitCode();
    }

private slots:
    void initCreatesThenKeepsThenRefusesNewer()
    {
        PgCluster pg;
        QString error;
        QVERIFY2(pg.start(&error), qPrintable(error));
        TestEnv env;
        QVERIFY2(pg.configure(&error), qPrintable(error));

        QString out, err;
        QCOMPARE(cli(env, {u"central"_s, u"init"_s}, &out, &err), 0);
        QVERIFY2(out.contains(u"applied\t1 "_s), qPrintable(out + err));
        QCOMPARE(pg.value(u"SELECT max(version) FROM schema_version"_s), QString::number(CentralSchema::knownVersion()));
        QCOMPARE(pg.value(u"SELECT count(*) FROM pg_partitioned_table"_s), u"1"_s);

        // A second init has nothing to apply.
        QCOMPARE(cli(env, {u"central"_s, u"init"_s}, &out, &err), 0);
        QVERIFY2(!out.contains(u"applied"_s), qPrintable(out));

        // A schema made by a newer Tavrel is refused and left as it is.
        const int newer = CentralSchema::knownVersion() + 1;
        QVERIFY(pg.psql(u"INSERT INTO schema_version (version, title) VALUES (%1, 'later')"_s.arg(newer)));
        QCOMPARE(cli(env, {u"central"_s, u"init"_s}, &out, &err), 8);
        QVERIFY2(err.contains(u"newer than this Tavrel knows"_s) && err.count(u'\n') == 1, qPrintable(err));
        QCOMPARE(pg.value(u"SELECT max(version) FROM schema_version"_s), QString::number(newer));
        QSqlDatabase db = CentralDatabase::open(pg.settings(), u"check"_s, &error);
        QVERIFY2(db.isOpen(), qPrintable(error));
        QVERIFY(!CentralSchema::check(db, &error));
        QVERIFY(error.contains(u"newer"_s));
        db = QSqlDatabase();
        CentralDatabase::close(u"check"_s);
    }

    // The same file twice lands once; the same name with other bytes becomes
    // a conflict and leaves the first as it was; definitions replace the site's own.
    void pushLandsOnceAndKeepsConflicts()
    {
        PgCluster pg;
        QString error;
        QVERIFY2(pg.start(&error), qPrintable(error));
        TestEnv env;
        QSqlDatabase db = CentralDatabase::open(pg.settings(), u"push"_s, &error);
        QVERIFY2(db.isOpen() && CentralSchema::migrate(db, nullptr, &error), qPrintable(error));
        SiteIdentity::Site site;
        QVERIFY2(SiteIdentity::current(&site, &error) && CentralPush::registerSite(db, site, &error), qPrintable(error));

        const QString path = QDir(Workspace::unapprovedFolder()).filePath(u"20261201 080000.tvl"_s);
        auto write = [&](const QStringList &lines) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            for (const QString &l : lines)
                QVERIFY(WritePatrolLine(f, l));
        };
        write({u"0001,AB12,2026/11/30,23:59:59"_s, u"0001,\"Q\",2026/12/01,07:00:00"_s, u"0001,CD34,bad,07:01:00"_s});
        CentralPush::Outcome outcome;
        for (const CentralPush::Outcome expected : {CentralPush::Outcome::Landed, CentralPush::Outcome::AlreadyThere}) {
            QVERIFY2(CentralPush::pushFile(db, site.id, path, {}, &outcome, &error), qPrintable(error));
            QCOMPARE(outcome, expected);
        }
        QCOMPARE(pg.value(u"SELECT count(*) FROM downloads"_s), u"1"_s);
        QCOMPARE(pg.value(u"SELECT string_agg(code || ' ' || read_at || ' ' || seq, ';' ORDER BY seq) FROM records"_s),
                 u"AB12 2026-11-30 23:59:59 1;\"Q\" 2026-12-01 07:00:00 2"_s);
        QCOMPARE(pg.value(u"SELECT count(*) FROM pg_inherits WHERE inhparent = 'records'::regclass"_s), u"2"_s); // November and December

        write({u"0001,AB12,2026/11/30,23:59:58"_s});
        QVERIFY2(CentralPush::pushFile(db, site.id, path, {}, &outcome, &error), qPrintable(error));
        QCOMPARE(outcome, CentralPush::Outcome::Conflict);
        QCOMPARE(pg.value(u"SELECT count(*) || ' ' || min(kind) FROM conflicts"_s), u"1 download"_s);
        QCOMPARE(pg.value(u"SELECT count(*) FROM records"_s), u"2"_s);

        QCOMPARE(TagStore::add(u"AB12"_s, u"Gate <b>"_s, &error), TagStore::Result::Ok);
        QVERIFY2(TagStore::setGuard(u"AB12"_s, true, &error), qPrintable(error));
        const QString before = CentralPush::definitionsHash(&error);
        for (int i = 0; i < 2; ++i)
            QVERIFY2(CentralPush::pushDefinitions(db, site.id, &error), qPrintable(error));
        QCOMPARE(pg.value(u"SELECT code || ' ' || description || ' ' || kind FROM tags"_s), u"AB12 Gate <b> guard"_s);
        QVERIFY2(TagStore::setGuard(u"AB12"_s, false, &error), qPrintable(error));
        QVERIFY(CentralPush::definitionsHash(&error) != before);
        db = QSqlDatabase();
        CentralDatabase::close(u"push"_s);
    }

    // A site's report from the central database reads as the workspace's own.
    void siteReportEqualsLocalReport()
    {
        PgCluster pg;
        QString error;
        QVERIFY2(pg.start(&error), qPrintable(error));
        TestEnv env;
        for (const QString &code : {u"A1"_s, u"B2"_s, u"G9"_s, u"X5"_s})
            QCOMPARE(TagStore::add(code, u"Point "_s + code, &error), TagStore::Result::Ok);
        QVERIFY(TagStore::setGuard(u"G9"_s, true, &error));
        QVERIFY(TagStore::setIncident(u"X5"_s, u"Door open"_s, &error));
        PatrolPlan plan;
        plan.name = u"Night"_s;
        plan.start = QTime(22, 0);
        plan.end = QTime(2, 0);
        plan.interval = 120;
        plan.checkpoints = {{u"A1"_s, 0, 10, 0}, {u"b2"_s, 30, 10, 5}};
        QVERIFY2(PlanStore::save(plan, {}, &error), qPrintable(error));
        const QList<QStringList> files = {
            {u"0007,G9,2026/12/01,21:55:00"_s, u"0007,A1,2026/12/01,22:03:00"_s, u"0007,X5,2026/12/01,22:04:00"_s,
             u"0007,B2,2026/12/01,22:05:00"_s, u"0007,a1,2026/12/02,00:20:00"_s},
            {u"0007,A1,2026/12/02,02:00:00"_s, u"0007,B2,2026/12/02,02:30:00"_s, u"0007,A1,2026/12/02,01:59:00"_s}};
        QStringList names = {u"20261202 060000.tvl"_s, u"20261202 070000.tvl"_s};
        for (int i = 0; i < files.size(); ++i) {
            QFile f(QDir(Workspace::unapprovedFolder()).filePath(names[i]));
            QVERIFY(f.open(QIODevice::WriteOnly));
            for (const QString &l : files[i])
                QVERIFY(WritePatrolLine(f, l));
        }
        ExceptionResult local;
        QVERIFY2(ExceptionReport::run(QDate(2026, 12, 1), QDate(2026, 12, 2), {}, &local, &error), qPrintable(error));

        QSqlDatabase db = CentralDatabase::open(pg.settings(), u"report"_s, &error);
        QVERIFY2(db.isOpen() && CentralSchema::migrate(db, nullptr, &error), qPrintable(error));
        SiteIdentity::Site site;
        QVERIFY2(SiteIdentity::current(&site, &error) && CentralPush::registerSite(db, site, &error)
                     && CentralPush::pushDefinitions(db, site.id, &error),
                 qPrintable(error));
        CentralPush::Outcome outcome;
        for (const QString &n : names)
            QVERIFY2(CentralPush::pushFile(db, site.id, QDir(Workspace::unapprovedFolder()).filePath(n), {}, &outcome, &error),
                     qPrintable(error));
        ExceptionResult central;
        QVERIFY2(CentralReport::run(db, site.id, QDate(2026, 12, 1), QDate(2026, 12, 2), {}, &central, &error),
                 qPrintable(error));
        auto lines = [](const ExceptionResult &r) {
            QStringList out;
            for (const CheckpointOutcome &o : r.outcomes)
                out << ExceptionReport::line(o) + u'\t' + o.flags + u'\t' + o.incidents.join(u'|');
            for (const FlaggedRead &f : r.flagged)
                out << f.at.toString(Qt::ISODate) + f.machineNo + f.code + f.rules + f.detail;
            return out;
        };
        QVERIFY(local.outcomes.size() >= 6);
        QVERIFY(!local.flagged.isEmpty());
        QCOMPARE(lines(central), lines(local));
        db = QSqlDatabase();
        CentralDatabase::close(u"report"_s);
    }

    void unreachableServerIsOneLine()
    {
        PgCluster pg; // never started: nothing listens on its socket
        TestEnv env;
        QString error, out, err;
        QVERIFY2(pg.configure(&error), qPrintable(error));
        QCOMPARE(cli(env, {u"central"_s, u"init"_s}, &out, &err), 8);
        QVERIFY2(err.startsWith(u"tavrel-cli: The central database tavrel on "_s) && err.count(u'\n') == 1,
                 qPrintable(err));
    }

    void siteIdIsStableAndNamed()
    {
        TestEnv env;
        QString first, again, err;
        QCOMPARE(cli(env, {u"site"_s}, &first, &err), 0);
        const QString id = first.section(u'\t', 0, 0);
        QVERIFY2(QUuid::fromString(id).isNull() == false, qPrintable(first));
        QCOMPARE(cli(env, {u"site"_s, u"set"_s, u"North Gate"_s}, &again, &err), 0);
        QCOMPARE(again, id + u"\tNorth Gate\n"_s);
        QCOMPARE(cli(env, {u"site"_s, u"set"_s, u"  "_s}, &again, &err), 64);
        QCOMPARE(cli(env, {u"site"_s}, &again, &err), 0);
        QCOMPARE(again, id + u"\tNorth Gate\n"_s);
    }
};

QTEST_GUILESS_MAIN(tst_CentralSchema)
#include "tst_centralschema.moc"
