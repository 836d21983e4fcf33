#include "CentralDatabase.h"
#include "CentralPush.h"
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
