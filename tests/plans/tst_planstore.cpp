#include "DataStore.h"
#include "GuardTracker.h"
#include "PlanStore.h"
#include "TagStore.h"
#include "TestEnv.h"
#include "TestFiles.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_PlanStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roundStarts_data();
    void roundStarts();
    void importRefusals_data();
    void importRefusals();
    void storeKeepsPlansWhole();
    void olderDatabaseGetsTheTables();
    void readsOneSnapshotBesideAnImport();
    void guardsFollowTheirTerminal();
};

namespace {

const QSet<QString> kCodes = {u"0000000001"_s, u"0000000002"_s};

PatrolPlan plan(const QString &name, const QString &start, const QString &end, int interval, int weekdays = 0x7f)
{
    return {name, QTime::fromString(start, u"HH:mm"), QTime::fromString(end, u"HH:mm"), interval, weekdays,
            {{u"0000000001"_s, 0, 5}, {u"0000000002"_s, 10, 5}}};
}

QStringList names(const QList<PatrolPlan> &plans)
{
    QStringList out;
    for (const PatrolPlan &p : plans)
        out << p.name;
    return out;
}

}

void tst_PlanStore::roundStarts_data()
{
    QTest::addColumn<PatrolPlan>("plan");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QStringList>("starts");
    QTest::newRow("day, every 2 h") << plan(u"p"_s, u"08:00"_s, u"12:00"_s, 120) << u"2026-12-07"_s << u"2026-12-07"_s
                                    << QStringList{u"2026-12-07 08:00"_s, u"2026-12-07 10:00"_s, u"2026-12-07 12:00"_s};
    QTest::newRow("night crosses midnight")
        << plan(u"p"_s, u"23:00"_s, u"01:30"_s, 75) << u"2026-12-07"_s << u"2026-12-07"_s
        << QStringList{u"2026-12-07 23:00"_s, u"2026-12-08 00:15"_s, u"2026-12-08 01:30"_s};
    QTest::newRow("one round a day") << plan(u"p"_s, u"06:00"_s, u"18:00"_s, 0) << u"2026-12-07"_s << u"2026-12-08"_s
                                     << QStringList{u"2026-12-07 06:00"_s, u"2026-12-08 06:00"_s};
    // 2026-12-05 is a Saturday: the Friday night shift still runs into it.
    QTest::newRow("weekdays by start day")
        << plan(u"p"_s, u"23:00"_s, u"00:00"_s, 60, 0x1f) << u"2026-12-04"_s << u"2026-12-06"_s
        << QStringList{u"2026-12-04 23:00"_s, u"2026-12-05 00:00"_s};
}

void tst_PlanStore::roundStarts()
{
    QFETCH(PatrolPlan, plan);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QStringList got;
    for (const QDateTime &start : plan.roundStarts(QDate::fromString(from, Qt::ISODate), QDate::fromString(to, Qt::ISODate)))
        got << start.toString(u"yyyy-MM-dd HH:mm");
    QTEST(got, "starts");
}

void tst_PlanStore::importRefusals_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("reason");
    const QByteArray points = R"("checkpoints": [{"code": "0000000001", "minutes": 0, "tolerance": 5}])";
    auto doc = [&](const QByteArray &fields, const QByteArray &more = {}) {
        return R"({"plans": [{"name": "A", "start": "08:00", "end": "09:00", )" + fields + "}" + more + "]}";
    };
    const QByteArray ok = R"("interval": 30, "weekdays": ["Mon"], )" + points;
    QTest::newRow("not json") << QByteArray("{plans") << u"not a JSON document"_s;
    QTest::newRow("no list") << QByteArray(R"({"plan": []})") << u"needs a list \"plans\""_s;
    QTest::newRow("typo field") << doc(ok + R"(, "tolerence": 3)") << u"unknown field \"tolerence\""_s;
    QTest::newRow("bad time") << doc(ok).replace("09:00", "9h") << u"HH:mm"_s;
    QTest::newRow("fraction") << doc(ok).replace("30", "7.5") << u"whole number"_s;
    QTest::newRow("weekday") << doc(ok).replace("Mon", "Monday") << u"unknown weekday \"Monday\""_s;
    QTest::newRow("no weekday") << doc(ok).replace(R"("Mon")", "") << u"runs on no weekday"_s;
    QTest::newRow("undefined code") << doc(ok).replace("0000000001", "0000000009") << u"\"0000000009\" is not defined"_s;
    QTest::newRow("checkpoint fields") << doc(ok).replace(R"(, "tolerance": 5)", "") << u"checkpoint 1 needs"_s;
    QTest::newRow("minutes below 0")
        << doc(ok).replace("}]", R"(}, {"code": "0000000002", "minutes": -1, "tolerance": 0}])") << u"0 to 1440"_s;
    QTest::newRow("minutes out of order") << doc(ok).replace(R"("minutes": 0)", R"("minutes": 9)").replace(
        "}]", R"(}, {"code": "0000000002", "minutes": 8, "tolerance": 0}])") << u"not be smaller"_s;
    QTest::newRow("same name twice") << doc(ok, ", " + doc(ok).mid(11, doc(ok).size() - 13)) << u"plan 2 (\"A\") has the name"_s;
}

void tst_PlanStore::importRefusals()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, reason);
    QList<PatrolPlan> plans{plan(u"kept"_s, u"08:00"_s, u"09:00"_s, 0)};
    QString error;
    QVERIFY(!PlanStore::fromJson(json, kCodes, &plans, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(names(plans), QStringList{u"kept"_s});
}

void tst_PlanStore::storeKeepsPlansWhole()
{
    TestEnv env;
    QString error;
    QList<PatrolPlan> plans{plan(u"Night"_s, u"22:00"_s, u"06:00"_s, 120, 0x1f), plan(u"Day"_s, u"08:00"_s, u"08:00"_s, 0)};
    QVERIFY2(PlanStore::replaceAll(plans, &error), qPrintable(error));
    QList<PatrolPlan> back;
    QVERIFY(PlanStore::fromJson(PlanStore::toJson(PlanStore::all(&error)), kCodes, &back, &error));
    QCOMPARE(back, (QList<PatrolPlan>{plans[1], plans[0]})); // by name, every field through JSON and back

    // A rename onto another plan's name, and a replacement holding a name
    // twice, fail inside their transaction: the plans stay as they were.
    PatrolPlan renamed = plans[0];
    renamed.name = u"Day"_s;
    QVERIFY(!PlanStore::save(renamed, u"Night"_s, &error));
    QVERIFY2(error.contains(u"already exists"_s), qPrintable(error));
    QVERIFY(!PlanStore::replaceAll({plans[0], plans[0]}, &error));
    QCOMPARE(PlanStore::all(&error), back);

    renamed.name = u"Late"_s;
    renamed.checkpoints.removeLast();
    QVERIFY(PlanStore::save(renamed, u"Night"_s, &error));
    QVERIFY(PlanStore::remove(u"Day"_s, &error));
    QCOMPARE(PlanStore::all(&error), QList<PatrolPlan>{renamed});

    // The guard mark follows its tag to a new code ...
    QCOMPARE(TagStore::add(u"00000000AA"_s, u"Ann"_s, &error), TagStore::Result::Ok);
    QVERIFY(TagStore::setGuard(u"00000000AA"_s, true, &error));
    QCOMPARE(TagStore::edit(u"00000000AA"_s, u"00000000AB"_s, u"Ann"_s, &error), TagStore::Result::Ok);
    QCOMPARE(TagStore::guardCodes(&error), QSet<QString>{u"00000000AB"_s});
    // ... and goes with it: a code defined again later is no guard tag.
    QCOMPARE(TagStore::remove(u"00000000AB"_s, &error), TagStore::Result::Ok);
    QVERIFY(TagStore::guardCodes(&error).isEmpty());
}

void tst_PlanStore::olderDatabaseGetsTheTables()
{
    TestEnv env;
    {
        QSqlQuery q(QSqlDatabase::database(DataStore::kConnTVL));
        for (const char *table : {"Plan", "PlanPoint", "TagKind"})
            QVERIFY(q.exec(u"DROP TABLE "_s + QLatin1String(table)));
        // A file of the version before: checkpoints without a minimum, guard marks in GuardTag.
        QVERIFY(q.exec(u"CREATE TABLE PlanPoint (PlanName TEXT NOT NULL, Seq INTEGER NOT NULL, Code TEXT NOT NULL, "
                       "Minutes INTEGER NOT NULL, Tolerance INTEGER NOT NULL, PRIMARY KEY (PlanName, Seq))"_s));
        QVERIFY(q.exec(u"CREATE TABLE GuardTag (Code TEXT NOT NULL PRIMARY KEY)"_s));
        QVERIFY(q.exec(u"INSERT INTO GuardTag VALUES ('0000000001'), ('00000000aa')"_s));
    }
    DataStore::close();
    // The plans are the first to use the database: it opens and gets the tables.
    QString error;
    PatrolPlan a = plan(u"A"_s, u"08:00"_s, u"09:00"_s, 0);
    a.checkpoints[1].minMinutes = 7;
    QVERIFY2(PlanStore::replaceAll({a}, &error), qPrintable(error));
    QCOMPARE(PlanStore::all(&error), QList<PatrolPlan>{a});
    // Every guard mark moved; the old table is gone, so none comes back once removed.
    QCOMPARE(TagStore::guardCodes(&error), (QSet<QString>{u"0000000001"_s, u"00000000AA"_s}));
    QSqlQuery q(QSqlDatabase::database(DataStore::kConnTVL));
    QVERIFY(q.exec(u"SELECT 1 FROM sqlite_master WHERE name = 'GuardTag'"_s) && !q.next());
    QVERIFY(TagStore::setGuard(u"0000000001"_s, false, &error));
    DataStore::close();
    QCOMPARE(TagStore::guardCodes(&error), QSet<QString>{u"00000000AA"_s});
}

void tst_PlanStore::readsOneSnapshotBesideAnImport()
{
    // `tavrel-cli plans import` of two plan sets in turn, in another process,
    // while this one reads: every read sees one set whole, never the plans of
    // one with the checkpoints of the other.
    TestEnv env;
    QString error;
    for (const QString &code : kCodes)
        QCOMPARE(TagStore::add(code, u"x"_s, &error), TagStore::Result::Ok);
    PatrolPlan b2 = plan(u"B2"_s, u"22:00"_s, u"06:00"_s, 60);
    b2.checkpoints.removeFirst();
    const QList<QList<PatrolPlan>> sets = {{plan(u"A1"_s, u"08:00"_s, u"09:00"_s, 0), plan(u"A2"_s, u"10:00"_s, u"12:00"_s, 30)},
                                           {plan(u"B1"_s, u"07:00"_s, u"07:00"_s, 0), b2}};
    QVERIFY(PlanStore::replaceAll(sets[0], &error));
    QProcess importer;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(u"XDG_CONFIG_HOME"_s, env.configFolder());
    importer.setProcessEnvironment(e);
    QList<int> seen(sets.size());
    for (int imports = 0; imports < 10; ++imports) {
        const QString file = env.root() + u"/set%1.json"_s.arg(imports);
        QVERIFY(writeTestFile(file, PlanStore::toJson(sets[(imports + 1) % 2])));
        importer.start(QStringLiteral(TAVREL_CLI_PATH), {u"--workspace"_s, env.workspace(), u"plans"_s, u"import"_s, file});
        do {
            const qsizetype which = sets.indexOf(PlanStore::all(&error));
            QVERIFY2(which >= 0 && error.isEmpty(), qPrintable(error));
            ++seen[which];
        } while (!importer.waitForFinished(0) && importer.state() != QProcess::NotRunning);
        QCOMPARE(importer.exitCode(), 0);
    }
    QVERIFY2(seen[0] > 0 && seen[1] > 0, qPrintable(u"%1 %2"_s.arg(seen[0]).arg(seen[1])));
}

void tst_PlanStore::guardsFollowTheirTerminal()
{
    // Terminal 1 changes guard at 10:00; its rows come out of time order.
    // Terminal 2 never reads a guard tag.
    const QList<PatrolRow> rows = {{u"1"_s, u"2026/12/07"_s, u"10:30:00"_s, u"0000000001"_s, {}},
                                   {u"1"_s, u"2026/12/07"_s, u"09:00:00"_s, u"00000000AA"_s, {}},
                                   {u"2"_s, u"2026/12/07"_s, u"09:30:00"_s, u"0000000001"_s, {}},
                                   {u"1"_s, u"2026/12/07"_s, u"09:15:00"_s, u"0000000002"_s, {}},
                                   {u"1"_s, u"2026/12/07"_s, u"10:00:00"_s, u"00000000BB"_s, {}}};
    const QSet<QString> guards{u"00000000AA"_s, u"00000000BB"_s};
    QCOMPARE(GuardTracker::guards(rows, guards, {{u"00000000AA"_s, u"Ann"_s}}),
             (QStringList{u"00000000BB"_s, u"Ann"_s, QString(), u"Ann"_s, u"00000000BB"_s}));
    QVERIFY(GuardTracker::hasGuardReads(rows, guards));
    QVERIFY(!GuardTracker::hasGuardReads(rows.mid(2, 2), guards));
}

QTEST_GUILESS_MAIN(tst_PlanStore)
#include "tst_planstore.moc"
