#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

// tavrel-cli download as a scheduled job runs it: the real program against the
// termsim program, judged by its output and exit status.
class tst_CliDownload : public QObject
{
    Q_OBJECT

    void stopSimulator()
    {
        m_sim.terminate();
        m_sim.waitForFinished(5000);
    }

    bool startSimulator(const QStringList &options)
    {
        stopSimulator();
        m_sim.start(QStringLiteral(TAVREL_TERMSIM_PATH),
                    QStringList {u"--link"_s, m_dir->path() + u"/ttyKR"_s} + options);
        // The simulator prints the device path once it is ready.
        return m_sim.waitForStarted(5000) && m_sim.waitForReadyRead(5000);
    }

    int runCli(const QStringList &args, QString *out, QString *err)
    {
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_CONFIG_HOME"_s, m_dir->path() + u"/config"_s);
        cli.setProcessEnvironment(env);
        const QStringList base {u"--workspace"_s, m_dir->path() + u"/ws"_s, u"download"_s};
        cli.start(QStringLiteral(TAVREL_CLI_PATH), base + args);
        if (!cli.waitForFinished(60000))
            return -1;
        *out = QString::fromUtf8(cli.readAllStandardOutput());
        *err = QString::fromUtf8(cli.readAllStandardError());
        return cli.exitCode();
    }

    void writeSettings(const QString &extra = QString())
    {
        QFile conf(m_dir->path() + u"/config/Tavrel/Tavrel.conf"_s);
        QVERIFY(conf.open(QIODevice::WriteOnly | QIODevice::Truncate));
        conf.write(u"[Ports]\nCOM1=%1/ttyKR\n[Terminal]\nComport=COM1\nAutoClearData=1\n%2"_s
                       .arg(m_dir->path(), extra)
                       .toUtf8());
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QProcess m_sim;

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QDir(m_dir->path()).mkpath(u"config/Tavrel"_s);
    }

    void cleanup()
    {
        stopSimulator();
        m_dir.reset();
    }

    void exitStatuses()
    {
        QString out, err;
        writeSettings();

        // A terminal with records: the file is named on stdout, status 0.
        QVERIFY(startSimulator({u"--records"_s, u"7"_s}));
        QCOMPARE(runCli({}, &out, &err), 0);
        const QString name = out.trimmed();
        QVERIFY2(name.endsWith(QLatin1String(".tvl")), qPrintable(out + err));
        QVERIFY(QFile::exists(m_dir->path() + u"/ws/Unapproved/"_s + name));

        // It was cleared by the follow-up action: now it holds nothing, status 3.
        QCOMPARE(runCli({}, &out, &err), 3);
        QVERIFY(out.isEmpty());
        QVERIFY(!err.isEmpty());

        // No device behind the port: the link's error, status 2.
        stopSimulator();
        QCOMPARE(runCli({}, &out, &err), 2);
        QVERIFY2(err.contains(QLatin1String("ErrCode: -6, KR_ERR_UNKNOWN")), qPrintable(err));

        // The patrol-data folder cannot take a file: status 4, and the terminal
        // keeps its records because nothing was cleared.
        QVERIFY(startSimulator({u"--records"_s, u"3"_s}));
        const QString unapproved = m_dir->path() + u"/ws/Unapproved"_s;
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
};

QTEST_GUILESS_MAIN(tst_CliDownload)
#include "tst_clidownload.moc"
