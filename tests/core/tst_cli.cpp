#include "TestFiles.h"

#include <QFile>
#include <QProcess>
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

private:
    struct Run
    {
        int status;
        QByteArray out;
        QByteArray err;
    };
    Run cli(const QStringList &args, const QByteArray &input = QByteArray());

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

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
