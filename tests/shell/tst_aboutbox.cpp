#include "CRes.h"
#include "RecordingReporter.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "frmAbout.h"

#include <QFile>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

// The about box's system-information button, with and without such a program on the PATH.
class tst_AboutBox : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
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

void tst_AboutBox::systemInformation_data()
{
    QTest::addColumn<QString>("installed");
    QTest::newRow("none on the path") << "";
    QTest::newRow("hardinfo") << "hardinfo";
}

void tst_AboutBox::systemInformation()
{
    QFETCH(QString, installed);
    QTemporaryDir bin;
    const QString marker = bin.filePath(u"started"_s);
    if (!installed.isEmpty()) {
        const QString program = bin.filePath(installed);
        // Written aside and renamed, so that the marker appears complete.
        QVERIFY(writeTestFile(program, u"#!/bin/sh\necho \"$0\" > '%1.new' && /bin/mv '%1.new' '%1'\n"_s.arg(marker).toUtf8()));
        QVERIFY(QFile::setPermissions(program, QFile::permissions(program) | QFileDevice::ExeOwner));
    }
    qputenv("PATH", QFile::encodeName(bin.path()));

    frmAbout about;
    about.show();
    QTest::mouseClick(about.findChild<QPushButton *>(u"cmdSysInfo"_s), Qt::LeftButton);
    if (installed.isEmpty()) {
        QCOMPARE(m_reporter->texts(), QStringList{u"System Information Is Unavailable At This Time"_s});
    } else {
        QTRY_VERIFY(QFile::exists(marker));
        QCOMPARE(readTestFile(marker).trimmed(), QFile::encodeName(bin.filePath(installed)));
        QVERIFY(m_reporter->entries.isEmpty());
    }
    QVERIFY(about.isVisible());
}

QTEST_MAIN(tst_AboutBox)
#include "tst_aboutbox.moc"
