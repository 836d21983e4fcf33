#include "AppState.h"
#include "CRes.h"
#include "DownloadState.h"
#include "InputHold.h"
#include "KrSimFixture.h"
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

// The two maintenance dialogs driven as a user drives them, against simulated
// terminals; message boxes are answered through the reporter.
class tst_frmTerminalConfiguration : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void krCommandMessages_data();
    void krCommandMessages();
    void krClearDataAsksFirst_data();
    void krClearDataAsksFirst();
    void maintenanceCodeShowsServiceCommands_data();
    void maintenanceCodeShowsServiceCommands();
    void idEntryRules();
    void vxCommandMessages_data();
    void vxCommandMessages();
    void vxLogonStateLivesInTheDownloadAction();
    void secondClickDuringSlowReplyRunsAfterTheFirst();

private:
    std::unique_ptr<TestEnv> m_env;
};

void tst_frmTerminalConfiguration::init()
{
    m_env = std::make_unique<TestEnv>();
    CRes::destroyInstance();
    AppState::password = QStringLiteral("7391");
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Comport"), QStringLiteral("COM5"));
}

void tst_frmTerminalConfiguration::cleanup()
{
    CRes::destroyInstance();
    m_env.reset();
}

void tst_frmTerminalConfiguration::krCommandMessages_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("terminalId");
    QTest::addColumn<QString>("machineField");
    QTest::addColumn<QString>("hexField");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("idAfter");

    QTest::newRow("Get Mach# of terminal 10") << 4 << 10 << "10" << "" << false << "#185 A" << 10;
    QTest::newRow("Set Time shows OK") << 0 << 0 << "" << "" << false << "OK" << 0;
    QTest::newRow("Record Count") << 2 << 1 << "1" << "" << false << "3" << 1;
    QTest::newRow("Get Version") << 5 << 0 << "0" << "" << false << "KR900 V2.31" << 0;
    QTest::newRow("Set Mach# sends the hex field") << 3 << 0 << "" << "1A" << false << "OK" << 26;
    QTest::newRow("silent terminal") << 9 << 0 << "0" << "" << true << "ErrCode: -1, KR_ERR_TIMEOUT" << 0;
    QTest::newRow("another terminal's number") << 2 << 3 << "4" << "" << false << "ErrCode: -1, KR_ERR_TIMEOUT"
                                               << 3;
}

void tst_frmTerminalConfiguration::krCommandMessages()
{
    QFETCH(int, command);
    QFETCH(int, terminalId);
    QFETCH(QString, machineField);
    QFETCH(QString, hexField);
    QFETCH(bool, silent);
    QFETCH(QString, expected);
    QFETCH(int, idAfter);

    RecordingReporter reporter;
    KrSimFixture terminal(5, m_env.get());
    terminal.sim([&](KrTerminalSim &s) {
        s.setId(terminalId);
        s.setSilent(silent);
        s.setRecords(KrTerminalSim::generateRecords(3));
    });
    ucKR500_900 kr;
    ucVX700 vx;
    frmTerminalConfiguration_KR dialog(kr, vx);
    dialog.findChild<QLineEdit *>(QStringLiteral("txtID"))->setText(machineField);
    dialog.findChild<QLineEdit *>(QStringLiteral("uxIdHex"))->setText(hexField);
    QTest::mouseClick(dialog.button(command), Qt::LeftButton);

    expected.replace(QStringLiteral("#185"), CRes::instance().ResString(185));
    QCOMPARE(reporter.texts(), QStringList {expected});
    QCOMPARE(reporter.entries.first().icon, MessageReporter::Icon::Information);
    QCOMPARE(terminal.sim([](KrTerminalSim &s) { return s.id(); }), idAfter);
    // The time-out of the dialog stays on the shared link.
    QCOMPARE(kr.Timeout(), 2000);
    QCOMPARE(kr.CommPort(), 5);
}

void tst_frmTerminalConfiguration::krClearDataAsksFirst_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("No sends nothing") << false;
    QTest::newRow("Yes clears") << true;
}

void tst_frmTerminalConfiguration::krClearDataAsksFirst()
{
    QFETCH(bool, yes);
    RecordingReporter reporter;
    reporter.answers << yes;
    KrSimFixture terminal(5, m_env.get());
    terminal.sim([](KrTerminalSim &s) { s.setRecords(KrTerminalSim::generateRecords(4)); });
    ucKR500_900 kr;
    ucVX700 vx;
    frmTerminalConfiguration_KR dialog(kr, vx);
    QTest::mouseClick(dialog.button(6), Qt::LeftButton);

    QStringList expected {CRes::instance().ResString(211)};
    if (yes)
        expected << QStringLiteral("OK");
    QCOMPARE(reporter.texts(), expected);
    QCOMPARE(reporter.entries.first().icon, MessageReporter::Icon::Question);
    QCOMPARE(terminal.sim([](KrTerminalSim &s) { return s.received().size(); }) > 0, yes);
    QCOMPARE(terminal.sim([](KrTerminalSim &s) { return s.records().size(); }), yes ? 0 : 4);
    QCOMPARE(TestEnv::logEntries(), yes ? QStringList {QStringLiteral("KC/Clear Data")} : QStringList {});
}

void tst_frmTerminalConfiguration::maintenanceCodeShowsServiceCommands_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("maintenance");
    QTest::newRow("everyday password") << "7391" << false;
    QTest::newRow("maintenance code") << "QZWX" << true;
}

void tst_frmTerminalConfiguration::maintenanceCodeShowsServiceCommands()
{
    QFETCH(QString, password);
    QFETCH(bool, maintenance);
    AppState::password = password;
    ucKR500_900 kr;
    ucVX700 vx;
    QAction download(nullptr);
    frmTerminalConfiguration_KR krDialog(kr, vx);
    for (int i : {7, 8})
        QCOMPARE(!krDialog.button(i)->isHidden(), maintenance);
    for (const char *name : {"lblRecoverData", "lblInvokeTest"})
        QCOMPARE(!krDialog.findChild<QLabel *>(QLatin1String(name))->isHidden(), maintenance);
    QVERIFY(!krDialog.button(9)->isHidden());

    frmTerminalConfiguration_VX vxDialog(kr, vx, download);
    for (int i : {9, 10, 15})
        QCOMPARE(!vxDialog.button(i)->isHidden(), maintenance);
    QCOMPARE(!vxDialog.findChild<QLabel *>(QStringLiteral("picLogo"))->isHidden(), !maintenance);
    QVERIFY(!vxDialog.button(14)->isHidden());
}

void tst_frmTerminalConfiguration::idEntryRules()
{
    ucKR500_900 kr;
    ucVX700 vx;
    QAction download(nullptr);
    frmTerminalConfiguration_KR krDialog(kr, vx);
    auto *hex = krDialog.findChild<QLineEdit *>(QStringLiteral("uxIdHex"));
    QTest::keyClicks(hex, QStringLiteral("1a"));
    QCOMPARE(hex->text(), QStringLiteral("1A"));
    QTest::keyClicks(hex, QStringLiteral("g-"));
    QTest::keyClick(hex, Qt::Key_Backspace);
    QCOMPARE(hex->text(), QStringLiteral("1A"));
    auto *decimal = krDialog.findChild<QLineEdit *>(QStringLiteral("txtNewID"));
    decimal->setText(QStringLiteral("255"));
    QCOMPARE(hex->text(), QStringLiteral("FF"));
    decimal->setText(QStringLiteral("x"));
    QCOMPARE(hex->text(), QStringLiteral("0"));

    frmTerminalConfiguration_VX vxDialog(kr, vx, download);
    auto *id = vxDialog.findChild<QLineEdit *>(QStringLiteral("txtNewID"));
    QTest::keyClicks(id, QStringLiteral("a-1 B"));
    QCOMPARE(id->text(), QStringLiteral("a1B"));
    QTest::keyClick(id, Qt::Key_Backspace);
    QCOMPARE(id->text(), QStringLiteral("a1"));
    // Whatever gets in by another way than typing (a paste) empties the field.
    id->insert(QStringLiteral("/2"));
    QCOMPARE(id->text(), QString());
}

void tst_frmTerminalConfiguration::vxCommandMessages_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("fieldText");
    QTest::addColumn<int>("requests");

    QTest::newRow("logon refused") << 0 << "1111"
                                   << "Errcode: -12, ErrMsg: VX_ERR_TERMINAL_ACCESS_DENIED\r\n\r\n#230"
                                   << "" << "" << 1;
    QTest::newRow("logon") << 0 << "7391" << "OK" << "" << "" << 1;
    QTest::newRow("Get Mac ID without an ID") << 7 << "" << "N/A" << "txtNewID" << "N/A" << 1;
    QTest::newRow("charger status C") << 14 << "" << "C - Cold" << "cboChargerStatus" << "C - Cold" << 1;
    QTest::newRow("Set Mach ID with no ID") << 6 << "" << "Invalid ID" << "" << "" << 0;
    QTest::newRow("Clear Data does not ask") << 12 << "" << "OK" << "" << "" << 1;
}

void tst_frmTerminalConfiguration::vxCommandMessages()
{
    QFETCH(int, command);
    QFETCH(QString, password);
    QFETCH(QString, expected);
    QFETCH(QString, field);
    QFETCH(QString, fieldText);
    QFETCH(int, requests);

    RecordingReporter reporter;
    VxSimFixture cradle(5, m_env.get());
    cradle.sim([](VxCradleSim &s) {
        s.setMachineId(QString());
        s.setChargerStatus('C');
        s.setLoggedOn(true);
        s.setRecords(VxCradleSim::sampleRecords(3));
    });
    ucKR500_900 kr;
    ucVX700 vx;
    QAction download(nullptr);
    download.setEnabled(true);
    frmTerminalConfiguration_VX dialog(kr, vx, download);
    dialog.findChild<QLineEdit *>(QStringLiteral("txtPassword"))->setText(password);
    QTest::mouseClick(dialog.button(command), Qt::LeftButton);

    expected.replace(QStringLiteral("#230"), CRes::instance().ResString(230));
    QCOMPARE(reporter.texts(), QStringList {expected});
    QCOMPARE(cradle.sim([](VxCradleSim &s) { return s.requests().size(); }), requests);
    if (auto *edit = dialog.findChild<QLineEdit *>(field))
        QCOMPARE(edit->text(), fieldText);
    if (auto *combo = dialog.findChild<QComboBox *>(field))
        QCOMPARE(combo->currentText(), fieldText);
    if (command == 12) {
        QCOMPARE(cradle.sim([](VxCradleSim &s) { return s.records().size(); }), 0);
        QCOMPARE(TestEnv::logEntries(), QStringList {QStringLiteral("VC/Clear Data")});
    }
    if (command == 0) {
        const bool accepted = expected == QLatin1String("OK");
        QCOMPARE(GetSetting(QStringLiteral("Terminal"), QStringLiteral("Password")),
                 accepted ? password : QString());
    }
    QCOMPARE(vx.Timeout(), 2000);
}

void tst_frmTerminalConfiguration::vxLogonStateLivesInTheDownloadAction()
{
    RecordingReporter reporter;
    VxSimFixture cradle(5, m_env.get());
    ucKR500_900 kr;
    ucVX700 vx;
    QAction download(nullptr);
    download.setEnabled(false);
    auto loggedOn = [](frmTerminalConfiguration_VX &d) {
        const bool commands = d.button(3)->isEnabled();
        for (int i : {5, 6, 11, 12})
            if (d.button(i)->isEnabled() != commands)
                return -1;
        return commands && !d.findChild<QComboBox *>(QStringLiteral("cboCommPort"))->isEnabled() ? 1 : 0;
    };
    {
        frmTerminalConfiguration_VX dialog(kr, vx, download);
        QCOMPARE(loggedOn(dialog), 0);
        dialog.findChild<QLineEdit *>(QStringLiteral("txtPassword"))->setText(QStringLiteral("7391"));
        QTest::mouseClick(dialog.button(0), Qt::LeftButton);
        QCOMPARE(loggedOn(dialog), 1);
        QVERIFY(download.isEnabled());
        dialog.reject();
    }
    {
        frmTerminalConfiguration_VX dialog(kr, vx, download);
        QCOMPARE(loggedOn(dialog), 1);
        QTest::mouseClick(dialog.button(1), Qt::LeftButton);
        QCOMPARE(loggedOn(dialog), 0);
        QVERIFY(!download.isEnabled());
    }
    {
        frmTerminalConfiguration_VX dialog(kr, vx, download);
        QCOMPARE(loggedOn(dialog), 0);
    }
    QCOMPARE(reporter.texts(), (QStringList {QStringLiteral("OK"), QStringLiteral("OK")}));
}

void tst_frmTerminalConfiguration::secondClickDuringSlowReplyRunsAfterTheFirst()
{
    InputHold hold;
    RecordingReporter reporter;
    VxSimFixture cradle(5, m_env.get());
    cradle.sim([](VxCradleSim &s) { s.setReplyDelay(400); });
    ucKR500_900 kr;
    ucVX700 vx;
    QAction download(nullptr);
    frmTerminalConfiguration_VX dialog(kr, vx, download);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    // While Get Version waits for its reply, the user clicks Record Count.
    int heldDuringWait = -1;
    QTimer::singleShot(150, &dialog, [&] {
        QTest::mouseClick(dialog.button(13), Qt::LeftButton);
        heldDuringWait = hold.heldCount();
    });
    QTest::mouseClick(dialog.button(8), Qt::LeftButton);
    QCOMPARE(reporter.texts(), QStringList {QStringLiteral("VX700A V2.10")});
    QTRY_COMPARE(reporter.entries.size(), 2);
    QCOMPARE(reporter.texts().last(), QStringLiteral("0"));
    // Two whole exchanges, one after the other.
    const QList<QByteArray> requests = cradle.sim([](VxCradleSim &s) { return s.requests(); });
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests.first(), QByteArray("F"));
    QCOMPARE(heldDuringWait, 2);
    QCOMPARE(hold.heldCount(), 0);
}

QTEST_MAIN(tst_frmTerminalConfiguration)
#include "tst_frmterminalconfiguration.moc"
