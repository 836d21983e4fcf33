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

QString storedPassword()
{
    return GetSetting(u"Terminal"_s, u"Password"_s, u"none"_s);
}

}

// The logon procedure: stored password first, the prompt while the terminal refuses.
class tst_VxLogon : public QObject
{
    Q_OBJECT

    std::unique_ptr<VxSimFixture> m_sim;
    std::unique_ptr<ucVX700> m_link;

private Q_SLOTS:
    void init()
    {
        m_sim = std::make_unique<VxSimFixture>();
        m_link = std::make_unique<ucVX700>();
        m_link->setComport(qint16(m_sim->port()));
    }

    void cleanup()
    {
        m_link.reset();
        m_sim.reset();
    }

    void wrongStoredThenTypedPassword()
    {
        RecordingReporter reporter;
        m_sim->sim([](VxCradleSim &s) { s.setPassword(u"4242"_s); });
        SaveSetting(u"Terminal"_s, u"Password"_s, u"7391"_s);
        ScriptedPrompt prompt({u"1111"_s, u"4242"_s});

        QVERIFY(VxLogon(u"7391"_s, *m_link, &prompt));
        QCOMPARE(prompt.asked, 2);
        QCOMPARE(m_link->ErrCode(), 0);
        QCOMPARE(storedPassword(), u"4242"_s);
        QVERIFY(m_sim->sim([](VxCradleSim &s) { return s.isLoggedOn(); }));
        const QList<QByteArray> sent = m_sim->sim([](VxCradleSim &s) { return s.requests(); });
        QCOMPARE(sent, (QList<QByteArray>{"L7391", "L1111", "L4242"}));
        QVERIFY(reporter.entries.isEmpty());
    }

    void cancelledPrompt()
    {
        RecordingReporter reporter;
        m_sim->sim([](VxCradleSim &s) { s.setPassword(u"4242"_s); });
        ScriptedPrompt prompt({u"1111"_s});

        QVERIFY(!VxLogon(u"7391"_s, *m_link, &prompt));
        QCOMPARE(prompt.asked, 2);
        QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_TERMINAL_ACCESS_DENIED));
        QCOMPARE(storedPassword(), u"none"_s);
        QVERIFY(reporter.entries.isEmpty());
    }

    void cradleTimeoutReportedWithoutPrompt()
    {
        RecordingReporter reporter;
        m_sim->sim([](VxCradleSim &s) { s.setSilent(true); });
        m_link->setTimeout(150);
        ScriptedPrompt prompt({u"7391"_s});

        QVERIFY(!VxLogon(u"7391"_s, *m_link, &prompt));
        QCOMPARE(prompt.asked, 0);
        QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_TIMEOUT));
        QCOMPARE(reporter.texts(), QStringList{u"VX_ERR_TIMEOUT"_s});
        QCOMPARE(reporter.entries.first().icon, MessageReporter::Icon::Exclamation);
        QCOMPARE(storedPassword(), u"none"_s);
    }

    void otherErrorReportedByName()
    {
        RecordingReporter reporter;
        // The first attempt is refused; the prompt's password then meets a cradle
        // without its terminal.
        m_sim->sim([](VxCradleSim &s) {
            s.setStatusOverride('D', 1);
            s.setTerminalPresent(false);
        });
        ScriptedPrompt prompt({u"4242"_s, u"5555"_s});

        QVERIFY(!VxLogon(u"7391"_s, *m_link, &prompt));
        QCOMPARE(prompt.asked, 1);
        QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_CRADLE_TIMEOUT_OF_WAITING_TERMINAL));
        QCOMPARE(reporter.texts(), QStringList{u"VX_ERR_CRADLE_TIMEOUT_OF_WAITING_TERMINAL"_s});
        QCOMPARE(reporter.entries.first().icon, MessageReporter::Icon::Exclamation);
        QCOMPARE(storedPassword(), u"none"_s);
    }

    void installedPromptIsAsked()
    {
        m_sim->sim([](VxCradleSim &s) { s.setPassword(u"4242"_s); });
        // Without an installed prompt a refusal ends the logon.
        QVERIFY(!VxLogon(u"7391"_s, *m_link));
        QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_TERMINAL_ACCESS_DENIED));

        ScriptedPrompt prompt({u"4242"_s});
        VxPasswordPrompt *previous = VxPasswordPrompt::install(&prompt);
        QVERIFY(VxLogon(u"7391"_s, *m_link));
        VxPasswordPrompt::install(previous);
        QCOMPARE(prompt.asked, 1);
        QCOMPARE(storedPassword(), u"4242"_s);
    }
};

QTEST_GUILESS_MAIN(tst_VxLogon)
#include "tst_vxlogon.moc"
