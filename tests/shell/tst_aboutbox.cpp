#include "CRes.h"
#include "RecordingReporter.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "frmAbout.h"

#include <QFile>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;

// The about box's system-information button, without and then with such a program on the PATH.
class tst_AboutBox : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void systemInformation();
};

void tst_AboutBox::systemInformation()
{
    TestEnv env(false);
    RecordingReporter reporter;
    QTemporaryDir bin;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()));
    frmAbout about;
    about.show();
    auto *button = about.findChild<QPushButton *>(u"cmdSysInfo"_s);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(reporter.texts(), QStringList{u"System Information Is Unavailable At This Time"_s});

    reporter.clear();
    const QString program = bin.filePath(u"hardinfo"_s);
    const QString marker = bin.filePath(u"started"_s);
    // Written aside and renamed, so that the marker appears complete.
    QVERIFY(writeTestFile(program, u"#!/bin/sh\necho \"$0\" > '%1.new' && /bin/mv '%1.new' '%1'\n"_s.arg(marker).toUtf8()));
    QVERIFY(QFile::setPermissions(program, QFile::permissions(program) | QFileDevice::ExeOwner));
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(QFile::exists(marker));
    QCOMPARE(readTestFile(marker).trimmed(), QFile::encodeName(program));
    QVERIFY(reporter.entries.isEmpty() && about.isVisible());
    qputenv("PATH", path);
    CRes::destroyInstance();
}

QTEST_MAIN(tst_AboutBox)
#include "tst_aboutbox.moc"
