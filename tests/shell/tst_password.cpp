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
    void changeSavesAndTakesEffect();
    void emptyPasswordAfterChange();
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
    auto *text = dialog.template findChild<QLineEdit *>(QStringLiteral("txtPassword"));
    QVERIFY(text);
    text->clear();
    QTest::keyClicks(text, entry);
    auto *button = dialog.template findChild<QPushButton *>(QStringLiteral("cmdCtrl_%1").arg(index));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

QString storedPassword()
{
    return GetSetting(QStringLiteral("Security"), QStringLiteral("Password"), QStringLiteral("7391"));
}

}

void tst_Password::init()
{
    m_env.reset();
    m_env = std::make_unique<TestEnv>(false);
    AppState::password = QStringLiteral("7391");
}

void tst_Password::designedWidgets()
{
    frmPassword prompt;
    frmPasswordChange change;
    for (QDialog *dialog : {static_cast<QDialog *>(&prompt), static_cast<QDialog *>(&change)}) {
        auto *text = dialog->findChild<QLineEdit *>(QStringLiteral("txtPassword"));
        QCOMPARE(text->echoMode(), QLineEdit::Password);
        QCOMPARE(dialog->findChild<QLabel *>()->buddy(), text);
        QVERIFY(dialog->findChild<QPushButton *>(QStringLiteral("cmdCtrl_0"))->isDefault());
    }
    QVERIFY(!prompt.IsOK());
    QVERIFY(!change.IsOK());
}

void tst_Password::wrongEntryStaysOpen()
{
    RecordingReporter reporter;
    frmPassword dialog;
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    for (const QString &entry : {QStringLiteral("1234"), QStringLiteral("qzwx"), QStringLiteral(" 7391"),
                                 QStringLiteral("7391 "), QString()}) {
        reporter.clear();
        enterAndClick(dialog, entry, 0);
        QCOMPARE(reporter.entries.size(), 1);
        QCOMPARE(reporter.entries.first().text, QStringLiteral("Invalid password, please try again."));
        QCOMPARE(reporter.entries.first().icon, MessageReporter::Icon::Exclamation);
        QVERIFY(reporter.entries.first().title.isEmpty()); // the application's title
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.IsOK());
        auto *text = dialog.findChild<QLineEdit *>(QStringLiteral("txtPassword"));
        QCOMPARE(text->selectedText(), entry);
        QCOMPARE(text->selectionStart(), entry.isEmpty() ? -1 : 0);
        QVERIFY(text->hasFocus());
    }
    QCOMPARE(AppState::password, QStringLiteral("7391"));
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
    QCOMPARE(storedPassword(), QStringLiteral("7391")); // the prompt never writes the store

    // After the maintenance code, the earlier password no longer opens a prompt of this run.
    if (entry == QLatin1String("QZWX") && current != entry) {
        frmPassword again;
        again.show();
        enterAndClick(again, current, 0);
        QVERIFY(!again.IsOK());
        QCOMPARE(reporter.entries.size(), 1);
        enterAndClick(again, QStringLiteral("QZWX"), 0);
        QVERIFY(again.IsOK());
    }
}

void tst_Password::cancelAndCloseLeaveIsOKFalse()
{
    RecordingReporter reporter;
    {
        frmPassword dialog;
        dialog.show();
        enterAndClick(dialog, QStringLiteral("7391"), 1);
        QVERIFY(!dialog.IsOK());
        QVERIFY(!dialog.isVisible());
    }
    {
        frmPassword dialog;
        dialog.show();
        dialog.findChild<QLineEdit *>(QStringLiteral("txtPassword"))->setText(QStringLiteral("7391"));
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
    QCOMPARE(AppState::password, QStringLiteral("7391"));
}

void tst_Password::changeSavesAndTakesEffect()
{
    RecordingReporter reporter;
    frmPasswordChange change;
    change.show();
    enterAndClick(change, QStringLiteral("N3w pass"), 0);
    QVERIFY(change.IsOK());
    QVERIFY(!change.isVisible());
    QCOMPARE(storedPassword(), QStringLiteral("N3w pass"));
    QCOMPARE(AppState::password, QStringLiteral("N3w pass"));

    frmPassword prompt;
    prompt.show();
    enterAndClick(prompt, QStringLiteral("7391"), 0);
    QVERIFY(!prompt.IsOK());
    enterAndClick(prompt, QStringLiteral("N3w pass"), 0);
    QVERIFY(prompt.IsOK());
    QCOMPARE(reporter.entries.size(), 1);
}

void tst_Password::emptyPasswordAfterChange()
{
    RecordingReporter reporter;
    frmPasswordChange change;
    change.show();
    enterAndClick(change, QString(), 0);
    QVERIFY(change.IsOK());
    QCOMPARE(storedPassword(), QString()); // stored, not missing: the default does not return
    QCOMPARE(AppState::password, QString());

    frmPassword prompt;
    prompt.show();
    enterAndClick(prompt, QString(), 0);
    QVERIFY(prompt.IsOK());
    QVERIFY(reporter.entries.isEmpty());
}

void tst_Password::changeCancelledSavesNothing()
{
    frmPasswordChange change;
    change.show();
    enterAndClick(change, QStringLiteral("other"), 1);
    QVERIFY(!change.IsOK());
    QVERIFY(!QFileInfo::exists(Settings::filePath()));
    QCOMPARE(AppState::password, QStringLiteral("7391"));
}

void tst_Password::changeFailureKeepsDialogOpen()
{
    RecordingReporter reporter;
    QVERIFY(QDir().mkpath(Settings::filePath())); // the store cannot be written
    frmPasswordChange change;
    change.show();
    enterAndClick(change, QStringLiteral("other"), 0);
    QCOMPARE(reporter.entries.size(), 1);
    QVERIFY(reporter.entries.first().isFailure);
    QVERIFY(reporter.entries.first().text.contains(QLatin1String("Tavrel.conf")));
    QVERIFY(!change.IsOK());
    QVERIFY(change.isVisible());
    QCOMPARE(AppState::password, QStringLiteral("7391"));
}

QTEST_MAIN(tst_Password)
#include "tst_password.moc"
