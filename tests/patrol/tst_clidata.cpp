#include "TestEnv.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The data commands of tavrel-cli, run as a user would run them.
class tst_CliData : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void tagFilesRefusedImportKeepsDefinitions();
    void oldDatabaseExportAndReport();

private:
    struct Run
    {
        int status;
        QByteArray out;
        QByteArray err;
    };
    Run cli(const QStringList &args);
    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    void writeFile(const char *name, const QByteArray &bytes);
    QByteArray readFile(const QString &file);

    QTemporaryDir m_dir;
};

tst_CliData::Run tst_CliData::cli(const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the report command must manage without
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TAVREL_CLI_PATH), QStringList{QStringLiteral("--workspace"), path("ws")} + args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

void tst_CliData::writeFile(const char *name, const QByteArray &bytes)
{
    QFile f(path(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray tst_CliData::readFile(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void tst_CliData::tagFilesRefusedImportKeepsDefinitions()
{
    const QByteArray good("0004A1B2C3\tCurrent Gate\r\n0004A1B2C4\tT\xFCr\r\n");
    writeFile("good.tag", good);
    writeFile("bad.tag", "A1\tGate\r\nA2 Dock\r\n");
    QCOMPARE(cli({QStringLiteral("tags"), QStringLiteral("import"), path("good.tag")}).status, 0);

    const Run refused = cli({QStringLiteral("tags"), QStringLiteral("import"), path("bad.tag")});
    QCOMPARE(refused.status, 2);
    QVERIFY2(refused.err.contains("bad.tag, line 2"), refused.err.constData());
    QCOMPARE(cli({QStringLiteral("tags"), QStringLiteral("import"), path("bad.txt")}).status, 2);

    const Run exported = cli({QStringLiteral("tags"), QStringLiteral("export"), path("out.tag")});
    QCOMPARE(exported.status, 0);
    QCOMPARE(readFile(path("out.tag")), good);
}

void tst_CliData::oldDatabaseExportAndReport()
{
    const QString old = TestEnv::dataFile(QStringLiteral("legacy/old-patrol.mdb"));
    writeFile("tags.tag", "0004A1B2C3\tCurrent Gate\r\n");
    QCOMPARE(cli({QStringLiteral("tags"), QStringLiteral("import"), path("tags.tag")}).status, 0);

    QCOMPARE(cli({QStringLiteral("export"), old, QStringLiteral("--text"), path("data0.txt")}).status, 0);
    const QList<QByteArray> lines = readFile(path("data0.txt")).split('\n');
    QCOMPARE(lines.size(), 13);
    QCOMPARE(lines.first(), QByteArray("1,0004A1B2C3,2024/01/08,08:00:15\r"));
    QCOMPARE(cli({QStringLiteral("export"), old, QStringLiteral("--xlsx"), path("old.xlsx")}).status, 0);
    QVERIFY(readFile(path("old.xlsx")).startsWith("PK"));
    QCOMPARE(cli({QStringLiteral("export"), path("missing.tvl"), QStringLiteral("--xlsx"), path("x.xlsx")}).status, 2);

    const Run report = cli({QStringLiteral("report"), QStringLiteral("patrol"), old, QStringLiteral("--pdf"),
                            path("old.pdf")});
    QVERIFY2(report.status == 0, report.err.constData());
    QCOMPARE(cli({QStringLiteral("report"), QStringLiteral("tags"), QStringLiteral("--pdf"), path("tags.pdf")}).status,
             0);
    QVERIFY(readFile(path("tags.pdf")).startsWith("%PDF"));
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is needed to read the PDF back");
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {path("old.pdf"), QStringLiteral("-")});
    text.waitForFinished();
    const QByteArray shown = text.readAllStandardOutput();
    // The descriptions come from the current tag table, not from the old file.
    QCOMPARE(shown.count("Current Gate"), 3);
    QVERIFY(!shown.contains("Main Gate"));
    QVERIFY(shown.contains("12"));
}

QTEST_GUILESS_MAIN(tst_CliData)
#include "tst_clidata.moc"
