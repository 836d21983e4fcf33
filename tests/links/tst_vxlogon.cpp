#include "RecordingReporter.h"
#include "Settings.h"
#include "VxLogon.h"
#include "VxPasswordPrompt.h"
#include "VxSimFixture.h"
#include "ucVX700.h"

#include <QtTest>

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
    return GetSetting(QStringLiteral("Terminal"), QStringLiteral("Password"), QStringLiteral("none"));
}

}

// The logon procedure: stored password first, the prompt while the terminal refuses.
class tst_VxLogon : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void wrongStoredThenTypedPassword();
    void cancelledPrompt();
    void cradleTimeoutReportedWithoutPrompt();
    void otherErrorReportedByName();
    void installedPromptIsAsked();

private:
    std::unique_ptr<VxSimFixture> m_sim;
    std::unique_ptr<ucVX700> m_link;
};

void tst_VxLogon::init()
{
    m_sim = std::make_unique<VxSimFixture>();
    m_link = std::make_unique<ucVX700>();
    m_link->setComport(qint16(m_sim->port()));
}

void tst_VxLogon::cleanup()
{
    m_link.reset();
    m_sim.reset();
}

void tst_VxLogon::wrongStoredThenTypedPassword()
{
    RecordingReporter reporter;
    m_sim->sim([](VxCradleSim &s) { s.setPassword(QStringLiteral("4242")); });
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Password"), QStringLiteral("7391"));
    ScriptedPrompt prompt({QStringLiteral("1111"), QStringLiteral("4242")});

    QVERIFY(VxLogon(QStringLiteral("7391"), *m_link, &prompt));
    QCOMPARE(prompt.asked, 2);
    QCOMPARE(m_link->ErrCode(), 0);
    QCOMPARE(storedPassword(), QStringLiteral("4242"));
    QVERIFY(m_sim->sim([](VxCradleSim &s) { return s.isLoggedOn(); }));
    const QList<QByteArray> sent = m_sim->sim([](VxCradleSim &s) { return s.requests(); });
    QCOMPARE(sent, (QList<QByteArray>{"L7391", "L1111", "L4242"}));
    QVERIFY(reporter.entries.isEmpty());
}

void tst_VxLogon::cancelledPrompt()
{
    RecordingReporter reporter;
    m_sim->sim([](VxCradleSim &s) { s.setPassword(QStringLiteral("4242")); });
    ScriptedPrompt prompt({QStringLiteral("1111")});

    QVERIFY(!VxLogon(QStringLiteral("7391"), *m_link, &prompt));
    QCOMPARE(prompt.asked, 2);
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_TERMINAL_ACCESS_DENIED));
    QCOMPARE(storedPassword(), QStringLiteral("none"));
    QVERIFY(reporter.entries.isEmpty());
}

void tst_VxLogon::cradleTimeoutReportedWithoutPrompt()
{
    RecordingReporter reporter;
    m_sim->sim([](VxCradleSim &s) { s.setSilent(true); });
    m_link->setTimeout(150);
    ScriptedPrompt prompt({QStringLiteral("7391")});

    QVERIFY(!VxLogon(QStringLiteral("7391"), *m_link, &prompt));
    QCOMPARE(prompt.asked, 0);
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_TIMEOUT));
    QCOMPARE(reporter.texts(), QStringList{QStringLiteral("VX_ERR_TIMEOUT")});
    QCOMPARE(reporter.entries.first().icon, MessageReporter::Icon::Exclamation);
    QCOMPARE(storedPassword(), QStringLiteral("none"));
}

void tst_VxLogon::otherErrorReportedByName()
{
    RecordingReporter reporter;
    // The first attempt is refused; the prompt's password then meets a cradle
    // without its terminal.
    m_sim->sim([](VxCradleSim &s) {
        s.setStatusOverride('D', 1);
        s.setTerminalPresent(false);
    });
    ScriptedPrompt prompt({QStringLiteral("4242"), QStringLiteral("5555")});

    QVERIFY(!VxLogon(QStringLiteral("7391"), *m_link, &prompt));
    QCOMPARE(prompt.asked, 1);
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_CRADLE_TIMEOUT_OF_WAITING_TERMINAL));
    QCOMPARE(reporter.texts(), QStringList{QStringLiteral("VX_ERR_CRADLE_TIMEOUT_OF_WAITING_TERMINAL")});
    QCOMPARE(reporter.entries.first().icon, MessageReporter::Icon::Exclamation);
    QCOMPARE(storedPassword(), QStringLiteral("none"));
}

void tst_VxLogon::installedPromptIsAsked()
{
    m_sim->sim([](VxCradleSim &s) { s.setPassword(QStringLiteral("4242")); });
    // Without an installed prompt a refusal ends the logon.
    QVERIFY(!VxLogon(QStringLiteral("7391"), *m_link));
    QCOMPARE(m_link->ErrCode(), int(ucVX700::VX_ERR_TERMINAL_ACCESS_DENIED));

    ScriptedPrompt prompt({QStringLiteral("4242")});
    VxPasswordPrompt *previous = VxPasswordPrompt::install(&prompt);
    QVERIFY(VxLogon(QStringLiteral("7391"), *m_link));
    VxPasswordPrompt::install(previous);
    QCOMPARE(prompt.asked, 1);
    QCOMPARE(storedPassword(), QStringLiteral("4242"));
}

QTEST_GUILESS_MAIN(tst_VxLogon)
#include "tst_vxlogon.moc"
