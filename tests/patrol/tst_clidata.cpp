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
    void tagsAndReportOfOldDatabase();

private:
    int cli(const QStringList &args, QByteArray *err = nullptr);
    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QByteArray file(const char *name, const QByteArray &write = {});

    QTemporaryDir m_dir;
};

int tst_CliData::cli(const QStringList &args, QByteArray *err)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb")); // and no display: the report must manage
    env.remove(QStringLiteral("DISPLAY"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TAVREL_CLI_PATH), QStringList{QStringLiteral("--workspace"), path("ws")} + args);
    p.waitForFinished(60000);
    if (err)
        *err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
}

QByteArray tst_CliData::file(const char *name, const QByteArray &write)
{
    QFile f(path(name));
    if (!write.isEmpty())
        return f.open(QIODevice::WriteOnly) && f.write(write) == write.size() ? write : QByteArray();
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void tst_CliData::tagsAndReportOfOldDatabase()
{
    const QByteArray good = file("good.tag", "0004A1B2C3\tCurrent Gate\r\n0004A1B2C4\tT\xFCr\r\n");
    file("bad.tag", "A1\tGate\r\nA2 Dock\r\n");
    QCOMPARE(cli({QStringLiteral("tags"), QStringLiteral("import"), path("good.tag")}), 0);
    QByteArray err;
    QCOMPARE(cli({QStringLiteral("tags"), QStringLiteral("import"), path("bad.tag")}, &err), 2);
    QVERIFY2(err.contains("bad.tag, line 2"), err.constData());
    QCOMPARE(cli({QStringLiteral("tags"), QStringLiteral("export"), path("out.tag")}), 0);
    QCOMPARE(file("out.tag"), good);

    const QString old = TestEnv::dataFile(QStringLiteral("legacy/old-patrol.mdb"));
    QCOMPARE(cli({QStringLiteral("report"), QStringLiteral("patrol"), old, QStringLiteral("--pdf"), path("old.pdf")},
                 &err),
             0);
    QCOMPARE(cli({QStringLiteral("export"), old, QStringLiteral("--xlsx"), path("old.xlsx")}), 0);
    QVERIFY(file("old.xlsx").startsWith("PK"));
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is needed to read the PDF back");
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {path("old.pdf"), QStringLiteral("-")});
    text.waitForFinished();
    const QByteArray shown = text.readAllStandardOutput();
    // The descriptions come from the current tag table, not from the old file.
    QCOMPARE(shown.count("Current Gate"), 3);
    QVERIFY(!shown.contains("Main Gate"));
}

QTEST_GUILESS_MAIN(tst_CliData)
#include "tst_clidata.moc"
