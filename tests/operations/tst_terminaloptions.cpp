#include "Settings.h"
#include "TerminalOptions.h"
#include "TestEnv.h"

#include <QtTest>

// The terminal settings behind the options dialog and `tavrel-cli options`.
class tst_TerminalOptions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void effectiveDefaults();
    void storedValues();
    void modelRuleClearsAutomaticDownload();
    void setRefusesWhatTheDialogCannotProduce_data();
    void setRefusesWhatTheDialogCannotProduce();
};

void tst_TerminalOptions::effectiveDefaults()
{
    TestEnv env(false);
    const TerminalOptions o = TerminalOptions::load();
    QCOMPARE(o.model, 0);
    QCOMPARE(o.comport, QStringLiteral("COM1"));
    QVERIFY(o.autoClear && o.autoTime && o.autoPowerDown && o.autoDownload);
    QCOMPARE(TerminalOptions::builtInPorts().size(), 16);
    QCOMPARE(TerminalOptions::builtInPorts().last(), QStringLiteral("COM16"));
}

void tst_TerminalOptions::storedValues()
{
    TestEnv env(false);
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Model"), QStringLiteral("1"));
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("AutoClearData"), QStringLiteral("0"));
    // Text that is no number reads as 0.
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("AutoUpdateTime"), QStringLiteral("yes"));
    TerminalOptions o = TerminalOptions::load();
    QCOMPARE(o.model, 1);
    QVERIFY(!o.autoClear && !o.autoTime && o.autoPowerDown);

    o.comport = QStringLiteral("COM12");
    o.autoDownload = false;
    QVERIFY(o.save());
    const TerminalOptions back = TerminalOptions::load();
    QCOMPARE(back.comport, QStringLiteral("COM12"));
    QCOMPARE(GetSetting(QStringLiteral("AutoDownload"), QStringLiteral("Enable")), QStringLiteral("0"));
    QCOMPARE(GetSetting(QStringLiteral("Terminal"), QStringLiteral("AutoUpdateTime")), QStringLiteral("0"));
}

void tst_TerminalOptions::modelRuleClearsAutomaticDownload()
{
    TerminalOptions o;
    o.model = TerminalOptions::kVxFamily;
    o.applyModelRule();
    QVERIFY(!o.autoDownload);
    // Back to the KR family the switch stays off until it is set again.
    o.model = TerminalOptions::kKrFamily;
    o.applyModelRule();
    QVERIFY(!o.autoDownload);
}

void tst_TerminalOptions::setRefusesWhatTheDialogCannotProduce_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("model 1") << 0 << "model" << "1" << true;
    QTest::newRow("model 2") << 0 << "model" << "2" << false;
    QTest::newRow("port COM12") << 0 << "comport" << "COM12" << true;
    QTest::newRow("port COM0") << 0 << "comport" << "COM0" << false;
    QTest::newRow("port device path") << 0 << "comport" << "/dev/ttyS0" << false;
    QTest::newRow("clear off") << 0 << "auto-clear" << "0" << true;
    QTest::newRow("clear yes") << 0 << "auto-clear" << "yes" << false;
    QTest::newRow("power-down on") << 1 << "auto-power-down" << "1" << true;
    QTest::newRow("auto-download on for KR") << 0 << "auto-download" << "1" << true;
    QTest::newRow("auto-download on for VX") << 1 << "auto-download" << "1" << false;
    QTest::newRow("auto-download off for VX") << 1 << "auto-download" << "0" << true;
    QTest::newRow("unknown key") << 0 << "password" << "1" << false;
}

void tst_TerminalOptions::setRefusesWhatTheDialogCannotProduce()
{
    QFETCH(int, model);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(bool, accepted);

    TerminalOptions o;
    o.model = model;
    o.autoClear = false;
    const TerminalOptions before = o;
    QString error;
    QCOMPARE(o.set(key, value, &error), accepted);
    QCOMPARE(error.isEmpty(), accepted);
    QCOMPARE(o.value(key), accepted ? value : before.value(key));
}

QTEST_GUILESS_MAIN(tst_TerminalOptions)
#include "tst_terminaloptions.moc"
