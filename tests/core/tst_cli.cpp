#include "TestFiles.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

// Runs the built tavrel-cli as a user would.
class tst_Cli : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void encodeThenDecode();
    void badUsageIsOneLine_data();
    void badUsageIsOneLine();
    void languageCommands();
    void terminalSettingsAndSearch();
    void writerKilledMidChange();
    void databaseUnusable_data();
    void databaseUnusable();
    void missingDatabaseReported_data();
    void missingDatabaseReported();

private:
    struct Run
    {
        int status;
        QByteArray out;
        QByteArray err;
    };
    Run cli(const QStringList &args, const QByteArray &input = QByteArray());
    // A new workspace made by the command line, named `name` under the test folder.
    QString newWorkspace(const QString &name);

    QTemporaryDir m_dir;
};

tst_Cli::Run tst_Cli::cli(const QStringList &args, const QByteArray &input)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_CONFIG_HOME"_s, m_dir.filePath(u"config"_s));
    env.insert(u"XDG_DATA_HOME"_s, m_dir.filePath(u"data"_s));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TAVREL_CLI_PATH), args);
    if (!p.waitForStarted())
        return {-1, {}, "could not start"};
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(30000);
    const int status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2; // -2: it crashed
    return {status, p.readAllStandardOutput(), p.readAllStandardError()};
}

void tst_Cli::encodeThenDecode()
{
    const QString file = m_dir.filePath(u"20240108 080000.tvl"_s);
    const QByteArray records = QStringLiteral("1,0004A1B2C3,2024/01/08,08:00:15\n"
                                              "2,Caf\u00e9 \u20ac \u2018q\u2019,2024/01/09,23:59:59\n")
                                   .toUtf8();
    QCOMPARE(cli({u"encode"_s, file}, records).status, 0);
    // encode appends, as a download within the same second does.
    QCOMPARE(cli({u"encode"_s, file}, "3,X,2024/03/01,01:02:03\n").status, 0);
    Run decoded = cli({u"decode"_s, file});
    QCOMPARE(decoded.status, 0);
    QCOMPARE(decoded.err, QByteArray());
    QCOMPARE(decoded.out, records + "3,X,2024/03/01,01:02:03\n");

    // Lines that do not decode are named on stderr; the others still come out.
    QVERIFY(writeTestFile(file, "574090\r\n"          // "1"
                                "5740905\r\n"         // line 2: 7 digits
                                "574090\r\n"          // "1"
                                "999999574090\r\n")); // line 4: a group that is no byte
    Run damaged = cli({u"decode"_s, file});
    QCOMPARE(damaged.status, 1);
    QCOMPARE(damaged.out, QByteArray("1\n1\n"));
    const QList<QByteArray> lines = damaged.err.trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].startsWith("line 2:"), lines[0].constData());
    QVERIFY2(lines[1].startsWith("line 4:") && lines[1].contains("999999"), lines[1].constData());
}

void tst_Cli::badUsageIsOneLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("missing file") << QStringList{"decode", "/nonexistent/x.tvl"} << 1 << QByteArray("/nonexistent/x.tvl");
    QTest::newRow("unwritable") << QStringList{"encode", "/nonexistent/x.tvl"} << 1 << QByteArray("/nonexistent/x.tvl");
    QTest::newRow("unknown command") << QStringList{"frobnicate"} << 64 << QByteArray("unknown command frobnicate");
    QTest::newRow("option without value") << QStringList{"--workspace"} << 64 << QByteArray("--workspace");
    QTest::newRow("device path as port") << QStringList{"--port", "/dev/ttyUSB1", "kr", "record-count"} << 64
                                         << QByteArray("COM1 to COM99");
    QTest::newRow("port map name") << QStringList{"ports", "map", "COM0", "/dev/null"} << 64 << QByteArray("usage");
    QTest::newRow("options model 2") << QStringList{"options", "set", "model", "2"} << 1 << QByteArray("model takes");
    QTest::newRow("options port COM0") << QStringList{"options", "set", "comport", "COM0"} << 1 << QByteArray("COM1 to COM99");
    QTest::newRow("options switch yes") << QStringList{"options", "set", "auto-clear", "yes"} << 1 << QByteArray("0 or 1");
    QTest::newRow("options unknown key") << QStringList{"options", "set", "password", "1"} << 1 << QByteArray("unknown key");
    QTest::newRow("options without value") << QStringList{"options", "set", "model"} << 64 << QByteArray("usage");
}

void tst_Cli::badUsageIsOneLine()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QByteArray, expected);
    Run r = cli(args, "1,A,2024/01/01,00:00:00\n");
    QCOMPARE(r.status, status);
    QVERIFY2(r.err.split('\n').first().contains(expected), r.err.constData());
    QCOMPARE(r.out, QByteArray());
}

void tst_Cli::languageCommands()
{
    // Each step runs in the same workspace: command, status, output, first words on stderr.
    const struct
    {
        QStringList args;
        int status;
        QByteArray out;
        QByteArray err;
    } steps[] = {
        {{"language", "add", "Korean"}, 0, "", ""},
        {{"language", "add", "Korean"}, 1, "", "tavrel-cli: Korean already exists"},
        {{"language", "set", "Korean"}, 0, "", ""},
        {{"language", "delete", "Korean"}, 1, "", "tavrel-cli: The language Korean cannot be deleted"},
        {{"language", "set", "Thai"}, 1, "", "tavrel-cli: There is no language Thai"},
        {{"language"}, 0, "English\nTraditional Chinese\nJapanese\nKorean\tcurrent\n", ""},
        {{"language", "set", "English"}, 0, "", ""}, // the settings are shared with the other tests
        {{"language", "delete", "Korean"}, 0, "", ""},
    };
    const QStringList workspace = {u"--workspace"_s, m_dir.filePath(u"languages"_s)};
    for (const auto &step : steps) {
        Run r = cli(workspace + step.args);
        QCOMPARE(r.status, step.status);
        QCOMPARE(r.out, step.out);
        QVERIFY2(r.err.startsWith(step.err), r.err.constData());
    }
}

void tst_Cli::terminalSettingsAndSearch()
{
    // The VX family has no automatic download: switched off with the model, refused after.
    QCOMPARE(cli({"options", "set", "model", "1"}).status, 0);
    QCOMPARE(cli({"options", "set", "auto-download", "1"}).status, 1);
    QCOMPARE(cli({"options", "set", "comport", "COM12"}).status, 0);
    const QByteArray stored("model\t1\ncomport\tCOM12\nauto-clear\t1\nauto-time\t1\nauto-power-down\t1\nauto-download\t0\n");
    QCOMPARE(cli({u"options"_s}).out, stored);

    // No port of this settings folder leads anywhere: nothing answers, nothing changes.
    Run search = cli({u"search"_s});
    QCOMPARE(search.status, 3);
    QCOMPARE(search.out, QByteArray("Not found\n"));
    QCOMPARE(cli({u"options"_s}).out, stored);
}

QString tst_Cli::newWorkspace(const QString &name)
{
    const QString folder = m_dir.filePath(name);
    const Run made = cli({u"--workspace"_s, folder, u"files"_s});
    return made.status == 0 ? folder : QString();
}

void tst_Cli::writerKilledMidChange()
{
    const QString ws = newWorkspace(u"killed"_s);
    QVERIFY(!ws.isEmpty());
    const QString mdb = ws + u"/tvl.mdb"_s;
    const QString writer = m_dir.filePath(u"writer.mdb"_s);
    const QStringList tagList = {u"--workspace"_s, ws, u"tags"_s, u"list"_s};
    QByteArray tags;
    QVERIFY(QFile::copy(mdb, writer));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"writer"_s);
        db.setDatabaseName(writer);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(u"WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 2999) "
                       "INSERT INTO TagDef (Code, Description) "
                       "SELECT printf('%010X', i), 'Checkpoint ' || i || ' on the north fence' FROM n"_s));
        QVERIFY(QFile::remove(mdb) && QFile::copy(writer, mdb));
        tags = cli(tagList).out;
        QCOMPARE(tags.count('\n'), 3000);
        // A change too large for the page cache is half in the file: the files
        // as a writer killed now leaves them, with a hot journal.
        QVERIFY(q.exec(u"PRAGMA cache_size = 4"_s) && q.exec(u"BEGIN"_s));
        QVERIFY(q.exec(u"UPDATE TagDef SET Description = 'overwritten'"_s));
        QVERIFY(QFileInfo(writer + u"-journal"_s).size() > 0);
        QVERIFY(QFile::remove(mdb) && QFile::copy(writer, mdb) && QFile::copy(writer + u"-journal"_s, mdb + u"-journal"_s));
        QVERIFY(readTestFile(mdb).contains("overwritten"));
    }
    QSqlDatabase::removeDatabase(u"writer"_s);

    for (const QStringList &command : {QStringList{u"files"_s}, QStringList{u"plans"_s, u"list"_s}}) {
        const Run r = cli(QStringList{u"--workspace"_s, ws} + command);
        QVERIFY2(r.status == 0 && r.err.isEmpty(), r.err.constData());
    }
    QCOMPARE(cli(tagList).out, tags);
    QVERIFY(!QFileInfo::exists(mdb + u"-journal"_s));
}

void tst_Cli::databaseUnusable_data()
{
    QTest::addColumn<bool>("locked");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("not a database") << false << QByteArray("Unrecognized database format");
    QTest::newRow("locked by another program") << true << QByteArray("in use by another program");
}

void tst_Cli::databaseUnusable()
{
    QFETCH(bool, locked);
    QFETCH(QByteArray, expected);
    const QString ws = newWorkspace(u"unusable "_s + QTest::currentDataTag());
    QVERIFY(!ws.isEmpty());
    const QStringList tagList = {u"--workspace"_s, ws, u"tags"_s, u"list"_s};
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"holder"_s);
        db.setDatabaseName(ws + u"/tvl.mdb"_s);
        if (locked)
            QVERIFY(db.open() && QSqlQuery(db).exec(u"BEGIN EXCLUSIVE"_s));
        else
            QVERIFY(writeTestFile(ws + u"/tvl.mdb"_s, "Code\tDescription\r\n"));
        const Run r = cli(tagList);
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.startsWith("tavrel-cli: ") && r.err.contains(expected) && r.err.contains("tvl.mdb"),
                 r.err.constData());
        QCOMPARE(r.err.count('\n'), 1);
    }
    QSqlDatabase::removeDatabase(u"holder"_s);
    if (locked)
        QCOMPARE(cli(tagList).status, 0);
}

void tst_Cli::missingDatabaseReported_data()
{
    QTest::addColumn<QStringList>("removed");   // databases removed after the first command
    QTest::addColumn<QString>("kept");          // a patrol-data file left in the workspace, if any
    QTest::addColumn<QStringList>("reported");  // databases named as made again
    QTest::newRow("unused workspace") << QStringList{"tvl.mdb", "tvl.mon"} << QString() << QStringList();
    QTest::newRow("tvl.mon still there") << QStringList{"tvl.mdb"} << QString() << QStringList{"tvl.mdb"};
    QTest::newRow("an approved file") << QStringList{"tvl.mdb", "tvl.mon"} << "Approved/20240108 080000.tvl"
                                      << QStringList{"tvl.mdb", "tvl.mon"};
}

void tst_Cli::missingDatabaseReported()
{
    QFETCH(QStringList, removed);
    QFETCH(QString, kept);
    QFETCH(QStringList, reported);
    // A workspace the command line alone ever used keeps its first-start marker.
    const QString ws = newWorkspace(u"missing "_s + QTest::currentDataTag());
    QVERIFY(!ws.isEmpty() && QFileInfo::exists(ws + u"/FirstLoad.txt"_s));
    for (const QString &name : removed)
        QVERIFY(QFile::remove(ws + u'/' + name));
    if (!kept.isEmpty())
        QVERIFY(writeTestFile(ws + u'/' + kept, "574090\r\n"));

    const Run r = cli({u"--workspace"_s, ws, u"files"_s});
    QCOMPARE(r.status, 0);
    const QList<QByteArray> lines = r.err.isEmpty() ? QList<QByteArray>() : r.err.trimmed().split('\n');
    QCOMPARE(lines.size(), reported.size());
    for (int i = 0; i < reported.size(); ++i)
        QVERIFY2(lines[i].contains(reported[i].toUtf8() + " was missing"), lines[i].constData());
    QVERIFY(QFileInfo::exists(ws + u"/tvl.mdb"_s) && QFileInfo::exists(ws + u"/tvl.mon"_s));
}

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
