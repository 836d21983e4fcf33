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

using namespace Qt::StringLiterals;

// The download dialog as the user sees it: it opens, shows its progress,
// closes itself, and names the file it saved.
class tst_frmDownloadProcess : public QObject
{
    Q_OBJECT

    // Shows the dialog modally; `onValue` runs whenever the bar moves.
    void runDialog(frmDownloadProcess &dialog, const std::function<void(int)> &onValue = {})
    {
        auto *bar = dialog.findChild<QProgressBar *>(u"pb"_s);
        auto *label = dialog.findChild<QLabel *>(u"lbl"_s);
        QVERIFY(bar && label);
        QCOMPARE(label->text(), u"0%"_s);
        connect(bar, &QProgressBar::valueChanged, &dialog, [&, bar, label](int value) {
            m_labels << label->text();
            QVERIFY(bar->maximum() > 0);
            if (onValue)
                onValue(value);
        });
        dialog.exec();
        QVERIFY(!dialog.isVisible());
    }

    // Starts the simulator on a pseudo-terminal published as COM2 for `family`.
    template<class Sim, class F>
    void plugIn(SimulatorHost<Sim> &host, int family, F setup)
    {
        const QString link = m_env->root() + u"/tty%1"_s.arg(family);
        QVERIFY(host.call([&] {
            setup(*host.sim());
            return host.sim()->start(link, nullptr);
        }));
        SetComPortDevice(2, link);
        AppState::terminalFamily = family;
    }

    std::unique_ptr<TestEnv> m_env;
    QStringList m_labels;

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void init()
    {
        m_env = std::make_unique<TestEnv>();
        CRes::destroyInstance();
        for (const char *key : {"AutoClearData", "AutoUpdateTime", "AutoPowerDown"})
            SaveSetting(u"Terminal"_s, QLatin1String(key), u"0"_s);
        SaveSetting(u"Terminal"_s, u"Comport"_s, u"COM2"_s);
        m_labels.clear();
    }

    void cleanup()
    {
        CRes::destroyInstance();
        m_env.reset();
    }

    void krDownloadRunsToTheEnd()
    {
        RecordingReporter reporter;
        SimulatorHost<KrTerminalSim> host;
        plugIn(host, 0, [](KrTerminalSim &s) { s.setRecords(KrTerminalSim::generateRecords(8)); });

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
        QCOMPARE(m_labels.last(), u"87.5%, (7/8)"_s);
        QVERIFY(reporter.entries.isEmpty());
        QVERIFY(DownloadState::m_blnCancelDownload);
        QVERIFY(!dialog.IsAutoDownload());
    }

    void vxDownloadRunsToTheEnd()
    {
        RecordingReporter reporter;
        SimulatorHost<VxCradleSim> host;
        plugIn(host, 1, [](VxCradleSim &s) { s.setRecords(VxCradleSim::sampleRecords(4)); });

        ucKR500_900 kr;
        ucVX700 vx;
        frmDownloadProcess dialog(kr, vx);
        dialog.setIsAutoDownload(true);
        runDialog(dialog);
        QCOMPARE(dialog.outcome(), DownloadProcess::Outcome::Saved);
        QCOMPARE(TestEnv::patrolLines(dialog.DownloadFile()).size(), 4);
        QCOMPARE(m_labels.last(), u"75.%, (3/4)"_s);
        // An automatic download erases the terminal whatever the options say.
        QVERIFY(host.call([&] { return host.sim()->records().isEmpty(); }));
    }

    void cancelButtonStopsTheDownload()
    {
        RecordingReporter reporter;
        SimulatorHost<KrTerminalSim> host;
        plugIn(host, 0, [](KrTerminalSim &s) { s.setRecords(KrTerminalSim::generateRecords(20)); });
        SaveSetting(u"Terminal"_s, u"AutoClearData"_s, u"1"_s);

        ucKR500_900 kr;
        ucVX700 vx;
        frmDownloadProcess dialog(kr, vx);
        auto *cancel = dialog.findChild<QPushButton *>(u"cmdCtrl"_s);
        QVERIFY(cancel);
        runDialog(dialog, [cancel](int value) {
            if (value == 5)
                QTest::mouseClick(cancel, Qt::LeftButton);
        });
        QCOMPARE(dialog.outcome(), DownloadProcess::Outcome::Cancelled);
        QCOMPARE(TestEnv::patrolLines(dialog.DownloadFile()).size(), 5);
        QCOMPARE(host.call([&] { return host.sim()->records().size(); }), 20);
    }

    void cancelWorksWhileTheLinkWaits()
    {
        // Input to other windows is held back during a wait; this dialog's Cancel is not.
        InputHold hold;
        RecordingReporter reporter;
        SimulatorHost<KrTerminalSim> host;
        plugIn(host, 0, [](KrTerminalSim &s) { s.setRecords(KrTerminalSim::generateRecords(400)); s.setPaced(true); });
        ucKR500_900 kr;
        ucVX700 vx;
        frmDownloadProcess dialog(kr, vx);
        auto *cancel = dialog.findChild<QPushButton *>(u"cmdCtrl"_s);
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
};

QTEST_MAIN(tst_frmDownloadProcess)
#include "tst_frmdownloadprocess.moc"
