#include "AtomicFile.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

// A file written for the user replaces its target whole or not at all.
class tst_AtomicFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void replacesWholeKeepingTheMode();
};

void tst_AtomicFile::replacesWholeKeepingTheMode()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"out.txt"_s);
    QVERIFY(writeTestFile(target, "OLD"));
    QVERIFY(QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));
    const QFileDevice::Permissions mode = QFile::permissions(target);
    QString error;
    AtomicFile file(target);
    QVERIFY2(file.open(&error), qPrintable(error));
    QVERIFY(file.write("new"));
    // Nothing is named while the file is written, so a killed writer leaves nothing.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"out.txt"_s});
    QCOMPARE(readTestFile(target), QByteArray("OLD"));
    QVERIFY2(file.commit(&error), qPrintable(error));
    QCOMPARE(readTestFile(target), QByteArray("new"));
    QCOMPARE(QFile::permissions(target), mode);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"out.txt"_s});
    // Through a link the linked file is replaced and the link stays.
    const QString link = dir.filePath(u"link.txt"_s);
    QVERIFY(QFile::link(target, link));
    QVERIFY2(AtomicFile::writeFile(link, "via the link", &error), qPrintable(error));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readTestFile(target), QByteArray("via the link"));
}

QTEST_GUILESS_MAIN(tst_AtomicFile)
#include "tst_atomicfile.moc"
