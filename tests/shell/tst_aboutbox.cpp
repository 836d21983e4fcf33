#include "AboutText.h"
#include "CRes.h"
#include "RecordingReporter.h"
#include "SystemInfo.h"
#include "TestEnv.h"
#include "frmAbout.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <memory>

// The about box: its version line, its texts in each shipped language and the
// system-information button with and without such a program on the PATH.
class tst_AboutBox : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void versionLine();
    void textsInEachLanguage_data();
    void textsInEachLanguage();
    void systemInformation_data();
    void systemInformation();

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<RecordingReporter> m_reporter;
    QByteArray m_path;
};

void tst_AboutBox::init()
{
    m_env = std::make_unique<TestEnv>(false);
    m_reporter = std::make_unique<RecordingReporter>();
    m_path = qgetenv("PATH");
}

void tst_AboutBox::cleanup()
{
    qputenv("PATH", m_path);
    CRes::destroyInstance();
    m_reporter.reset();
    m_env.reset();
}

void tst_AboutBox::versionLine()
{
    QCOMPARE(AboutText::versionLine(QStringLiteral("Version"), 2, 1, 15), QStringLiteral("Version: V2.1R15"));
    QCOMPARE(AboutText::versionLine(QStringLiteral("バージョン"), 10, 0, 3), QStringLiteral("バージョン: V10.0R3"));
}

void tst_AboutBox::textsInEachLanguage_data()
{
    QTest::addColumn<QString>("language");
    for (const char *language : {"English", "Traditional Chinese", "Japanese"})
        QTest::newRow(language) << QString::fromLatin1(language);
}

void tst_AboutBox::textsInEachLanguage()
{
    QFETCH(QString, language);
    CRes &res = CRes::instance();
    res.setLanguage(language);
    frmAbout about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QCOMPARE(about.windowTitle(), QStringLiteral("About ") + res.ResString(266));
    const QList<QPair<const char *, QString>> texts = {
        {"lblTitle", res.ResString(266)},       {"lblVersion", AboutText::versionLine(res.ResString(143))},
        {"lblDescription", res.ResString(278)}, {"lblDisclaimer", res.ResString(279)},
        {"cmdOK", res.ResString(8)},            {"cmdSysInfo", res.ResString(141)}};
    for (const auto &[name, text] : texts) {
        QWidget *w = about.findChild<QWidget *>(QLatin1String(name));
        QCOMPARE(w->property("text").toString(), text);
        // Nothing clipped: every text gets the room it asks for.
        auto *label = qobject_cast<QLabel *>(w);
        QVERIFY2(label && label->wordWrap() ? w->height() >= label->heightForWidth(w->width())
                                            : w->width() >= w->sizeHint().width(),
                 name);
    }
    QVERIFY(about.findChild<QLabel *>(QStringLiteral("lblTitle"))->font().bold());
    QTest::mouseClick(about.findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
    QVERIFY(!about.isVisible());
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_AboutBox::systemInformation_data()
{
    QTest::addColumn<QString>("installed");
    QTest::newRow("none on the path") << "";
    QTest::newRow("hardinfo") << "hardinfo";
    QTest::newRow("gnome-system-monitor") << "gnome-system-monitor";
}

void tst_AboutBox::systemInformation()
{
    QFETCH(QString, installed);
    QTemporaryDir bin;
    const QString marker = bin.filePath(QStringLiteral("started"));
    if (!installed.isEmpty()) {
        QFile program(bin.filePath(installed));
        QVERIFY(program.open(QIODevice::WriteOnly));
        program.write(QStringLiteral("#!/bin/sh\necho \"$0\" > '%1'\n").arg(marker).toUtf8());
        program.close();
        QVERIFY(program.setPermissions(program.permissions() | QFileDevice::ExeOwner));
    }
    qputenv("PATH", QFile::encodeName(bin.path()));
    QCOMPARE(SystemInfo::findProgram().isEmpty(), installed.isEmpty());

    frmAbout about;
    about.show();
    QTest::mouseClick(about.findChild<QPushButton *>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);
    if (installed.isEmpty()) {
        QCOMPARE(m_reporter->texts(), QStringList{QStringLiteral("System Information Is Unavailable At This Time")});
    } else {
        QTRY_VERIFY(QFile::exists(marker));
        QFile started(marker);
        QVERIFY(started.open(QIODevice::ReadOnly));
        QCOMPARE(started.readAll().trimmed(), QFile::encodeName(bin.filePath(installed)));
        QVERIFY(m_reporter->entries.isEmpty());
    }
    QVERIFY(about.isVisible());
}

QTEST_MAIN(tst_AboutBox)
#include "tst_aboutbox.moc"
