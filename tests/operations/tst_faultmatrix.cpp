#include "CRes.h"
#include "DataColumns.h"
#include "DownloadFixture.h"
#include "RecordingReporter.h"
#include "Workspace.h"

#include <QDir>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

enum class Fault { Vanish, WriteFails, Killed };
constexpr int kRecords = 6;
const QDateTime kFirst(QDate(2025, 7, 4), QTime(10, 20, 30));

// Points the open descriptor of `path` at `device` (/dev/full: every write
// fails; /dev/null: writes pass but the file can no longer be synced), as a
// disk that fills up or goes away under an open file would.
bool spoilOpenFile(const QString &path, const char *device)
{
    const QDir fds(u"/proc/self/fd"_s);
    for (const QString &fd : fds.entryList(QDir::Files | QDir::System)) {
        if (QFile::symLinkTarget(fds.filePath(fd)) != path)
            continue;
        const int replacement = ::open(device, O_WRONLY);
        const bool ok = replacement >= 0 && ::dup2(replacement, fd.toInt()) >= 0;
        ::close(replacement);
        return ok;
    }
    return false;
}

// One maintenance command of either link, on the fixture's link objects.
qint32 runCommand(DownloadFixture &fx, char letter)
{
    QString text;
    qint16 number = 0;
    QDateTime moment;
    if (fx.isKr()) {
        ucKR500_900 &kr = fx.kr();
        switch (letter) {
        case 'A': kr.GetRecordCount(0, number); break;
        case 'T': kr.GetTime(0, moment); break;
        case 'S': kr.SetTime(0, kFirst); break;
        case 'Q': kr.GetID(0, number); break;
        case 'P': kr.SetID(0, 0); break;
        case 'V': kr.getVersion(0, text); break;
        case 'B': kr.GetVoltage(0, text); break;
        case 'D': kr.ClearData(0); break;
        case 'M': kr.RecoverData(0); break;
        case 'Z': kr.InvokeTest(0); break;
        case 'O': kr.PowerDown(0); break;
        }
        return kr.ErrCode();
    }
    ucVX700 &vx = fx.vx();
    switch (letter) {
    case 'L': vx.VX700_Logon(u"7391"_s); break;
    case 'O': vx.VX700_Logoff(); break;
    case 'P': vx.VX700_SetPassword(u"7391"_s); break;
    case 'N': vx.VX700_RecordCount(); break;
    case 'T': vx.VX700_GetTime(); break;
    case 'S': vx.VX700_SetTime(kFirst); break;
    case 'I': vx.VX700_GetID(); break;
    case 'J': vx.VX700_SetID(u"0042"_s); break;
    case 'F': vx.VX700_GetVersion(); break;
    case 'V': vx.VX700_GetBatteryVoltage(); break;
    case 'W': vx.VX700_GetBatteryTemperature(); break;
    case 'E': vx.VX700_EraseAllRecord(); break;
    case '1': vx.CRADLE_GetStatus(); break;
    }
    return vx.ErrCode();
}

}

Q_DECLARE_METATYPE(Fault)

// Every step of both download flows and every maintenance command, with the
// device vanishing at that step, a patrol-file write failing, or the program
// killed mid-download. Whatever happens: no record the terminal sent is lost,
// the terminal is cleared only when every record is on disk, the call comes
// back, and the next download gets every record still missing. The killed
// download runs the real tavrel-cli against the termsim program, which also
// shows its exit statuses.
class tst_FaultMatrix : public QObject
{
    Q_OBJECT

    void killedDownload(int family)
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(u"config/Tavrel"_s));
        QFile conf(dir.path() + u"/config/Tavrel/Tavrel.conf"_s);
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write(QStringLiteral("[Ports]\nCOM1=%1/tty\n[Terminal]\nComport=COM1\nModel=%2\nAutoClearData=1\n"
                                  "AutoUpdateTime=1\nAutoPowerDown=1\n")
                       .arg(dir.path())
                       .arg(family)
                       .toUtf8());
        conf.close();
        constexpr int records = 40;
        const bool kr = family == DownloadProcess::kKrFamily;
        const QStringList all = kr ? KrTerminalSim::generateRecords(records, 1)
                                   : DownloadFixture::vxLines(u"0001"_s, VxCradleSim::sampleRecords(records));

        QProcess sim;
        const auto startSimulator = [&](int count, const QStringList &options) {
            sim.start(QStringLiteral(TAVREL_TERMSIM_PATH),
                      QStringList {u"--link"_s, dir.path() + u"/tty"_s, u"--records"_s, QString::number(count),
                                   kr ? u"--kr"_s : u"--vx"_s} + options);
            // The simulator prints the device path once it is ready.
            return sim.waitForStarted(5000) && sim.waitForReadyRead(5000);
        };
        QVERIFY(startSimulator(records, {u"--paced"_s}));
        const QString unapproved = dir.path() + u"/ws/Unapproved"_s;
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_CONFIG_HOME"_s, dir.path() + u"/config"_s);
        cli.setProcessEnvironment(env);
        const auto startCli = [&] {
            cli.start(QStringLiteral(TAVREL_CLI_PATH), {u"--workspace"_s, dir.path() + u"/ws"_s, u"download"_s});
        };
        const auto runCli = [&] {
            startCli();
            return cli.waitForFinished(60000) ? cli.exitCode() : -1;
        };
        const auto saved = [&] { return DownloadFixture::savedLines(unapproved); };

        // Killed once some records are on disk.
        startCli();
        QVERIFY(cli.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(saved().size() >= 5 || cli.state() == QProcess::NotRunning, 30000);
        cli.kill();
        cli.waitForFinished(5000);
        const QStringList beforeKill = saved();
        QVERIFY2(beforeKill.size() < records, "the download ended before it could be killed");
        QCOMPARE(beforeKill, all.mid(0, beforeKill.size()));

        // Started again: every record is read, the file named on stdout, the
        // terminal cleared only now.
        QCOMPARE(runCli(), 0);
        const QString name = QString::fromUtf8(cli.readAllStandardOutput()).trimmed();
        // Started within the same second, it may have appended to the killed run's file.
        const QStringList got = TestEnv::patrolLines(unapproved + QLatin1Char('/') + name);
        QVERIFY(got.size() >= records);
        QCOMPARE(got.mid(got.size() - records), all);
        QCOMPARE(runCli(), 3);

        // No device behind the port: the link's error, status 2.
        sim.terminate();
        sim.waitForFinished(5000);
        QCOMPARE(runCli(), 2);
        const QByteArray err = cli.readAllStandardError();
        QVERIFY2(err.contains("ErrCode: -"), err.constData());

        // The patrol-data folder cannot take a file: status 4, and the terminal
        // keeps its records for the run that finds the folder simply gone and
        // makes it again.
        QVERIFY(startSimulator(3, {}));
        QVERIFY(QDir(unapproved).removeRecursively());
        QVERIFY(QFile(unapproved).open(QIODevice::WriteOnly));
        QCOMPARE(runCli(), 4);
        QVERIFY(QFile::remove(unapproved));
        QCOMPARE(runCli(), 0);
        QCOMPARE(TestEnv::patrolLines(unapproved + QLatin1Char('/') + cli.readAllStandardOutput().trimmed()).size(), 3);

        // Another program holds the port: a status the timer tells from a quiet dock.
        QSerialPort holder(dir.path() + u"/tty"_s);
        QVERIFY(holder.open(QIODevice::ReadWrite));
        QCOMPARE(runCli(), 7);
        const QByteArray inUse = cli.readAllStandardError();
        QVERIFY2(inUse.contains("the port is in use by another program"), inUse.constData());
        holder.close();

        sim.terminate();
        sim.waitForFinished(5000);
    }

private Q_SLOTS:
    void matrix_data()
    {
        // command: a maintenance command, not a download; letter: vanish at this
        // command, at its occurrence-th arrival; at: vanish after / write failing at
        // this record (0: none, -1: sync); onDisk: records in the file after the
        // fault; cleared: the terminal was cleared before the fault struck.
        addColumns<int, Fault, bool, char, int, int, int, bool>(
            {"family", "fault", "command", "letter", "occurrence", "at", "onDisk", "cleared"});

        const int kr = DownloadProcess::kKrFamily, vx = DownloadProcess::kVxFamily;
        const int n = kRecords;
        auto vanish = [](const char *name, int family, char letter, int onDisk, bool cleared = false, int occurrence = 1) {
            QTest::newRow(name) << family << Fault::Vanish << false << letter << occurrence << 0 << onDisk << cleared;
        };
        auto vanishAfter = [](const char *name, int family, int record) {
            QTest::newRow(name) << family << Fault::Vanish << false << char(0) << 0 << record << record << false;
        };
        auto writeFails = [](const char *name, int family, int record, int onDisk) {
            QTest::newRow(name) << family << Fault::WriteFails << false << char(0) << 0 << record << onDisk << false;
        };
        auto command = [](const char *name, int family, char letter) {
            QTest::addRow("%s command vanish: %s", family == DownloadProcess::kKrFamily ? "KR" : "VX", name)
                << family << Fault::Vanish << true << letter << 1 << 0 << 0 << false;
        };

        vanish("KR vanish: count", kr, 'A', 0);
        vanish("KR vanish: begin", kr, 'I', 0);
        vanishAfter("KR vanish: record 1 of 6", kr, 1);
        vanishAfter("KR vanish: record 3 of 6", kr, 3);
        vanishAfter("KR vanish: record 6 of 6", kr, n);
        vanish("KR vanish: clear", kr, 'D', n);
        vanish("KR vanish: set time", kr, 'S', n, true);
        vanish("KR vanish: power down", kr, 'O', n, true);
        vanish("VX vanish: logon", vx, 'L', 0);
        vanish("VX vanish: count", vx, 'N', 0);
        vanish("VX vanish: ID", vx, 'I', 0);
        vanishAfter("VX vanish: record 1 of 6", vx, 1);
        vanishAfter("VX vanish: record 3 of 6", vx, 3);
        vanishAfter("VX vanish: record 6 of 6", vx, n);
        vanish("VX vanish: rewind", vx, 'R', 0);
        vanish("VX vanish: rollback", vx, 'R', n, false, 2);
        vanish("VX vanish: erase", vx, 'E', n);
        vanish("VX vanish: set time", vx, 'S', n, true);

        const std::tuple<const char *, int, int> writes[] {
            {"create", 0, 0}, {"record 1", 1, 0}, {"record 3", 3, 2}, {"record 6", n, n - 1}, {"sync", -1, n - 1}};
        for (const int family : {kr, vx}) {
            const char *name = family == kr ? "KR" : "VX";
            for (const auto &[step, record, onDisk] : writes)
                writeFails(qPrintable(u"%1 write fails: %2"_s.arg(name, step)), family, record, onDisk);
            QTest::addRow("%s killed mid-download", name)
                << family << Fault::Killed << false << char(0) << 0 << 0 << 0 << false;
        }

        const std::pair<const char *, char> krCommands[] {
            {"record count", 'A'}, {"get time", 'T'}, {"set time", 'S'}, {"get ID", 'Q'}, {"set ID", 'P'},
            {"version", 'V'}, {"voltage", 'B'}, {"clear", 'D'}, {"recover", 'M'}, {"test", 'Z'}, {"power down", 'O'}};
        const std::pair<const char *, char> vxCommands[] {
            {"logon", 'L'}, {"logoff", 'O'}, {"set password", 'P'}, {"record count", 'N'}, {"get time", 'T'},
            {"set time", 'S'}, {"get ID", 'I'}, {"set ID", 'J'}, {"version", 'F'}, {"voltage", 'V'},
            {"temperature", 'W'}, {"clear", 'E'}, {"charger status", '1'}};
        for (const auto &[name, letter] : krCommands)
            command(name, kr, letter);
        for (const auto &[name, letter] : vxCommands)
            command(name, vx, letter);
    }

    void matrix()
    {
        QFETCH(int, family);
        QFETCH(Fault, fault);
        QFETCH(bool, command);
        QFETCH(char, letter);
        QFETCH(int, occurrence);
        QFETCH(int, at);
        QFETCH(int, onDisk);
        QFETCH(bool, cleared);
        if (fault == Fault::Killed)
            return killedDownload(family);

        RecordingReporter reporter;
        DownloadFixture fx(family, kRecords);
        fx.setOptions(1, 1, 1);
        const QStringList all = fx.initialLines();

        if (command) {
            // The device goes at the command: the link says so, nothing else happens.
            if (!fx.isKr() && letter != 'L')
                QCOMPARE(runCommand(fx, 'L'), 0);
            fx.vanishOn(letter);
            const qint32 code = runCommand(fx, letter);
            // The self-test awaits no answer, so its vanishing goes unnoticed.
            QCOMPARE(code == 0, letter == 'Z' && fx.isKr());
            QCOMPARE(fx.terminalLines(), all);
        } else {
            if (fault == Fault::Vanish && letter)
                fx.vanishOn(letter, occurrence);
            else if (fault == Fault::Vanish)
                fx.vanishAfter(at);
            if (fault == Fault::WriteFails && at == 0) {
                // The patrol-data folder was swapped for a file.
                QVERIFY(QDir(Workspace::unapprovedFolder()).removeRecursively());
                QFile blocker(Workspace::unapprovedFolder());
                QVERIFY(blocker.open(QIODevice::WriteOnly));
            }
            if (fault == Fault::WriteFails && at != 0) {
                const int spoilAt = at > 0 ? at : kRecords;
                const char *device = at > 0 ? "/dev/full" : "/dev/null";
                QObject::connect(&fx.process(), &DownloadProcess::progressed, &fx.process(),
                                 [&fx, spoilAt, device](int count, int, const QString &) {
                                     if (count == spoilAt)
                                         QVERIFY(spoilOpenFile(fx.filePath(), device));
                                 });
            }
            bool lost = false;
            QObject::connect(&fx.process(), &DownloadProcess::vxConnectionLost, &fx.process(), [&lost] { lost = true; });
            const DownloadProcess::Outcome outcome = fx.download(false, kFirst);
            // A VX terminal lost while its records are read asks for a new logon.
            QCOMPARE(lost, !fx.isKr() && fault == Fault::Vanish && !letter);
            QCOMPARE(reporter.texts().contains(u"Time out,\r\nplease check the connection and log on again"_s), lost);
            // A failed download tells the user; one whose follow-up failed still saved every record.
            QCOMPARE(outcome == DownloadProcess::Outcome::Saved, onDisk == kRecords && fault == Fault::Vanish && letter);
            if (outcome != DownloadProcess::Outcome::Saved)
                QVERIFY(!reporter.entries.isEmpty());
            // What reached the file stays there.
            QCOMPARE(fx.fileLines(), all.mid(0, onDisk));
            QCOMPARE(fx.terminalCleared(), cleared);
            QObject::disconnect(&fx.process(), &DownloadProcess::progressed, &fx.process(), nullptr);
        }

        // The fault did strike (the self-test's vanishing may still be on its way);
        // the VX link says what happened in words a user understands.
        if (fault == Fault::Vanish)
            QTRY_VERIFY(fx.vanished());
        if (fault == Fault::Vanish && !fx.isKr())
            QVERIFY(reporter.texts().join(QLatin1Char('\n')).contains(QLatin1String("was disconnected")));
        // The cable is back, the folder restored: the next download gets what is missing.
        fx.replug();
        if (!QFileInfo(Workspace::unapprovedFolder()).isDir()) {
            QVERIFY(QFile::remove(Workspace::unapprovedFolder()));
            QVERIFY(Workspace::ensureFolders(Workspace::current(), nullptr));
        }
        const int logged = TestEnv::logEntries().size();
        const DownloadProcess::Outcome next = fx.download(false, kFirst.addSecs(60));
        QCOMPARE(next, cleared ? DownloadProcess::Outcome::NoRecords : DownloadProcess::Outcome::Saved);
        // A terminal found empty gives no file and no log entry, only a word.
        if (cleared) {
            QVERIFY(fx.process().DownloadFile().isEmpty());
            QCOMPARE(TestEnv::logEntries().size(), logged);
            QCOMPARE(reporter.texts().last(), CRes::instance().ResString(166));
            QCOMPARE(reporter.entries.last().icon, MessageReporter::Icon::Information);
        }
        if (!cleared)
            QCOMPARE(fx.fileLines(), all);
        QVERIFY(fx.terminalCleared());
        for (const QString &line : all)
            QVERIFY2(DownloadFixture::savedLines().contains(line), qPrintable(line));
    }
};

QTEST_GUILESS_MAIN(tst_FaultMatrix)
#include "tst_faultmatrix.moc"
