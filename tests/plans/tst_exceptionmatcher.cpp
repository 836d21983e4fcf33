#include "ComplianceFigures.h"
#include "ExceptionReport.h"
#include "Ledger.h"
#include "PatrolFile.h"
#include "PlanStore.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "rptExceptions.h"
#include "Workspace.h"

#include <QProcess>
#include <QtTest>

using namespace Qt::StringLiterals;

// The matching of reads against plans on small hand-made tables, the reading
// of both folders, and `tavrel-cli exceptions`.
class tst_ExceptionMatcher : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void match_data();
    void match();
    void files();
    void cli();
    void rangeAndFilterOnlyChooseLines();
    void complianceFigures_data();
    void complianceFigures();
};

namespace {

// "NAME START END INTERVAL [WEEKDAYS] CODE:MINUTES:TOLERANCE...".
PatrolPlan plan(const QString &words)
{
    const QStringList w = words.split(u' ');
    PatrolPlan p{w[0], QTime::fromString(w[1], u"HH:mm"_s), QTime::fromString(w[2], u"HH:mm"_s), w[3].toInt()};
    for (const QString &c : w.mid(4)) {
        const QStringList f = c.split(u':');
        if (f.size() == 1)
            p.weekdays = c.toInt();
        else
            p.checkpoints.append({f[0], f[1].toInt(), f[2].toInt()});
    }
    return p;
}

// An outcome as "PLAN DAY HH:mm SEQ CODE KIND MINUTES [out-of-order] [DAY HH:mm:ss] [MACHINE] [GUARD]",
// taken from the command line's fields.
QString brief(const CheckpointOutcome &o)
{
    QStringList f = ExceptionReport::line(o).split(u'\t');
    f[1] = f[1].mid(8);
    f[8] = f[8].mid(8);
    f.removeAt(4); // the due time
    return f.join(u' ').simplified();
}

}

void tst_ExceptionMatcher::match_data()
{
    QTest::addColumn<QStringList>("plans");
    QTest::addColumn<QStringList>("reads"); // "MACHINE CODE yyyy-MM-dd HH:mm:ss"
    QTest::addColumn<QStringList>("expected");

    const QString abc = u"P 08:00 08:00 0 A:0:5 B:10:5 C:20:5"_s;
    QTest::newRow("on time") << QStringList{abc}
                             << QStringList{"1 A 2026-12-07 08:00:30", "1 B 2026-12-07 08:11:00", "1 C 2026-12-07 08:19:00"}
                             << QStringList{"P 07 08:00 1 A on-time 1 07 08:00:30 1", "P 07 08:00 2 B on-time 1 07 08:11:00 1",
                                            "P 07 08:00 3 C on-time -1 07 08:19:00 1"};
    QTest::newRow("missed, late") << QStringList{abc}
                                  << QStringList{"1 A 2026-12-07 08:04:00", "1 C 2026-12-07 08:27:30"}
                                  << QStringList{"P 07 08:00 1 A on-time 4 07 08:04:00 1", "P 07 08:00 2 B missed 0",
                                                 "P 07 08:00 3 C late 8 07 08:27:30 1"};
    // A round from 23:30 reads after midnight; a night shift (Mondays only)
    // starts after midnight too, and those rounds still belong to Monday.
    QTest::newRow("midnight") << QStringList{"N 23:30 23:30 0 A:0:5 B:40:5", "S 22:00 02:00 120 1 X:0:10"}
                              << QStringList{"1 A 2026-12-07 23:31:00", "1 B 2026-12-08 00:12:00", "2 X 2026-12-08 00:01:00"}
                              << QStringList{"S 07 22:00 1 X missed 0", "N 07 23:30 1 A on-time 1 07 23:31:00 1",
                                             "N 07 23:30 2 B on-time 2 08 00:12:00 1", "S 08 00:00 1 X on-time 1 08 00:01:00 2",
                                             "S 08 02:00 1 X missed 0"};
    // Windows: [07:55, 08:10) [08:10, 08:25) [08:25, 09:35).
    QTest::newRow("rounds close together")
        << QStringList{"Q 08:00 08:30 15 A:0:5"}
        << QStringList{"1 A 2026-12-07 08:06:00", "1 A 2026-12-07 08:09:00", "1 A 2026-12-07 08:14:00"}
        << QStringList{"Q 07 08:00 1 A late 6 07 08:06:00 1", "Q 07 08:00 0 A extra 0 07 08:09:00 1",
                       "Q 07 08:15 1 A on-time -1 07 08:14:00 1", "Q 07 08:30 1 A missed 0"};
    // A second read of B, and a foreign tag read by the terminal that walked
    // the round, are extras; the same tag on another terminal is not.
    QTest::newRow("double visit")
        << QStringList{abc}
        << QStringList{"1 A 2026-12-07 08:00:00", "1 B 2026-12-07 08:10:00", "1 B 2026-12-07 08:12:00",
                       "1 Z 2026-12-07 08:15:00", "2 Z 2026-12-07 08:16:00", "1 C 2026-12-07 08:20:00",
                       "1 B 2026-12-07 08:10:00"}
        << QStringList{"P 07 08:00 1 A on-time 0 07 08:00:00 1", "P 07 08:00 2 B on-time 0 07 08:10:00 1",
                       "P 07 08:00 3 C on-time 0 07 08:20:00 1", "P 07 08:00 0 B extra 0 07 08:12:00 1",
                       "P 07 08:00 0 Z extra 0 07 08:15:00 1"};
    QTest::newRow("out of order") << QStringList{abc}
                                  << QStringList{"1 A 2026-12-07 08:00:00", "1 C 2026-12-07 08:08:00", "1 B 2026-12-07 08:12:00"}
                                  << QStringList{"P 07 08:00 1 A on-time 0 07 08:00:00 1", "P 07 08:00 2 B on-time 2 07 08:12:00 1",
                                                 "P 07 08:00 3 C early -12 out-of-order 07 08:08:00 1"};
    // One tag read in one second on two terminals: the lower machine number
    // gets the checkpoint, whatever the order of the files.
    QTest::newRow("same second, two terminals")
        << QStringList{u"P 08:00 08:00 0 A:0:5"_s}
        << QStringList{"12 A 2026-12-07 08:00:00", "9 A 2026-12-07 08:00:00", "10 A 2026-12-07 08:00:00"}
        << QStringList{"P 07 08:00 1 A on-time 0 07 08:00:00 9", "P 07 08:00 0 A extra 0 07 08:00:00 10",
                       "P 07 08:00 0 A extra 0 07 08:00:00 12"};
    // G1 (Ann) then G2 (Bob) on terminal 1; the missed C goes to whoever made
    // the round's first read. Guard reads are never extras.
    QTest::newRow("guard change") << QStringList{abc}
                                  << QStringList{"1 G1 2026-12-07 07:50:00", "1 A 2026-12-07 08:00:00", "1 G2 2026-12-07 08:05:00",
                                                 "1 B 2026-12-07 08:10:00", "2 G2 2026-12-07 08:01:00"}
                                  << QStringList{"P 07 08:00 1 A on-time 0 07 08:00:00 1 Ann",
                                                 "P 07 08:00 2 B on-time 0 07 08:10:00 1 Bob", "P 07 08:00 3 C missed 0 Ann"};
}

void tst_ExceptionMatcher::match()
{
    QFETCH(QStringList, plans);
    QFETCH(QStringList, reads);
    QFETCH(QStringList, expected);
    QList<PatrolPlan> planList;
    for (const QString &p : plans)
        planList << plan(p);
    QList<PatrolRead> readList;
    for (const QString &r : reads) {
        const QStringList f = r.split(u' ');
        readList.append({f[0], PatrolPlan::moment(QDate::fromString(f[2], Qt::ISODate), QTime::fromString(f[3])), f[1]});
    }
    const QDate day(2026, 12, 7);
    const ExceptionResult result =
        ExceptionMatcher::match(planList, readList, day, day, {u"G1"_s, u"G2"_s}, {{u"G1"_s, u"Ann"_s}, {u"G2"_s, u"Bob"_s}});
    QStringList got;
    OutcomeTotals all;
    for (const CheckpointOutcome &o : result.outcomes) {
        got << brief(o);
        all.add(o);
    }
    QCOMPARE(got, expected);
    // The totals per plan and per guard add up to those of the outcomes.
    auto counts = [](const OutcomeTotals &t) { return QList{t.onTime, t.early, t.late, t.missed, t.extra, t.outOfOrder}; };
    for (const auto *totals : {&result.byPlan, &result.byGuard}) {
        QList<int> sum(6);
        for (const OutcomeTotals &t : *totals)
            for (int i = 0; i < 6; ++i)
                sum[i] += counts(t)[i];
        QCOMPARE(sum, counts(all));
    }
    QCOMPARE(result.anyMissed(), all.missed > 0);
    // A tab or line break in a name never adds a field or a line.
    CheckpointOutcome named = result.outcomes.value(0);
    named.plan = named.guard = u"a\tb\nc"_s;
    QCOMPARE(ExceptionReport::line(named).split(u'\t').size(), 11);
    if (qstrcmp(QTest::currentDataTag(), "guard change") == 0)
        QCOMPARE(counts(result.byGuard.value(u"Ann"_s)), (QList{1, 0, 0, 1, 0, 0}));
}

namespace {

QByteArray tvl(const QStringList &records)
{
    QByteArray out;
    for (const QString &r : records)
        out += PatrolFile::encode(r) + "\r\n";
    return out;
}

// Plan "Gate" (A at 0, B at 10, both 5 minutes either side, daily at 08:00)
// and one day's files: the same download kept twice, an unreadable line, and
// a file downloaded long before whose record would otherwise be a double visit.
void makeWorkspace()
{
    QString error;
    QVERIFY2(PlanStore::save(plan(u"Gate 08:00 08:00 0 000000000A:0:5 000000000B:10:5"_s), {}, &error), qPrintable(error));
    const QByteArray day = tvl({u"7,000000000A,2026/12/07,08:01:00"_s, u"7,000000000B,2026/12/07,08:20:00"_s,
                                u"7,000000000B,2026/12/08,08:10:00"_s});
    QVERIFY(writeTestFile(Workspace::unapprovedFolder() + u"/20261208 090000.tvl"_s, day + "123\r\n"));
    QVERIFY(writeTestFile(Workspace::approvedFolder() + u"/20261208 090000 (2).tvl"_s, day));
    QVERIFY(writeTestFile(Workspace::approvedFolder() + u"/20261205 090000.tvl"_s,
                          tvl({u"7,000000000A,2026/12/07,08:02:00"_s})));
    // Each file saved when its name says, so that the clock flags do not depend on today's date.
    for (const QString &folder : {Workspace::unapprovedFolder(), Workspace::approvedFolder()})
        for (const QFileInfo &file : QDir(folder).entryInfoList(QDir::Files)) {
            QFile f(file.filePath());
            QVERIFY(f.open(QIODevice::ReadWrite)
                    && f.setFileTime(QDateTime::fromString(file.fileName().left(15), u"yyyyMMdd HHmmss"_s),
                                     QFileDevice::FileModificationTime));
        }
}

}

void tst_ExceptionMatcher::files()
{
    TestEnv env;
    makeWorkspace();
    QStringList warnings;
    const QDate day(2026, 12, 7);
    QCOMPARE(ExceptionReport::readRange(day, day, &warnings).size(), 6);
    QCOMPARE(warnings, QStringList{u"20261208 090000.tvl: 1 lines could not be read (lines 4)"_s});

    ExceptionResult result;
    QString error;
    QVERIFY(ExceptionReport::run(day, day.addDays(1), {}, &result, &error));
    QStringList got;
    for (const CheckpointOutcome &o : result.outcomes)
        got << brief(o);
    QCOMPARE(got, (QStringList{"Gate 07 08:00 1 000000000A on-time 1 07 08:01:00 7",
                               "Gate 07 08:00 2 000000000B late 10 07 08:20:00 7", "Gate 08 08:00 1 000000000A missed 0",
                               "Gate 08 08:00 2 000000000B on-time 0 08 08:10:00 7"}));
    // On paper: the outcomes, then per plan and per guard a caption and a line per outcome counted.
    rptExceptions report;
    report.setResult(result, day, day.addDays(1));
    QCOMPARE(report.Function1(), 4);
    // Then the flagged reads: the copy of the download steps back a day.
    QCOMPARE(report.rows.size(), 4 + 5 + 5 + 3);
    QCOMPARE((QStringList{report.cellText(16, 5), report.cellText(16, 9)}),
             (QStringList{u"clock"_s, u"86940 s before the record before it"_s}));
    QCOMPARE(report.cellText(0, 10), u"clock"_s);
    QCOMPARE(report.cellText(1, 1), QString()); // the round shows on its first line only
    QCOMPARE((QStringList{report.cellText(6, 0), report.cellText(6, 5), report.cellText(6, 6), report.cellText(13, 5)}),
             (QStringList{"Gate", "On time", "2", "Missed"}));
    QVERIFY(!ExceptionReport::run(day, day, u"Nope"_s, &result, &error));
    QCOMPARE(error, u"There is no plan called Nope"_s);
}

void tst_ExceptionMatcher::cli()
{
    TestEnv env;
    makeWorkspace();
    auto run = [&](const QStringList &args, int status, const QString &out) {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(u"XDG_CONFIG_HOME"_s, env.configFolder());
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(TAVREL_CLI_PATH), QStringList{u"--workspace"_s, env.workspace(), u"exceptions"_s} + args);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), status);
        QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), out);
    };
    const QString day7 = u"Gate\t2026-12-07 08:00\t1\t000000000A\t08:00\ton-time\t1\t\t2026-12-07 08:01:00\t7\t\n"
                         u"Gate\t2026-12-07 08:00\t2\t000000000B\t08:10\tlate\t10\t\t2026-12-07 08:20:00\t7\t\n"_s;
    const QString pdf = env.root() + u"/x.pdf"_s;
    run({u"--from"_s, u"2026-12-07"_s, u"--to"_s, u"2026-12-07"_s, u"--plan"_s, u"Gate"_s, u"--pdf"_s, pdf}, 0, day7);
    QVERIFY(readTestFile(pdf).startsWith("%PDF"));
    // On paper with the ledger's head (the command line began the ledger with a baseline).
    LedgerRow head;
    QVERIFY(Ledger::head(&head));
    QProcess pdftotext;
    pdftotext.start(u"pdftotext"_s, {pdf, u"-"_s});
    QVERIFY(pdftotext.waitForFinished());
    QVERIFY(QString::fromUtf8(pdftotext.readAllStandardOutput()).contains(u"Ledger head "_s + head.rowHash.left(12)));
    run({u"--from"_s, u"2026-12-07"_s, u"--to"_s, u"2026-12-08"_s}, 5,
        day7 + u"Gate\t2026-12-08 08:00\t1\t000000000A\t08:00\tmissed\t0\t\t\t\t\n"
               u"Gate\t2026-12-08 08:00\t2\t000000000B\t08:10\ton-time\t0\t\t2026-12-08 08:10:00\t7\t\n"_s);
    run({u"--from"_s, u"2026-12-08"_s, u"--to"_s, u"2026-12-07"_s}, 64, {});
    run({u"--from"_s, u"2026-12-07"_s, u"--to"_s, u"2026-12-07"_s, u"--plan"_s, u"Nope"_s}, 2, {});
}

namespace {

// The report's lines for the rounds from `from` to `to` of `planName` (every plan when empty).
QStringList reportLines(const QDate &from, const QDate &to, const QString &planName = {})
{
    ExceptionResult result;
    QString error;
    if (!ExceptionReport::run(from, to, planName, &result, &error))
        return {error};
    QStringList lines;
    for (const CheckpointOutcome &o : std::as_const(result.outcomes))
        lines << ExceptionReport::line(o);
    return lines;
}

}

void tst_ExceptionMatcher::rangeAndFilterOnlyChooseLines()
{
    // Late (23:50) and Early (00:00) share T, read once at 23:55 on 7 Jan;
    // Alpha (08:00) and Beta (08:05) share S, read at 08:06. Every round takes
    // part in the claiming whatever is printed: the read goes to the round that
    // starts first, and Early of 8 Jan and Beta stay missed in every report.
    TestEnv env;
    QString error;
    QVERIFY(PlanStore::replaceAll({plan(u"Late 23:50 23:50 0 000000000T:0:10"_s), plan(u"Early 00:00 00:00 0 000000000T:0:10"_s),
                                   plan(u"Alpha 08:00 08:00 0 000000000S:0:10"_s), plan(u"Beta 08:05 08:05 0 000000000S:0:10"_s)},
                                  &error));
    QVERIFY(writeTestFile(Workspace::unapprovedFolder() + u"/20270109 060000.tvl"_s,
                          tvl({u"3,000000000T,2027/01/07,00:01:00"_s, u"3,000000000S,2027/01/07,08:06:00"_s,
                               u"3,000000000T,2027/01/07,23:55:00"_s, u"3,000000000S,2027/01/08,08:06:00"_s,
                               u"3,000000000T,2027/01/08,23:51:00"_s})));
    const QDate day7(2027, 1, 7), day8(2027, 1, 8);
    const QStringList both = reportLines(day7, day8);
    QVERIFY(both.contains(u"Late\t2027-01-07 23:50\t1\t000000000T\t23:50\ton-time\t5\t\t2027-01-07 23:55:00\t3\t"_s));
    QVERIFY(both.contains(u"Early\t2027-01-08 00:00\t1\t000000000T\t00:00\tmissed\t0\t\t\t\t"_s));
    QCOMPARE(reportLines(day8, day8), both.filter(QRegularExpression(u"^[^\t]*\t2027-01-08"_s)));
    const QStringList beta = reportLines(day7, day8, u"Beta"_s);
    QCOMPARE(beta, both.filter(QRegularExpression(u"^Beta\t"_s)));
    QCOMPARE(beta.filter(u"\tmissed\t"_s).size(), 2);
}

void tst_ExceptionMatcher::complianceFigures_data()
{
    QTest::addColumn<QString>("planName");
    QTest::addColumn<QStringList>("days");   // "DAY ONTIME EARLY-OR-LATE MISSED PERCENT"
    QTest::addColumn<QStringList>("guards"); // "GUARD ONTIME EARLY-OR-LATE MISSED"
    // Mon 7 to Wed 9 Dec: D runs on Mondays and Wednesdays at 08:00; N on
    // Mondays at 23:30 and ends after midnight; the shift S on Mondays and
    // Wednesdays has a round at 22:00 and one at midnight, which belongs to
    // the evening before (Wednesday's to the range though due on Thursday).
    // Nothing is due on Tuesday.
    QTest::newRow("all plans") << QString() << QStringList{"07 4 1 1 66.6667", "08 0 0 0 -", "09 1 0 3 25"}
                               << QStringList{" 0 0 3", "Ann 2 1 1", "Bob 3 0 0"};
    QTest::newRow("day plan") << u"D"_s << QStringList{"07 1 1 0 50", "08 0 0 0 -", "09 1 0 1 50"}
                              << QStringList{"Ann 2 1 1"};
    QTest::newRow("night plan") << u"N"_s << QStringList{"07 2 0 0 100", "08 0 0 0 -", "09 0 0 0 -"}
                                << QStringList{"Bob 2 0 0"};
    QTest::newRow("shift") << u"S"_s << QStringList{"07 1 0 1 50", "08 0 0 0 -", "09 0 0 2 0"}
                           << QStringList{" 0 0 3", "Bob 1 0 0"};
}

// The chart's figures: per day and per guard, they add up to the report's
// totals; extra reads do not count, a night round counts on the day it
// started, and a day with nothing due has no percentage.
void tst_ExceptionMatcher::complianceFigures()
{
    QFETCH(QString, planName);
    QFETCH(QStringList, days);
    QFETCH(QStringList, guards);
    TestEnv env;
    const QList<PatrolPlan> plans{plan(u"D 08:00 08:00 0 5 A:0:5 B:10:5"_s), plan(u"N 23:30 23:30 0 1 A:0:5 B:40:5"_s),
                                  plan(u"S 22:00 00:00 120 5 X:0:5"_s)};
    QList<PatrolRead> reads;
    for (const char *r : {"1 G1 2026-12-07 07:50:00", "1 A 2026-12-07 08:01:00", "1 A 2026-12-07 08:03:00",
                          "1 B 2026-12-07 08:20:00", "2 G2 2026-12-07 23:20:00", "2 A 2026-12-07 23:31:00",
                          "2 B 2026-12-08 00:12:00", "2 X 2026-12-08 00:02:00", "1 A 2026-12-09 08:00:00"}) {
        const QStringList f = QString::fromLatin1(r).split(u' ');
        reads.append({f[0], PatrolPlan::moment(QDate::fromString(f[2], Qt::ISODate), QTime::fromString(f[3])), f[1]});
    }
    const QDate from(2026, 12, 7), to(2026, 12, 9);
    const ExceptionResult result = ExceptionMatcher::match(plans, reads, from, to, {u"G1"_s, u"G2"_s},
                                                           {{u"G1"_s, u"Ann"_s}, {u"G2"_s, u"Bob"_s}}, planName);
    const ComplianceFigures figures(result, from, to);
    auto row = [](const ComplianceRow &r) {
        return QList{r.onTime, r.earlyOrLate, r.missed};
    };
    QStringList gotDays;
    QList<int> sum(3);
    for (const ComplianceRow &d : figures.days()) {
        gotDays << u"%1 %2 %3 %4 %5"_s.arg(d.day.toString(u"dd"_s)).arg(d.onTime).arg(d.earlyOrLate).arg(d.missed)
                       .arg(d.hasPercent() ? QString::number(d.percent()) : u"-"_s);
        for (int i = 0; i < 3; ++i)
            sum[i] += row(d)[i];
    }
    QCOMPARE(gotDays, days);
    QStringList gotGuards;
    for (const ComplianceRow &g : figures.guards()) {
        gotGuards << u"%1 %2 %3 %4"_s.arg(g.guard).arg(g.onTime).arg(g.earlyOrLate).arg(g.missed);
        const OutcomeTotals &t = result.byGuard.value(g.guard);
        QCOMPARE(row(g), (QList{t.onTime, t.early + t.late, t.missed}));
    }
    QCOMPARE(gotGuards, guards);
    OutcomeTotals planTotals;
    for (const OutcomeTotals &t : result.byPlan)
        planTotals = {planTotals.onTime + t.onTime, planTotals.early + t.early, planTotals.late + t.late,
                      planTotals.missed + t.missed};
    QCOMPARE(sum, (QList{planTotals.onTime, planTotals.early + planTotals.late, planTotals.missed}));
    QCOMPARE(row(figures.total()), sum);
    // The printed report draws the same figures; its footer counts the same checkpoints due.
    rptExceptions report;
    report.setResult(result, from, to);
    QCOMPARE(row(report.figures().total()), sum);
    QCOMPARE(report.figures().days().size(), 3);
    QCOMPARE(qsizetype(figures.total().due()), report.Function1());
}

QTEST_GUILESS_MAIN(tst_ExceptionMatcher)
#include "tst_exceptionmatcher.moc"
