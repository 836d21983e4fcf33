#include "ApplicationPassword.h"
#include "CRes.h"
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
        ApplicationPassword::setCurrent(u"7391"_s);
        SaveSetting(u"Terminal"_s, u"Comport"_s, u"COM5"_s);
    }

    void cleanup()
    {
        CRes::destroyInstance();
        m_env.reset();
    }

    void krCommandMessages_data()
    {
        // answer: to the question the command asks first, -1 when it asks none.
        addColumns<int, int, QString, QString, bool, int, QStringList, int>(
            {"command", "terminalId", "machineField", "hexField", "silent", "answer", "expected", "idAfter"});

        const QStringList timeout {u"ErrCode: -1, KR_ERR_TIMEOUT"_s};
        QTest::newRow("Get Mach# of terminal 10") << 4 << 10 << "10" << "" << false << -1 << QStringList {"#185 A"} << 10;
        QTest::newRow("Set Mach# sends the hex field") << 3 << 0 << "" << "1A" << false << -1 << QStringList {"OK"} << 26;
        QTest::newRow("Set Mach# with an empty field") << 3 << 5 << "5" << "" << false << -1 << QStringList {"#88"} << 5;
        QTest::newRow("Get Version") << 5 << 0 << "0" << "" << false << -1 << QStringList {"#153: KR900 V2.31"} << 0;
        QTest::newRow("Record Count") << 2 << 1 << "1" << "" << false << -1 << QStringList {"#150: 3"} << 1;
        QTest::newRow("silent terminal") << 9 << 0 << "0" << "" << true << -1 << timeout << 0;
        QTest::newRow("another terminal's number") << 2 << 3 << "4" << "" << false << -1 << timeout << 3;
        QTest::newRow("Clear Data, No sends nothing") << 6 << 0 << "" << "" << false << 0 << QStringList {"#211"} << 0;
        QTest::newRow("Clear Data, Yes") << 6 << 0 << "" << "" << false << 1 << QStringList {"#211", "OK"} << 0;
    }

    void krCommandMessages()
    {
        QFETCH(int, command);
        QFETCH(int, terminalId);
        QFETCH(QString, machineField);
        QFETCH(QString, hexField);
        QFETCH(bool, silent);
        QFETCH(int, answer);
        QFETCH(QStringList, expected);

        RecordingReporter reporter;
        if (answer >= 0)
            reporter.answers << bool(answer);
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

        expected.replaceInStrings(u"#185"_s, CRes::instance().ResString(185));
        expected.replaceInStrings(u"#211"_s, CRes::instance().ResString(211));
        expected.replaceInStrings(u"#150"_s, CRes::instance().ResString(150));
        expected.replaceInStrings(u"#153"_s, CRes::instance().ResString(153));
        const bool refused = expected.first() == u"#88"_s;
        expected.replaceInStrings(u"#88"_s, CRes::instance().ResString(88));
        QCOMPARE(reporter.texts(), expected);
        const auto icon = answer >= 0 ? MessageReporter::Icon::Question
            : refused                 ? MessageReporter::Icon::Exclamation
                                      : MessageReporter::Icon::Information;
        QCOMPARE(reporter.entries.first().icon, icon);
        QTEST(terminal.sim([](KrTerminalSim &s) { return s.id(); }), "idAfter");
        QCOMPARE(terminal.sim([](KrTerminalSim &s) { return s.records().size(); }), answer == 1 ? 0 : 3);
        QCOMPARE(TestEnv::logEntries(), answer == 1 ? QStringList {u"KC/Clear Data"_s} : QStringList {});
        // The time-out of the dialog stays on the shared link once a command ran.
        if (answer != 0) {
            QCOMPARE(l.kr.Timeout(), 2000);
            QCOMPARE(l.kr.CommPort(), 5);
        }
    }

    void serviceCommandsAndIdEntry_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("maintenance");
        QTest::addColumn<QString>("maintenanceSwitch"); // Security/MaintenanceCode
        QTest::newRow("everyday password") << "7391" << false << "1";
        QTest::newRow("maintenance code") << "QZWX" << true << "1";
        // Switched off, the code is at most someone's everyday password.
        QTest::newRow("maintenance code switched off") << "QZWX" << false << "0";
    }

    void serviceCommandsAndIdEntry()
    {
        QFETCH(QString, password);
        QFETCH(bool, maintenance);
        QFETCH(QString, maintenanceSwitch);
        QVERIFY(SaveSetting(u"Security"_s, u"MaintenanceCode"_s, maintenanceSwitch));
        ApplicationPassword::setCurrent(password);
        Links l;
        frmTerminalConfiguration_KR krDialog(l.kr, l.vx);
        frmTerminalConfiguration_VX vxDialog(l.kr, l.vx, l.download);
        // Only the maintenance code shows the service commands.
        QCOMPARE(!krDialog.button(7)->isHidden(), maintenance);
        QCOMPARE(!child<QLabel>(krDialog, "lblRecoverData")->isHidden(), maintenance);
        QCOMPARE(!vxDialog.button(9)->isHidden(), maintenance);
        QCOMPARE(!child<QLabel>(vxDialog, "picLogo")->isHidden(), !maintenance);

        auto *hex = child(krDialog, "uxIdHex");
        QTest::keyClicks(hex, u"1a"_s);
        QCOMPARE(hex->text(), u"1A"_s);
        QTest::keyClicks(hex, u"g-"_s);
        QCOMPARE(hex->text(), u"1A"_s);
        auto *decimal = child(krDialog, "txtNewID");
        decimal->setText(u"255"_s);
        QCOMPARE(hex->text(), u"FF"_s);
        decimal->setText(u"x"_s);
        QCOMPARE(hex->text(), u"0"_s);

        auto *id = child(vxDialog, "txtNewID");
        QTest::keyClicks(id, u"a-1 B"_s);
        QCOMPARE(id->text(), u"a1B"_s);
        QTest::keyClick(id, Qt::Key_Backspace);
        QCOMPARE(id->text(), u"a1"_s);
        // Whatever gets in by another way than typing (a paste) empties the field.
        id->insert(u"/2"_s);
        QCOMPARE(id->text(), QString());
    }

    void idFieldsTakeEditingKeys_data()
    {
        QTest::addColumn<bool>("vx");
        QTest::addColumn<QString>("field");
        QTest::newRow("KR hexadecimal") << false << "uxIdHex";
        QTest::newRow("VX machine ID") << true << "txtNewID";
    }

    void idFieldsTakeEditingKeys()
    {
        // The key filters judge typed characters only: moving, selecting and
        // deleting work as in any field.
        QFETCH(bool, vx);
        QFETCH(QString, field);
        Links l;
        frmTerminalConfiguration_KR krDialog(l.kr, l.vx);
        frmTerminalConfiguration_VX vxDialog(l.kr, l.vx, l.download);
        auto *edit = (vx ? static_cast<QDialog &>(vxDialog) : krDialog).findChild<QLineEdit *>(field);
        QStringList seen;
        QTest::keyClicks(edit, u"123"_s);
        QTest::keyClick(edit, Qt::Key_Home);
        QTest::keyClicks(edit, u"4"_s);
        seen << edit->text();
        QTest::keyClick(edit, Qt::Key_End);
        QTest::keyClick(edit, Qt::Key_Left);
        QTest::keyClick(edit, Qt::Key_Backspace);
        seen << edit->text();
        QTest::keyClick(edit, Qt::Key_Delete);
        seen << edit->text();
        QTest::keyClick(edit, Qt::Key_Home, Qt::ShiftModifier);
        QTest::keyClicks(edit, u"c"_s);
        seen << edit->text();
        QCOMPARE(seen, (QStringList{u"4123"_s, u"413"_s, u"41"_s, vx ? u"c"_s : u"C"_s}));
    }

    void vxCommandMessages_data()
    {
        addColumns<int, QString, QString, QString, QString, int>(
            {"command", "password", "expected", "field", "fieldText", "requests"});

        const char *refused = "Errcode: -12, ErrMsg: VX_ERR_TERMINAL_ACCESS_DENIED\r\n\r\n#230";
        QTest::newRow("logon refused") << 0 << "1111" << refused << "" << "" << 1;
        QTest::newRow("Get Mac ID without an ID") << 7 << "" << "N/A" << "txtNewID" << "N/A" << 1;
        QTest::newRow("charger status C") << 14 << "" << "C - Cold" << "cboChargerStatus" << "C - Cold" << 1;
        // The letter stays first, as Set Charger Status sends it; the words are the language's.
        QTest::newRow("charger status C in Japanese") << 14 << "" << "C - 低温" << "cboChargerStatus" << "C - 低温" << 1;
        QTest::newRow("Set Mach ID with no ID") << 6 << "" << "Invalid ID" << "" << "" << 0;
        QTest::newRow("Clear Data does not ask") << 12 << "" << "OK" << "" << "" << 1;
        QTest::newRow("Record Count says what it counts") << 13 << "" << "#150: 3" << "" << "" << 1;
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
        if (QByteArray(QTest::currentDataTag()).endsWith("in Japanese"))
            CRes::instance().setLanguage(u"Japanese"_s);
        Links l;
        l.download.setEnabled(true);
        frmTerminalConfiguration_VX dialog(l.kr, l.vx, l.download);
        child(dialog, "txtPassword")->setText(password);
        QTest::mouseClick(dialog.button(command), Qt::LeftButton);

        expected.replace(u"#230"_s, CRes::instance().ResString(230));
        expected.replace(u"#150"_s, CRes::instance().ResString(150));
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
        // A refused password is not kept.
        if (command == 0)
            QCOMPARE(GetSetting(u"Terminal"_s, u"Password"_s), QString());
        QCOMPARE(l.vx.Timeout(), 2000);
    }

    void vxLogonStateLivesInTheDownloadAction()
    {
        RecordingReporter reporter;
        VxSimFixture cradle(5, m_env.get());
        Links l;
        l.download.setEnabled(false);
        // Logged on: the commands work, the port is fixed.
        auto loggedOn = [](frmTerminalConfiguration_VX &d) {
            return d.button(3)->isEnabled() && !child<QComboBox>(d, "cboCommPort")->isEnabled();
        };
        {
            frmTerminalConfiguration_VX dialog(l.kr, l.vx, l.download);
            QVERIFY(!loggedOn(dialog));
            child(dialog, "txtPassword")->setText(u"7391"_s);
            QTest::mouseClick(dialog.button(0), Qt::LeftButton);
            QVERIFY(loggedOn(dialog));
            QVERIFY(l.download.isEnabled());
            QCOMPARE(GetSetting(u"Terminal"_s, u"Password"_s), u"7391"_s);
            dialog.reject();
        }
        {
            frmTerminalConfiguration_VX dialog(l.kr, l.vx, l.download);
            QVERIFY(loggedOn(dialog));
            QTest::mouseClick(dialog.button(1), Qt::LeftButton);
            QVERIFY(!loggedOn(dialog));
            QVERIFY(!l.download.isEnabled());
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
        QCOMPARE(reporter.texts(), QStringList {CRes::instance().ResString(153) + u": VX700A V2.10"_s});
        QTRY_COMPARE(reporter.entries.size(), 2);
        QCOMPARE(reporter.texts().last(), CRes::instance().ResString(150) + u": 0"_s);
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
