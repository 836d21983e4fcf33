#include "AppState.h"
#include "RecordingReporter.h"
#include "Settings.h"
#include "TestEnv.h"
#include "frmPassword.h"
#include "frmPasswordChange.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_Password : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void designedWidgets();
    void wrongEntryStaysOpen();
    void acceptedEntryBecomesCurrent_data();
    void acceptedEntryBecomesCurrent();
    void cancelAndCloseLeaveIsOKFalse();
    void changeTakesEffect_data();
    void changeTakesEffect();
    void changeCancelledSavesNothing();
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

QString storedPassword()
{
    return GetSetting(u"Security"_s, u"Password"_s, u"7391"_s);
}

}

void tst_Password::init()
{
    m_env.reset();
    m_env = std::make_unique<TestEnv>(false);
    AppState::password = u"7391"_s;
}

void tst_Password::designedWidgets()
{
    frmPassword prompt;
    frmPasswordChange change;
    for (QDialog *dialog : {static_cast<QDialog *>(&prompt), static_cast<QDialog *>(&change)}) {
        auto *text = dialog->findChild<QLineEdit *>(u"txtPassword"_s);
        QCOMPARE(text->echoMode(), QLineEdit::Password);
        QCOMPARE(dialog->findChild<QLabel *>()->buddy(), text);
        QVERIFY(dialog->findChild<QPushButton *>(u"cmdCtrl_0"_s)->isDefault());
    }
    QVERIFY(!prompt.IsOK() && !change.IsOK());
}

void tst_Password::wrongEntryStaysOpen()
{
    RecordingReporter reporter;
    frmPassword dialog;
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    for (const QString &entry : {u"1234"_s, u"qzwx"_s, u" 7391"_s, u"7391 "_s, QString()}) {
        reporter.clear();
        enterAndClick(dialog, entry, 0);
        QCOMPARE(reporter.entries.size(), 1);
        QCOMPARE(reporter.entries.first().text, u"Invalid password, please try again."_s);
        QCOMPARE(reporter.entries.first().icon, MessageReporter::Icon::Exclamation);
        QVERIFY(reporter.entries.first().title.isEmpty()); // the application's title
        QVERIFY(dialog.isVisible() && !dialog.IsOK());
        auto *text = dialog.findChild<QLineEdit *>(u"txtPassword"_s);
        QCOMPARE(text->selectedText(), entry);
        QCOMPARE(text->selectionStart(), entry.isEmpty() ? -1 : 0);
        QVERIFY(text->hasFocus());
    }
    QCOMPARE(AppState::password, u"7391"_s);
}

void tst_Password::acceptedEntryBecomesCurrent_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("entry");
    QTest::newRow("stored default") << "7391" << "7391";
    QTest::newRow("maintenance code") << "7391" << "QZWX";
    QTest::newRow("maintenance code over another password") << "secret" << "QZWX";
    QTest::newRow("empty password") << "" << "";
}

void tst_Password::acceptedEntryBecomesCurrent()
{
    QFETCH(QString, current);
    QFETCH(QString, entry);
    AppState::password = current;
    RecordingReporter reporter;
    {
        frmPassword dialog;
        dialog.show();
        enterAndClick(dialog, entry, 0);
        QVERIFY(dialog.IsOK());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
    }
    QVERIFY(reporter.entries.isEmpty());
    QCOMPARE(AppState::password, entry);
    QCOMPARE(storedPassword(), u"7391"_s); // the prompt never writes the store

    // After the maintenance code, the earlier password no longer opens a prompt of this run.
    if (entry == QLatin1String("QZWX") && current != entry) {
        frmPassword again;
        again.show();
        enterAndClick(again, current, 0);
        QVERIFY(!again.IsOK());
        QCOMPARE(reporter.entries.size(), 1);
        enterAndClick(again, u"QZWX"_s, 0);
        QVERIFY(again.IsOK());
    }
}

void tst_Password::cancelAndCloseLeaveIsOKFalse()
{
    RecordingReporter reporter;
    {
        frmPassword dialog;
        dialog.show();
        enterAndClick(dialog, u"7391"_s, 1);
        QVERIFY(!dialog.IsOK());
        QVERIFY(!dialog.isVisible());
    }
    {
        frmPassword dialog;
        dialog.show();
        dialog.findChild<QLineEdit *>(u"txtPassword"_s)->setText(u"7391"_s);
        dialog.close();
        QVERIFY(!dialog.IsOK());
    }
    {
        frmPasswordChange dialog;
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.IsOK());
        QVERIFY(!dialog.isVisible());
    }
    QVERIFY(reporter.entries.isEmpty());
    QCOMPARE(AppState::password, u"7391"_s);
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
    enterAndClick(change, password, 0);
    QVERIFY(change.IsOK());
    QVERIFY(!change.isVisible());
    QCOMPARE(storedPassword(), password);
    QCOMPARE(AppState::password, password);

    frmPassword prompt;
    prompt.show();
    enterAndClick(prompt, u"7391"_s, 0);
    QVERIFY(!prompt.IsOK());
    enterAndClick(prompt, password, 0);
    QVERIFY(prompt.IsOK());
    QCOMPARE(reporter.entries.size(), 1);
}

void tst_Password::changeCancelledSavesNothing()
{
    frmPasswordChange change;
    change.show();
    enterAndClick(change, u"other"_s, 1);
    QVERIFY(!change.IsOK());
    QVERIFY(!QFileInfo::exists(Settings::filePath()));
    QCOMPARE(AppState::password, u"7391"_s);
}

void tst_Password::changeFailureKeepsDialogOpen()
{
    RecordingReporter reporter;
    QVERIFY(QDir().mkpath(Settings::filePath())); // the store cannot be written
    frmPasswordChange change;
    change.show();
    enterAndClick(change, u"other"_s, 0);
    QCOMPARE(reporter.entries.size(), 1);
    QVERIFY(reporter.entries.first().isFailure);
    QVERIFY(reporter.entries.first().text.contains(QLatin1String("Tavrel.conf")));
    QVERIFY(!change.IsOK());
    QVERIFY(change.isVisible());
    QCOMPARE(AppState::password, u"7391"_s);
}

QTEST_MAIN(tst_Password)
#include "tst_password.moc"
