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

using namespace Qt::StringLiterals;

namespace {

template<class W>
W *child(QWidget &parent, const char *name)
{
    W *w = parent.findChild<W *>(QLatin1String(name));
    if (!w)
        qFatal("no widget %s", name);
    return w;
}

bool shown(QWidget &dialog)
{
    dialog.show();
    return QTest::qWaitForWindowExposed(&dialog);
}

}

// The VX logon password prompt as a real dialog.
class tst_frmPassword_VX700Logon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void builtInTextsAndMaskedField()
    {
        frmPassword_VX700Logon dialog;
        QVERIFY(shown(dialog));
        QCOMPARE(dialog.windowTitle(), u"Failed on loging in VX700"_s);
        QLineEdit *field = child<QLineEdit>(dialog, "txtPassword");
        QCOMPARE(child<QLabel>(dialog, "lblPassword")->buddy(), field);
        QTest::keyClicks(field, u"73a1"_s);
        QCOMPARE(field->echoMode(), QLineEdit::Password);
        QCOMPARE(field->displayText(), u"****"_s);
        QCOMPARE(field->text(), u"73a1"_s);
        QVERIFY(!dialog.IsOK());
    }

    void textsFollowTheLanguage()
    {
        TestEnv env(false);
        SaveSetting(u"Resource"_s, u"Language"_s, u"Japanese"_s);
        CRes::destroyInstance();
        {
            frmPassword_VX700Logon dialog;
            CRes &res = CRes::instance();
            QVERIFY(res.isOpen());
            QCOMPARE(dialog.windowTitle(), res.ResString(276));
            QCOMPARE(child<QLabel>(dialog, "lblMessage")->text(), res.ResString(277));
            QCOMPARE(child<QLabel>(dialog, "lblPassword")->text(), res.ResString(157));
            QVERIFY(dialog.windowTitle() != u"Failed on loging in VX700"_s);
        }
        CRes::destroyInstance();
    }

    void okGivesTypedPassword()
    {
        frmPassword_VX700Logon dialog;
        QVERIFY(shown(dialog));
        QTest::keyClicks(child<QLineEdit>(dialog, "txtPassword"), u"4242"_s);
        QCOMPARE(dialog.Password(), QString()); // taken on OK only
        QTest::keyClick(child<QLineEdit>(dialog, "txtPassword"), Qt::Key_Return);
        QVERIFY(dialog.IsOK());
        QCOMPARE(dialog.Password(), u"4242"_s);
        QVERIFY(dialog.isHidden());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void cancelAndReopen()
    {
        frmPassword_VX700Logon dialog;
        dialog.setPassword(u"7391"_s);
        QVERIFY(shown(dialog));
        QLineEdit *field = child<QLineEdit>(dialog, "txtPassword");
        QCOMPARE(field->text(), u"7391"_s);
        QTest::mouseClick(child<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
        QVERIFY(dialog.IsOK());

        // Shown again, it starts as not confirmed; Cancel keeps it so.
        QVERIFY(shown(dialog));
        QVERIFY(!dialog.IsOK());
        QTest::keyClicks(field, u"9"_s);
        QTest::mouseClick(child<QPushButton>(dialog, "cmdCancel"), Qt::LeftButton);
        QVERIFY(!dialog.IsOK());
        QVERIFY(dialog.isHidden());
        QCOMPARE(dialog.Password(), u"7391"_s);
    }

    void promptShowsDialogModally()
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

        QString password = u"old"_s;
        answer(u"5678"_s, "cmdOK");
        QVERIFY(prompt.ask(password));
        QVERIFY(seen);
        QCOMPARE(password, u"5678"_s);

        seen = false;
        answer(u"0000"_s, "cmdCancel");
        QVERIFY(!prompt.ask(password));
        QVERIFY(seen);
        QCOMPARE(password, u"5678"_s);
    }
};

QTEST_MAIN(tst_frmPassword_VX700Logon)
#include "tst_frmpassword_vx700logon.moc"
