#include "ApplicationPassword.h"
#include "RecordingReporter.h"
#include "Settings.h"
#include "TestEnv.h"
#include "frmPassword.h"
#include "frmPasswordChange.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_Password : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void promptEntry_data();
    void promptEntry();
    void cancelChangesNothing();
    void maintenanceCodeSwitchedOff();
    void changeTakesEffect_data();
    void changeTakesEffect();
    void changeRefusesDifferingEntries();
    void changeFailureKeepsDialogOpen();

private:
    std::unique_ptr<TestEnv> m_env;
};

namespace {

// Types `entry` into the dialog's entry and clicks button `index` of cmdCtrl.
template<typename Dialog>
void enterAndClick(Dialog &dialog, const QString &entry, int index)
{
    auto *text = dialog.template findChild<QLineEdit *>(u"txtPassword"_s);
    QVERIFY(text);
    text->clear();
    QTest::keyClicks(text, entry);
    auto *button = dialog.template findChild<QPushButton *>(u"cmdCtrl_%1"_s.arg(index));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

// Types the new password and its confirmation into the change dialog and clicks OK.
void changeTo(frmPasswordChange &dialog, const QString &entry, const QString &confirmation)
{
    QTest::keyClicks(dialog.findChild<QLineEdit *>(u"txtConfirm"_s), confirmation);
    enterAndClick(dialog, entry, 0);
}

QString storedPassword()
{
    return GetSetting(u"Security"_s, u"Password"_s, u"7391"_s);
}

}

void tst_Password::init()
{
    m_env.reset();
    m_env = std::make_unique<TestEnv>(false);
    ApplicationPassword::setCurrent(u"7391"_s);
}

void tst_Password::promptEntry_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("wrong") << "7391" << "1234" << false;
    // Neither spaces are trimmed nor is the maintenance code's case ignored.
    QTest::newRow("trailing space") << "7391" << "7391 " << false;
    QTest::newRow("maintenance code in lower case") << "7391" << "qzwx" << false;
    QTest::newRow("empty entry") << "7391" << "" << false;
    QTest::newRow("current password") << "7391" << "7391" << true;
    QTest::newRow("maintenance code over another password") << "secret" << "QZWX" << true;
    QTest::newRow("empty password") << "" << "" << true;
}

void tst_Password::promptEntry()
{
    QFETCH(QString, current);
    QFETCH(QString, entry);
    QFETCH(bool, accepted);
    ApplicationPassword::setCurrent(current);
    RecordingReporter reporter;
    frmPassword dialog;
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto *text = dialog.findChild<QLineEdit *>(u"txtPassword"_s);
    QCOMPARE(text->echoMode(), QLineEdit::Password);
    enterAndClick(dialog, entry, 0);
    QCOMPARE(dialog.IsOK(), accepted);
    QCOMPARE(dialog.isVisible(), !accepted);
    // An accepted entry is the password of this run; the prompt never writes the store.
    QCOMPARE(ApplicationPassword::current(), accepted ? entry : current);
    QCOMPARE(storedPassword(), u"7391"_s);
    QCOMPARE(reporter.texts(), accepted ? QStringList() : QStringList{u"Invalid password, please try again."_s});
    // A refused entry is selected, ready to be typed over.
    if (!accepted)
        QVERIFY(text->selectedText() == entry && text->hasFocus());
}

void tst_Password::maintenanceCodeSwitchedOff()
{
    QVERIFY(SaveSetting(u"Security"_s, u"MaintenanceCode"_s, u"0"_s));
    ApplicationPassword::setCurrent(u"secret"_s);
    RecordingReporter reporter;
    frmPassword prompt;
    prompt.show();
    enterAndClick(prompt, u"QZWX"_s, 0);
    QVERIFY(!prompt.IsOK());
}

void tst_Password::cancelChangesNothing()
{
    RecordingReporter reporter;
    frmPassword prompt;
    prompt.show();
    enterAndClick(prompt, u"7391"_s, 1);
    QVERIFY(!prompt.IsOK() && !prompt.isVisible());
    frmPasswordChange change;
    change.show();
    enterAndClick(change, u"other"_s, 1);
    QVERIFY(!change.IsOK() && !change.isVisible());
    QVERIFY(!QFileInfo::exists(Settings::filePath()));
    QVERIFY(reporter.entries.isEmpty());
    QCOMPARE(ApplicationPassword::current(), u"7391"_s);
}

void tst_Password::changeTakesEffect_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("new password") << "N3w pass";
    // Stored, not missing: the default does not return.
    QTest::newRow("empty password") << "";
}

void tst_Password::changeTakesEffect()
{
    QFETCH(QString, password);
    RecordingReporter reporter;
    frmPasswordChange change;
    change.show();
    QCOMPARE(change.findChild<QLineEdit *>(u"txtPassword"_s)->echoMode(), QLineEdit::Password);
    changeTo(change, password, password);
    QVERIFY(change.IsOK() && !change.isVisible());
    QCOMPARE(reporter.texts(), QStringList{u"The password has been changed."_s});
    QCOMPARE(storedPassword(), password);
    QCOMPARE(ApplicationPassword::current(), password);

    frmPassword prompt;
    prompt.show();
    enterAndClick(prompt, u"7391"_s, 0);
    QVERIFY(!prompt.IsOK());
    enterAndClick(prompt, password, 0);
    QVERIFY(prompt.IsOK());
    QCOMPARE(reporter.entries.size(), 2);
}

void tst_Password::changeRefusesDifferingEntries()
{
    RecordingReporter reporter;
    frmPasswordChange change;
    change.show();
    changeTo(change, u"N3w pass"_s, u"N3w pas"_s);
    QCOMPARE(reporter.texts(), QStringList{u"The two entries differ. Please type the new password twice."_s});
    QVERIFY(!change.IsOK() && change.isVisible());
    QCOMPARE(storedPassword(), u"7391"_s);
}

void tst_Password::changeFailureKeepsDialogOpen()
{
    RecordingReporter reporter;
    QVERIFY(QDir().mkpath(Settings::filePath())); // the store cannot be written
    frmPasswordChange change;
    change.show();
    changeTo(change, u"other"_s, u"other"_s);
    QCOMPARE(reporter.entries.size(), 1);
    QVERIFY(reporter.entries.first().isFailure);
    QVERIFY(reporter.entries.first().text.contains(QLatin1String("Tavrel.conf")));
    QVERIFY(!change.IsOK() && change.isVisible());
    QCOMPARE(ApplicationPassword::current(), u"7391"_s);
}

QTEST_MAIN(tst_Password)
#include "tst_password.moc"
