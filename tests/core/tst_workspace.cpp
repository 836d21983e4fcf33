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
    void newWorkspaceIsCreatedComplete();
    void existingWorkspaceIsLeftAlone();
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
    QFile::remove(exe + u"/FirstLoad.txt"_s);
    QVERIFY(writeTestFile(exe + u"/tvl.mdb"_s, {}));
    QCOMPARE(Workspace::resolve(QString(), exe), exe);
    // The environment wins over the executable folder, the option over both.
    qputenv("TAVREL_WORKSPACE", fromEnv.toLocal8Bit());
    QCOMPARE(Workspace::resolve(QString(), exe), fromEnv);
    QCOMPARE(Workspace::resolve(tmp.filePath(u"given/../opt"_s), exe), tmp.filePath(u"opt"_s));
    qunsetenv("TAVREL_WORKSPACE");
    qunsetenv("XDG_DATA_HOME");
}

void tst_Workspace::newWorkspaceIsCreatedComplete()
{
    QTemporaryDir tmp;
    for (const QString &folder : {tmp.filePath(u"a/b/ws"_s), tmp.filePath(u"empty"_s)}) {
        if (folder.endsWith(QLatin1String("empty")))
            QVERIFY(QDir().mkdir(folder)); // an empty folder counts as new
        QString error;
        QVERIFY2(Workspace::createIfMissing(folder, &error), qPrintable(error));
        const QDir ws(folder);
        QVERIFY(QFileInfo(ws.filePath(u"Unapproved"_s)).isDir() && QFileInfo(ws.filePath(u"Approved"_s)).isDir());
        QVERIFY(QFileInfo(ws.filePath(u"FirstLoad.txt"_s)).isFile());
        Workspace::setCurrent(folder);
        QVERIFY(IsFirstLoad());
    }
    QString error;
    QVERIFY(writeTestFile(tmp.filePath(u"file"_s), {}));
    QVERIFY(!Workspace::createIfMissing(tmp.filePath(u"file/ws"_s), &error));
    QVERIFY(error.contains(QLatin1String("file/ws")));
}

void tst_Workspace::existingWorkspaceIsLeftAlone()
{
    QTemporaryDir tmp;
    QVERIFY(writeTestFile(tmp.filePath(u"tvl.mdb"_s), {}));
    QVERIFY(Workspace::createIfMissing(tmp.path(), nullptr));
    QVERIFY(!QFileInfo::exists(tmp.filePath(u"FirstLoad.txt"_s)) && !QFileInfo::exists(tmp.filePath(u"Unapproved"_s)));
    Workspace::setCurrent(tmp.path());
    QVERIFY(!IsFirstLoad());
    QCOMPARE(Workspace::tvlMon(), tmp.filePath(u"tvl.mon"_s));
}

QTEST_GUILESS_MAIN(tst_Workspace)
#include "tst_workspace.moc"
