#include "AtomicFile.h"
#include "FileSizeLimit.h"
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
    void failureOrAbandonLeavesTheOldFileAlone_data();
    void failureOrAbandonLeavesTheOldFileAlone();
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
    // A writer that takes a file name reaches the same temporary file.
    QFile byName(file.temporaryPath());
    QVERIFY(byName.open(QIODevice::WriteOnly));
    QCOMPARE(byName.write("by name, "), 9);
    byName.close();
    QVERIFY(file.device().seek(9));
    QVERIFY(file.write("then appended"));
    QVERIFY2(file.commit(&error), qPrintable(error));
    QCOMPARE(readTestFile(target), QByteArray("by name, then appended"));
    QCOMPARE(QFile::permissions(target), mode);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"out.txt"_s});
    // Through a link the linked file is replaced and the link stays.
    const QString link = dir.filePath(u"link.txt"_s);
    QVERIFY(QFile::link(target, link));
    QVERIFY2(AtomicFile::writeFile(link, "via the link", &error), qPrintable(error));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readTestFile(target), QByteArray("via the link"));
}

void tst_AtomicFile::failureOrAbandonLeavesTheOldFileAlone_data()
{
    QTest::addColumn<bool>("full");
    QTest::newRow("full disk") << true;
    // Nothing is named while the file is written, so a killed writer leaves nothing either.
    QTest::newRow("abandoned while writing") << false;
}

void tst_AtomicFile::failureOrAbandonLeavesTheOldFileAlone()
{
    QFETCH(bool, full);
    QTemporaryDir dir;
    const QString target = dir.filePath(QString(250, u'n'));
    QVERIFY(writeTestFile(target, "OLD"));
    QString error;
    {
        AtomicFile file(target);
        QVERIFY2(file.open(&error), qPrintable(error));
        FileSizeLimit limit(full ? 1 : -1);
        file.write("a small export");
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
        if (full) {
            QVERIFY(!file.commit(&error));
            QVERIFY2(error.startsWith(u"Cannot write "_s + target) && error.contains(u"File too large"_s),
                     qPrintable(error));
        }
    }
    QCOMPARE(readTestFile(target), QByteArray("OLD"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QString(250, u'n')});
}

QTEST_GUILESS_MAIN(tst_AtomicFile)
#include "tst_atomicfile.moc"
