#include "CRes.h"
#include "ModalAnswer.h"
#include "Settings.h"
#include "TestEnv.h"
#include "VxDialogPasswordPrompt.h"
#include "frmPassword_VX700Logon.h"

#include <QLineEdit>
#include <QPushButton>
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
    void cleanup() { cancelModalAnswers(); }

    void typedPasswordMaskedAndTakenOnOk()
    {
        frmPassword_VX700Logon dialog;
        dialog.setPassword(u"7391"_s);
        QVERIFY(shown(dialog));
        QLineEdit *field = child<QLineEdit>(dialog, "txtPassword");
        // Typing replaces the given password; one "*" per character.
        QTest::keyClicks(field, u"73a1"_s);
        QCOMPARE(field->displayText(), u"****"_s);
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(dialog.IsOK());
        QCOMPARE(dialog.Password(), u"73a1"_s);

        // Shown again, it starts as not confirmed; Cancel keeps it so.
        QVERIFY(shown(dialog));
        QVERIFY(!dialog.IsOK());
        QTest::keyClicks(field, u"9"_s);
        QTest::mouseClick(child<QPushButton>(dialog, "cmdCancel"), Qt::LeftButton);
        QVERIFY(!dialog.IsOK());
        QCOMPARE(dialog.Password(), u"73a1"_s);
    }

    void textsFollowTheLanguage()
    {
        TestEnv env(false);
        SaveSetting(u"Resource"_s, u"Language"_s, u"Japanese"_s);
        CRes::destroyInstance();
        {
            frmPassword_VX700Logon dialog;
            QCOMPARE(dialog.windowTitle(), CRes::instance().ResString(276));
            QVERIFY(dialog.windowTitle() != u"Failed on loging in VX700"_s);
        }
        CRes::destroyInstance();
    }

    void promptShowsDialogModally()
    {
        VxDialogPasswordPrompt prompt;
        const auto answer = [](const QString &typed, const char *button) {
            whenModal<frmPassword_VX700Logon>([typed, button](frmPassword_VX700Logon *dialog) {
                QTest::keyClicks(child<QLineEdit>(*dialog, "txtPassword"), typed);
                QTest::mouseClick(child<QPushButton>(*dialog, button), Qt::LeftButton);
            });
        };

        QString password = u"old"_s;
        answer(u"5678"_s, "cmdOK");
        QVERIFY(prompt.ask(password));
        QCOMPARE(password, u"5678"_s);
        answer(u"0000"_s, "cmdCancel");
        QVERIFY(!prompt.ask(password));
        QCOMPARE(password, u"5678"_s);
    }
};

QTEST_MAIN(tst_frmPassword_VX700Logon)
#include "tst_frmpassword_vx700logon.moc"
