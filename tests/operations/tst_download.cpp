#include "CRes.h"
#include "DownloadFixture.h"
#include "DownloadState.h"
#include "PatrolFile.h"
#include "RecordingReporter.h"
#include "Settings.h"
#include "VxPasswordPrompt.h"
#include "Workspace.h"

#include <QDir>
#include <QFile>
#include <QtTest>

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

}

// Both download flows against the simulated terminals.
class tst_Download : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void emptyTerminal_data() { addFamilies(); }
    void emptyTerminal();
    void fullDownload_data() { addFamilies(); }
    void fullDownload();
    void followUpActions_data();
    void followUpActions();
    void cancelMidDownload_data() { addFamilies(); }
    void cancelMidDownload();
    void cancelWhileConnecting_data() { addFamilies(); }
    void cancelWhileConnecting();
    void progressText();
    void krCountFailureAndSharedFileName();
    void krOptionThatIsNoNumberStopsBeforeStart();
    void krShortDownloadIsNotCleared();
    void vxFailureMidLoopAsksForLogon();
    void vxWrongStoredPasswordPrompts();
};

void tst_Download::emptyTerminal()
{
    QFETCH(int, family);
    RecordingReporter reporter;
    DownloadFixture fx(family, 0);
    QCOMPARE(fx.download(), DownloadProcess::Outcome::NoRecords);
    QVERIFY(fx.process().DownloadFile().isEmpty());
    QVERIFY(QDir(Workspace::unapprovedFolder()).entryList(QDir::Files).isEmpty());
    QVERIFY(!CRes::instance().ResString(166).isEmpty());
    QCOMPARE(reporter.texts(), QStringList {CRes::instance().ResString(166)});
    QCOMPARE(reporter.entries.first().icon, MessageReporter::Icon::Information);
    QVERIFY(TestEnv::logEntries().isEmpty());
    QVERIFY(!DownloadState::savedFile);
}

void tst_Download::fullDownload()
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
    QVERIFY(fx.process().DownloadFile().endsWith(QLatin1String(".tvl")));
    QCOMPARE(fx.fileLines(), fx.initialLines());
    QFile raw(fx.filePath());
    QVERIFY(raw.open(QIODevice::ReadOnly));
    QCOMPARE(raw.readAll().count("\r\n"), 10);
    // Nothing erased; a VX terminal read to the end and rolled back.
    QCOMPARE(fx.terminalLines(), fx.initialLines());
    if (!fx.isKr())
        QCOMPARE(fx.vx([](VxCradleSim &s) { return s.readPosition(); }), 0);
}

void tst_Download::followUpActions_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<int>("clear");
    QTest::addColumn<int>("time");
    QTest::addColumn<int>("power");
    QTest::addColumn<bool>("automatic");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<bool>("erased");
    QTest::addColumn<bool>("clockSet");
    QTest::addColumn<bool>("poweredDown");
    const QString d = QStringLiteral("KD/Download"), c = QStringLiteral("KC/Clear Data"),
                  t = QStringLiteral("KT/Set Time"), p = QStringLiteral("KP/Power Off");
    QTest::newRow("KR none") << kKr << 0 << 0 << 0 << false << QStringList {d} << false << false << false;
    QTest::newRow("KR clear") << kKr << 1 << 0 << 0 << false << QStringList {d, c} << true << false << false;
    QTest::newRow("KR time") << kKr << 0 << 1 << 0 << false << QStringList {d, t} << false << true << false;
    QTest::newRow("KR power") << kKr << 0 << 0 << 1 << false << QStringList {d, p} << false << false << true;
    QTest::newRow("KR clear+power") << kKr << 1 << 0 << 1 << false << QStringList {d, c, p} << true << false << true;
    QTest::newRow("KR all") << kKr << 1 << 1 << 1 << false << QStringList {d, c, t, p} << true << true << true;
    QTest::newRow("KR auto, options off") << kKr << 0 << 0 << 0 << true << QStringList {d, c, t, p} << true << true << true;
    const QString vd = QStringLiteral("VD/Download Data"), vc = QStringLiteral("VC/Clear Data");
    QTest::newRow("VX none") << kVx << 0 << 0 << 0 << false << QStringList {vd} << false << false << false;
    QTest::newRow("VX clear") << kVx << 1 << 0 << 0 << false << QStringList {vd, vc} << true << false << false;
    QTest::newRow("VX time") << kVx << 0 << 1 << 0 << false << QStringList {vd} << false << true << false;
    QTest::newRow("VX auto, options off") << kVx << 0 << 0 << 0 << true << QStringList {vd, vc} << true << true << false;
}

void tst_Download::followUpActions()
{
    QFETCH(int, family);
    QFETCH(int, clear);
    QFETCH(int, time);
    QFETCH(int, power);
    QFETCH(bool, automatic);
    QFETCH(QStringList, log);
    QFETCH(bool, erased);
    QFETCH(bool, clockSet);
    QFETCH(bool, poweredDown);
    RecordingReporter reporter;
    DownloadFixture fx(family, 6);
    DownloadFixture::setOptions(clear, time, power);
    const QDateTime old(QDate(2001, 1, 1), QTime(0, 0));
    if (fx.isKr())
        fx.kr([&](KrTerminalSim &s) { s.setClock(old); });
    else
        fx.vx([&](VxCradleSim &s) { s.setClock(old); });
    QCOMPARE(fx.download(automatic, kNow), DownloadProcess::Outcome::Saved);
    QCOMPARE(fx.process().DownloadFile(), QStringLiteral("20250704 102030.tvl"));
    QCOMPARE(TestEnv::logEntries(), log);
    QCOMPARE(fx.fileLines(), fx.initialLines());
    QCOMPARE(fx.terminalCleared(), erased);
    const QDateTime clock = fx.isKr() ? fx.kr([](KrTerminalSim &s) { return s.clock(); })
                                      : fx.vx([](VxCradleSim &s) { return s.clock(); });
    QCOMPARE(clock.date().year() == 2025, clockSet);
    if (fx.isKr())
        QCOMPARE(fx.kr([](KrTerminalSim &s) { return s.isPoweredDown(); }), poweredDown);
    QVERIFY(reporter.entries.isEmpty());
}

void tst_Download::cancelMidDownload()
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
    QCOMPARE(TestEnv::logEntries(),
             QStringList {fx.isKr() ? QStringLiteral("KD/Download") : QStringLiteral("VD/Download Data")});
    QCOMPARE(fx.terminalLines(), fx.initialLines());
    if (fx.isKr())
        QVERIFY(!fx.kr([](KrTerminalSim &s) { return s.isPoweredDown(); }));
    else
        QCOMPARE(fx.vx([](VxCradleSim &s) { return s.readPosition(); }), 0);
    // The flag stays set after the download, as the KR link's count expects.
    QVERIFY(DownloadState::m_blnCancelDownload);
}

void tst_Download::cancelWhileConnecting()
{
    QFETCH(int, family);
    RecordingReporter reporter;
    DownloadFixture fx(family, 6);
    DownloadFixture::setOptions(1, 1, 1);
    // At the line's real pace the first reply takes a while, so the link waits
    // in its event loop, where this fires as a Cancel click would.
    if (fx.isKr())
        fx.kr([](KrTerminalSim &s) { s.setPaced(true); });
    else
        fx.vx([](VxCradleSim &s) { s.setPaced(true); });
    QTimer::singleShot(0, this, [] { DownloadState::m_blnCancelDownload = true; });
    QCOMPARE(fx.download(true), DownloadProcess::Outcome::Cancelled);
    QVERIFY(reporter.entries.isEmpty());
    QVERIFY(fx.process().DownloadFile().isEmpty());
    QVERIFY(TestEnv::logEntries().isEmpty());
    QCOMPARE(fx.terminalLines(), fx.initialLines());
}

void tst_Download::progressText()
{
    QLocale::setDefault(QLocale::c());
    QCOMPARE(DownloadProcess::progressText(2, 3), QStringLiteral("66.67%, (2/3)"));
    QCOMPARE(DownloadProcess::progressText(3, 3), QStringLiteral("100.%, (3/3)"));
    QCOMPARE(DownloadProcess::progressText(1, 3), QStringLiteral("33.33%, (1/3)"));
    QCOMPARE(DownloadProcess::progressText(1, 2), QStringLiteral("50.%, (1/2)"));
    QCOMPARE(DownloadProcess::progressText(1, 1000), QStringLiteral("0.1%, (1/1000)"));
    QLocale::setDefault(QLocale(QLocale::German));
    QCOMPARE(DownloadProcess::progressText(2, 3), QStringLiteral("66,67%, (2/3)"));
    QLocale::setDefault(QLocale::c());
}

void tst_Download::krCountFailureAndSharedFileName()
{
    RecordingReporter reporter;
    DownloadFixture fx(kKr, 4);
    DownloadFixture::setOptions(0, 0, 0);
    // Two downloads in one second share a file: the second appends.
    QCOMPARE(fx.download(false, kNow), DownloadProcess::Outcome::Saved);
    QCOMPARE(fx.download(false, kNow), DownloadProcess::Outcome::Saved);
    QCOMPARE(QDir(Workspace::unapprovedFolder()).entryList(QDir::Files),
             QStringList {QStringLiteral("20250704 102030.tvl")});
    QCOMPARE(fx.fileLines(), fx.initialLines() + fx.initialLines());

    // A port without a device: the link's name in a box, nothing else.
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Comport"), QStringLiteral("COM77"));
    QCOMPARE(fx.download(false, kNow.addSecs(1)), DownloadProcess::Outcome::LinkFailure);
    QCOMPARE(fx.process().errCode(), -6);
    QCOMPARE(reporter.texts(), QStringList {QStringLiteral("KR_ERR_UNKNOWN")});
    QCOMPARE(reporter.entries.first().icon, MessageReporter::Icon::Exclamation);
    QCOMPARE(QDir(Workspace::unapprovedFolder()).entryList(QDir::Files).size(), 1);
}

void tst_Download::krOptionThatIsNoNumberStopsBeforeStart()
{
    RecordingReporter reporter;
    DownloadFixture fx(kKr, 4);
    DownloadFixture::setOptions(1, 1, 1);
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("AutoPowerDown"), QStringLiteral("yes"));
    QCOMPARE(fx.download(), DownloadProcess::Outcome::Failed);
    QCOMPARE(reporter.entries.size(), 1);
    QCOMPARE(reporter.entries.first().number, 13);
    QVERIFY(fx.process().DownloadFile().isEmpty());
    QCOMPARE(fx.kr([](KrTerminalSim &s) { return s.received(); }), QByteArray());
}

void tst_Download::krShortDownloadIsNotCleared()
{
    RecordingReporter reporter;
    DownloadFixture fx(kKr, 10);
    DownloadFixture::setOptions(1, 1, 0);
    fx.kr([](KrTerminalSim &s) { s.setCountReply("12"); });
    QCOMPARE(fx.download(), DownloadProcess::Outcome::Saved);
    QCOMPARE(fx.fileLines(), fx.initialLines());
    QCOMPARE(reporter.texts(), QStringList {CRes::instance().ResString(280).arg(12).arg(10)});
    QCOMPARE(TestEnv::logEntries(), (QStringList {QStringLiteral("KD/Download"), QStringLiteral("KT/Set Time")}));
    QCOMPARE(fx.terminalLines(), fx.initialLines());
}

void tst_Download::vxFailureMidLoopAsksForLogon()
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
    QCOMPARE(reporter.texts(), QStringList {QStringLiteral("Time out,\r\nplease check the connection and log on again")});
    QCOMPARE(fx.fileLines().size(), 2);
    QCOMPARE(TestEnv::logEntries(), QStringList {QStringLiteral("VD/Download Data")});
    QCOMPARE(fx.terminalLines(), fx.initialLines());
}

void tst_Download::vxWrongStoredPasswordPrompts()
{
    RecordingReporter reporter;
    DownloadFixture fx(kVx, 3);
    DownloadFixture::setOptions(0, 0);
    fx.vx([](VxCradleSim &s) { s.setPassword(QStringLiteral("2468")); });
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Password"), QStringLiteral("1111"));
    ListPrompt prompt;
    prompt.answers = {QStringLiteral("9999"), QStringLiteral("2468")};
    fx.process().passwordPrompt = &prompt;
    QCOMPARE(fx.download(), DownloadProcess::Outcome::Saved);
    QCOMPARE(prompt.asked, 2);
    QCOMPARE(GetSetting(QStringLiteral("Terminal"), QStringLiteral("Password")), QStringLiteral("2468"));

    // Cancelling the prompt ends the download before anything is created.
    fx.vx([](VxCradleSim &s) {
        s.setPassword(QStringLiteral("1357"));
        s.setLoggedOn(false);
    });
    ListPrompt cancel;
    fx.process().passwordPrompt = &cancel;
    QCOMPARE(fx.download(), DownloadProcess::Outcome::LogonFailed);
    QCOMPARE(fx.process().errCode(), qint32(ucVX700::VX_ERR_TERMINAL_ACCESS_DENIED));
    QVERIFY(fx.process().DownloadFile().isEmpty());
}

QTEST_GUILESS_MAIN(tst_Download)
#include "tst_download.moc"
