#include "CRes.h"
#include "RecordingReporter.h"
#include "TestEnv.h"
#include "frmPassword.h"
#include "frmPasswordChange.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

// The two password dialogs in each shipped language: the numbered texts
// arrive, fit their widgets and are drawn in the language's face.
class tst_PasswordLanguages : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void dialogs_data();
    void dialogs();

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<RecordingReporter> m_reporter;
};

void tst_PasswordLanguages::init()
{
    m_env = std::make_unique<TestEnv>(false);
    m_reporter = std::make_unique<RecordingReporter>();
}

void tst_PasswordLanguages::cleanup()
{
    CRes::destroyInstance();
    m_reporter.reset();
    m_env.reset();
}

void tst_PasswordLanguages::dialogs_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("face");
    QTest::newRow("English") << "English" << "DejaVu Sans";
    QTest::newRow("Traditional Chinese") << "Traditional Chinese" << "Noto Sans CJK TC";
    QTest::newRow("Japanese") << "Japanese" << "Noto Sans CJK JP";
}

void tst_PasswordLanguages::dialogs()
{
    QFETCH(QString, language);
    QFETCH(QString, face);
    CRes &res = CRes::instance();
    res.setLanguage(language);
    frmPassword password;
    frmPasswordChange change;
    for (QDialog *dialog : std::initializer_list<QDialog *>{&password, &change}) {
        res.SetFormInterface(dialog);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        for (const auto &[name, number] : {std::pair{"lblPassword", 157}, {"cmdCtrl_0", 8}, {"cmdCtrl_1", 9}}) {
            auto *widget = dialog->findChild<QWidget *>(QLatin1String(name));
            QVERIFY(widget);
            QString shown = res.ResString(number);
            QCOMPARE(widget->property("text").toString(), shown);
            shown.remove(QLatin1Char('&'));
            const int needed = QFontMetrics(widget->font()).horizontalAdvance(shown);
            QVERIFY2(needed <= widget->contentsRect().width(),
                     qPrintable(u"\"%1\" needs %2 px, %3 has %4"_s.arg(shown).arg(needed).arg(name).arg(widget->contentsRect().width())));
            QCOMPARE(widget->font().family(), face);
        }
        if (QFontDatabase::hasFamily(face))
            QCOMPARE(QFontInfo(dialog->font()).family(), face);
    }
    QVERIFY(m_reporter->entries.isEmpty());
}

QTEST_MAIN(tst_PasswordLanguages)
#include "tst_passwordlanguages.moc"
