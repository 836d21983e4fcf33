#include "CRes.h"
#include "ExceptionReport.h"
#include "ExceptionTableModel.h"
#include "OutcomeTotalsModel.h"
#include "TestEnv.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// How the exception window's models show outcomes: the minutes' sign, what a
// missed checkpoint and an extra read leave empty, the out-of-order note, the
// date of a read after midnight, and the totals' row of reads without a guard.
class tst_ExceptionTableModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase() { CRes::destroyInstance(); }
    void rowTexts_data();
    void rowTexts();
    void totalsWithoutGuard();

private:
    std::unique_ptr<TestEnv> m_env;
};

namespace {

using Kind = CheckpointOutcome::Kind;

QDateTime at(int day, const char *time)
{
    return PatrolPlan::moment(QDate(2026, 12, day), QTime::fromString(QLatin1String(time), u"HH:mm:ss"_s));
}

}

void tst_ExceptionTableModel::initTestCase()
{
    m_env = std::make_unique<TestEnv>();
    CRes::destroyInstance();
}

void tst_ExceptionTableModel::rowTexts_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("seq");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<bool>("outOfOrder");
    QTest::addColumn<QDateTime>("read");
    // Seq, due, minutes, read as shown.
    QTest::addColumn<QStringList>("shown");
    const QDateTime none;
    QTest::newRow("late") << int(Kind::Late) << 2 << 7 << false << at(1, "22:17:10")
                          << QStringList{u"2"_s, u"22:10"_s, u"+7"_s, u"22:17:10"_s};
    QTest::newRow("early") << int(Kind::Early) << 1 << -3 << false << at(1, "22:06:30")
                           << QStringList{u"1"_s, u"22:10"_s, u"-3"_s, u"22:06:30"_s};
    QTest::newRow("on time, no minutes") << int(Kind::OnTime) << 1 << 0 << false << at(1, "22:10:00")
                                         << QStringList{u"1"_s, u"22:10"_s, QString(), u"22:10:00"_s};
    QTest::newRow("missed") << int(Kind::Missed) << 3 << 0 << false << none
                            << QStringList{u"3"_s, u"22:10"_s, QString(), QString()};
    QTest::newRow("extra") << int(Kind::Extra) << 0 << 0 << false << at(1, "22:12:00")
                           << QStringList{QString(), QString(), QString(), u"22:12:00"_s};
    QTest::newRow("after midnight") << int(Kind::Late) << 2 << 120 << true << at(2, "00:10:00")
                                    << QStringList{u"2"_s, u"22:10"_s, u"+120"_s,
                                                   QLocale::system().toString(QDate(2026, 12, 2), QLocale::ShortFormat)
                                                       + u" 00:10:00"_s};
}

void tst_ExceptionTableModel::rowTexts()
{
    QFETCH(int, kind);
    QFETCH(int, seq);
    QFETCH(int, minutes);
    QFETCH(bool, outOfOrder);
    QFETCH(QDateTime, read);
    QFETCH(QStringList, shown);
    CheckpointOutcome o;
    o.plan = u"Night"_s;
    o.roundStart = at(1, "22:00:00");
    o.seq = seq;
    o.code = u"0000000001"_s;
    o.kind = Kind(kind);
    if (o.kind != Kind::Extra)
        o.due = at(1, "22:10:00");
    o.minutes = minutes;
    o.outOfOrder = outOfOrder;
    o.read = read;
    ExceptionTableModel model;
    model.setOutcomes({o}, {{o.code, u"Gate"_s}});
    using C = ExceptionTableModel;
    QCOMPARE((QStringList{model.displayText(0, C::Seq), model.displayText(0, C::Due), model.displayText(0, C::Minutes),
                          model.displayText(0, C::Read)}),
             shown);
    QCOMPARE(model.displayText(0, C::Checkpoint), u"0000000001  Gate"_s);
    const QString outcome = model.displayText(0, C::Outcome);
    QVERIFY(outcome.startsWith(ExceptionReport::kindText(o.kind)));
    QCOMPARE(outcome.contains(CRes::instance().ResString(395)), outOfOrder);
    QCOMPARE(model.data(model.index(0, C::Plan), Qt::BackgroundRole).value<QColor>(), C::kindColor(o.kind));
}

void tst_ExceptionTableModel::totalsWithoutGuard()
{
    OutcomeTotals ann;
    ann.late = 2;
    ann.missed = 1;
    OutcomeTotalsModel model(389);
    model.setTotals({{QString(), OutcomeTotals()}, {u"Ann"_s, ann}});
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.displayText(0, OutcomeTotalsModel::Key), CRes::instance().ResString(398));
    QCOMPARE((QStringList{model.displayText(1, OutcomeTotalsModel::Key), model.displayText(1, OutcomeTotalsModel::Late),
                          model.displayText(1, OutcomeTotalsModel::Missed)}),
             (QStringList{u"Ann"_s, u"2"_s, u"1"_s}));
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), CRes::instance().ResString(389));
}

QTEST_GUILESS_MAIN(tst_ExceptionTableModel)
#include "tst_exceptiontablemodel.moc"
