#include "RecordingReporter.h"
#include "Settings.h"
#include "TestEnv.h"
#include "frmOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

template<class T>
T *child(QWidget &dialog, const char *name)
{
    return dialog.findChild<T *>(QLatin1String(name));
}

}

// The options dialog as the user sees it.
class tst_frmOptions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void okStoresTheChoices()
    {
        TestEnv env(false);
        RecordingReporter reporter;
        // A port that is not in the list: the first entry is shown, and stored on OK.
        SaveSetting(u"Terminal"_s, u"Comport"_s, u"COM77"_s);
        frmOptions dialog;
        QVERIFY(!dialog.ok_click());
        auto *port = child<QComboBox>(dialog, "cboComport");
        auto *model = child<QComboBox>(dialog, "cboTerminalModel");
        auto *tabs = child<QTabWidget>(dialog, "tab");
        auto *powerDown = child<QCheckBox>(dialog, "chkPowerDown");
        const QString first = port->itemText(0);
        QCOMPARE(port->currentText(), first);
        QVERIFY(child<QCheckBox>(dialog, "chkAutoDownload")->isChecked());

        // A VX terminal has neither the automatic download nor a power-down; the KR family gets them back.
        tabs->setCurrentIndex(1);
        model->setCurrentIndex(1);
        QVERIFY(!tabs->isTabEnabled(1));
        QCOMPARE(tabs->currentIndex(), 0);
        QVERIFY(powerDown->isHidden());
        model->setCurrentIndex(0);
        QVERIFY(tabs->isTabEnabled(1));
        QVERIFY(!powerDown->isHidden());
        model->setCurrentIndex(1);
        child<QCheckBox>(dialog, "chkUpdateTime")->setChecked(false);
        QTest::mouseClick(child<QPushButton>(dialog, "cmd_0"), Qt::LeftButton);

        QVERIFY(dialog.ok_click());
        QCOMPARE(GetSetting(u"Terminal"_s, u"Comport"_s), first);
        QCOMPARE(GetSetting(u"Terminal"_s, u"AutoClearData"_s), u"1"_s);
        QCOMPARE(GetSetting(u"Terminal"_s, u"AutoUpdateTime"_s), u"0"_s);
        QVERIFY(reporter.entries.isEmpty());
    }
};

QTEST_MAIN(tst_frmOptions)
#include "tst_frmoptions.moc"
