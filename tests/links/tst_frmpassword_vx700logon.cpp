#include "CRes.h"
#include "Settings.h"
#include "TestEnv.h"
#include "VxDialogPasswordPrompt.h"
#include "frmPassword_VX700Logon.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

// The VX logon password prompt as a real dialog.
class tst_frmPassword_VX700Logon : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void builtInTextsAndMaskedField();
    void textsFollowTheLanguage();
    void okGivesTypedPassword();
    void cancelAndReopen();
    void promptShowsDialogModally();
};

namespace {

template<class W>
W *child(QWidget &parent, const char *name)
{
    W *w = parent.findChild<W *>(QLatin1String(name));
    if (!w)
        qFatal("no widget %s", name);
    return w;
}

}

void tst_frmPassword_VX700Logon::builtInTextsAndMaskedField()
{
    frmPassword_VX700Logon dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Failed on loging in VX700"));
    QLineEdit *field = child<QLineEdit>(dialog, "txtPassword");
    QCOMPARE(child<QLabel>(dialog, "lblPassword")->buddy(), field);
    QTest::keyClicks(field, QStringLiteral("73a1"));
    QCOMPARE(field->echoMode(), QLineEdit::Password);
    QCOMPARE(field->displayText(), QStringLiteral("****"));
    QCOMPARE(field->text(), QStringLiteral("73a1"));
    QVERIFY(!dialog.IsOK());
}

void tst_frmPassword_VX700Logon::textsFollowTheLanguage()
{
    TestEnv env(false);
    SaveSetting(QStringLiteral("Resource"), QStringLiteral("Language"), QStringLiteral("Japanese"));
    CRes::destroyInstance();
    {
        frmPassword_VX700Logon dialog;
        CRes &res = CRes::instance();
        QVERIFY(res.isOpen());
        QCOMPARE(dialog.windowTitle(), res.ResString(276));
        QCOMPARE(child<QLabel>(dialog, "lblMessage")->text(), res.ResString(277));
        QCOMPARE(child<QLabel>(dialog, "lblPassword")->text(), res.ResString(157));
        QVERIFY(dialog.windowTitle() != QStringLiteral("Failed on loging in VX700"));
    }
    CRes::destroyInstance();
}

void tst_frmPassword_VX700Logon::okGivesTypedPassword()
{
    frmPassword_VX700Logon dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClicks(child<QLineEdit>(dialog, "txtPassword"), QStringLiteral("4242"));
    QCOMPARE(dialog.Password(), QString()); // taken on OK only
    QTest::keyClick(child<QLineEdit>(dialog, "txtPassword"), Qt::Key_Return);
    QVERIFY(dialog.IsOK());
    QCOMPARE(dialog.Password(), QStringLiteral("4242"));
    QVERIFY(dialog.isHidden());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void tst_frmPassword_VX700Logon::cancelAndReopen()
{
    frmPassword_VX700Logon dialog;
    dialog.setPassword(QStringLiteral("7391"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QLineEdit *field = child<QLineEdit>(dialog, "txtPassword");
    QCOMPARE(field->text(), QStringLiteral("7391"));
    QTest::mouseClick(child<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
    QVERIFY(dialog.IsOK());

    // Shown again, it starts as not confirmed; Cancel keeps it so.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(!dialog.IsOK());
    QTest::keyClicks(field, QStringLiteral("9"));
    QTest::mouseClick(child<QPushButton>(dialog, "cmdCancel"), Qt::LeftButton);
    QVERIFY(!dialog.IsOK());
    QVERIFY(dialog.isHidden());
    QCOMPARE(dialog.Password(), QStringLiteral("7391"));
}


void tst_frmPassword_VX700Logon::promptShowsDialogModally()
{
    VxDialogPasswordPrompt prompt;
    bool seen = false;
    auto answer = [&seen](const QString &typed, const char *button) {
        QTimer::singleShot(0, [&seen, typed, button] {
            auto *dialog = qobject_cast<frmPassword_VX700Logon *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            seen = true;
            QTest::keyClicks(child<QLineEdit>(*dialog, "txtPassword"), typed);
            QTest::mouseClick(child<QPushButton>(*dialog, button), Qt::LeftButton);
        });
    };

    QString password = QStringLiteral("old");
    answer(QStringLiteral("5678"), "cmdOK");
    QVERIFY(prompt.ask(password));
    QVERIFY(seen);
    QCOMPARE(password, QStringLiteral("5678"));

    seen = false;
    answer(QStringLiteral("0000"), "cmdCancel");
    QVERIFY(!prompt.ask(password));
    QVERIFY(seen);
    QCOMPARE(password, QStringLiteral("5678"));
}

QTEST_MAIN(tst_frmPassword_VX700Logon)
#include "tst_frmpassword_vx700logon.moc"
