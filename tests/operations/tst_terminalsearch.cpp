#include "CRes.h"
#include "KrSimFixture.h"
#include "RecordingReporter.h"
#include "Settings.h"
#include "TerminalSearch.h"
#include "VxSimFixture.h"
#include "ucKR500_900.h"

#include <QtTest>

// The search of the wizard and of `tavrel-cli search` over simulated devices.
class tst_TerminalSearch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void vxCradleOnCom2IsFoundAfterEveryKrProbe();
    void portHeldByAnotherProgramIsPassedQuietly();
};

namespace {

QString setting(const char *key)
{
    return GetSetting(QStringLiteral("Terminal"), QLatin1String(key), QStringLiteral("absent"));
}


}

void tst_TerminalSearch::cleanup()
{
    CRes::destroyInstance();
}

void tst_TerminalSearch::vxCradleOnCom2IsFoundAfterEveryKrProbe()
{
    RecordingReporter reporter;
    TestEnv env(false);
    VxSimFixture vx(2, &env);
    TerminalSearch search;
    QStringList ports;
    connect(&search, &TerminalSearch::probing, this, [&](const QString &p) { ports << p; });
    const TerminalSearch::Result result = search.run();
    QVERIFY(result.found);
    QCOMPARE(result.family, 1);
    QCOMPARE(result.port, QStringLiteral("COM2"));
    QCOMPARE(result.probes, 18);
    QCOMPARE(ports.first(), QStringLiteral("COM1"));
    QCOMPARE(ports.at(15), QStringLiteral("COM16"));
    QCOMPARE(ports.last(), QStringLiteral("COM2"));
    QCOMPARE(setting("Comport"), QStringLiteral("COM2"));
    QCOMPARE(setting("Model"), QStringLiteral("1"));
    // The cradle heard the KR enquiry as noise and then one record-count request.
    QCOMPARE(vx.sim([](VxCradleSim &s) { return s.requests().size(); }), 1);
}

void tst_TerminalSearch::portHeldByAnotherProgramIsPassedQuietly()
{
    RecordingReporter reporter;
    TestEnv env(false);
    KrSimFixture held(3, &env);
    KrSimFixture free(6, &env);
    ucKR500_900 other;
    other.setCommPort(3);
    qint16 count = 0;
    other.GetRecordCount(0, count);
    QVERIFY(other.isPortOpen());
    const TerminalSearch::Result result = TerminalSearch().run();
    QCOMPARE(result.port, QStringLiteral("COM6"));
    QVERIFY(reporter.entries.isEmpty());
    // The installed reporter is back once the search is over.
    MessageReporter::instance().message(QStringLiteral("after"), MessageReporter::Icon::None);
    QCOMPARE(reporter.texts(), QStringList {QStringLiteral("after")});
}

QTEST_GUILESS_MAIN(tst_TerminalSearch)
#include "tst_terminalsearch.moc"
