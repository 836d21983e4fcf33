#include "TestFiles.h"
#include "Workspace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_Workspace : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void resolutionOrder();
    void onlyANewWorkspaceIsFilled();
};

void tst_Workspace::resolutionOrder()
{
    QTemporaryDir tmp;
    const QString exe = tmp.filePath(u"bin"_s);
    const QString fromEnv = tmp.filePath(u"env"_s);
    const QString data = tmp.filePath(u"data"_s);
    QVERIFY(QDir().mkpath(exe));
    qputenv("XDG_DATA_HOME", data.toLocal8Bit());
    qunsetenv("TAVREL_WORKSPACE");

    // Nothing given and an executable folder without databases: the per-user data folder.
    QCOMPARE(Workspace::resolve(QString(), exe), data + u"/Tavrel"_s);
    // A portable install: the executable folder holds the marker or the database.
    QVERIFY(writeTestFile(exe + u"/FirstLoad.txt"_s, {}));
    QCOMPARE(Workspace::resolve(QString(), exe), exe);
    QVERIFY(QFile::rename(exe + u"/FirstLoad.txt"_s, exe + u"/tvl.mdb"_s));
    QCOMPARE(Workspace::resolve(QString(), exe), exe);
    // The environment wins over the executable folder, the option over both.
    qputenv("TAVREL_WORKSPACE", fromEnv.toLocal8Bit());
    QCOMPARE(Workspace::resolve(QString(), exe), fromEnv);
    QCOMPARE(Workspace::resolve(tmp.filePath(u"given/../opt"_s), exe), tmp.filePath(u"opt"_s));
    qunsetenv("TAVREL_WORKSPACE");
    qunsetenv("XDG_DATA_HOME");
}

void tst_Workspace::onlyANewWorkspaceIsFilled()
{
    QTemporaryDir tmp;
    // A missing folder, parents included, and an empty one are new workspaces.
    QVERIFY(QDir().mkdir(tmp.filePath(u"empty"_s)));
    for (const QString &folder : {tmp.filePath(u"a/b/ws"_s), tmp.filePath(u"empty"_s)}) {
        QVERIFY(Workspace::createIfMissing(folder, nullptr));
        QVERIFY(QFileInfo(folder + u"/Unapproved"_s).isDir() && QFileInfo(folder + u"/Approved"_s).isDir());
        Workspace::setCurrent(folder);
        QVERIFY(IsFirstLoad());
    }
    // A folder that holds a database gets nothing added.
    QVERIFY(writeTestFile(tmp.filePath(u"tvl.mdb"_s), {}));
    QVERIFY(Workspace::createIfMissing(tmp.path(), nullptr));
    Workspace::setCurrent(tmp.path());
    QVERIFY(!IsFirstLoad() && !QFileInfo::exists(tmp.filePath(u"Unapproved"_s)));
    // A path through a plain file cannot become one.
    QString error;
    QVERIFY(!Workspace::createIfMissing(tmp.filePath(u"tvl.mdb/ws"_s), &error));
    QVERIFY(error.contains(QLatin1String("tvl.mdb/ws")));
}

QTEST_GUILESS_MAIN(tst_Workspace)
#include "tst_workspace.moc"
