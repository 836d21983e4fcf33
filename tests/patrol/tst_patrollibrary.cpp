#include "PatrolLibrary.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "Workspace.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_PatrolLibrary : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keysFollowTheTree_data();
    void keysFollowTheTree();
    void approveNeverOverwrites();
    void deleteGoesToTheTrash();
    void moveNeverReplaces();
};

namespace {

void makeFile(const QString &folder, const QString &name, const QByteArray &content)
{
    QVERIFY(writeTestFile(QDir(folder).filePath(name), content));
}

QStringList keys(const PatrolLibrary &library)
{
    QStringList out;
    for (const LibraryFile &f : library.files())
        out << f.key + u':' + f.name.left(1);
    return out;
}

// Three unapproved files a, b, c and two approved files d, e.
void fill()
{
    for (const char *n : {"a", "b", "c"})
        makeFile(Workspace::unapprovedFolder(), QLatin1String(n) + u".tvl"_s, n);
    for (const char *n : {"d", "e"})
        makeFile(Workspace::approvedFolder(), QLatin1String(n) + u".tvl"_s, n);
    makeFile(Workspace::unapprovedFolder(), u"notes.txt"_s, "not a patrol file");
}

}

void tst_PatrolLibrary::keysFollowTheTree_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("after");
    const QStringList start = {"UU0:a", "UU1:b", "UU2:c", "AA3:d", "AA4:e"};
    QTest::newRow("approve UU1") << "approve" << "UU1" << QStringList{"UU0:a", "UU2:c", "AA3:d", "AA4:e", "AA1:b"};
    QTest::newRow("approve approved") << "approve" << "AA3" << start;
    QTest::newRow("approve all") << "all" << "" << QStringList{"AA3:d", "AA4:e", "AA0:a", "AA1:b", "AA2:c"};
    QTest::newRow("delete") << "delete" << "UU2" << QStringList{"UU0:a", "UU1:b", "AA3:d", "AA4:e"};
    QTest::newRow("download after deletes") << "download" << "" << QStringList{"UU0:a", "UU5:n", "AA4:e"};
}

void tst_PatrolLibrary::keysFollowTheTree()
{
    QFETCH(QString, op);
    QFETCH(QString, key);
    QFETCH(QStringList, after);
    TestEnv env(false);
    qputenv("XDG_DATA_HOME", QFile::encodeName(env.root() + u"/data"_s));
    fill();
    PatrolLibrary library;
    library.refresh();
    QString error;
    QStringList newKeys;
    if (op == QLatin1String("approve")) {
        QCOMPARE(library.approve(key, nullptr, &error), key.startsWith(QLatin1String("UU")));
    } else if (op == QLatin1String("all")) {
        QVERIFY2(library.approveAll(&newKeys, &error), qPrintable(error));
        QCOMPARE(newKeys, (QStringList{"AA0", "AA1", "AA2"}));
        QVERIFY(library.approveAll(&newKeys, &error));
        QCOMPARE(newKeys.size(), 3);
    } else if (op == QLatin1String("delete")) {
        QVERIFY2(library.remove(key, &error), qPrintable(error));
    } else if (op == QLatin1String("download")) {
        for (const char *k : {"UU1", "UU2", "AA3"})
            QVERIFY(library.remove(QLatin1String(k), &error));
        makeFile(Workspace::unapprovedFolder(), u"n.tvl"_s, "n");
        QCOMPARE(library.addDownloaded(u"n.tvl"_s), u"UU5"_s);
    }
    QCOMPARE(keys(library), after);
}

void tst_PatrolLibrary::approveNeverOverwrites()
{
    TestEnv env(false);
    const QString name = u"20261206 072252.tvl"_s;
    makeFile(Workspace::approvedFolder(), name, "approved earlier");
    makeFile(Workspace::approvedFolder(), u"20261206 072252 (2).tvl"_s, "second");
    makeFile(Workspace::unapprovedFolder(), name, "new records");
    PatrolLibrary library;
    library.refresh();
    QString newKey, error;
    QVERIFY2(library.approve(u"UU0"_s, &newKey, &error), qPrintable(error));
    QCOMPARE(library.find(newKey)->name, u"20261206 072252 (3).tvl"_s);
    const QDir approved(Workspace::approvedFolder());
    QCOMPARE((QList<QByteArray>{readTestFile(approved.filePath(name)), readTestFile(approved.filePath(u"20261206 072252 (2).tvl"_s)),
                                readTestFile(library.path(newKey))}),
             (QList<QByteArray>{"approved earlier", "second", "new records"}));
    QVERIFY(PatrolLibrary::listFolder(Workspace::unapprovedFolder()).isEmpty());

    QString newName;
    QVERIFY(!PatrolLibrary::approveFile(u"../Approved/"_s + name, &newName, &error));
    QVERIFY(!PatrolLibrary::approveFile(u"missing.tvl"_s, &newName, &error));
    QVERIFY(error.contains(QLatin1String("missing.tvl")));
}

void tst_PatrolLibrary::deleteGoesToTheTrash()
{
    TestEnv env(false);
    const QString trash = env.root() + u"/data"_s;
    qputenv("XDG_DATA_HOME", QFile::encodeName(trash));
    QDir().mkpath(trash);
    makeFile(Workspace::approvedFolder(), u"x.tvl"_s, "keep me");
    PatrolLibrary library;
    library.refresh();
    QString error;
    QVERIFY2(library.remove(u"AA0"_s, &error), qPrintable(error));
    QVERIFY(library.files().isEmpty());
    QVERIFY(!QFile::exists(QDir(Workspace::approvedFolder()).filePath(u"x.tvl"_s)));
    QCOMPARE(readTestFile(trash + u"/Trash/files/x.tvl"_s), QByteArray("keep me"));
    QVERIFY(!library.remove(u"AA0"_s, &error));
}

void tst_PatrolLibrary::moveNeverReplaces()
{
    QTemporaryDir dir;
    makeFile(dir.path(), u"from"_s, "one");
    makeFile(dir.path(), u"to"_s, "two");
    QString error;
    QVERIFY(!PatrolLibrary::moveFile(dir.filePath(u"from"_s), dir.filePath(u"to"_s), &error));
    QCOMPARE((QList<QByteArray>{readTestFile(dir.filePath(u"to"_s)), readTestFile(dir.filePath(u"from"_s))}),
             (QList<QByteArray>{"two", "one"}));
    // /dev/shm is another file system on most machines: the copy path.
    QTemporaryDir other(u"/dev/shm/tavrel-XXXXXX"_s);
    const QString target = other.isValid() ? other.filePath(u"moved"_s) : dir.filePath(u"m"_s);
    QVERIFY2(PatrolLibrary::moveFile(dir.filePath(u"from"_s), target, &error), qPrintable(error));
    QCOMPARE(readTestFile(target), QByteArray("one"));
    QVERIFY(!QFile::exists(dir.filePath(u"from"_s)));
}

QTEST_GUILESS_MAIN(tst_PatrolLibrary)
#include "tst_patrollibrary.moc"
