#include "CentralDatabase.h"
#include "CentralSchema.h"
#include "PgCluster.h"
#include "TestEnv.h"

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
