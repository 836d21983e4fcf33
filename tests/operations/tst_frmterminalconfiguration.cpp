#include "AppState.h"
#include "CRes.h"
#include "DownloadState.h"
#include "InputHold.h"
#include "KrSimFixture.h"
#include "DataColumns.h"
#include "RecordingReporter.h"
#include "Settings.h"
#include "VxSimFixture.h"
#include "frmTerminalConfiguration_KR.h"
#include "frmTerminalConfiguration_VX.h"
#include "ucKR500_900.h"
#include "ucVX700.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;

// The two maintenance dialogs driven as a user drives them, against simulated
// terminals; message boxes are answered through the reporter.
class tst_frmTerminalConfiguration : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;

    // The links and the Download action the main window hands the dialogs.
    struct Links
    {
        ucKR500_900 kr;
        ucVX700 vx;
        QAction download {nullptr};
    };

    template<class W = QLineEdit>
    static W *child(QWidget &dialog, const char *name)
    {
        return dialog.findChild<W *>(QLatin1String(name));
    }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        CRes::destroyInstance();
        AppState::password = u"7391"_s;
        SaveSetting(u"Terminal"_s, u"Comport"_s, u"COM5"_s);
    }

    void cleanup()
    {
        CRes::destroyInstance();
        m_env.reset();
    }

    void krCommandMessages_data()
    {
        addColumns<int, int, QString, QString, bool, QString, int>(
            {"command", "terminalId", "machineField", "hexField", "silent", "expected", "idAfter"});

        QTest::newRow("Get Mach# of terminal 10") << 4 << 10 << "10" << "" << false << "#185 A" << 10;
        QTest::newRow("Set Time shows OK") << 0 << 0 << "" << "" << false << "OK" << 0;
        QTest::newRow("Record Count") << 2 << 1 << "1" << "" << false << "3" << 1;
        QTest::newRow("Get Version") << 5 << 0 << "0" << "" << false << "KR900 V2.31" << 0;
        QTest::newRow("Set Mach# sends the hex field") << 3 << 0 << "" << "1A" << false << "OK" << 26;
        QTest::newRow("silent terminal") << 9 << 0 << "0" << "" << true << "ErrCode: -1, KR_ERR_TIMEOUT" << 0;
        QTest::newRow("another terminal's number") << 2 << 3 << "4" << "" << false << "ErrCode: -1, KR_ERR_TIMEOUT" << 3;
    }

    void krCommandMessages()
    {
        QFETCH(int, command);
        QFETCH(int, terminalId);
        QFETCH(QString, machineField);
        QFETCH(QString, hexField);
        QFETCH(bool, silent);
        QFETCH(QString, expected);

        RecordingReporter reporter;
        KrSimFixture terminal(5, m_env.get());
        terminal.sim([&](KrTerminalSim &s) {
            s.setId(terminalId);
            s.setSilent(silent);
            s.setRecords(KrTerminalSim::generateRecords(3));
        });
        Links l;
        frmTerminalConfiguration_KR dialog(l.kr, l.vx);
        child(dialog, "txtID")->setText(machineField);
        child(dialog, "uxIdHex")->setText(hexField);
        QTest::mouseClick(dialog.button(command), Qt::LeftButton);

        expected.replace(u"#185"_s, CRes::instance().ResString(185));
        QCOMPARE(reporter.texts(), QStringList {expected});
        QCOMPARE(reporter.entries.first().icon, MessageReporter::Icon::Information);
        QTEST(terminal.sim([](KrTerminalSim &s) { return s.id(); }), "idAfter");
        // The time-out of the dialog stays on the shared link.
        QCOMPARE(l.kr.Timeout(), 2000);
        QCOMPARE(l.kr.CommPort(), 5);
    }

    void krClearDataAsksFirst_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("No sends nothing") << false;
        QTest::newRow("Yes clears") << true;
    }

    void krClearDataAsksFirst()
    {
        QFETCH(bool, yes);
        RecordingReporter reporter;
        reporter.answers << yes;
        KrSimFixture terminal(5, m_env.get());
        terminal.sim([](KrTerminalSim &s) { s.setRecords(KrTerminalSim::generateRecords(4)); });
        Links l;
        frmTerminalConfiguration_KR dialog(l.kr, l.vx);
        QTest::mouseClick(dialog.button(6), Qt::LeftButton);

        QStringList expected {CRes::instance().ResString(211)};
        if (yes)
            expected << u"OK"_s;
        QCOMPARE(reporter.texts(), expected);
        QCOMPARE(reporter.entries.first().icon, MessageReporter::Icon::Question);
        QCOMPARE(terminal.sim([](KrTerminalSim &s) { return s.received().size(); }) > 0, yes);
        QCOMPARE(terminal.sim([](KrTerminalSim &s) { return s.records().size(); }), yes ? 0 : 4);
        QCOMPARE(TestEnv::logEntries(), yes ? QStringList {u"KC/Clear Data"_s} : QStringList {});
    }

    void maintenanceCodeShowsServiceCommands_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("maintenance");
        QTest::newRow("everyday password") << "7391" << false;
        QTest::newRow("maintenance code") << "QZWX" << true;
    }

    void maintenanceCodeShowsServiceCommands()
    {
        QFETCH(QString, password);
        QFETCH(bool, maintenance);
        AppState::password = password;
        Links l;
        frmTerminalConfiguration_KR krDialog(l.kr, l.vx);
        for (int i : {7, 8})
            QCOMPARE(!krDialog.button(i)->isHidden(), maintenance);
        for (const char *name : {"lblRecoverData", "lblInvokeTest"})
            QCOMPARE(!krDialog.findChild<QLabel *>(QLatin1String(name))->isHidden(), maintenance);
        QVERIFY(!krDialog.button(9)->isHidden());

        frmTerminalConfiguration_VX vxDialog(l.kr, l.vx, l.download);
        for (int i : {9, 10, 15})
            QCOMPARE(!vxDialog.button(i)->isHidden(), maintenance);
        QCOMPARE(!child<QLabel>(vxDialog, "picLogo")->isHidden(), !maintenance);
        QVERIFY(!vxDialog.button(14)->isHidden());
    }

    void idEntryRules()
    {
        Links l;
        frmTerminalConfiguration_KR krDialog(l.kr, l.vx);
        auto *hex = child(krDialog, "uxIdHex");
        QTest::keyClicks(hex, u"1a"_s);
        QCOMPARE(hex->text(), u"1A"_s);
        QTest::keyClicks(hex, u"g-"_s);
        QTest::keyClick(hex, Qt::Key_Backspace);
        QCOMPARE(hex->text(), u"1A"_s);
        auto *decimal = child(krDialog, "txtNewID");
        decimal->setText(u"255"_s);
        QCOMPARE(hex->text(), u"FF"_s);
        decimal->setText(u"x"_s);
        QCOMPARE(hex->text(), u"0"_s);

        frmTerminalConfiguration_VX vxDialog(l.kr, l.vx, l.download);
        auto *id = child(vxDialog, "txtNewID");
        QTest::keyClicks(id, u"a-1 B"_s);
        QCOMPARE(id->text(), u"a1B"_s);
        QTest::keyClick(id, Qt::Key_Backspace);
        QCOMPARE(id->text(), u"a1"_s);
        // Whatever gets in by another way than typing (a paste) empties the field.
        id->insert(u"/2"_s);
        QCOMPARE(id->text(), QString());
    }

    void vxCommandMessages_data()
    {
        addColumns<int, QString, QString, QString, QString, int>(
            {"command", "password", "expected", "field", "fieldText", "requests"});

        const char *refused = "Errcode: -12, ErrMsg: VX_ERR_TERMINAL_ACCESS_DENIED\r\n\r\n#230";
        QTest::newRow("logon refused") << 0 << "1111" << refused << "" << "" << 1;
        QTest::newRow("logon") << 0 << "7391" << "OK" << "" << "" << 1;
        QTest::newRow("Get Mac ID without an ID") << 7 << "" << "N/A" << "txtNewID" << "N/A" << 1;
        QTest::newRow("charger status C") << 14 << "" << "C - Cold" << "cboChargerStatus" << "C - Cold" << 1;
        QTest::newRow("Set Mach ID with no ID") << 6 << "" << "Invalid ID" << "" << "" << 0;
        QTest::newRow("Clear Data does not ask") << 12 << "" << "OK" << "" << "" << 1;
    }

    void vxCommandMessages()
    {
        QFETCH(int, command);
        QFETCH(QString, password);
        QFETCH(QString, expected);
        QFETCH(QString, field);
        QFETCH(QString, fieldText);

        RecordingReporter reporter;
        VxSimFixture cradle(5, m_env.get());
        cradle.sim([](VxCradleSim &s) {
            s.setMachineId(QString());
            s.setChargerStatus('C');
            s.setLoggedOn(true);
            s.setRecords(VxCradleSim::sampleRecords(3));
        });
        Links l;
        l.download.setEnabled(true);
        frmTerminalConfiguration_VX dialog(l.kr, l.vx, l.download);
        child(dialog, "txtPassword")->setText(password);
        QTest::mouseClick(dialog.button(command), Qt::LeftButton);

        expected.replace(u"#230"_s, CRes::instance().ResString(230));
        QCOMPARE(reporter.texts(), QStringList {expected});
        QTEST(int(cradle.sim([](VxCradleSim &s) { return s.requests().size(); })), "requests");
        if (auto *edit = dialog.findChild<QLineEdit *>(field))
            QCOMPARE(edit->text(), fieldText);
        if (auto *combo = dialog.findChild<QComboBox *>(field))
            QCOMPARE(combo->currentText(), fieldText);
        if (command == 12) {
            QCOMPARE(cradle.sim([](VxCradleSim &s) { return s.records().size(); }), 0);
            QCOMPARE(TestEnv::logEntries(), QStringList {u"VC/Clear Data"_s});
        }
        if (command == 0) {
            const bool accepted = expected == QLatin1String("OK");
            QCOMPARE(GetSetting(u"Terminal"_s, u"Password"_s), accepted ? password : QString());
        }
        QCOMPARE(l.vx.Timeout(), 2000);
    }

    void vxLogonStateLivesInTheDownloadAction()
    {
        RecordingReporter reporter;
        VxSimFixture cradle(5, m_env.get());
        Links l;
        l.download.setEnabled(false);
        auto loggedOn = [](frmTerminalConfiguration_VX &d) {
            const bool commands = d.button(3)->isEnabled();
            for (int i : {5, 6, 11, 12})
                if (d.button(i)->isEnabled() != commands)
                    return -1;
            return commands && !child<QComboBox>(d, "cboCommPort")->isEnabled() ? 1 : 0;
        };
        {
            frmTerminalConfiguration_VX dialog(l.kr, l.vx, l.download);
            QCOMPARE(loggedOn(dialog), 0);
            child(dialog, "txtPassword")->setText(u"7391"_s);
            QTest::mouseClick(dialog.button(0), Qt::LeftButton);
            QCOMPARE(loggedOn(dialog), 1);
            QVERIFY(l.download.isEnabled());
            dialog.reject();
        }
        {
            frmTerminalConfiguration_VX dialog(l.kr, l.vx, l.download);
            QCOMPARE(loggedOn(dialog), 1);
            QTest::mouseClick(dialog.button(1), Qt::LeftButton);
            QCOMPARE(loggedOn(dialog), 0);
            QVERIFY(!l.download.isEnabled());
        }
        {
            frmTerminalConfiguration_VX dialog(l.kr, l.vx, l.download);
            QCOMPARE(loggedOn(dialog), 0);
        }
        QCOMPARE(reporter.texts(), (QStringList {u"OK"_s, u"OK"_s}));
    }

    void secondClickDuringSlowReplyRunsAfterTheFirst()
    {
        InputHold hold;
        RecordingReporter reporter;
        VxSimFixture cradle(5, m_env.get());
        cradle.sim([](VxCradleSim &s) { s.setReplyDelay(400); });
        Links l;
        frmTerminalConfiguration_VX dialog(l.kr, l.vx, l.download);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        // While Get Version waits for its reply, the user clicks Record Count.
        int heldDuringWait = -1;
        QTimer::singleShot(150, &dialog, [&] {
            QTest::mouseClick(dialog.button(13), Qt::LeftButton);
            heldDuringWait = hold.heldCount();
        });
        QTest::mouseClick(dialog.button(8), Qt::LeftButton);
        QCOMPARE(reporter.texts(), QStringList {u"VX700A V2.10"_s});
        QTRY_COMPARE(reporter.entries.size(), 2);
        QCOMPARE(reporter.texts().last(), u"0"_s);
        // Two whole exchanges, one after the other.
        const QList<QByteArray> requests = cradle.sim([](VxCradleSim &s) { return s.requests(); });
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests.first(), QByteArray("F"));
        QCOMPARE(heldDuringWait, 2);
        QCOMPARE(hold.heldCount(), 0);
    }
};

QTEST_MAIN(tst_frmTerminalConfiguration)
#include "tst_frmterminalconfiguration.moc"
