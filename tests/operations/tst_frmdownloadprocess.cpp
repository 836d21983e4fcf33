#include "AppState.h"
#include "CRes.h"
#include "ComPorts.h"
#include "DownloadProcess.h"
#include "DownloadState.h"
#include "KrTerminalSim.h"
#include "PatrolFile.h"
#include "RecordingReporter.h"
#include "Settings.h"
#include "SimulatorHost.h"
#include "TestEnv.h"
#include "VxCradleSim.h"
#include "Workspace.h"
#include "InputHold.h"
#include "LinkBusy.h"
#include "frmDownloadProcess.h"
#include "ucKR500_900.h"
#include "ucVX700.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

// The download dialog as the user sees it: it opens, shows its progress,
// closes itself, and names the file it saved.
class tst_frmDownloadProcess : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void krDownloadRunsToTheEnd();
    void vxDownloadRunsToTheEnd();
    void cancelButtonStopsTheDownload();
    void cancelWorksWhileTheLinkWaits();

private:
    // Shows the dialog modally; `onValue` runs whenever the bar moves.
    void runDialog(frmDownloadProcess &dialog, const std::function<void(int)> &onValue = {});

    std::unique_ptr<TestEnv> m_env;
    QStringList m_labels;
};

void tst_frmDownloadProcess::initTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void tst_frmDownloadProcess::init()
{
    m_env = std::make_unique<TestEnv>();
    CRes::destroyInstance();
    for (const char *key : {"AutoClearData", "AutoUpdateTime", "AutoPowerDown"})
        SaveSetting(QStringLiteral("Terminal"), QLatin1String(key), QStringLiteral("0"));
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Comport"), QStringLiteral("COM2"));
    m_labels.clear();
}

void tst_frmDownloadProcess::cleanup()
{
    CRes::destroyInstance();
    m_env.reset();
}

void tst_frmDownloadProcess::runDialog(frmDownloadProcess &dialog, const std::function<void(int)> &onValue)
{
    auto *bar = dialog.findChild<QProgressBar *>(QStringLiteral("pb"));
    auto *label = dialog.findChild<QLabel *>(QStringLiteral("lbl"));
    QVERIFY(bar && label);
    QCOMPARE(label->text(), QStringLiteral("0%"));
    connect(bar, &QProgressBar::valueChanged, &dialog, [&, bar, label](int value) {
        m_labels << label->text();
        QVERIFY(bar->maximum() > 0);
        if (onValue)
            onValue(value);
    });
    dialog.exec();
    QVERIFY(!dialog.isVisible());
}

void tst_frmDownloadProcess::krDownloadRunsToTheEnd()
{
    RecordingReporter reporter;
    SimulatorHost<KrTerminalSim> host;
    const QString link = m_env->root() + QStringLiteral("/ttyKR");
    QVERIFY(host.call([&] {
        host.sim()->setRecords(KrTerminalSim::generateRecords(8));
        return host.sim()->start(link, nullptr);
    }));
    SetComPortDevice(2, link);
    AppState::terminalFamily = 0;

    ucKR500_900 kr;
    ucVX700 vx;
    frmDownloadProcess dialog(kr, vx);
    QCOMPARE(dialog.windowTitle(), CRes::instance().ResString(131));
    runDialog(dialog);
    QCOMPARE(dialog.outcome(), DownloadProcess::Outcome::Saved);
    QVERIFY(!dialog.DownloadFile().isEmpty());
    QCOMPARE(TestEnv::patrolLines(dialog.DownloadFile()).size(), 8);
    // The bar started at 1, then followed the records while below its maximum.
    QCOMPARE(m_labels.first(), QString());
    QCOMPARE(m_labels.last(), QStringLiteral("87.5%, (7/8)"));
    QVERIFY(reporter.entries.isEmpty());
    QVERIFY(DownloadState::m_blnCancelDownload);
    QVERIFY(!dialog.IsAutoDownload());
}

void tst_frmDownloadProcess::vxDownloadRunsToTheEnd()
{
    RecordingReporter reporter;
    SimulatorHost<VxCradleSim> host;
    const QString link = m_env->root() + QStringLiteral("/ttyVX");
    QVERIFY(host.call([&] {
        host.sim()->setRecords(VxCradleSim::sampleRecords(4));
        return host.sim()->start(link, nullptr);
    }));
    SetComPortDevice(2, link);
    AppState::terminalFamily = 1;

    ucKR500_900 kr;
    ucVX700 vx;
    frmDownloadProcess dialog(kr, vx);
    dialog.setIsAutoDownload(true);
    runDialog(dialog);
    QCOMPARE(dialog.outcome(), DownloadProcess::Outcome::Saved);
    QCOMPARE(TestEnv::patrolLines(dialog.DownloadFile()).size(), 4);
    QCOMPARE(m_labels.last(), QStringLiteral("75.%, (3/4)"));
    // An automatic download erases the terminal whatever the options say.
    QVERIFY(host.call([&] { return host.sim()->records().isEmpty(); }));
}

void tst_frmDownloadProcess::cancelButtonStopsTheDownload()
{
    RecordingReporter reporter;
    SimulatorHost<KrTerminalSim> host;
    const QString link = m_env->root() + QStringLiteral("/ttyKR");
    QVERIFY(host.call([&] {
        host.sim()->setRecords(KrTerminalSim::generateRecords(20));
        return host.sim()->start(link, nullptr);
    }));
    SetComPortDevice(2, link);
    AppState::terminalFamily = 0;
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("AutoClearData"), QStringLiteral("1"));

    ucKR500_900 kr;
    ucVX700 vx;
    frmDownloadProcess dialog(kr, vx);
    auto *cancel = dialog.findChild<QPushButton *>(QStringLiteral("cmdCtrl"));
    QVERIFY(cancel);
    runDialog(dialog, [cancel](int value) {
        if (value == 5)
            QTest::mouseClick(cancel, Qt::LeftButton);
    });
    QCOMPARE(dialog.outcome(), DownloadProcess::Outcome::Cancelled);
    QCOMPARE(TestEnv::patrolLines(dialog.DownloadFile()).size(), 5);
    QCOMPARE(host.call([&] { return host.sim()->records().size(); }), 20);
}

void tst_frmDownloadProcess::cancelWorksWhileTheLinkWaits()
{
    // Input to other windows is held back during a wait; this dialog's Cancel is not.
    InputHold hold;
    RecordingReporter reporter;
    SimulatorHost<KrTerminalSim> host;
    const QString link = m_env->root() + QStringLiteral("/ttyKR");
    QVERIFY(host.call([&] {
        host.sim()->setRecords(KrTerminalSim::generateRecords(400));
        host.sim()->setPaced(true);
        return host.sim()->start(link, nullptr);
    }));
    SetComPortDevice(2, link);
    AppState::terminalFamily = 0;
    ucKR500_900 kr;
    ucVX700 vx;
    frmDownloadProcess dialog(kr, vx);
    auto *cancel = dialog.findChild<QPushButton *>(QStringLiteral("cmdCtrl"));
    QTimer poll;
    bool clicked = false;
    bool cancelledAtOnce = false;
    connect(&poll, &QTimer::timeout, &dialog, [&] {
        if (!clicked && LinkBusy::isBusy() && dialog.findChild<QProgressBar *>()->value() >= 3) {
            clicked = true;
            QTest::mouseClick(cancel, Qt::LeftButton);
            cancelledAtOnce = DownloadState::m_blnCancelDownload;
        }
    });
    poll.start(5);
    dialog.exec();
    QVERIFY(clicked);
    QVERIFY(cancelledAtOnce);
    QCOMPARE(hold.heldCount(), 0);
    QCOMPARE(dialog.outcome(), DownloadProcess::Outcome::Cancelled);
    QVERIFY(TestEnv::patrolLines(dialog.DownloadFile()).size() < 400);
}

QTEST_MAIN(tst_frmDownloadProcess)
#include "tst_frmdownloadprocess.moc"
