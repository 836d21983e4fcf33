#include "TestEnv.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

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
    env.insert(u"XDG_CONFIG_HOME"_s, path("config"));
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s); // and no display: the report must manage
    env.remove(u"DISPLAY"_s);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TAVREL_CLI_PATH), QStringList{u"--workspace"_s, path("ws")} + args);
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
    QCOMPARE(cli({u"tags"_s, u"import"_s, path("good.tag")}), 0);
    QByteArray err;
    QCOMPARE(cli({u"tags"_s, u"import"_s, path("bad.tag")}, &err), 2);
    QVERIFY2(err.contains("bad.tag, line 2"), err.constData());
    QCOMPARE(cli({u"tags"_s, u"export"_s, path("out.tag")}), 0);
    QCOMPARE(file("out.tag"), good);

    const QString old = TestEnv::dataFile(u"legacy/old-patrol.mdb"_s);
    QCOMPARE(cli({u"report"_s, u"patrol"_s, old, u"--pdf"_s, path("old.pdf")}, &err), 0);
    QCOMPARE(cli({u"export"_s, old, u"--xlsx"_s, path("old.xlsx")}), 0);
    QVERIFY(file("old.xlsx").startsWith("PK"));
    if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty())
        QSKIP("pdftotext (poppler-utils) is needed to read the PDF back");
    QProcess text;
    text.start(u"pdftotext"_s, {path("old.pdf"), u"-"_s});
    text.waitForFinished();
    const QByteArray shown = text.readAllStandardOutput();
    // The descriptions come from the current tag table, not from the old file.
    QCOMPARE(shown.count("Current Gate"), 3);
    QVERIFY(!shown.contains("Main Gate"));
}

QTEST_GUILESS_MAIN(tst_CliData)
#include "tst_clidata.moc"
