#include "CentralDatabase.h"
#include "CentralPushService.h"
#include "CentralSchema.h"
#include "DataStore.h"
#include "Ledger.h"
#include "PatrolFile.h"
#include "PgCluster.h"
#include "Settings.h"
#include "SiteIdentity.h"
#include "TagStore.h"
#include "TestEnv.h"
#include "Workspace.h"

#include <QProcess>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// tavrel-cli started on a workspace with its settings folder.
void startCli(QProcess &p, const TestEnv &env, const QStringList &args)
{
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(u"XDG_CONFIG_HOME"_s, env.configFolder());
    p.setProcessEnvironment(e);
    p.start(QStringLiteral(TAVREL_CLI_PATH), QStringList{u"--workspace"_s, env.workspace()} + args);
}

// Its exit status (-1 when it did not end), stdout and stderr.
int cli(const TestEnv &env, const QStringList &args, QString *out = nullptr, QString *err = nullptr)
{
    QProcess p;
    startCli(p, env, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return -1;
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput());
    if (err)
        *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitCode();
}

// A saved download as the program makes it: the file in Unapproved/ and its
// ledger row (which queues it); `count` records of terminal `machine` a minute apart.
void saveDownload(const QString &name, int count, const QString &machine = u"0001"_s, int firstMinute = 0)
{
    const QString path = QDir(Workspace::unapprovedFolder()).filePath(name);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    const QDateTime start(QDate(2026, 11, 30), QTime(20, 0));
    for (int i = 0; i < count; ++i)
        QVERIFY(WritePatrolLine(
            f, u"%1,C%2,%3"_s.arg(machine).arg(i % 50).arg(start.addSecs(60 * (firstMinute + i)).toString(u"yyyy/MM/dd,HH:mm:ss"_s))));
    f.close();
    QString error;
    QVERIFY2(Ledger::appendFile(Ledger::kDownload, path, count, &error), qPrintable(error));
}

// One value of this workspace's tvl.mon.
QString local(const QString &sql)
{
    QSqlQuery q(DataStore::database(DataStore::kConnLog, nullptr));
    return q.exec(sql) && q.next() ? q.value(0).toString() : u"?"_s;
}

QString siteId()
{
    SiteIdentity::Site site;
    QString error;
    return SiteIdentity::current(&site, &error) ? site.id : QString();
}

// The line of `key` in tavrel-cli's tab-separated output.
QString line(const QString &out, const QString &key)
{
    for (const QString &l : out.split(u'\n'))
        if (l.startsWith(key + u'\t'))
            return l;
    return {};
}

}

// The offline-first push through the outbox against a real PostgreSQL server:
// tavrel-cli central push/status, the push thread's states, servers that go
// away, connections cut in the middle of a batch and users the server refuses.
class tst_CentralPush : public QObject
{
    Q_OBJECT

    PgCluster m_pg;

    QString count(const QString &table, const QString &site)
    {
        return m_pg.value(u"SELECT count(*) FROM %1 WHERE site_id = '%2'"_s.arg(table, site));
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_pg.start(&error), qPrintable(error));
        QSqlDatabase db = CentralDatabase::open(m_pg.settings(), u"init"_s, &error);
        QVERIFY2(db.isOpen() && CentralSchema::migrate(db, nullptr, &error), qPrintable(error));
        db = QSqlDatabase();
        CentralDatabase::close(u"init"_s);
    }

    // Queued downloads land once however often they are pushed; an approved
    // (moved, renamed) file is found by its bytes, a deleted one stops waiting,
    // and other bytes under a pushed name become a conflict that status shows.
    void outboxLandsOnceFindsMovedFilesAndKeepsConflicts()
    {
        TestEnv env;
        QString error, out, err;
        QVERIFY2(m_pg.configure(&error), qPrintable(error));
        saveDownload(u"20261201 060000.tvl"_s, 3);
        saveDownload(u"20261201 070000.tvl"_s, 4, u"0002"_s);
        saveDownload(u"20261201 080000.tvl"_s, 5);
        QCOMPARE(local(u"SELECT count(*) FROM CentralOutbox WHERE Pushed IS NULL"_s), u"3"_s);
        QVERIFY(QDir().rename(QDir(Workspace::unapprovedFolder()).filePath(u"20261201 070000.tvl"_s),
                              QDir(Workspace::approvedFolder()).filePath(u"20261201 070000 (1).tvl"_s)));
        QVERIFY(QFile::remove(QDir(Workspace::unapprovedFolder()).filePath(u"20261201 080000.tvl"_s)));

        QCOMPARE(TagStore::add(u"C1"_s, u"Gate"_s, &error), TagStore::Result::Ok);

        QCOMPARE(cli(env, {u"central"_s, u"push"_s}, &out, &err), 0);
        QVERIFY2(line(out, u"landed"_s) == u"landed\t2"_s && line(out, u"gone"_s) == u"gone\t1"_s, qPrintable(out + err));
        QCOMPARE(cli(env, {u"central"_s, u"push"_s}, &out, &err), 0);
        QVERIFY2(line(out, u"landed"_s) == u"landed\t0"_s && line(out, u"waiting"_s) == u"waiting\t0"_s,
                 qPrintable(out + err));
        const QString site = siteId();
        QCOMPARE(count(u"downloads"_s, site), u"2"_s);
        QCOMPARE(count(u"records"_s, site), u"7"_s);
        QCOMPARE(m_pg.value(u"SELECT file_name FROM downloads WHERE machine_no = '0002'"_s), u"20261201 070000.tvl"_s);

        QCOMPARE(cli(env, {u"central"_s, u"status"_s}, &out, &err), 0);
        QVERIFY2(line(out, u"outbox"_s).startsWith(u"outbox\t0\t\t"_s), qPrintable(out));
        QVERIFY2(line(out, u"gone"_s).startsWith(u"gone\t1\t"_s), qPrintable(out));
        QStringList fields = line(out, u"site"_s).split(u'\t');
        QCOMPARE(fields.size(), 8);
        QCOMPARE(fields.at(2), site);
        // The last download (the PC's wall clock when saved) and the last push, both just now.
        for (const QString &at : fields.mid(3, 2)) {
            const QDateTime t = QDateTime::fromString(at, u"yyyy-MM-dd HH:mm:ss"_s);
            QVERIFY2(t.isValid() && qAbs(t.secsTo(QDateTime::currentDateTime())) < 600, qPrintable(at));
        }
        QCOMPARE(fields.mid(5), (QStringList{u"0"_s, u"7"_s, u"0"_s}));

        // A changed mark is one batch waiting, sent by the next push.
        QVERIFY2(TagStore::setGuard(u"C1"_s, true, &error), qPrintable(error));
        QCOMPARE(cli(env, {u"central"_s, u"status"_s}, &out, &err), 0);
        QVERIFY2(line(out, u"outbox"_s).startsWith(u"outbox\t1\t"_s), qPrintable(out));
        QCOMPARE(m_pg.value(u"SELECT code || ' ' || coalesce(kind, '-') FROM tags WHERE site_id = '%1'"_s.arg(site)),
                 u"C1 -"_s);
        QCOMPARE(cli(env, {u"central"_s, u"push"_s}, &out, &err), 0);
        QCOMPARE(m_pg.value(u"SELECT code || ' ' || coalesce(kind, '-') FROM tags WHERE site_id = '%1'"_s.arg(site)),
                 u"C1 guard"_s);

        // The first file changed after its push: the next records stay as the
        // first push left them; the new bytes are kept as a conflict.
        const QString first = QDir(Workspace::unapprovedFolder()).filePath(u"20261201 060000.tvl"_s);
        QFile f(first);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(WritePatrolLine(f, u"0001,C0,2026/11/30,20:00:30"_s));
        f.close();
        QCOMPARE(cli(env, {u"central"_s, u"push"_s, u"--all"_s}, &out, &err), 0);
        QVERIFY2(line(out, u"queued"_s) == u"queued\t1"_s && line(out, u"conflicts"_s) == u"conflicts\t1"_s,
                 qPrintable(out + err));
        QCOMPARE(cli(env, {u"central"_s, u"status"_s}, &out, &err), 0);
        QCOMPARE(line(out, u"site"_s).section(u'\t', 6), u"7\t1"_s);
        QCOMPARE(m_pg.value(u"SELECT string_agg(read_at::text, ',' ORDER BY read_at) FROM records r JOIN downloads d "
                            "ON d.id = r.download_id WHERE d.file_name = '20261201 060000.tvl'"_s),
                 u"2026-11-30 20:00:00,2026-11-30 20:01:00,2026-11-30 20:02:00"_s);
    }

    // Two workspaces pushing at the same moment both land whole, even when
    // both make the same month's partition at once.
    void twoSitesAtOnce()
    {
        constexpr int kMarch2027 = 129840; // minutes from the first read of saveDownload
        TestEnv one;
        QString error;
        QVERIFY2(m_pg.configure(&error), qPrintable(error));
        for (int i = 0; i < 6; ++i)
            saveDownload(u"20261202 %1.tvl"_s.arg(i * 10000, 6, 10, QChar(u'0')), 2000, u"0001"_s, kMarch2027 + i * 2000);
        const QString siteOne = siteId();
        // Other terminals: a file's bytes are one download wherever they land.
        TestEnv two;
        QVERIFY2(m_pg.configure(&error), qPrintable(error));
        for (int i = 0; i < 6; ++i)
            saveDownload(u"20261202 %1.tvl"_s.arg(i * 10000, 6, 10, QChar(u'0')), 2000, u"0002"_s, kMarch2027 + i * 2000);
        const QString siteTwo = siteId();
        QVERIFY(siteOne != siteTwo);

        // Both pushes wait at the lock that guards making March's partition,
        // then go on together.
        QSqlDatabase holder = CentralDatabase::open(m_pg.settings(), u"holder"_s, &error);
        QVERIFY2(holder.isOpen(), qPrintable(error));
        QProcess a, b;
        {
            QSqlQuery q(holder);
            QVERIFY(q.exec(u"SELECT pg_advisory_lock(hashtext('records_202703'))"_s));
            startCli(a, one, {u"central"_s, u"push"_s});
            startCli(b, two, {u"central"_s, u"push"_s});
            QString waiting;
            for (int i = 0; i < 600 && waiting != u"2"_s; ++i) {
                QTest::qWait(100);
                QVERIFY(q.exec(u"SELECT count(*) FROM pg_stat_activity WHERE wait_event = 'advisory'"_s) && q.next());
                waiting = q.value(0).toString();
            }
            QCOMPARE(waiting, u"2"_s);
            QVERIFY(q.exec(u"SELECT pg_advisory_unlock(hashtext('records_202703'))"_s));
        }
        holder = QSqlDatabase();
        CentralDatabase::close(u"holder"_s);
        for (QProcess *p : {&a, &b}) {
            QVERIFY(p->waitForFinished(120000));
            QVERIFY2(p->exitCode() == 0, p->readAllStandardError().constData());
            const QByteArray out = p->readAllStandardOutput();
            QVERIFY2(out.contains("landed\t6\n"), out.constData());
        }
        for (const QString &site : {siteOne, siteTwo}) {
            QCOMPARE(count(u"downloads"_s, site), u"6"_s);
            QCOMPARE(count(u"records"_s, site), u"12000"_s);
        }
    }

    // The connection is ended by the server in the middle of a file's
    // transaction: nothing of it stays, the outbox keeps it, the next push
    // brings it whole.
    void connectionCutMidBatch()
    {
        TestEnv env;
        QString error, out, err;
        QVERIFY2(m_pg.configure(&error), qPrintable(error));
        saveDownload(u"20261203 060000.tvl"_s, 12000);
        // The push's first insert of records waits for a lock the test holds.
        QVERIFY2(m_pg.psql(u"CREATE FUNCTION test_hold() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                           "PERFORM pg_advisory_xact_lock(4242); RETURN NULL; END $$; "
                           "CREATE TRIGGER test_hold BEFORE INSERT ON records FOR EACH STATEMENT "
                           "EXECUTE FUNCTION test_hold()"_s,
                           nullptr, &error),
                 qPrintable(error));
        QSqlDatabase holder = CentralDatabase::open(m_pg.settings(), u"holder"_s, &error);
        QVERIFY2(holder.isOpen(), qPrintable(error));
        {
            QSqlQuery q(holder);
            QVERIFY(q.exec(u"SELECT pg_advisory_lock(4242)"_s));
            QProcess push;
            startCli(push, env, {u"central"_s, u"push"_s});
            QVERIFY(push.waitForStarted());
            QString waiting;
            for (int i = 0; i < 600 && waiting != u"1"_s; ++i) {
                QTest::qWait(100);
                QVERIFY(q.exec(u"SELECT count(*) FROM pg_stat_activity WHERE application_name = 'tavrel' "
                               "AND wait_event = 'advisory'"_s)
                        && q.next());
                waiting = q.value(0).toString();
            }
            QCOMPARE(waiting, u"1"_s);
            QVERIFY(q.exec(u"SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = 'tavrel' "
                           "AND wait_event = 'advisory'"_s));
            QVERIFY(push.waitForFinished(60000));
            err = QString::fromUtf8(push.readAllStandardError());
            QCOMPARE(push.exitCode(), 8);
            QVERIFY2(err.startsWith(u"tavrel-cli: 20261203 060000.tvl cannot be pushed: "_s) && err.count(u'\n') == 1,
                     qPrintable(err));
            QVERIFY(q.exec(u"SELECT pg_advisory_unlock(4242)"_s));
        }
        holder = QSqlDatabase();
        CentralDatabase::close(u"holder"_s);
        QVERIFY(m_pg.psql(u"DROP TRIGGER test_hold ON records; DROP FUNCTION test_hold()"_s));
        const QString site = siteId();
        QCOMPARE(count(u"downloads"_s, site), u"0"_s);
        QCOMPARE(local(u"SELECT Attempts || ' ' || (LastError IS NOT NULL) || ' ' || (Pushed IS NULL) FROM CentralOutbox"_s),
                 u"1 1 1"_s);

        QCOMPARE(cli(env, {u"central"_s, u"push"_s}, &out, &err), 0);
        QCOMPARE(count(u"downloads"_s, site), u"1"_s);
        QCOMPARE(count(u"records"_s, site), u"12000"_s);
        QCOMPARE(local(u"SELECT count(*) FROM CentralOutbox WHERE Pushed IS NULL"_s), u"0"_s);
    }

    // The server is down during a real download from the terminal simulator:
    // the file is saved and queued as always, the push says why it cannot
    // send it, and sends it once the server is back.
    void serverDownDuringDownload()
    {
        TestEnv env;
        QString error, out, err;
        QVERIFY2(m_pg.configure(&error), qPrintable(error));
        QVERIFY(SaveSetting(u"Ports"_s, u"COM1"_s, env.root() + u"/tty"_s));
        QVERIFY(SaveSetting(u"Terminal"_s, u"Comport"_s, u"COM1"_s));
        QVERIFY(SaveSetting(u"Terminal"_s, u"Model"_s, u"0"_s));
        QVERIFY(SaveSetting(u"Terminal"_s, u"AutoClearData"_s, u"0"_s));
        QVERIFY(SaveSetting(u"Terminal"_s, u"AutoPowerDown"_s, u"0"_s));
        QProcess sim;
        sim.start(QStringLiteral(TAVREL_TERMSIM_PATH),
                  {u"--link"_s, env.root() + u"/tty"_s, u"--records"_s, u"3"_s, u"--kr"_s});
        QVERIFY(sim.waitForStarted(5000) && sim.waitForReadyRead(5000));
        QVERIFY(m_pg.stop(&error));

        QCOMPARE(cli(env, {u"download"_s}, &out, &err), 0);
        const QString name = out.trimmed();
        QVERIFY2(QFileInfo::exists(QDir(Workspace::unapprovedFolder()).filePath(name)), qPrintable(out + err));
        QCOMPARE(cli(env, {u"central"_s, u"push"_s}, &out, &err), 8);
        QVERIFY2(err.startsWith(u"tavrel-cli: The central database tavrel on "_s) && err.count(u'\n') == 1,
                 qPrintable(err));
        QCOMPARE(cli(env, {u"central"_s, u"status"_s}, &out, &err), 8);
        QVERIFY2(line(out, u"outbox"_s).startsWith(u"outbox\t2\t"_s), qPrintable(out)); // the download and the definitions
        QVERIFY2(line(out, u"outbox"_s).contains(u"cannot be reached"_s), qPrintable(out));

        QVERIFY2(m_pg.restart(&error), qPrintable(error));
        QCOMPARE(cli(env, {u"central"_s, u"push"_s}, &out, &err), 0);
        QCOMPARE(line(out, u"landed"_s), u"landed\t1"_s);
        QCOMPARE(m_pg.value(u"SELECT record_count || ' ' || family FROM downloads WHERE file_name = '%1'"_s.arg(name)),
                 u"3 KR"_s);
        sim.terminate();
        sim.waitForFinished(5000);
    }

    void refusedUserIsOneLine_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<int>("newerSchema");
        QTest::newRow("unknown role") << u"nobody_here"_s << u"role \"nobody_here\" does not exist"_s << 0;
        QTest::newRow("no rights") << u"reader"_s << u"permission denied"_s << 0;
        QTest::newRow("schema too new") << u"postgres"_s << u"newer than this Tavrel knows"_s
                                        << CentralSchema::knownVersion() + 1;
    }

    void refusedUserIsOneLine()
    {
        QFETCH(QString, user);
        QFETCH(QString, reason);
        QFETCH(int, newerSchema);
        TestEnv env;
        QString error, out, err;
        QVERIFY(m_pg.psql(u"DO $$ BEGIN CREATE ROLE reader LOGIN; EXCEPTION WHEN duplicate_object THEN NULL; END $$"_s));
        if (newerSchema)
            QVERIFY(m_pg.psql(u"INSERT INTO schema_version (version, title) VALUES (%1, 'later')"_s.arg(newerSchema)));
        const auto undo = qScopeGuard([&] {
            if (newerSchema)
                m_pg.psql(u"DELETE FROM schema_version WHERE version = %1"_s.arg(newerSchema));
        });
        QVERIFY2(m_pg.configure(&error, u"tavrel"_s, user), qPrintable(error));
        saveDownload(u"20261204 060000.tvl"_s, 2);
        for (int attempt = 1; attempt <= 2; ++attempt) {
            QCOMPARE(cli(env, {u"central"_s, u"push"_s}, &out, &err), 8);
            QVERIFY2(err.contains(reason) && err.count(u'\n') == 1, qPrintable(err));
            QCOMPARE(local(u"SELECT Attempts || ' ' || (Pushed IS NULL) FROM CentralOutbox"_s), u"%1 1"_s.arg(attempt));
        }
        QCOMPARE(m_pg.value(u"SELECT count(*) FROM sites WHERE id = '%1'"_s.arg(siteId())), u"0"_s);
    }

    // The push thread's states, without a window: up to date, then a
    // download waiting, then the server unreachable since the failed push,
    // and up to date once it answers again.
    void serviceStates()
    {
        TestEnv env;
        QString error;
        QVERIFY2(m_pg.configure(&error), qPrintable(error));
        struct Seen
        {
            CentralPusher::State state;
            int waiting;
            QDateTime since;
        };
        QList<Seen> seen;
        CentralPushService service(m_pg.settings());
        connect(&service, &CentralPushService::stateChanged, this,
                [&](CentralPusher::State state, int waiting, const QDateTime &since) {
                    seen.append({state, waiting, since});
                });
        service.start();
        QTRY_VERIFY_WITH_TIMEOUT(!seen.isEmpty() && seen.last().state == CentralPusher::State::UpToDate, 30000);
        QCOMPARE(m_pg.value(u"SELECT count(*) FROM sites WHERE id = '%1'"_s.arg(siteId())), u"1"_s);

        seen.clear();
        QVERIFY(m_pg.stop(&error));
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
        saveDownload(u"20261205 060000.tvl"_s, 2);
        service.pushNow();
        QTRY_VERIFY_WITH_TIMEOUT(seen.size() == 2, 30000);
        QCOMPARE(seen.at(0).state, CentralPusher::State::Waiting);
        QCOMPARE(seen.at(0).waiting, 1);
        QCOMPARE(seen.at(1).state, CentralPusher::State::Unreachable);
        QCOMPARE(seen.at(1).waiting, 1);
        QVERIFY(seen.at(1).since >= before && seen.at(1).since <= QDateTime::currentDateTimeUtc());

        seen.clear();
        QVERIFY2(m_pg.restart(&error), qPrintable(error));
        service.pushNow();
        QTRY_VERIFY_WITH_TIMEOUT(!seen.isEmpty(), 30000);
        QCOMPARE(seen.size(), 1); // no "waiting" flash while the server was last seen unreachable
        QCOMPARE(seen.at(0).state, CentralPusher::State::UpToDate);
        service.stop();
        QCOMPARE(count(u"records"_s, siteId()), u"2"_s);
    }
};

QTEST_GUILESS_MAIN(tst_CentralPush)
#include "tst_centralpush.moc"
