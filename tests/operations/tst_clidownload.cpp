#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// tavrel-cli download as a scheduled job runs it: the real program against the
// termsim program, judged by its output and exit status.
class tst_CliDownload : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void exitStatuses();

private:
    bool startSimulator(const QStringList &options);
    int runCli(const QStringList &args, QString *out, QString *err);
    void writeSettings(const QString &extra = QString());

    std::unique_ptr<QTemporaryDir> m_dir;
    QProcess m_sim;
};

void tst_CliDownload::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QDir(m_dir->path()).mkpath(QStringLiteral("config/Tavrel"));
}

void tst_CliDownload::cleanup()
{
    if (m_sim.state() != QProcess::NotRunning) {
        m_sim.terminate();
        m_sim.waitForFinished(5000);
    }
    m_dir.reset();
}

void tst_CliDownload::writeSettings(const QString &extra)
{
    QFile conf(m_dir->path() + QStringLiteral("/config/Tavrel/Tavrel.conf"));
    QVERIFY(conf.open(QIODevice::WriteOnly | QIODevice::Truncate));
    conf.write(QStringLiteral("[Ports]\nCOM1=%1/ttyKR\n[Terminal]\nComport=COM1\nAutoClearData=1\n%2")
                   .arg(m_dir->path(), extra)
                   .toUtf8());
}

bool tst_CliDownload::startSimulator(const QStringList &options)
{
    if (m_sim.state() != QProcess::NotRunning) {
        m_sim.terminate();
        m_sim.waitForFinished(5000);
    }
    m_sim.start(QStringLiteral(TAVREL_TERMSIM_PATH),
                QStringList {QStringLiteral("--link"), m_dir->path() + QStringLiteral("/ttyKR")} + options);
    // The simulator prints the device path once it is ready.
    return m_sim.waitForStarted(5000) && m_sim.waitForReadyRead(5000);
}

int tst_CliDownload::runCli(const QStringList &args, QString *out, QString *err)
{
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->path() + QStringLiteral("/config"));
    cli.setProcessEnvironment(env);
    cli.start(QStringLiteral(TAVREL_CLI_PATH),
              QStringList {QStringLiteral("--workspace"), m_dir->path() + QStringLiteral("/ws"),
                           QStringLiteral("download")}
                  + args);
    if (!cli.waitForFinished(60000))
        return -1;
    *out = QString::fromUtf8(cli.readAllStandardOutput());
    *err = QString::fromUtf8(cli.readAllStandardError());
    return cli.exitCode();
}

void tst_CliDownload::exitStatuses()
{
    QString out, err;
    writeSettings();

    // A terminal with records: the file is named on stdout, status 0.
    QVERIFY(startSimulator({QStringLiteral("--records"), QStringLiteral("7")}));
    QCOMPARE(runCli({}, &out, &err), 0);
    const QString name = out.trimmed();
    QVERIFY2(name.endsWith(QLatin1String(".tvl")), qPrintable(out + err));
    QVERIFY(QFile::exists(m_dir->path() + QStringLiteral("/ws/Unapproved/") + name));

    // It was cleared by the follow-up action: now it holds nothing, status 3.
    QCOMPARE(runCli({}, &out, &err), 3);
    QVERIFY(out.isEmpty());
    QVERIFY(!err.isEmpty());

    // No device behind the port: the link's error, status 2.
    m_sim.terminate();
    m_sim.waitForFinished(5000);
    QCOMPARE(runCli({}, &out, &err), 2);
    QVERIFY2(err.contains(QLatin1String("ErrCode: -6, KR_ERR_UNKNOWN")), qPrintable(err));

    // The patrol-data folder cannot take a file: status 4, and the terminal
    // keeps its records because nothing was cleared.
    QVERIFY(startSimulator({QStringLiteral("--records"), QStringLiteral("3")}));
    const QString unapproved = m_dir->path() + QStringLiteral("/ws/Unapproved");
    QVERIFY(QDir(unapproved).removeRecursively());
    QFile blocker(unapproved);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QCOMPARE(runCli({}, &out, &err), 4);
    // With the folder simply gone, the download makes it again.
    QVERIFY(QFile::remove(unapproved));
    QCOMPARE(runCli({}, &out, &err), 0);
    QVERIFY(QFile::exists(unapproved + QLatin1Char('/') + out.trimmed()));
}

QTEST_GUILESS_MAIN(tst_CliDownload)
#include "tst_clidownload.moc"
