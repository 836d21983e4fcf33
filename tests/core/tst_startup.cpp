#include "AppState.h"
#include "DataStore.h"
#include "Settings.h"
#include "SingleInstance.h"
#include "Startup.h"
#include "StartupUi.h"
#include "Workspace.h"
#include "RecordingReporter.h"
#include "TestEnv.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// Answers start-up from a script and records what it was asked.
class ScriptedUi : public StartupUi
{
public:
    bool languageAnswer = true;
    bool passwordAnswer = true;
    QStringList calls;
    QString passwordSeen; // the current password when the prompt opened
    QString failureText;
    int failureNumber = 0;

    void alreadyRunning(const QString &text) override { calls << u"alreadyRunning:"_s + text; }
    bool selectLanguage() override { calls << u"language"_s; return languageAnswer; }
    void runSearchWizard() override { calls << u"wizard"_s; }
    bool askPassword() override
    {
        calls << u"password"_s;
        passwordSeen = AppState::password;
        return passwordAnswer;
    }
    void showFailure(const QString &description, int number) override
    {
        calls << u"failure"_s;
        failureText = description;
        failureNumber = number;
    }
};

// A temporary settings folder, workspace path and lock file.
struct Fixture
{
    QTemporaryDir dir;
    Fixture()
    {
        Settings::setConfigFolder(dir.filePath(u"config"_s));
        AppState::password = u"unset"_s;
        AppState::autoDownload = -1;
        AppState::terminalFamily = -1;
    }
    ~Fixture()
    {
        DataStore::close();
        Settings::setConfigFolder(QString());
    }
    QString workspace() const { return dir.filePath(u"ws"_s); }
    QString lock() const { return dir.filePath(u"tavrel.lock"_s); }
    QString marker() const { return workspace() + u"/FirstLoad.txt"_s; }
    // One start with `ui` over the workspace, holding the lock file `lock`.
    Startup::Result run(StartupUi &ui, const QString &lock = u"tavrel.lock"_s)
    {
        return Startup(ui, dir.filePath(lock)).run(workspace());
    }
};

}

class tst_Startup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void freshInstallRunsEveryStep();
    void languageCancelledKeepsMarker();
    void passwordCancelledAfterFirstStart();
    void foldersCreatedExistingUntouched();
    void settingsReadByLeadingDigits();
    void failuresStopStartup();
    void secondProcessRefused();
    void missingDatabaseRecreatedAndReported_data();
    void missingDatabaseRecreatedAndReported();
};

void tst_Startup::freshInstallRunsEveryStep()
{
    Fixture f;
    ScriptedUi ui;
    QCOMPARE(f.run(ui), Startup::Result::ShowMainWindow);
    QCOMPARE(ui.calls, (QStringList{"language", "wizard", "password"}));
    QCOMPARE(ui.passwordSeen, u"7391"_s);
    QCOMPARE((QList<int>{AppState::autoDownload, AppState::terminalFamily}), (QList<int>{1, 0}));
    QCOMPARE(Workspace::current(), f.workspace());

    QCOMPARE(GetSetting(u"Install"_s, u"Date"_s),
             QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
    QCOMPARE(GetSetting(u"Install"_s, u"Path"_s), f.workspace());
    QVERIFY(!QFileInfo::exists(f.marker()));
    for (const char *name : {"tvl.mdb", "tvl.mon", "Unapproved", "Approved"})
        QVERIFY2(QFileInfo::exists(f.workspace() + QLatin1Char('/') + QLatin1String(name)), name);
    QVERIFY(QSqlDatabase::database(DataStore::kConnLog, false).isOpen());
    QVERIFY(QSqlDatabase::contains(DataStore::kConnOldDB));
    QVERIFY(QSqlDatabase::database(DataStore::kConnOldDB, false).databaseName().isEmpty());

    // The next start has no first-start steps.
    DataStore::close();
    ScriptedUi next;
    QCOMPARE(f.run(next, u"other.lock"_s), Startup::Result::ShowMainWindow);
    QCOMPARE(next.calls, QStringList{"password"});
}

void tst_Startup::languageCancelledKeepsMarker()
{
    Fixture f;
    for (int round = 0; round < 2; ++round) {
        ScriptedUi ui;
        ui.languageAnswer = false;
        QCOMPARE(f.run(ui), Startup::Result::Cancelled);
        QCOMPARE(ui.calls, QStringList{"language"});
        QVERIFY(QFileInfo::exists(f.marker()));
        QVERIFY(!QFileInfo::exists(Settings::filePath()));
        QVERIFY(!QFileInfo::exists(f.workspace() + u"/tvl.mdb"_s));
    }
}

void tst_Startup::passwordCancelledAfterFirstStart()
{
    Fixture f;
    ScriptedUi ui;
    ui.passwordAnswer = false;
    QCOMPARE(f.run(ui), Startup::Result::Cancelled);
    QCOMPARE(ui.calls, (QStringList{"language", "wizard", "password"}));
    QVERIFY(!GetSetting(u"Install"_s, u"Date"_s).isEmpty());
    QCOMPARE(GetSetting(u"Install"_s, u"Path"_s), f.workspace());
    QVERIFY(!QFileInfo::exists(f.marker()));
    // Nothing after the password ran.
    QVERIFY(!QFileInfo::exists(f.workspace() + u"/tvl.mon"_s));
    QCOMPARE(AppState::autoDownload, qint16(-1));
}

void tst_Startup::foldersCreatedExistingUntouched()
{
    Fixture f;
    const QDir ws(f.workspace());
    const QString kept = ws.filePath(u"Approved/20240108 080000.tvl"_s);
    QVERIFY(QDir().mkpath(ws.filePath(u"Approved"_s)) && writeTestFile(kept, "574090\r\n"));

    ScriptedUi ui;
    QCOMPARE(f.run(ui), Startup::Result::ShowMainWindow);
    QCOMPARE(ui.calls, QStringList{"password"}); // an existing workspace has no marker
    QVERIFY(QFileInfo(ws.filePath(u"Unapproved"_s)).isDir());
    QCOMPARE(readTestFile(kept), QByteArray("574090\r\n"));
    QCOMPARE(ws.entryList({u"*.tvl"_s}, QDir::Files).size(), 0);
    QCOMPARE(QDir(ws.filePath(u"Approved"_s)).entryList(QDir::Files).size(), 1);
}

void tst_Startup::settingsReadByLeadingDigits()
{
    Fixture f;
    SaveSetting("Security", "Password", "s3cret");
    SaveSetting("AutoDownload", "Enable", "0 (off)");
    SaveSetting("Terminal", "Model", "1abc");
    ScriptedUi ui;
    QCOMPARE(f.run(ui), Startup::Result::ShowMainWindow);
    QCOMPARE(ui.passwordSeen, u"s3cret"_s);
    QCOMPARE((QList<int>{AppState::autoDownload, AppState::terminalFamily}), (QList<int>{0, 1}));

    DataStore::close();
    SaveSetting(u"AutoDownload"_s, u"Enable"_s, u"on"_s);
    ScriptedUi second;
    QCOMPARE(f.run(second, u"other.lock"_s), Startup::Result::ShowMainWindow);
    QCOMPARE(AppState::autoDownload, qint16(0));
}

void tst_Startup::failuresStopStartup()
{
    {
        // tvl.mdb that is not a database: reported after the password, file kept.
        Fixture f;
        QVERIFY(QDir().mkpath(f.workspace()) && writeTestFile(f.workspace() + u"/tvl.mdb"_s, "not a database"));
        ScriptedUi ui;
        QCOMPARE(f.run(ui), Startup::Result::Failed);
        QCOMPARE(ui.calls, (QStringList{"password", "failure"}));
        QCOMPARE(ui.failureNumber, Startup::kDatabaseError);
        QVERIFY(ui.failureText.contains(QLatin1String("tvl.mdb")));
        QCOMPARE(readTestFile(f.workspace() + u"/tvl.mdb"_s), QByteArray("not a database"));
        QVERIFY(!QFileInfo::exists(f.workspace() + u"/Unapproved"_s));
        QCOMPARE(AppState::autoDownload, qint16(-1));
    }
    {
        // A file where a patrol-data folder belongs.
        Fixture f;
        QVERIFY(QDir().mkpath(f.workspace()) && writeTestFile(f.workspace() + u"/Unapproved"_s, {}));
        ScriptedUi ui;
        QCOMPARE(f.run(ui), Startup::Result::Failed);
        QCOMPARE(ui.failureNumber, Startup::kFileAccessError);
        QVERIFY(ui.failureText.contains(QLatin1String("Unapproved")));
        QVERIFY(!QFileInfo::exists(f.workspace() + u"/Approved"_s));
    }
    {
        // An unreadable settings store stops before anything is asked or written.
        Fixture f;
        QVERIFY(QDir().mkpath(Settings::filePath()));
        ScriptedUi ui;
        QCOMPARE(f.run(ui), Startup::Result::Failed);
        QCOMPARE(ui.calls, QStringList{"failure"});
        QCOMPARE(ui.failureNumber, Startup::kFileAccessError);
        QVERIFY(QFileInfo::exists(f.marker()));
    }
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
    auto refused = std::make_unique<Startup>(ui, f.lock());
    QCOMPARE(refused->run(f.workspace()), Startup::Result::AlreadyRunning);
    QCOMPARE(ui.calls, QStringList{"alreadyRunning:Tavrel has been already launched."});
    refused.reset();

    // A copy that died leaves its lock behind; the next start takes it over.
    holder.kill();
    QVERIFY(holder.waitForFinished());
    ScriptedUi after;
    QCOMPARE(f.run(after), Startup::Result::ShowMainWindow);
}

void tst_Startup::missingDatabaseRecreatedAndReported_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("tag table") << u"tvl.mdb"_s;
    QTest::newRow("log") << u"tvl.mon"_s;
}

void tst_Startup::missingDatabaseRecreatedAndReported()
{
    QFETCH(QString, name);
    Fixture f;
    RecordingReporter reporter;
    {
        ScriptedUi ui;
        QCOMPARE(f.run(ui), Startup::Result::ShowMainWindow);
    }
    QVERIFY(reporter.entries.isEmpty()); // a new workspace makes its databases silently
    DataStore::close();
    const QDir ws(f.workspace());
    QVERIFY(QFile::remove(ws.filePath(name)));

    ScriptedUi ui;
    QCOMPARE(f.run(ui, u"other.lock"_s), Startup::Result::ShowMainWindow);
    QCOMPARE(reporter.entries.size(), 1);
    QVERIFY(reporter.entries.first().text.contains(name));
    QVERIFY(TestEnv::logEntries().last().startsWith(u"DB/"_s));
    // Made complete in a temporary file and renamed: nothing else is left beside it.
    QCOMPARE(ws.entryList({u"tvl.*"_s}, QDir::Files),
             (QStringList{u"tvl.mdb"_s, u"tvl.mon"_s}));
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

