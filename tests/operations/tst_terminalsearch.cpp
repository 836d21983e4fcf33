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

// Whether a request of its own family has reached the device (a cradle takes a KR enquiry for noise).
bool asked(KrSimFixture &f)
{
    return f.sim([](KrTerminalSim &s) { return s.bytesReceived() > 0; });
}

bool asked(VxSimFixture &f)
{
    return f.sim([](VxCradleSim &s) { return !s.requests().isEmpty(); });
}

// The ports of a family are probed at once, and the first port in order that
// answered wins: here the earlier device answers only once the later one has
// been asked, which one probe after the other would have given up on.
template<class Fixture>
void earlierPortWins(int earlierPort, int laterPort)
{
    RecordingReporter reporter;
    TestEnv env(false);
    // The later device outlives the earlier one, whose held thread asks it.
    Fixture later(laterPort, &env);
    Fixture earlier(earlierPort, &env);
    QMetaObject::invokeMethod(earlier.host.sim(), [&later] {
        const QDeadlineTimer deadline(10000);
        while (!asked(later) && !deadline.hasExpired())
            QThread::msleep(5);
    }, Qt::QueuedConnection);
    QCOMPARE(TerminalSearch().run().port, u"COM%1"_s.arg(earlierPort));
}

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
        KrSimFixture terminal(7);
        const QString device = ComPortDevice(7);
        QVERIFY(DeleteSetting(u"Ports"_s, u"COM7"_s));
        qputenv("TAVREL_SERIAL_DEVICES", QFile::encodeName(device));
        const TerminalSearch::Result result = TerminalSearch().run();
        qunsetenv("TAVREL_SERIAL_DEVICES");
        QCOMPARE(ComPortDevice(ComPortNumber(result.port)), device);
    }

    void earlierKrTerminalWins() { earlierPortWins<KrSimFixture>(3, 5); }
    void earlierVxCradleWins() { earlierPortWins<VxSimFixture>(4, 8); }
};

QTEST_GUILESS_MAIN(tst_TerminalSearch)
#include "tst_terminalsearch.moc"
