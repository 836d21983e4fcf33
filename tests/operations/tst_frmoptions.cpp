#include "CRes.h"
#include "RecordingReporter.h"
#include "Settings.h"
#include "TestEnv.h"
#include "frmOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

// The options dialog as the user sees it.
class tst_frmOptions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void showsDefaultsWhenNothingIsStored();
    void modelRule();
    void okStoresTheChoices();

private:
    std::unique_ptr<TestEnv> m_env;
};

namespace {

template<class T>
T *child(QWidget &dialog, const char *name)
{
    return dialog.findChild<T *>(QLatin1String(name));
}

}

void tst_frmOptions::init()
{
    m_env = std::make_unique<TestEnv>(false);
    CRes::destroyInstance();
}

void tst_frmOptions::cleanup()
{
    CRes::destroyInstance();
    m_env.reset();
}

void tst_frmOptions::showsDefaultsWhenNothingIsStored()
{
    frmOptions dialog;
    QVERIFY(!dialog.ok_click());
    QCOMPARE(child<QComboBox>(dialog, "cboTerminalModel")->currentText(), QStringLiteral("KR500A/550/900"));
    QCOMPARE(child<QComboBox>(dialog, "cboComport")->currentText(), QStringLiteral("COM1"));
    for (const char *name : {"chkClearData", "chkUpdateTime", "chkPowerDown", "chkAutoDownload"})
        QVERIFY2(child<QCheckBox>(dialog, name)->isChecked(), name);
}

void tst_frmOptions::modelRule()
{
    frmOptions dialog;
    auto *model = child<QComboBox>(dialog, "cboTerminalModel");
    auto *tabs = child<QTabWidget>(dialog, "tab");
    auto *autoDownload = child<QCheckBox>(dialog, "chkAutoDownload");
    auto *powerDown = child<QCheckBox>(dialog, "chkPowerDown");
    tabs->setCurrentIndex(1);
    model->setCurrentIndex(1);
    QVERIFY(!autoDownload->isChecked());
    QVERIFY(!tabs->isTabEnabled(1));
    QCOMPARE(tabs->currentIndex(), 0);
    QVERIFY(powerDown->isHidden());
    model->setCurrentIndex(0);
    QVERIFY(tabs->isTabEnabled(1));
    QVERIFY(!powerDown->isHidden());
    QVERIFY(!autoDownload->isChecked());
}

void tst_frmOptions::okStoresTheChoices()
{
    RecordingReporter reporter;
    // A port that is not in the list: the first entry is shown, and stored on OK.
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Comport"), QStringLiteral("COM77"));
    frmOptions dialog;
    auto *port = child<QComboBox>(dialog, "cboComport");
    const QString first = port->itemText(0);
    QCOMPARE(port->currentText(), first);
    child<QComboBox>(dialog, "cboTerminalModel")->setCurrentIndex(1);
    child<QCheckBox>(dialog, "chkUpdateTime")->setChecked(false);
    QTest::mouseClick(child<QPushButton>(dialog, "cmd_0"), Qt::LeftButton);

    QVERIFY(dialog.ok_click());
    QCOMPARE(GetSetting(QStringLiteral("Terminal"), QStringLiteral("Comport")), first);
    QCOMPARE(GetSetting(QStringLiteral("Terminal"), QStringLiteral("Model")), QStringLiteral("1"));
    QCOMPARE(GetSetting(QStringLiteral("Terminal"), QStringLiteral("AutoUpdateTime")), QStringLiteral("0"));
    QCOMPARE(GetSetting(QStringLiteral("AutoDownload"), QStringLiteral("Enable")), QStringLiteral("0"));
    QVERIFY(reporter.entries.isEmpty());
}

QTEST_MAIN(tst_frmOptions)
#include "tst_frmoptions.moc"
