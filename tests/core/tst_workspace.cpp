#include "Workspace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class tst_Workspace : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void resolutionOrder();
    void newWorkspaceIsCreatedComplete();
    void existingWorkspaceIsLeftAlone();
};

namespace {

void touch(const QString &path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

}

void tst_Workspace::resolutionOrder()
{
    QTemporaryDir tmp;
    const QString exe = tmp.filePath(QStringLiteral("bin"));
    const QString fromEnv = tmp.filePath(QStringLiteral("env"));
    const QString data = tmp.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(exe));
    qputenv("XDG_DATA_HOME", data.toLocal8Bit());
    qunsetenv("TAVREL_WORKSPACE");

    // Nothing given and an executable folder without databases: the per-user data folder.
    QCOMPARE(Workspace::resolve(QString(), exe), data + QStringLiteral("/Tavrel"));
    // A portable install: the executable folder holds the marker or the database.
    touch(exe + QStringLiteral("/FirstLoad.txt"));
    QCOMPARE(Workspace::resolve(QString(), exe), exe);
    QFile::remove(exe + QStringLiteral("/FirstLoad.txt"));
    touch(exe + QStringLiteral("/tvl.mdb"));
    QCOMPARE(Workspace::resolve(QString(), exe), exe);
    // The environment wins over the executable folder, the option over both.
    qputenv("TAVREL_WORKSPACE", fromEnv.toLocal8Bit());
    QCOMPARE(Workspace::resolve(QString(), exe), fromEnv);
    QCOMPARE(Workspace::resolve(tmp.filePath(QStringLiteral("given/../opt")), exe), tmp.filePath(QStringLiteral("opt")));
    qunsetenv("TAVREL_WORKSPACE");
    qunsetenv("XDG_DATA_HOME");
}

void tst_Workspace::newWorkspaceIsCreatedComplete()
{
    QTemporaryDir tmp;
    for (const QString &folder : {tmp.filePath(QStringLiteral("a/b/ws")), tmp.filePath(QStringLiteral("empty"))}) {
        if (folder.endsWith(QLatin1String("empty")))
            QVERIFY(QDir().mkdir(folder)); // an empty folder counts as new
        QString error;
        QVERIFY2(Workspace::createIfMissing(folder, &error), qPrintable(error));
        const QDir ws(folder);
        QVERIFY(QFileInfo(ws.filePath(QStringLiteral("Unapproved"))).isDir());
        QVERIFY(QFileInfo(ws.filePath(QStringLiteral("Approved"))).isDir());
        QVERIFY(QFileInfo(ws.filePath(QStringLiteral("FirstLoad.txt"))).isFile());
        Workspace::setCurrent(folder);
        QVERIFY(IsFirstLoad());
    }
    QString error;
    touch(tmp.filePath(QStringLiteral("file")));
    QVERIFY(!Workspace::createIfMissing(tmp.filePath(QStringLiteral("file/ws")), &error));
    QVERIFY(error.contains(QLatin1String("file/ws")));
}

void tst_Workspace::existingWorkspaceIsLeftAlone()
{
    QTemporaryDir tmp;
    touch(tmp.filePath(QStringLiteral("tvl.mdb")));
    QVERIFY(Workspace::createIfMissing(tmp.path(), nullptr));
    QVERIFY(!QFileInfo::exists(tmp.filePath(QStringLiteral("FirstLoad.txt"))));
    QVERIFY(!QFileInfo::exists(tmp.filePath(QStringLiteral("Unapproved"))));
    Workspace::setCurrent(tmp.path());
    QVERIFY(!IsFirstLoad());
    QCOMPARE(Workspace::tvlMon(), tmp.filePath(QStringLiteral("tvl.mon")));
}

QTEST_GUILESS_MAIN(tst_Workspace)
#include "tst_workspace.moc"
