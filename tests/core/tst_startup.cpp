#include "TerminalSettings.h"
#include "DataStore.h"
#include "Settings.h"
#include "SingleInstance.h"
#include "Startup.h"
#include "StartupUi.h"
#include "RecordingReporter.h"
#include "TestEnv.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// Answers start-up from a script and records what it was asked: the password
// prompt with the password it was opened for, a failure with its number.
class ScriptedUi : public StartupUi
{
public:
    bool languageAnswer = true;
    bool passwordAnswer = true;
    QStringList calls;
    QString failureText;

    void alreadyRunning(const QString &text) override { calls << u"alreadyRunning:"_s + text; }
    bool selectLanguage() override { calls << u"language"_s; return languageAnswer; }
    void runSearchWizard() override { calls << u"wizard"_s; }
    bool askPassword(const QString &stored) override
    {
        calls << u"password:"_s + stored;
        return passwordAnswer;
    }
    void showFailure(const QString &description, int number) override
    {
        calls << u"failure:%1"_s.arg(number);
        failureText = description;
    }
};

// A temporary settings folder, workspace path and lock file.
struct Fixture
{
    QTemporaryDir dir;
    Fixture() { Settings::setConfigFolder(dir.filePath(u"config"_s)); }
    ~Fixture()
    {
        DataStore::close();
        Settings::setConfigFolder(QString());
    }
    QString workspace() const { return dir.filePath(u"ws"_s); }
    QString lock() const { return dir.filePath(u"tavrel.lock"_s); }
    // One start with `ui` over the workspace.
    Startup::Result run(StartupUi &ui) { return Startup(ui, lock()).run(workspace()); }
};

}

class tst_Startup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void successiveStarts();
    void passwordCancelledOnFirstStart();
    void firstStartInUsedWorkspace();
    void failureStopsStartup_data();
    void failureStopsStartup();
    void secondProcessRefused();
};

void tst_Startup::successiveStarts()
{
    Fixture f;
    RecordingReporter reporter;
    // Cancelled at the language: nothing is kept, the next start asks again.
    ScriptedUi noLanguage;
    noLanguage.languageAnswer = false;
    QCOMPARE(f.run(noLanguage), Startup::Result::Cancelled);
    QCOMPARE(noLanguage.calls, QStringList{"language"});
    QVERIFY(!QFileInfo::exists(Settings::filePath()));

    // The first start that goes through.
    ScriptedUi first;
    QCOMPARE(f.run(first), Startup::Result::ShowMainWindow);
    QCOMPARE(first.calls, (QStringList{"language", "wizard", "password:7391"}));
    // Nothing stored yet: automatic download on and the KR family, as the options dialog shows them.
    QCOMPARE((QList<int>{TerminalSettings::load().autoDownload, TerminalSettings::load().family}), (QList<int>{1, 0}));
    QVERIFY(reporter.entries.isEmpty()); // a new workspace makes its databases silently

    // The next start has no first-start steps and reads the stored values by their leading digits.
    DataStore::close();
    SaveSetting("Security", "Password", "s3cret");
    SaveSetting("AutoDownload", "Enable", "0 (off)");
    SaveSetting("Terminal", "Model", "1abc");
    ScriptedUi next;
    QCOMPARE(f.run(next), Startup::Result::ShowMainWindow);
    QCOMPARE(next.calls, QStringList{"password:s3cret"});
    QCOMPARE((QList<int>{TerminalSettings::load().autoDownload, TerminalSettings::load().family}), (QList<int>{0, 1}));

    // A workspace in use that lost its databases and a folder: made again, the databases not silently.
    DataStore::close();
    const QDir ws(f.workspace());
    const QString kept = ws.filePath(u"Approved/20240108 080000.tvl"_s);
    QVERIFY(writeTestFile(kept, "574090\r\n"));
    for (const QString &name : {u"tvl.mdb"_s, u"tvl.mon"_s})
        QVERIFY(QFile::remove(ws.filePath(name)));
    QVERIFY(ws.rmdir(u"Unapproved"_s));
    ScriptedUi again;
    QCOMPARE(f.run(again), Startup::Result::ShowMainWindow);
    QVERIFY(QFileInfo(ws.filePath(u"Unapproved"_s)).isDir());
    QCOMPARE(readTestFile(kept), QByteArray("574090\r\n"));
    QCOMPARE(reporter.entries.size(), 2);
    QVERIFY(reporter.texts().at(0).contains(u"tvl.mdb"_s) && reporter.texts().at(1).contains(u"tvl.mon"_s));
    QCOMPARE(TestEnv::logEntries().size(), 2); // both in the log made again
    // Made complete in a temporary file and renamed: nothing else is left beside them.
    QCOMPARE(ws.entryList({u"tvl.*"_s}, QDir::Files), (QStringList{u"tvl.mdb"_s, u"tvl.mon"_s}));
}

void tst_Startup::passwordCancelledOnFirstStart()
{
    Fixture f;
    ScriptedUi ui;
    ui.passwordAnswer = false;
    RecordingReporter reporter;
    QCOMPARE(f.run(ui), Startup::Result::Cancelled);
    QCOMPARE(ui.calls, (QStringList{"language", "wizard", "password:7391"}));
    // The first-start steps are done, the databases made with them.
    QCOMPARE(GetSetting(u"Install"_s, u"Path"_s), f.workspace());
    QVERIFY(!QFileInfo::exists(f.workspace() + u"/FirstLoad.txt"_s));
    // So the next start does not take them for lost ones.
    DataStore::close();
    ScriptedUi next;
    QCOMPARE(f.run(next), Startup::Result::ShowMainWindow);
    QVERIFY(reporter.entries.isEmpty());
}

void tst_Startup::firstStartInUsedWorkspace()
{
    // A restored workspace still carrying the marker: its lost databases are news all the same.
    Fixture f;
    RecordingReporter reporter;
    const QDir ws(f.workspace());
    QVERIFY(QDir().mkpath(ws.filePath(u"Approved"_s)));
    QVERIFY(writeTestFile(ws.filePath(u"Approved/20240108 080000.tvl"_s), "574090\r\n"));
    QVERIFY(writeTestFile(ws.filePath(u"FirstLoad.txt"_s), {}));
    ScriptedUi ui;
    QCOMPARE(f.run(ui), Startup::Result::ShowMainWindow);
    QCOMPARE(ui.calls, (QStringList{"language", "wizard", "password:7391"}));
    QCOMPARE(reporter.entries.size(), 2);
    QVERIFY(reporter.texts().at(0).contains(u"tvl.mdb"_s) && reporter.texts().at(1).contains(u"tvl.mon"_s));
}

void tst_Startup::failureStopsStartup_data()
{
    QTest::addColumn<QString>("blocker"); // what is in the way, under the fixture's folder
    QTest::addColumn<bool>("folder");     // a folder where a file belongs, else a file
    QTest::addColumn<QStringList>("calls");
    const QString database = u"failure:%1"_s.arg(Startup::kDatabaseError);
    const QString fileAccess = u"failure:%1"_s.arg(Startup::kFileAccessError);
    QTest::newRow("tvl.mdb not a database") << "ws/tvl.mdb" << false << QStringList{"password:7391", database};
    QTest::newRow("file for a data folder") << "ws/Unapproved" << false << QStringList{"password:7391", fileAccess};
    // An unreadable settings store stops before anything is asked.
    QTest::newRow("settings unreadable") << "config/Tavrel/Tavrel.conf" << true << QStringList{fileAccess};
}

void tst_Startup::failureStopsStartup()
{
    QFETCH(QString, blocker);
    QFETCH(bool, folder);
    QFETCH(QStringList, calls);
    Fixture f;
    const QString path = f.dir.filePath(blocker);
    QVERIFY(QDir().mkpath(folder ? path : QFileInfo(path).path()));
    QVERIFY(folder || writeTestFile(path, "not a database"));
    ScriptedUi ui;
    QCOMPARE(f.run(ui), Startup::Result::Failed);
    QCOMPARE(ui.calls, calls);
    QVERIFY2(ui.failureText.contains(QFileInfo(path).fileName()), qPrintable(ui.failureText));
    QVERIFY(folder || readTestFile(path) == "not a database"); // left as it was
}

void tst_Startup::secondProcessRefused()
{
    Fixture f;
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(), {u"--hold-lock"_s, f.lock()});
    QVERIFY(holder.waitForStarted());
    QVERIFY(holder.waitForReadyRead(20000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));

    ScriptedUi ui;
    QCOMPARE(f.run(ui), Startup::Result::AlreadyRunning);
    QCOMPARE(ui.calls, QStringList{"alreadyRunning:Tavrel has been already launched."});

    // A copy that died leaves its lock behind; the next start takes it over.
    holder.kill();
    QVERIFY(holder.waitForFinished());
    ScriptedUi after;
    QCOMPARE(f.run(after), Startup::Result::ShowMainWindow);
}

// "--hold-lock PATH": takes the lock, says so and waits to be killed, like a
// running copy of the program.
int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--hold-lock") == 0) {
        QCoreApplication app(argc, argv);
        SingleInstance instance(QString::fromLocal8Bit(argv[2]));
        if (instance.acquire() != SingleInstance::Result::Acquired)
            return 1;
        std::printf("locked\n");
        std::fflush(stdout);
        return app.exec();
    }
    QCoreApplication app(argc, argv);
    tst_Startup test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"

