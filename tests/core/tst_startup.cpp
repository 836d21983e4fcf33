#include "AppState.h"
#include "DataStore.h"
#include "Settings.h"
#include "SingleInstance.h"
#include "Startup.h"
#include "StartupUi.h"
#include "Workspace.h"
#include "RecordingReporter.h"
#include "TestEnv.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <cstring>

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

    void alreadyRunning(const QString &text) override { calls << QStringLiteral("alreadyRunning:") + text; }
    bool selectLanguage() override
    {
        calls << QStringLiteral("language");
        return languageAnswer;
    }
    void runSearchWizard() override { calls << QStringLiteral("wizard"); }
    bool askPassword() override
    {
        calls << QStringLiteral("password");
        passwordSeen = AppState::password;
        return passwordAnswer;
    }
    void showFailure(const QString &description, int number) override
    {
        calls << QStringLiteral("failure");
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
        Settings::setConfigFolder(dir.filePath(QStringLiteral("config")));
        AppState::password = QStringLiteral("unset");
        AppState::autoDownload = -1;
        AppState::terminalFamily = -1;
    }
    ~Fixture()
    {
        DataStore::close();
        Settings::setConfigFolder(QString());
    }
    QString workspace() const { return dir.filePath(QStringLiteral("ws")); }
    QString lock() const { return dir.filePath(QStringLiteral("tavrel.lock")); }
    QString marker() const { return workspace() + QStringLiteral("/FirstLoad.txt"); }
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
    Startup startup(ui, f.lock());
    QCOMPARE(startup.run(f.workspace()), Startup::Result::ShowMainWindow);
    QCOMPARE(ui.calls, (QStringList{"language", "wizard", "password"}));
    QCOMPARE(ui.passwordSeen, QStringLiteral("7391"));
    QCOMPARE(AppState::autoDownload, qint16(1));
    QCOMPARE(AppState::terminalFamily, qint16(0));
    QCOMPARE(Workspace::current(), f.workspace());

    QCOMPARE(GetSetting(QStringLiteral("Install"), QStringLiteral("Date")),
             QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
    QCOMPARE(GetSetting(QStringLiteral("Install"), QStringLiteral("Path")), f.workspace());
    QVERIFY(!QFileInfo::exists(f.marker()));
    for (const char *name : {"tvl.mdb", "tvl.mon", "Unapproved", "Approved"})
        QVERIFY2(QFileInfo::exists(f.workspace() + QLatin1Char('/') + QLatin1String(name)), name);
    QVERIFY(QSqlDatabase::database(DataStore::kConnLog, false).isOpen());
    QVERIFY(QSqlDatabase::contains(DataStore::kConnOldDB));
    QVERIFY(QSqlDatabase::database(DataStore::kConnOldDB, false).databaseName().isEmpty());

    // The next start has no first-start steps.
    DataStore::close();
    ScriptedUi next;
    Startup again(next, f.dir.filePath(QStringLiteral("other.lock")));
    QCOMPARE(again.run(f.workspace()), Startup::Result::ShowMainWindow);
    QCOMPARE(next.calls, QStringList{"password"});
}

void tst_Startup::languageCancelledKeepsMarker()
{
    Fixture f;
    for (int round = 0; round < 2; ++round) {
        ScriptedUi ui;
        ui.languageAnswer = false;
        Startup startup(ui, f.lock());
        QCOMPARE(startup.run(f.workspace()), Startup::Result::Cancelled);
        QCOMPARE(ui.calls, QStringList{"language"});
        QVERIFY(QFileInfo::exists(f.marker()));
        QVERIFY(!QFileInfo::exists(Settings::filePath()));
        QVERIFY(!QFileInfo::exists(f.workspace() + QStringLiteral("/tvl.mdb")));
    }
}

void tst_Startup::passwordCancelledAfterFirstStart()
{
    Fixture f;
    ScriptedUi ui;
    ui.passwordAnswer = false;
    Startup startup(ui, f.lock());
    QCOMPARE(startup.run(f.workspace()), Startup::Result::Cancelled);
    QCOMPARE(ui.calls, (QStringList{"language", "wizard", "password"}));
    QVERIFY(!GetSetting(QStringLiteral("Install"), QStringLiteral("Date")).isEmpty());
    QCOMPARE(GetSetting(QStringLiteral("Install"), QStringLiteral("Path")), f.workspace());
    QVERIFY(!QFileInfo::exists(f.marker()));
    // Nothing after the password ran.
    QVERIFY(!QFileInfo::exists(f.workspace() + QStringLiteral("/tvl.mon")));
    QCOMPARE(AppState::autoDownload, qint16(-1));
}

void tst_Startup::foldersCreatedExistingUntouched()
{
    Fixture f;
    const QDir ws(f.workspace());
    QVERIFY(QDir().mkpath(ws.filePath(QStringLiteral("Approved"))));
    QFile kept(ws.filePath(QStringLiteral("Approved/20240108 080000.tvl")));
    QVERIFY(kept.open(QIODevice::WriteOnly));
    kept.write("574090\r\n");
    kept.close();

    ScriptedUi ui;
    Startup startup(ui, f.lock());
    QCOMPARE(startup.run(f.workspace()), Startup::Result::ShowMainWindow);
    QCOMPARE(ui.calls, QStringList{"password"}); // an existing workspace has no marker
    QVERIFY(QFileInfo(ws.filePath(QStringLiteral("Unapproved"))).isDir());
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("574090\r\n"));
    QCOMPARE(ws.entryList({QStringLiteral("*.tvl")}, QDir::Files).size(), 0);
    QCOMPARE(QDir(ws.filePath(QStringLiteral("Approved"))).entryList(QDir::Files).size(), 1);
}

void tst_Startup::settingsReadByLeadingDigits()
{
    Fixture f;
    SaveSetting(QStringLiteral("Security"), QStringLiteral("Password"), QStringLiteral("s3cret"));
    SaveSetting(QStringLiteral("AutoDownload"), QStringLiteral("Enable"), QStringLiteral("0 (off)"));
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Model"), QStringLiteral("1abc"));
    ScriptedUi ui;
    Startup startup(ui, f.lock());
    QCOMPARE(startup.run(f.workspace()), Startup::Result::ShowMainWindow);
    QCOMPARE(ui.passwordSeen, QStringLiteral("s3cret"));
    QCOMPARE(AppState::autoDownload, qint16(0));
    QCOMPARE(AppState::terminalFamily, qint16(1));

    DataStore::close();
    SaveSetting(QStringLiteral("AutoDownload"), QStringLiteral("Enable"), QStringLiteral("on"));
    ScriptedUi second;
    Startup again(second, f.dir.filePath(QStringLiteral("other.lock")));
    QCOMPARE(again.run(f.workspace()), Startup::Result::ShowMainWindow);
    QCOMPARE(AppState::autoDownload, qint16(0));
}

void tst_Startup::failuresStopStartup()
{
    {
        // tvl.mdb that is not a database: reported after the password, file kept.
        Fixture f;
        QVERIFY(QDir().mkpath(f.workspace()));
        QFile bad(f.workspace() + QStringLiteral("/tvl.mdb"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not a database");
        bad.close();
        ScriptedUi ui;
        Startup startup(ui, f.lock());
        QCOMPARE(startup.run(f.workspace()), Startup::Result::Failed);
        QCOMPARE(ui.calls, (QStringList{"password", "failure"}));
        QCOMPARE(ui.failureNumber, Startup::kDatabaseError);
        QVERIFY(ui.failureText.contains(QLatin1String("tvl.mdb")));
        QVERIFY(bad.open(QIODevice::ReadOnly));
        QCOMPARE(bad.readAll(), QByteArray("not a database"));
        QVERIFY(!QFileInfo::exists(f.workspace() + QStringLiteral("/Unapproved")));
        QCOMPARE(AppState::autoDownload, qint16(-1));
    }
    {
        // A file where a patrol-data folder belongs.
        Fixture f;
        QVERIFY(QDir().mkpath(f.workspace()));
        QFile blocker(f.workspace() + QStringLiteral("/Unapproved"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        ScriptedUi ui;
        Startup startup(ui, f.lock());
        QCOMPARE(startup.run(f.workspace()), Startup::Result::Failed);
        QCOMPARE(ui.failureNumber, Startup::kFileAccessError);
        QVERIFY(ui.failureText.contains(QLatin1String("Unapproved")));
        QVERIFY(!QFileInfo::exists(f.workspace() + QStringLiteral("/Approved")));
    }
    {
        // An unreadable settings store stops before anything is asked or written.
        Fixture f;
        QVERIFY(QDir().mkpath(Settings::filePath()));
        ScriptedUi ui;
        Startup startup(ui, f.lock());
        QCOMPARE(startup.run(f.workspace()), Startup::Result::Failed);
        QCOMPARE(ui.calls, QStringList{"failure"});
        QCOMPARE(ui.failureNumber, Startup::kFileAccessError);
        QVERIFY(QFileInfo::exists(f.marker()));
    }
}


void tst_Startup::secondProcessRefused()
{
    Fixture f;
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-lock"), f.lock()});
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
    Startup next(after, f.lock());
    QCOMPARE(next.run(f.workspace()), Startup::Result::ShowMainWindow);
}

void tst_Startup::missingDatabaseRecreatedAndReported_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("tag table") << QStringLiteral("tvl.mdb");
    QTest::newRow("log") << QStringLiteral("tvl.mon");
}

void tst_Startup::missingDatabaseRecreatedAndReported()
{
    QFETCH(QString, name);
    Fixture f;
    RecordingReporter reporter;
    {
        ScriptedUi ui;
        Startup startup(ui, f.lock());
        QCOMPARE(startup.run(f.workspace()), Startup::Result::ShowMainWindow);
    }
    QVERIFY(reporter.entries.isEmpty()); // a new workspace makes its databases silently
    DataStore::close();
    const QDir ws(f.workspace());
    QVERIFY(QFile::remove(ws.filePath(name)));

    ScriptedUi ui;
    Startup again(ui, f.dir.filePath(QStringLiteral("other.lock")));
    QCOMPARE(again.run(f.workspace()), Startup::Result::ShowMainWindow);
    QCOMPARE(reporter.entries.size(), 1);
    QVERIFY(reporter.entries.first().text.contains(name));
    QVERIFY(TestEnv::logEntries().last().startsWith(QStringLiteral("DB/")));
    // Made complete in a temporary file and renamed: nothing else is left beside it.
    QCOMPARE(ws.entryList({QStringLiteral("tvl.*")}, QDir::Files),
             (QStringList{QStringLiteral("tvl.mdb"), QStringLiteral("tvl.mon")}));
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

