#include "CRes.h"
#include "DownloadFixture.h"
#include "CancelToken.h"
#include "DataColumns.h"
#include "LinkBusy.h"
#include "RecordingReporter.h"
#include "Settings.h"
#include "TestFiles.h"
#include "VxPasswordPrompt.h"
#include "Workspace.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int kKr = DownloadProcess::kKrFamily;
constexpr int kVx = DownloadProcess::kVxFamily;
const QDateTime kNow(QDate(2025, 7, 4), QTime(10, 20, 30));

// Counts the logon prompts and cancels each.
class CancellingPrompt : public VxPasswordPrompt
{
public:
    int asked = 0;
    bool ask(QString &) override
    {
        ++asked;
        return false;
    }
};

QStringList unapprovedFiles() { return QDir(Workspace::unapprovedFolder()).entryList(QDir::Files); }

}

// Both download flows against the simulated terminals.
class tst_Download : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void followUpActions_data()
    {
        addColumns<int, int, int, int, bool, QStringList, bool, bool, bool>(
            {"family", "clear", "time", "power", "automatic", "log", "erased", "clockSet", "poweredDown"});
        const auto row = [](const char *name, int family, int clear, int time, int power, bool automatic,
                            const QStringList &log, bool erased, bool clockSet, bool poweredDown) {
            QTest::newRow(name) << family << clear << time << power << automatic << log << erased << clockSet
                                << poweredDown;
        };
        const QString d = u"KD/Download"_s, c = u"KC/Clear Data"_s, t = u"KT/Set Time"_s, p = u"KP/Power Off"_s;
        row("KR none", kKr, 0, 0, 0, false, {d}, false, false, false);
        row("KR clear", kKr, 1, 0, 0, false, {d, c}, true, false, false);
        row("KR time", kKr, 0, 1, 0, false, {d, t}, false, true, false);
        row("KR power", kKr, 0, 0, 1, false, {d, p}, false, false, true);
        row("KR auto, options off", kKr, 0, 0, 0, true, {d, c, t, p}, true, true, true);
        const QString vd = u"VD/Download Data"_s, vc = u"VC/Clear Data"_s;
        row("VX none", kVx, 0, 0, 0, false, {vd}, false, false, false);
        row("VX clear", kVx, 1, 0, 0, false, {vd, vc}, true, false, false);
        row("VX time", kVx, 0, 1, 0, false, {vd}, false, true, false);
        row("VX auto, options off", kVx, 0, 0, 0, true, {vd, vc}, true, true, false);
    }

    void followUpActions()
    {
        QFETCH(int, family);
        QFETCH(int, clear);
        QFETCH(int, time);
        QFETCH(int, power);
        QFETCH(bool, automatic);
        RecordingReporter reporter;
        DownloadFixture fx(family, 6);
        DownloadFixture::setOptions(clear, time, power);
        fx.sim([](auto &s) { s.setClock(QDateTime(QDate(2001, 1, 1), QTime(0, 0))); });
        QSignalSpy finished(&fx.process(), &DownloadProcess::downloadFinished);
        // Between two records no timer or tray command may take the link.
        int idleRecords = 0;
        connect(&fx.process(), &DownloadProcess::progressed, this, [&idleRecords] {
            idleRecords += LinkBusy::isBusy() ? 0 : 1;
        });
        QCOMPARE(fx.download(automatic, kNow), DownloadProcess::Outcome::Saved);
        QCOMPARE(idleRecords, 0);
        QCOMPARE(fx.process().DownloadFile(), u"20250704 102030.tvl"_s);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).toString(), fx.process().DownloadFile());
        QTEST(TestEnv::logEntries(), "log");
        QCOMPARE(fx.fileLines(), fx.initialLines());
        QTEST(fx.terminalCleared(), "erased");
        QTEST(fx.sim([](auto &s) { return s.clock(); }).date().year() == 2025, "clockSet");
        if (fx.isKr())
            QTEST(fx.kr([](KrTerminalSim &s) { return s.isPoweredDown(); }), "poweredDown");
        QVERIFY(reporter.entries.isEmpty());
        // A VX terminal that keeps its records was read to the end and rolled back.
        if (!fx.isKr() && !clear && !automatic)
            QCOMPARE(fx.vx([](VxCradleSim &s) { return s.readPosition(); }), 0);
    }

    void cancel_data()
    {
        addColumns<int, int>({"family", "at"});
        for (const int family : {kKr, kVx}) {
            const char *name = family == kKr ? "KR" : "VX";
            QTest::addRow("%s while connecting", name) << family << 0;
            QTest::addRow("%s at record 3", name) << family << 3;
        }
    }

    void cancel()
    {
        QFETCH(int, family);
        QFETCH(int, at);
        RecordingReporter reporter;
        CancelToken token;
        DownloadFixture fx(family, 6);
        DownloadFixture::setOptions(1, 1, 1);
        if (at == 0) {
            // At the line's real pace the first reply takes a while, so the link waits
            // in its event loop, where this fires as a Cancel click would.
            fx.sim([](auto &s) { s.setPaced(true); });
            QTimer::singleShot(0, &fx.process(), [&token] { token.cancel(); });
        }
        connect(&fx.process(), &DownloadProcess::progressed, this, [at, &token](int count, int, const QString &) {
            if (count == at)
                token.cancel();
        });
        // An automatic download would clear the terminal whatever the options say.
        QCOMPARE(fx.download(true, token), DownloadProcess::Outcome::Cancelled);
        QVERIFY(reporter.entries.isEmpty());
        QCOMPARE(fx.fileLines(), fx.initialLines().mid(0, at));
        const QString download = fx.isKr() ? u"KD/Download"_s : u"VD/Download Data"_s;
        QCOMPARE(TestEnv::logEntries(), at ? QStringList {download} : QStringList {});
        QCOMPARE(fx.terminalLines(), fx.initialLines());
        if (fx.isKr())
            QVERIFY(!fx.kr([](KrTerminalSim &s) { return s.isPoweredDown(); }));
        else
            QCOMPARE(fx.vx([](VxCradleSim &s) { return s.readPosition(); }), 0);
    }

    void progressTextInTheUsersLocale()
    {
        QLocale::setDefault(QLocale(QLocale::German));
        QCOMPARE(DownloadProcess::progressText(2, 3), u"66,67%, (2/3)"_s);
        QLocale::setDefault(QLocale::c());
        QCOMPARE(DownloadProcess::progressText(1, 1000), u"0.1%, (1/1000)"_s);
    }

    void downloadsInOneSecondGetFilesOfTheirOwn()
    {
        RecordingReporter reporter;
        DownloadFixture fx(kKr, 4);
        DownloadFixture::setOptions(0, 0, 0);
        // A name taken in Approved/ is passed over too, so approving never renames.
        QVERIFY(QDir().mkpath(Workspace::approvedFolder()));
        QVERIFY(writeTestFile(QDir(Workspace::approvedFolder()).filePath(u"20250704 102030 (2).tvl"_s), {}));
        QCOMPARE(fx.download(false, kNow), DownloadProcess::Outcome::Saved);
        QCOMPARE(fx.download(false, kNow), DownloadProcess::Outcome::Saved);
        QCOMPARE(unapprovedFiles(), (QStringList {u"20250704 102030 (3).tvl"_s, u"20250704 102030.tvl"_s}));
        QCOMPARE(fx.fileLines(), fx.initialLines());
    }

    void krOptionThatIsNoNumberStopsBeforeStart()
    {
        RecordingReporter reporter;
        DownloadFixture fx(kKr, 4);
        DownloadFixture::setOptions(1, 1, 1);
        SaveSetting(u"Terminal"_s, u"AutoPowerDown"_s, u"yes"_s);
        QCOMPARE(fx.download(), DownloadProcess::Outcome::Failed);
        QCOMPARE(reporter.entries.size(), 1);
        QCOMPARE(reporter.entries.first().number, 13);
        QVERIFY(fx.process().DownloadFile().isEmpty());
        QCOMPARE(fx.kr([](KrTerminalSim &s) { return s.received(); }), QByteArray());
    }

    void krShortDownloadIsNotCleared()
    {
        RecordingReporter reporter;
        DownloadFixture fx(kKr, 10);
        DownloadFixture::setOptions(1, 1, 0);
        fx.kr([](KrTerminalSim &s) { s.setCountReply("12"); });
        QCOMPARE(fx.download(), DownloadProcess::Outcome::Saved);
        QCOMPARE(fx.fileLines(), fx.initialLines());
        QCOMPARE(reporter.texts(), QStringList {CRes::instance().ResString(280).arg(12).arg(10)});
        QCOMPARE(TestEnv::logEntries(), (QStringList {u"KD/Download"_s, u"KT/Set Time"_s}));
        QCOMPARE(fx.terminalLines(), fx.initialLines());
    }

    void refusedClearIsSaid_data()
    {
        addColumns<int>({"family"});
        QTest::newRow("KR") << kKr;
        QTest::newRow("VX") << kVx;
    }

    // Saved, but the terminal keeps the records: said in a box and in the log.
    void refusedClearIsSaid()
    {
        QFETCH(int, family);
        RecordingReporter reporter;
        DownloadFixture fx(family, 4);
        DownloadFixture::setOptions(1, 0, 0);
        if (fx.isKr())
            fx.kr([](KrTerminalSim &s) { s.setRefusedLetters("D"); });
        else
            fx.vx([](VxCradleSim &s) { s.setFailedCommands("E"); });
        QCOMPARE(fx.download(false, kNow), DownloadProcess::Outcome::Saved);
        QCOMPARE(fx.terminalLines(), fx.initialLines());
        QCOMPARE(reporter.entries.size(), 1);
        QVERIFY(reporter.texts().first().contains(u"still hold"_s));
        QVERIFY(TestEnv::logEntries().last().contains(u"C/Clear Data not confirmed: "_s));
    }

    void garbledCountIsALinkError_data() { refusedClearIsSaid_data(); }

    void garbledCountIsALinkError()
    {
        QFETCH(int, family);
        RecordingReporter reporter;
        DownloadFixture fx(family, 4);
        fx.sim([](auto &s) { s.setCountReply("x4"); });
        // A link failure, never "the terminal holds no patrol data".
        QCOMPARE(fx.download(), DownloadProcess::Outcome::LinkFailure);
        QCOMPARE(reporter.texts(), QStringList {fx.process().errName()});
    }

    void vxRefusedLogonAsksThePrompt()
    {
        RecordingReporter reporter;
        DownloadFixture fx(kVx, 3);
        fx.vx([](VxCradleSim &s) {
            s.setPassword(u"1357"_s);
            s.setLoggedOn(false);
        });
        CancellingPrompt prompt;
        fx.process().passwordPrompt = &prompt;
        // Cancelling the prompt ends the download before anything is created.
        QCOMPARE(fx.download(), DownloadProcess::Outcome::LogonFailed);
        QVERIFY(prompt.asked > 0);
        QCOMPARE(fx.process().errCode(), qint32(ucVX700::VX_ERR_TERMINAL_ACCESS_DENIED));
        QVERIFY(fx.process().DownloadFile().isEmpty());
        QVERIFY(unapprovedFiles().isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_Download)
#include "tst_download.moc"
