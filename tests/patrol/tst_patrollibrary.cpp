#include "PatrolLibrary.h"
#include "TestEnv.h"
#include "Workspace.h"

#include <QDir>
#include <QFile>
#include <QtTest>

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
    QFile f(QDir(folder).filePath(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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
        makeFile(Workspace::unapprovedFolder(), QLatin1String(n) + QStringLiteral(".tvl"), n);
    for (const char *n : {"d", "e"})
        makeFile(Workspace::approvedFolder(), QLatin1String(n) + QStringLiteral(".tvl"), n);
    makeFile(Workspace::unapprovedFolder(), QStringLiteral("notes.txt"), "not a patrol file");
}

}

void tst_PatrolLibrary::keysFollowTheTree_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("after");
    const QStringList start = {"UU0:a", "UU1:b", "UU2:c", "AA3:d", "AA4:e"};
    QTest::newRow("filled") << "" << "" << start;
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
    qputenv("XDG_DATA_HOME", QFile::encodeName(env.root() + QStringLiteral("/data")));
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
        makeFile(Workspace::unapprovedFolder(), QStringLiteral("n.tvl"), "n");
        QCOMPARE(library.addDownloaded(QStringLiteral("n.tvl")), QStringLiteral("UU5"));
    }
    QCOMPARE(keys(library), after);
    // The folders hold what the library says.
    PatrolLibrary reread;
    reread.refresh();
    QCOMPARE(reread.files().size(), library.files().size());
    for (const LibraryFile &f : library.files())
        QVERIFY2(QFile::exists(library.path(f.key)), qPrintable(f.name));
}

void tst_PatrolLibrary::approveNeverOverwrites()
{
    TestEnv env(false);
    const QString name = QStringLiteral("20261206 072252.tvl");
    makeFile(Workspace::approvedFolder(), name, "approved earlier");
    makeFile(Workspace::approvedFolder(), QStringLiteral("20261206 072252 (2).tvl"), "second");
    makeFile(Workspace::unapprovedFolder(), name, "new records");
    PatrolLibrary library;
    library.refresh();
    QString newKey;
    QString error;
    QVERIFY2(library.approve(QStringLiteral("UU0"), &newKey, &error), qPrintable(error));
    QCOMPARE(library.find(newKey)->name, QStringLiteral("20261206 072252 (3).tvl"));
    const QDir approved(Workspace::approvedFolder());
    QCOMPARE(contentOf(approved.filePath(name)), QByteArray("approved earlier"));
    QCOMPARE(contentOf(approved.filePath(QStringLiteral("20261206 072252 (2).tvl"))), QByteArray("second"));
    QCOMPARE(contentOf(library.path(newKey)), QByteArray("new records"));
    QVERIFY(PatrolLibrary::listFolder(Workspace::unapprovedFolder()).isEmpty());

    QString newName;
    QVERIFY(!PatrolLibrary::approveFile(QStringLiteral("../Approved/") + name, &newName, &error));
    QVERIFY(!PatrolLibrary::approveFile(QStringLiteral("missing.tvl"), &newName, &error));
    QVERIFY(error.contains(QLatin1String("missing.tvl")));
}

void tst_PatrolLibrary::deleteGoesToTheTrash()
{
    TestEnv env(false);
    const QString trash = env.root() + QStringLiteral("/data");
    qputenv("XDG_DATA_HOME", QFile::encodeName(trash));
    QDir().mkpath(trash);
    makeFile(Workspace::approvedFolder(), QStringLiteral("x.tvl"), "keep me");
    PatrolLibrary library;
    library.refresh();
    QString error;
    QVERIFY2(library.remove(QStringLiteral("AA0"), &error), qPrintable(error));
    QVERIFY(library.files().isEmpty());
    QVERIFY(!QFile::exists(QDir(Workspace::approvedFolder()).filePath(QStringLiteral("x.tvl"))));
    QCOMPARE(contentOf(trash + QStringLiteral("/Trash/files/x.tvl")), QByteArray("keep me"));
    QVERIFY(!library.remove(QStringLiteral("AA0"), &error));
}

void tst_PatrolLibrary::moveNeverReplaces()
{
    QTemporaryDir dir;
    makeFile(dir.path(), QStringLiteral("from"), "one");
    makeFile(dir.path(), QStringLiteral("to"), "two");
    QString error;
    QVERIFY(!PatrolLibrary::moveFile(dir.filePath(QStringLiteral("from")), dir.filePath(QStringLiteral("to")), &error));
    QCOMPARE(contentOf(dir.filePath(QStringLiteral("to"))), QByteArray("two"));
    QCOMPARE(contentOf(dir.filePath(QStringLiteral("from"))), QByteArray("one"));
    // /dev/shm is another file system on most machines: the copy path.
    QTemporaryDir other(QStringLiteral("/dev/shm/tavrel-XXXXXX"));
    const QString target = other.isValid() ? other.filePath(QStringLiteral("moved")) : dir.filePath(QStringLiteral("m"));
    QVERIFY2(PatrolLibrary::moveFile(dir.filePath(QStringLiteral("from")), target, &error), qPrintable(error));
    QCOMPARE(contentOf(target), QByteArray("one"));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("from"))));
}

QTEST_GUILESS_MAIN(tst_PatrolLibrary)
#include "tst_patrollibrary.moc"
