#include "CRes.h"
#include "KrSimFixture.h"
#include "RecordingReporter.h"
#include "Settings.h"
#include "TerminalSearch.h"
#include "VxSimFixture.h"
#include "ucKR500_900.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QString setting(const char *key)
{
    return GetSetting(u"Terminal"_s, QLatin1String(key), u"absent"_s);
}

// A simulated KR terminal or VX cradle.
struct Device
{
    Device(int port, bool vx, TestEnv &env)
        : kr(vx ? nullptr : new KrSimFixture(port, &env))
        , vx(vx ? new VxSimFixture(port, &env) : nullptr)
    {
    }
    // Whether a request of its own family has reached it (a cradle takes a KR enquiry for noise).
    bool asked()
    {
        return vx ? vx->sim([](VxCradleSim &s) { return !s.requests().isEmpty(); })
                  : kr->sim([](KrTerminalSim &s) { return s.bytesReceived() > 0; });
    }
    // The simulator, on the thread that sends its replies.
    QObject *sim() { return vx ? static_cast<QObject *>(vx->host.sim()) : kr->host.sim(); }

    std::unique_ptr<KrSimFixture> kr;
    std::unique_ptr<VxSimFixture> vx;
};

}

// The search of the wizard and of `tavrel-cli search` over simulated devices.
class tst_TerminalSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { CRes::destroyInstance(); }

    void vxCradleOnCom2IsFoundAfterEveryKrProbe()
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
        QCOMPARE(result.port, u"COM2"_s);
        QCOMPARE(result.probes, 18);
        QCOMPARE(ports.first(), u"COM1"_s);
        QCOMPARE(ports.last(), u"COM2"_s);
        QCOMPARE(setting("Comport"), u"COM2"_s);
        QCOMPARE(setting("Model"), u"1"_s);
        // The cradle heard the KR enquiry as noise and then one record-count request.
        QCOMPARE(vx.sim([](VxCradleSim &s) { return s.requests().size(); }), 1);
    }

    void portHeldByAnotherProgramIsPassedQuietly()
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
        QCOMPARE(result.port, u"COM6"_s);
        QVERIFY(reporter.entries.isEmpty());
        // The installed reporter is back once the search is over.
        MessageReporter::instance().message(u"after"_s, MessageReporter::Icon::None);
        QCOMPARE(reporter.texts(), QStringList {u"after"_s});
    }

    // A new installation: the search names the device it finds before probing it.
    void unnamedDeviceIsListedAndFound()
    {
        TestEnv env(false);
        KrSimFixture terminal(7, &env);
        const QString device = ComPortDevice(7);
        QVERIFY(DeleteSetting(u"Ports"_s, u"COM7"_s));
        qputenv("TAVREL_SERIAL_DEVICES", QFile::encodeName(device));
        const TerminalSearch::Result result = TerminalSearch().run();
        qunsetenv("TAVREL_SERIAL_DEVICES");
        QVERIFY(result.found);
        QCOMPARE(ComPortDevice(ComPortNumber(result.port)), device);
    }

    // The ports of a family are probed at once, and the first port in order
    // that answered wins: an earlier device that answers only once a later one
    // has been asked (one probe after the other would have given up on it),
    // and a KR terminal behind a VX cradle.
    void firstAnsweringPortInOrderWins_data()
    {
        QTest::addColumn<int>("earlierPort");
        QTest::addColumn<bool>("earlierIsVx");
        QTest::addColumn<int>("laterPort");
        QTest::addColumn<bool>("laterIsVx");
        QTest::addColumn<QString>("port");
        QTest::newRow("two KR terminals") << 3 << false << 5 << false << u"COM3"_s;
        QTest::newRow("two VX cradles") << 4 << true << 8 << true << u"COM4"_s;
        QTest::newRow("VX cradle before a KR terminal") << 2 << true << 6 << false << u"COM6"_s;
    }

    void firstAnsweringPortInOrderWins()
    {
        QFETCH(int, earlierPort);
        QFETCH(bool, earlierIsVx);
        QFETCH(int, laterPort);
        QFETCH(bool, laterIsVx);
        RecordingReporter reporter;
        TestEnv env(false);
        // The later device outlives the earlier one, whose held thread asks it.
        Device later(laterPort, laterIsVx, env);
        Device earlier(earlierPort, earlierIsVx, env);
        QMetaObject::invokeMethod(earlier.sim(), [&later] {
            const QDeadlineTimer deadline(10000);
            while (!later.asked() && !deadline.hasExpired())
                QThread::msleep(5);
        }, Qt::QueuedConnection);
        const TerminalSearch::Result result = TerminalSearch().run();
        QTEST(result.port, "port");
    }
};

QTEST_GUILESS_MAIN(tst_TerminalSearch)
#include "tst_terminalsearch.moc"
