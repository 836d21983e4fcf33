#include "CRes.h"
#include "DownloadFixture.h"
#include "DownloadState.h"
#include "PatrolFile.h"
#include "DataColumns.h"
#include "RecordingReporter.h"
#include "Settings.h"
#include "VxPasswordPrompt.h"
#include "Workspace.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int kKr = DownloadProcess::kKrFamily;
constexpr int kVx = DownloadProcess::kVxFamily;
const QDateTime kNow(QDate(2025, 7, 4), QTime(10, 20, 30));

// Answers the logon prompt from a list; cancels when it runs out.
class ListPrompt : public VxPasswordPrompt
{
public:
    QStringList answers;
    int asked = 0;
    bool ask(QString &password) override
    {
        ++asked;
        if (answers.isEmpty())
            return false;
        password = answers.takeFirst();
        return true;
    }
};

void addFamilies()
{
    QTest::addColumn<int>("family");
    QTest::newRow("KR") << kKr;
    QTest::newRow("VX") << kVx;
}

QStringList unapprovedFiles() { return QDir(Workspace::unapprovedFolder()).entryList(QDir::Files); }

}

// Both download flows against the simulated terminals.
class tst_Download : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void emptyTerminal_data() { addFamilies(); }
    void emptyTerminal()
    {
        QFETCH(int, family);
        RecordingReporter reporter;
        DownloadFixture fx(family, 0);
        QCOMPARE(fx.download(), DownloadProcess::Outcome::NoRecords);
        QVERIFY(fx.process().DownloadFile().isEmpty());
        QVERIFY(unapprovedFiles().isEmpty());
        QVERIFY(!CRes::instance().ResString(166).isEmpty());
        QCOMPARE(reporter.texts(), QStringList {CRes::instance().ResString(166)});
        QCOMPARE(reporter.entries.first().icon, MessageReporter::Icon::Information);
        QVERIFY(TestEnv::logEntries().isEmpty());
        QVERIFY(!DownloadState::savedFile);
    }

    void fullDownload_data() { addFamilies(); }
    void fullDownload()
    {
        QFETCH(int, family);
        RecordingReporter reporter;
        DownloadFixture fx(family, 10);
        DownloadFixture::setOptions(0, 0, 0);
        int started = 0;
        QStringList labels;
        connect(&fx.process(), &DownloadProcess::progressStarted, this, [&](int total) { started = total; });
        connect(&fx.process(), &DownloadProcess::progressed, this, [&](int, int, const QString &label) { labels << label; });
        QCOMPARE(fx.download(), DownloadProcess::Outcome::Saved);
        QVERIFY(reporter.entries.isEmpty());
        QCOMPARE(started, 10);
        QCOMPARE(labels.size(), 10);
        QCOMPARE(labels.last(), DownloadProcess::progressText(10, 10));
        QVERIFY(DownloadState::savedFile);
        QVERIFY(fx.process().DownloadFile().endsWith(".tvl"_L1));
        QCOMPARE(fx.fileLines(), fx.initialLines());
        QFile raw(fx.filePath());
        QVERIFY(raw.open(QIODevice::ReadOnly));
        QCOMPARE(raw.readAll().count("\r\n"), 10);
        // Nothing erased; a VX terminal read to the end and rolled back.
        QCOMPARE(fx.terminalLines(), fx.initialLines());
        if (!fx.isKr())
            QCOMPARE(fx.vx([](VxCradleSim &s) { return s.readPosition(); }), 0);
    }

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
        row("KR clear+power", kKr, 1, 0, 1, false, {d, c, p}, true, false, true);
        row("KR all", kKr, 1, 1, 1, false, {d, c, t, p}, true, true, true);
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
        QCOMPARE(fx.download(automatic, kNow), DownloadProcess::Outcome::Saved);
        QCOMPARE(fx.process().DownloadFile(), u"20250704 102030.tvl"_s);
        QTEST(TestEnv::logEntries(), "log");
        QCOMPARE(fx.fileLines(), fx.initialLines());
        QTEST(fx.terminalCleared(), "erased");
        QTEST(fx.sim([](auto &s) { return s.clock(); }).date().year() == 2025, "clockSet");
        if (fx.isKr())
            QTEST(fx.kr([](KrTerminalSim &s) { return s.isPoweredDown(); }), "poweredDown");
        QVERIFY(reporter.entries.isEmpty());
    }

    void cancelMidDownload_data() { addFamilies(); }
    void cancelMidDownload()
    {
        QFETCH(int, family);
        RecordingReporter reporter;
        DownloadFixture fx(family, 6);
        DownloadFixture::setOptions(1, 1, 1);
        connect(&fx.process(), &DownloadProcess::progressed, this, [](int count, int, const QString &) {
            if (count == 3)
                DownloadState::m_blnCancelDownload = true;
        });
        QCOMPARE(fx.download(), DownloadProcess::Outcome::Cancelled);
        QCOMPARE(fx.fileLines(), fx.initialLines().mid(0, 3));
        QCOMPARE(TestEnv::logEntries(), QStringList {fx.isKr() ? u"KD/Download"_s : u"VD/Download Data"_s});
        QCOMPARE(fx.terminalLines(), fx.initialLines());
        if (fx.isKr())
            QVERIFY(!fx.kr([](KrTerminalSim &s) { return s.isPoweredDown(); }));
        else
            QCOMPARE(fx.vx([](VxCradleSim &s) { return s.readPosition(); }), 0);
        // The flag stays set after the download, as the KR link's count expects.
        QVERIFY(DownloadState::m_blnCancelDownload);
    }

    void cancelWhileConnecting_data() { addFamilies(); }
    void cancelWhileConnecting()
    {
        QFETCH(int, family);
        RecordingReporter reporter;
        DownloadFixture fx(family, 6);
        DownloadFixture::setOptions(1, 1, 1);
        // At the line's real pace the first reply takes a while, so the link waits
        // in its event loop, where this fires as a Cancel click would.
        fx.sim([](auto &s) { s.setPaced(true); });
        QTimer::singleShot(0, this, [] { DownloadState::m_blnCancelDownload = true; });
        QCOMPARE(fx.download(true), DownloadProcess::Outcome::Cancelled);
        QVERIFY(reporter.entries.isEmpty());
        QVERIFY(fx.process().DownloadFile().isEmpty());
        QVERIFY(TestEnv::logEntries().isEmpty());
        QCOMPARE(fx.terminalLines(), fx.initialLines());
    }

    void progressText()
    {
        QLocale::setDefault(QLocale::c());
        QCOMPARE(DownloadProcess::progressText(2, 3), u"66.67%, (2/3)"_s);
        QCOMPARE(DownloadProcess::progressText(3, 3), u"100.%, (3/3)"_s);
        QCOMPARE(DownloadProcess::progressText(1, 3), u"33.33%, (1/3)"_s);
        QCOMPARE(DownloadProcess::progressText(1, 2), u"50.%, (1/2)"_s);
        QCOMPARE(DownloadProcess::progressText(1, 1000), u"0.1%, (1/1000)"_s);
        QLocale::setDefault(QLocale(QLocale::German));
        QCOMPARE(DownloadProcess::progressText(2, 3), u"66,67%, (2/3)"_s);
        QLocale::setDefault(QLocale::c());
    }

    void krCountFailureAndSharedFileName()
    {
        RecordingReporter reporter;
        DownloadFixture fx(kKr, 4);
        DownloadFixture::setOptions(0, 0, 0);
        // Two downloads in one second share a file: the second appends.
        QCOMPARE(fx.download(false, kNow), DownloadProcess::Outcome::Saved);
        QCOMPARE(fx.download(false, kNow), DownloadProcess::Outcome::Saved);
        QCOMPARE(unapprovedFiles(), QStringList {u"20250704 102030.tvl"_s});
        QCOMPARE(fx.fileLines(), fx.initialLines() + fx.initialLines());

        // A port without a device: the link's name in a box, nothing else.
        SaveSetting(u"Terminal"_s, u"Comport"_s, u"COM77"_s);
        QCOMPARE(fx.download(false, kNow.addSecs(1)), DownloadProcess::Outcome::LinkFailure);
        QCOMPARE(fx.process().errCode(), -6);
        QCOMPARE(reporter.texts(), QStringList {u"KR_ERR_UNKNOWN"_s});
        QCOMPARE(reporter.entries.first().icon, MessageReporter::Icon::Exclamation);
        QCOMPARE(unapprovedFiles().size(), 1);
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

    void vxFailureMidLoopAsksForLogon()
    {
        RecordingReporter reporter;
        DownloadFixture fx(kVx, 6);
        DownloadFixture::setOptions(1, 1);
        bool lost = false;
        connect(&fx.process(), &DownloadProcess::vxConnectionLost, this, [&] { lost = true; });
        connect(&fx.process(), &DownloadProcess::progressed, this, [&](int count, int, const QString &) {
            if (count == 2)
                fx.vx([](VxCradleSim &s) { s.setFault(VxCradleSim::Fault::NoAnswer, 1000); });
        });
        fx.vx().setTimeout(300);
        QCOMPARE(fx.download(), DownloadProcess::Outcome::LinkFailure);
        QVERIFY(lost);
        QCOMPARE(fx.process().errCode(), qint32(ucVX700::VX_ERR_TIMEOUT));
        QCOMPARE(reporter.texts(), QStringList {u"Time out,\r\nplease check the connection and log on again"_s});
        QCOMPARE(fx.fileLines().size(), 2);
        QCOMPARE(TestEnv::logEntries(), QStringList {u"VD/Download Data"_s});
        QCOMPARE(fx.terminalLines(), fx.initialLines());
    }

    void vxWrongStoredPasswordPrompts()
    {
        RecordingReporter reporter;
        DownloadFixture fx(kVx, 3);
        DownloadFixture::setOptions(0, 0);
        fx.vx([](VxCradleSim &s) { s.setPassword(u"2468"_s); });
        SaveSetting(u"Terminal"_s, u"Password"_s, u"1111"_s);
        ListPrompt prompt;
        prompt.answers = {u"9999"_s, u"2468"_s};
        fx.process().passwordPrompt = &prompt;
        QCOMPARE(fx.download(), DownloadProcess::Outcome::Saved);
        QCOMPARE(prompt.asked, 2);
        QCOMPARE(GetSetting(u"Terminal"_s, u"Password"_s), u"2468"_s);

        // Cancelling the prompt ends the download before anything is created.
        fx.vx([](VxCradleSim &s) {
            s.setPassword(u"1357"_s);
            s.setLoggedOn(false);
        });
        ListPrompt cancel;
        fx.process().passwordPrompt = &cancel;
        QCOMPARE(fx.download(), DownloadProcess::Outcome::LogonFailed);
        QCOMPARE(fx.process().errCode(), qint32(ucVX700::VX_ERR_TERMINAL_ACCESS_DENIED));
        QVERIFY(fx.process().DownloadFile().isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_Download)
#include "tst_download.moc"
