#include "DataStore.h"
#include "ExceptionReport.h"
#include "FlagReport.h"
#include "IncidentTracker.h"
#include "PatrolFile.h"
#include "PatrolTableModel.h"
#include "PlanStore.h"
#include "Settings.h"
#include "TagStore.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "Workspace.h"
#include "rptExceptions.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;

// The suspicious-read rules on small tables of reads at their limits, the
// clock facts taken from the download ledger, incident attachment, and
// `tavrel-cli flags` / `incidents` / `tags incident`.
class tst_ReadFlags : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rules_data();
    void rules();
    void incidents_data();
    void incidents();
    void workspace();
};

namespace {

const QDate kDay(2026, 12, 7);

qint64 at(const QString &time)
{
    return PatrolPlan::moment(kDay, QTime::fromString(time, u"HH:mm:ss"_s)).toSecsSinceEpoch();
}

QByteArray tvl(const QStringList &records)
{
    QByteArray out;
    for (const QString &r : records)
        out += PatrolFile::encode(r) + "\r\n";
    return out;
}

}

void tst_ReadFlags::rules_data()
{
    QTest::addColumn<QStringList>("reads");     // "MACHINE CODE HH:mm:ss [DOWNLOAD]"
    QTest::addColumn<QStringList>("downloads"); // "HH:mm:ss|-  OFFSET|-"
    QTest::addColumn<QStringList>("flags");     // "READ RULE"
    const QStringList none = {u"- -"_s};
    QTest::newRow("burst: 4 tags in 60 s")
        << QStringList{u"1 A 08:00:00"_s, u"1 B 08:00:20"_s, u"1 C 08:00:40"_s, u"1 D 08:01:00"_s} << none
        << QStringList{u"0 burst"_s, u"1 burst"_s, u"2 burst"_s, u"3 burst"_s};
    QTest::newRow("burst: 61 s") << QStringList{u"1 A 08:00:00"_s, u"1 B 08:00:20"_s, u"1 C 08:00:40"_s, u"1 D 08:01:01"_s}
                                 << none << QStringList{};
    QTest::newRow("burst: a guard tag and another terminal do not count")
        << QStringList{u"1 A 08:00:00"_s, u"1 B 08:00:01"_s, u"1 G 08:00:02"_s, u"2 C 08:00:03"_s, u"1 C 08:00:04"_s}
        << none << QStringList{};
    QTest::newRow("repeat: 60 s") << QStringList{u"1 A 08:00:00"_s, u"1 B 08:00:30"_s, u"1 A 08:01:00"_s} << none
                                  << QStringList{u"0 repeat"_s, u"2 repeat"_s};
    QTest::newRow("repeat: 61 s") << QStringList{u"1 A 08:00:00"_s, u"1 A 08:01:01"_s} << none << QStringList{};
    QTest::newRow("transit: 299 s of 5 min") << QStringList{u"1 P 08:00:00"_s, u"1 Q 08:04:59"_s} << none
                                             << QStringList{u"1 transit"_s};
    QTest::newRow("transit: 300 s") << QStringList{u"1 P 08:00:00"_s, u"1 Q 08:05:00"_s} << none << QStringList{};
    QTest::newRow("clock: 120 s after the download")
        << QStringList{u"1 A 08:00:00"_s, u"1 B 09:02:00"_s} << QStringList{u"09:00:00 -"_s} << QStringList{};
    QTest::newRow("clock: 121 s after the download")
        << QStringList{u"1 A 08:00:00"_s, u"1 B 09:02:01"_s} << QStringList{u"09:00:00 -"_s} << QStringList{u"1 clock"_s};
    QTest::newRow("clock: 120 s off") << QStringList{u"1 A 08:00:00"_s} << QStringList{u"- -120"_s} << QStringList{};
    QTest::newRow("clock: 121 s off") << QStringList{u"1 A 08:00:00"_s, u"2 B 08:30:00"_s} << QStringList{u"- -121"_s}
                                      << QStringList{u"0 clock"_s, u"1 clock"_s};
    QTest::newRow("clock: one second back within a download")
        << QStringList{u"1 A 08:00:00"_s, u"2 B 07:00:00"_s, u"1 C 07:59:59"_s} << none << QStringList{u"2 clock"_s};
    QTest::newRow("clock: back 120 s and 121 s from the download before")
        << QStringList{u"1 A 08:00:00 0"_s, u"2 B 08:00:00 0"_s, u"1 C 07:58:00 1"_s, u"2 D 07:57:59 1"_s}
        << QStringList{u"- -"_s, u"- -"_s} << QStringList{u"3 clock"_s};
}

void tst_ReadFlags::rules()
{
    QFETCH(QStringList, reads);
    QFETCH(QStringList, downloads);
    std::vector<FlagRead> in;
    for (const QString &r : reads) {
        const QStringList f = r.split(u' ');
        in.push_back({f[0], at(f[2]), f[1], f.value(3, u"0"_s).toInt()});
    }
    std::vector<DownloadInfo> files;
    for (const QString &d : downloads) {
        const QStringList f = d.split(u' ');
        DownloadInfo info;
        if (f[0] != u"-")
            info.at = at(f[0]);
        if (f[1] != u"-")
            info.offset = f[1].toLongLong();
        files.push_back(info);
    }
    const QList<TransitRule> transit = {{u"Night"_s, u"P"_s, u"Q"_s, 300}};
    QStringList got;
    for (const ReadFlag &f : ReadFlags::evaluate(in, files, transit, {u"G"_s}, FlagThresholds()))
        got << u"%1 %2"_s.arg(f.read).arg(ReadFlags::ruleName(f.rule));
    QTEST(got, "flags");
}

void tst_ReadFlags::incidents_data()
{
    QTest::addColumn<QStringList>("rows"); // "MACHINE CODE HH:mm:ss"
    QTest::addColumn<QList<qsizetype>>("attached");
    constexpr qsizetype no = IncidentTracker::kNoIncident, alone = IncidentTracker::kUnattached;
    QTest::newRow("300 s, past a guard read")
        << QStringList{u"1 A 08:00:00"_s, u"1 G 08:01:00"_s, u"1 X 08:05:00"_s} << QList<qsizetype>{no, no, 0};
    QTest::newRow("301 s") << QStringList{u"1 A 08:00:00"_s, u"1 X 08:05:01"_s} << QList<qsizetype>{no, alone};
    QTest::newRow("the nearest checkpoint of its own terminal, in time order")
        << QStringList{u"1 X 08:02:00"_s, u"1 B 08:01:00"_s, u"2 C 08:01:30"_s, u"1 A 08:00:00"_s}
        << QList<qsizetype>{1, no, no, no};
}

void tst_ReadFlags::incidents()
{
    QFETCH(QStringList, rows);
    QList<PatrolRow> in;
    for (const QString &r : rows) {
        const QStringList f = r.split(u' ');
        in.append({f[0], u"2026/12/07"_s, f[2], f[1], {}});
    }
    QTEST(IncidentTracker::attach(in, {{u"X"_s, u"Door found open"_s}}, {u"G"_s}, 300), "attached");
}

void tst_ReadFlags::workspace()
{
    TestEnv env;
    // A threshold that is no number (read as 0) would flag every read: the default stands instead.
    QVERIFY(SaveSetting(u"Flags"_s, u"BurstTags"_s, u"four"_s) && SaveSetting(u"Flags"_s, u"RepeatSeconds"_s, u"90"_s));
    QCOMPARE(FlagThresholds::fromSettings().burstTags, 4);
    QCOMPARE(FlagThresholds::fromSettings().repeatSeconds, 90);
    QVERIFY(DeleteSetting(u"Flags"_s, u"RepeatSeconds"_s));
    QString error;
    for (const char *code : {"000000000A", "000000000B", "000000000C", "00000000FF"})
        QCOMPARE(TagStore::add(QLatin1String(code), u"x"_s, &error), TagStore::Result::Ok);
    PatrolPlan plan{u"Night"_s, QTime(8, 0), QTime(10, 0), 120, PatrolPlan::kEveryDay,
                    {{u"000000000A"_s, 0, 5}, {u"000000000B"_s, 10, 5, 10}}};
    QVERIFY2(PlanStore::save(plan, {}, &error), qPrintable(error));
    QCOMPARE(PlanStore::all(&error).value(0), plan);
    // The ledger covers the first download (saved at 09:00 local time, the
    // terminal 200 s fast); the second has only its modification time, 10:00.
    {
        QSqlQuery q(QSqlDatabase::database(DataStore::kConnLog));
        QVERIFY(q.exec(u"CREATE TABLE IF NOT EXISTS Ledger (RowNo INTEGER PRIMARY KEY, At TEXT NOT NULL, Kind TEXT NOT NULL, "
                       "FileName TEXT, FileHash TEXT, RecordCount INTEGER, Family TEXT, MachineNo TEXT, "
                       "ClockOffsetSec INTEGER, PrevHash TEXT NOT NULL, RowHash TEXT NOT NULL)"_s));
        q.prepare(u"INSERT INTO Ledger (At, Kind, FileName, ClockOffsetSec, PrevHash, RowHash) "
                  "VALUES (?, 'download', '20261207 090000.tvl', 200, '', 'x')"_s);
        q.addBindValue(QDateTime(kDay, QTime(9, 0), Qt::LocalTime).toUTC().toString(Qt::ISODate));
        QVERIFY(q.exec());
    }
    const QString first = Workspace::approvedFolder() + u"/20261207 090000.tvl"_s;
    QVERIFY(writeTestFile(first, tvl({u"7,000000000A,2026/12/07,08:00:00"_s, u"7,000000000B,2026/12/07,08:09:00"_s})));
    const QString second = Workspace::unapprovedFolder() + u"/20261207 100000.tvl"_s;
    QVERIFY(writeTestFile(second, tvl({u"8,000000000A,2026/12/07,09:58:00"_s, u"8,00000000FF,2026/12/07,10:02:00"_s,
                                       u"8,000000000C,2026/12/07,10:02:01"_s})));
    QFile file(second);
    QVERIFY(file.open(QIODevice::ReadWrite)
            && file.setFileTime(QDateTime(kDay, QTime(10, 0), Qt::LocalTime), QFileDevice::FileModificationTime));
    file.close();

    auto cli = [&](const QStringList &args, int status) {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(u"XDG_CONFIG_HOME"_s, env.configFolder());
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(TAVREL_CLI_PATH), QStringList{u"--workspace"_s, env.workspace()} + args);
        if (!p.waitForFinished(60000) || p.exitCode() != status)
            return u"exit %1: %2"_s.arg(p.exitCode()).arg(QString::fromUtf8(p.readAllStandardError()));
        return QString::fromUtf8(p.readAllStandardOutput());
    };
    const QString flags = u"2026-12-07 08:00:00\t7\t000000000A\tclock\tterminal clock 200 s off at download\t20261207 090000.tvl\n"
                          "2026-12-07 08:09:00\t7\t000000000B\ttransit\t540 s after 000000000A, plan Night wants 10 min\t20261207 090000.tvl\n"
                          "2026-12-07 08:09:00\t7\t000000000B\tclock\tterminal clock 200 s off at download\t20261207 090000.tvl\n"
                          "2026-12-07 10:02:01\t8\t000000000C\tclock\tdated 121 s after its download\t20261207 100000.tvl\n"_s;
    const QStringList range = {u"flags"_s, u"--from"_s, u"2026-12-07"_s, u"--to"_s, u"2026-12-07"_s};
    QCOMPARE(cli(range, 7), flags);
    QCOMPARE(cli(range + QStringList{u"--rule"_s, u"transit"_s}, 7), flags.split(u'\n').at(1) + u'\n');
    QCOMPARE(cli({u"flags"_s, u"--from"_s, u"2026-12-08"_s, u"--to"_s, u"2026-12-08"_s}, 0), QString());
    QCOMPARE(cli(range + QStringList{u"--rule"_s, u"nope"_s}, 64), QString());
    // The patrol list's marks of the second file, row by row.
    QCOMPARE(FlagReport::rowFlags(second, 3, kDay, kDay), (QStringList{{}, {}, u"clock"_s}));

    // 00000000FF becomes an incident tag: read 240 s after a checkpoint, it is
    // attached to it, and no longer counts as a checkpoint read.
    QCOMPARE(cli({u"tags"_s, u"incident"_s, u"00000000ff"_s, u"Door found open"_s}, 0), QString());
    QCOMPARE(cli({u"tags"_s, u"incident"_s, u"0000000099"_s, u"Light out"_s}, 2), QString()); // not defined
    QCOMPARE(cli({u"tags"_s, u"incidents"_s}, 0), u"00000000FF\tDoor found open\n"_s);
    QCOMPARE(cli({u"incidents"_s, u"--from"_s, u"2026-12-07"_s, u"--to"_s, u"2026-12-07"_s}, 0),
             u"2026-12-07 10:02:00\t8\t00000000FF\tDoor found open\t000000000A\t2026-12-07 09:58:00\t20261207 100000.tvl\n"_s);
    // The exception report: the flags of each read, the incident after the
    // read it belongs to, a flags section and the totals per incident kind.
    ExceptionResult result;
    QVERIFY2(ExceptionReport::run(kDay, kDay, {}, &result, &error), qPrintable(error));
    QStringList outcomes;
    for (const CheckpointOutcome &o : std::as_const(result.outcomes))
        outcomes << o.read.toString(u"HH:mm:ss"_s) + u' ' + o.flags + u' ' + o.incidents.join(u',');
    QCOMPARE(outcomes, (QStringList{u"08:00:00 clock "_s, u"08:09:00 transit, clock "_s, u"09:58:00  Door found open"_s,
                                    u"  "_s, u"10:02:01 clock "_s}));
    QCOMPARE(result.flagged.size(), 3);
    QCOMPARE(result.incidentTotals, (QMap<QString, int>{{u"Door found open"_s, 1}}));
    rptExceptions report;
    report.setResult(result, kDay, kDay);
    QStringList lines;
    for (qsizetype row = 0; row < report.rows.size(); ++row)
        lines << QStringList{report.cellText(row, 0), report.cellText(row, 3), report.cellText(row, 5), report.cellText(row, 10)}
                     .join(u'|');
    QCOMPARE(lines.mid(3, 3), (QStringList{u"|\u26a0 Door found open|Incident|"_s, u"|x|Missed|"_s, u"|x|Extra|clock"_s}));
    const qsizetype flagged = lines.indexOf(u"Flagged reads|||"_s);
    QStringList tail = lines.mid(flagged);
    for (qsizetype i = 1; i <= 3; ++i) // the day in the system's date format, then the time
        tail[i] = report.cellText(flagged + i, 1) + u'|' + tail[i].section(u'|', 1);
    QCOMPARE(tail, (QStringList{u"Flagged reads|||"_s, u"08:00:00|x|clock|"_s, u"08:09:00|x|transit, clock|"_s,
                                u"10:02:01|x|clock|"_s, u"|||"_s, u"Incident totals|||"_s, u"Door found open|||"_s}));
    // The patrol list: the flag column and the incident's text with its marker.
    PatrolTableModel model;
    model.setRows({{}, {}}, {}, {u"burst"_s, {}}, {{}, u"Light out"_s});
    QCOMPARE(model.columnCount(), PatrolTableModel::kColumns + 1);
    QCOMPARE(model.headerData(PatrolTableModel::kColumns, Qt::Horizontal).toString(), u"Flags"_s);
    QCOMPARE(model.data(model.index(1, 4)).toString(), PatrolTableModel::kIncidentMarker + u"Light out"_s);
    QCOMPARE(model.displayText(1, 4), QString()); // searches and exports keep the description

    QCOMPARE(cli({u"tags"_s, u"unincident"_s, u"00000000FF"_s}, 0), QString());
    QCOMPARE(cli({u"tags"_s, u"incidents"_s}, 0), QString());
}

QTEST_GUILESS_MAIN(tst_ReadFlags)
#include "tst_readflags.moc"
