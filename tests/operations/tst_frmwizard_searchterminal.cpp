#include "CRes.h"
#include "KrSimFixture.h"
#include "RecordingReporter.h"
#include "Settings.h"
#include "VxSimFixture.h"
#include "frmWizard_SearchTerminal.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QString field(QWidget &wizard, const char *name)
{
    return wizard.findChild<QLineEdit *>(QLatin1String(name))->text();
}

void click(frmWizard_SearchTerminal &wizard, int button)
{
    QVERIFY(wizard.button(button)->isEnabled());
    QTest::mouseClick(wizard.button(button), Qt::LeftButton);
}

}

// The search-terminal wizard driven through its pages.
class tst_frmWizard_SearchTerminal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { CRes::destroyInstance(); }

    void searchesUntilATerminalIsFound()
    {
        RecordingReporter reporter;
        TestEnv env(false);
        CRes::destroyInstance();
        frmWizard_SearchTerminal wizard;
        QVERIFY(!wizard.button(2)->isEnabled());
        auto *station = wizard.findChild<QLabel *>(u"lbl01_3"_s);
        const QString stationText = CRes::instance().ResString(245) + u" (for VX700A/700N/KR900)"_s;
        // Visiting the checklist twice shows the suffix once.
        click(wizard, 1);
        click(wizard, 2);
        click(wizard, 1);
        QCOMPARE(wizard.pageIndex(), 1);
        QCOMPARE(station->text(), stationText);
        QVERIFY(wizard.findChild<QLabel *>(u"lbl_1"_s)->font().bold());
        QVERIFY(!wizard.findChild<QLabel *>(u"lbl_0"_s)->font().bold());
        Q_EMIT wizard.findChild<QLabel *>(u"lbl01_5"_s)->linkActivated(u"usb"_s);
        QCOMPARE(reporter.texts(), QStringList {CRes::instance().ResString(263)});

        // Nothing plugged in: the result says so, and Back leads to the checklist again.
        click(wizard, 1);
        QTRY_COMPARE(wizard.pageIndex(), 3);
        QCOMPARE(field(wizard, "txtConnectedTerminal"), CRes::instance().ResString(258));
        QCOMPARE(wizard.button(0)->text(), CRes::instance().ResString(9));
        click(wizard, 2);
        QCOMPARE(wizard.pageIndex(), 1);

        KrSimFixture terminal(5, &env);
        VxSimFixture cradle(9, &env);
        click(wizard, 1);
        QCOMPARE(wizard.pageIndex(), 2);
        QTRY_COMPARE(wizard.pageIndex(), 3);
        QCOMPARE(field(wizard, "txtConnectedTerminal"), u"KR500A/550/900"_s);
        QCOMPARE(field(wizard, "txtUsingComport"), u"COM5"_s);
        QCOMPARE(wizard.button(0)->text(), CRes::instance().ResString(252));
        QVERIFY(!wizard.button(1)->isEnabled());
        QVERIFY(!wizard.button(2)->isEnabled());
        QCOMPARE(GetSetting(u"Terminal"_s, u"Comport"_s), u"COM5"_s);
        // Found among the KR ports: no VX port was tried.
        QVERIFY(cradle.sim([](VxCradleSim &s) { return s.requests(); }).isEmpty());
        QCOMPARE(reporter.entries.size(), 1);
    }
};

QTEST_MAIN(tst_frmWizard_SearchTerminal)
#include "tst_frmwizard_searchterminal.moc"
