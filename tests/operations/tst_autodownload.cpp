#include "AutoDownload.h"
#include "KrSimFixture.h"
#include "LinkBusy.h"
#include "QtSerialTransport.h"
#include "DataColumns.h"
#include "RecordingReporter.h"
#include "ucKR500_900.h"

#include <QtTest>

// The auto-download tick against a simulated KR terminal in its dock.
class tst_AutoDownload : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tick_data()
    {
        addColumns<int, int, int, bool, int, bool>({"records", "enabled", "model", "busy", "expected", "probed"});

        const int skipped = int(AutoDownload::Tick::Skipped);
        const int nothing = int(AutoDownload::Tick::Nothing);
        QTest::newRow("no records") << 0 << 1 << 0 << false << nothing << true;
        QTest::newRow("VX family never probes") << 5 << 1 << 1 << false << skipped << false;
        QTest::newRow("switched off") << 5 << 0 << 0 << false << skipped << false;
        QTest::newRow("link busy with another exchange") << 5 << 1 << 0 << true << skipped << false;
    }

    void tick()
    {
        QFETCH(int, records);
        QFETCH(int, enabled);
        QFETCH(int, model);
        QFETCH(bool, busy);
        QFETCH(bool, probed);

        KrSimFixture dock(1);
        dock.sim([&](KrTerminalSim &s) { s.setRecords(KrTerminalSim::generateRecords(records)); });
        ucKR500_900 kr;
        kr.setCommPort(1);
        AutoDownload autoDownload(kr);
        std::optional<LinkBusy::Scope> other;
        if (busy)
            other.emplace();
        QTEST(int(autoDownload.tick(enabled, model)), "expected");
        QCOMPARE(dock.sim([](KrTerminalSim &s) { return s.received().size(); }) > 0, probed);
        if (probed)
            QCOMPARE(kr.Timeout(), AutoDownload::kProbeTimeoutMs);
    }

    void terminalLeftInDockIsTakenOnceThenAgainAfterTheDockWasEmpty()
    {
        RecordingReporter reporter;
        KrSimFixture dock(1);
        dock.sim([](KrTerminalSim &s) { s.setRecords(KrTerminalSim::generateRecords(3)); });
        ucKR500_900 kr;
        kr.setCommPort(1);
        AutoDownload autoDownload(kr);

        QCOMPARE(autoDownload.tick(1, 0), AutoDownload::Tick::Download);
        // A download ran and left the records on the terminal, as with the
        // follow-up clear switched off.
        autoDownload.downloadRan();
        for (int i = 0; i < 3; ++i)
            QCOMPARE(autoDownload.tick(1, 0), AutoDownload::Tick::Nothing);
        QVERIFY(!autoDownload.isArmed());

        // Taken out of the dock: nobody answers, and the automatic download is armed again.
        dock.sim([](KrTerminalSim &s) { s.setSilent(true); });
        QCOMPARE(autoDownload.tick(1, 0), AutoDownload::Tick::Nothing);
        QVERIFY(autoDownload.isArmed());

        // The next terminal put in is downloaded.
        dock.sim([](KrTerminalSim &s) {
            s.setSilent(false);
            s.setRecords(KrTerminalSim::generateRecords(2));
        });
        QCOMPARE(autoDownload.tick(1, 0), AutoDownload::Tick::Download);
        QVERIFY(reporter.entries.isEmpty());
    }

    void portHeldByAnotherProgramIsPassedOver()
    {
        RecordingReporter reporter;
        KrSimFixture dock(1);
        dock.sim([](KrTerminalSim &s) { s.setRecords(KrTerminalSim::generateRecords(3)); });
        ucKR500_900 kr;
        kr.setCommPort(1);
        AutoDownload autoDownload(kr);
        auto other = std::make_unique<QtSerialTransport>();
        QVERIFY(other->open(1, ucKR500_900::kTerminalBaud));
        // No box, nothing decided about the dock: the next tick asks again.
        QCOMPARE(autoDownload.tick(1, 0), AutoDownload::Tick::Nothing);
        QVERIFY(reporter.entries.isEmpty());
        other.reset();
        QCOMPARE(autoDownload.tick(1, 0), AutoDownload::Tick::Download);
        // Between ticks the probe leaves the port to whoever wants it.
        QVERIFY(!kr.isPortOpen());
    }
};

QTEST_GUILESS_MAIN(tst_AutoDownload)
#include "tst_autodownload.moc"
