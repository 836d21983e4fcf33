#include "DataColumns.h"
#include "RecordingReporter.h"
#include "Settings.h"
#include "VxLogon.h"
#include "VxPasswordPrompt.h"
#include "VxSimFixture.h"
#include "ucVX700.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Answers from a list; an exhausted list cancels.
class ScriptedPrompt : public VxPasswordPrompt
{
public:
    explicit ScriptedPrompt(QStringList answers) : m_answers(std::move(answers)) {}
    bool ask(QString &password) override
    {
        ++asked;
        if (m_answers.isEmpty())
            return false;
        password = m_answers.takeFirst();
        return true;
    }
    int asked = 0;

private:
    QStringList m_answers;
};

}

// The logon procedure: stored password first, the prompt while the terminal refuses.
class tst_VxLogon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void logon_data()
    {
        addColumns<bool, bool, QStringList, bool, int, int, QStringList, QString>(
            {"withPrompt", "cradleFault", "answers", "ok", "asked", "code", "messages", "stored"});
        QTest::newRow("wrong stored, then typed password")
            << true << false << QStringList{"1111", "4242"} << true << 2 << 0 << QStringList() << u"4242"_s;
        QTest::newRow("prompt cancelled") << true << false << QStringList{"1111"} << false << 2 << -12 << QStringList()
                                          << u"none"_s;
        // Without a prompt (the headless download) a refusal ends the logon.
        QTest::newRow("no prompt") << false << false << QStringList{"4242"} << false << 0 << -12 << QStringList()
                                   << u"none"_s;
        // Refused once, then the typed password meets a cradle without its terminal.
        QTest::newRow("other error reported by name")
            << true << true << QStringList{"4242", "5555"} << false << 1
            << int(ucVX700::VX_ERR_CRADLE_TIMEOUT_OF_WAITING_TERMINAL)
            << QStringList{"VX_ERR_CRADLE_TIMEOUT_OF_WAITING_TERMINAL"} << u"none"_s;
    }

    void logon()
    {
        QFETCH(bool, withPrompt);
        QFETCH(bool, cradleFault);
        QFETCH(QStringList, answers);

        VxSimFixture sim;
        ucVX700 link;
        link.setComport(qint16(sim.port()));
        sim.sim([&](VxCradleSim &s) {
            s.setPassword(u"4242"_s);
            if (cradleFault) {
                s.setStatusOverride('D', 1);
                s.setTerminalPresent(false);
            }
        });
        RecordingReporter reporter;
        ScriptedPrompt prompt(answers);
        QTEST(VxLogon(u"7391"_s, link, withPrompt ? &prompt : nullptr), "ok");
        QTEST(prompt.asked, "asked");
        QTEST(link.ErrCode(), "code");
        QTEST(reporter.texts(), "messages");
        QTEST(GetSetting(u"Terminal"_s, u"Password"_s, u"none"_s), "stored");
        // The password given is tried before anyone is asked.
        QCOMPARE(sim.sim([](VxCradleSim &s) { return s.requests().first(); }), QByteArray("L7391"));
    }
};

QTEST_GUILESS_MAIN(tst_VxLogon)
#include "tst_vxlogon.moc"
