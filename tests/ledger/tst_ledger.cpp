#include "DataStore.h"
#include "Ledger.h"
#include "PatrolFile.h"
#include "PatrolLibrary.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "Workspace.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

void writePatrol(const QString &name, const QStringList &lines)
{
    QFile file(Workspace::path(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    for (const QString &line : lines)
        QVERIFY(WritePatrolLine(file, line));
}

// Runs a program to its end; its exit status, -1 when it did not run.
int runProgram(const QString &program, const QStringList &args, QString *out, QString *err = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return -1;
    *out = QString::fromUtf8(p.readAllStandardOutput());
    if (err)
        *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitCode();
}

// A terminal simulator (termsim) of one family on a pseudo-terminal, and the
// settings that make tavrel-cli download from it; ended with the object.
class Terminal
{
public:
    Terminal(const QString &root, bool vx, const QStringList &options = {})
        : m_root(root)
    {
        QDir(root).mkpath(u"xdg/Tavrel"_s);
        writeTestFile(root + u"/xdg/Tavrel/Tavrel.conf"_s,
                      QStringLiteral("[Ports]\nCOM1=%1/tty\n[Terminal]\nComport=COM1\nModel=%2\nAutoClearData=0\n"
                                     "AutoUpdateTime=1\nAutoPowerDown=0\n")
                          .arg(root)
                          .arg(vx ? 1 : 0)
                          .toUtf8());
        m_sim.start(QStringLiteral(TAVREL_TERMSIM_PATH),
                    QStringList {u"--link"_s, root + u"/tty"_s, u"--records"_s, u"3"_s, vx ? u"--vx"_s : u"--kr"_s}
                        + options);
        // The simulator prints the device path once it is ready.
        m_ready = m_sim.waitForStarted(5000) && m_sim.waitForReadyRead(5000);
    }
    ~Terminal()
    {
        m_sim.terminate();
        m_sim.waitForFinished(5000);
    }
    bool ready() const { return m_ready; }
    // tavrel-cli with these settings on the current workspace.
    int cli(const QStringList &args, QString *out) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_CONFIG_HOME"_s, m_root + u"/xdg"_s);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TAVREL_CLI_PATH), QStringList {u"--workspace"_s, Workspace::current()} + args);
        if (!p.waitForFinished(60000))
            return -1;
        *out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
        return p.exitCode();
    }

private:
    QString m_root;
    QProcess m_sim;
    bool m_ready = false;
};

int sqlite(const QString &sql, QString *out, QString *err = nullptr)
{
    return runProgram(u"sqlite3"_s, {Workspace::tvlMon(), sql}, out, err);
}

// tavrel-cli verify on the current workspace: its status, and kind and
// subject of each finding.
int verify(QStringList *findings, const QStringList &extra = {})
{
    QString out;
    const int status = runProgram(QStringLiteral(TAVREL_CLI_PATH),
                                  QStringList {u"--workspace"_s, Workspace::current(), u"verify"_s} + extra, &out);
    findings->clear();
    for (const QString &line : out.split(u'\n', Qt::SkipEmptyParts))
        findings->append(line.section(u'\t', 0, 1));
    return status;
}

void flipByte(const QString &name)
{
    QByteArray bytes = readTestFile(Workspace::path(name));
    QVERIFY(!bytes.isEmpty());
    bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x01);
    QVERIFY(writeTestFile(Workspace::path(name), bytes));
}

}

// The ledger and tavrel-cli verify against real edits of a workspace: bytes
// changed in a file, files removed or added outside the program, rows changed
// with the sqlite3 tool.
class tst_Ledger : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void findings_data();
    void findings();
    void oldWorkspaceBaselined();
    void cleanChainAfterOperations();
    void clockOffsetStored_data();
    void clockOffsetStored();
};

void tst_Ledger::findings_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("untouched") << u""_s << 0 << QStringList {};
    QTest::newRow("byte changed") << u"flip"_s << 6 << QStringList {u"edited\tUnapproved/a.tvl"_s};
    QTest::newRow("file removed") << u"remove"_s << 6 << QStringList {u"missing\tApproved/b.tvl"_s};
    QTest::newRow("extra file") << u"extra"_s << 6 << QStringList {u"uncovered\tUnapproved/c.tvl"_s};
    QTest::newRow("row edited") << u"DROP TRIGGER LedgerNoUpdate; UPDATE Ledger SET RecordCount = 99 WHERE RowNo = 2"_s
                                << 6 << QStringList {u"chain\trow 2"_s};
    QTest::newRow("row removed") << u"DROP TRIGGER LedgerNoDelete; DELETE FROM Ledger WHERE RowNo = 2"_s << 6
                                 << QStringList {u"chain\trow 3"_s, u"uncovered\tUnapproved/a.tvl"_s};
    QTest::newRow("baseline list edited")
        << u"DROP TRIGGER LedgerBaselineNoUpdate; UPDATE LedgerBaseline SET FileHash = '00'"_s << 6
        << QStringList {u"chain\trow 1"_s, u"edited\tUnapproved/old.tvl"_s};
}

void tst_Ledger::findings()
{
    QFETCH(QString, edit);
    QFETCH(int, status);
    QFETCH(QStringList, expected);
    TestEnv env;
    // A file from before the ledger, then a download that is approved.
    writePatrol(u"Unapproved/old.tvl"_s, {u"1,0004A1B2C3,2024/01/08,08:00:15"_s});
    writePatrol(u"Unapproved/a.tvl"_s, {u"1,0004A1B2C3,2024/01/08,08:00:15"_s, u"1,0004A1B2C4,2024/01/08,08:01:02"_s});
    QString error;
    QVERIFY2(Ledger::appendFile(Ledger::kDownload, Workspace::path(u"Unapproved/a.tvl"_s), 2, &error), qPrintable(error));
    writePatrol(u"Unapproved/b.tvl"_s, {u"2,0004A1B2C5,2024/01/09,09:00:00"_s});
    QVERIFY2(Ledger::appendFile(Ledger::kDownload, Workspace::path(u"Unapproved/b.tvl"_s), 1, &error), qPrintable(error));
    QVERIFY(QFile::rename(Workspace::path(u"Unapproved/b.tvl"_s), Workspace::path(u"Approved/b.tvl"_s)));
    QVERIFY2(Ledger::appendFile(Ledger::kApprove, Workspace::path(u"Approved/b.tvl"_s), 1, &error), qPrintable(error));
    QString out;
    QCOMPARE(sqlite(u"SELECT RowNo, Kind, FileName FROM Ledger"_s, &out), 0);
    QCOMPARE(out, u"1|baseline|1\n2|download|Unapproved/a.tvl\n3|download|Unapproved/b.tvl\n4|approve|Approved/b.tvl\n"_s);

    // The database itself refuses to change or remove a row.
    QString err;
    QVERIFY(sqlite(u"UPDATE Ledger SET RecordCount = 99 WHERE RowNo = 2"_s, &out, &err) != 0);
    QVERIFY2(err.contains(u"append-only"_s), qPrintable(err));
    QVERIFY(sqlite(u"DELETE FROM Ledger"_s, &out, &err) != 0);
    QVERIFY2(err.contains(u"append-only"_s), qPrintable(err));

    if (edit == u"flip"_s)
        flipByte(u"Unapproved/a.tvl"_s);
    else if (edit == u"remove"_s)
        QVERIFY(QFile::remove(Workspace::path(u"Approved/b.tvl"_s)));
    else if (edit == u"extra"_s)
        writePatrol(u"Unapproved/c.tvl"_s, {u"3,0004A1B2C6,2024/01/10,10:00:00"_s});
    else if (!edit.isEmpty())
        QCOMPARE(sqlite(edit, &out), 0);

    QStringList found;
    QCOMPARE(verify(&found), status);
    QCOMPARE(found, expected);
    // The head of the ledger, as a report prints it, is found in the chain; another is not.
    LedgerRow head;
    QVERIFY(Ledger::head(&head));
    QVERIFY(Ledger::footerLine().startsWith(u"Ledger head "_s + head.rowHash.left(12)));
    QCOMPARE(verify(&found, {u"--head"_s, head.rowHash.left(12).toUpper()}), 0);
    QCOMPARE(verify(&found, {u"--head"_s, u"0123456789ab"_s}), 6);
}

void tst_Ledger::oldWorkspaceBaselined()
{
    TestEnv env(false);
    writePatrol(u"Unapproved/20240101 080000.tvl"_s, {u"1,0004A1B2C3,2024/01/01,08:00:00"_s});
    writePatrol(u"Approved/20231231 080000.tvl"_s, {u"1,0004A1B2C3,2023/12/31,08:00:00"_s});
    // The first start of the program with a ledger takes the files as they are.
    QStringList found;
    QCOMPARE(verify(&found), 0);
    QCOMPARE(found, QStringList());
    QString out;
    QCOMPARE(sqlite(u"SELECT RowNo, Kind, FileName FROM Ledger; SELECT FileName FROM LedgerBaseline"_s, &out), 0);
    QCOMPARE(out, u"1|baseline|2\nUnapproved/20240101 080000.tvl\nApproved/20231231 080000.tvl\n"_s);
    // From then on the baseline covers them.
    flipByte(u"Approved/20231231 080000.tvl"_s);
    QCOMPARE(verify(&found), 6);
    QCOMPARE(found, QStringList {u"edited\tApproved/20231231 080000.tvl"_s});
}

// Downloads, an approve and a delete to the trash as the program makes them
// leave a chain and files that verify finds whole.
void tst_Ledger::cleanChainAfterOperations()
{
    TestEnv env;
    qputenv("XDG_DATA_HOME", QFile::encodeName(env.root() + u"/data"_s));
    Terminal terminal(env.root(), false);
    QVERIFY(terminal.ready());
    QString first, second, out;
    QCOMPARE(terminal.cli({u"download"_s}, &first), 0);
    QCOMPARE(terminal.cli({u"approve"_s, first}, &out), 0);
    // The terminal kept its records: the second file has the same bytes.
    QCOMPARE(terminal.cli({u"download"_s}, &second), 0);
    PatrolLibrary library;
    library.refresh();
    QCOMPARE(library.files().size(), 2);
    QString error;
    QVERIFY2(library.remove(library.files().first().key, &error), qPrintable(error));

    QCOMPARE(sqlite(u"SELECT Kind, FileName, RecordCount, Family, MachineNo FROM Ledger"_s, &out), 0);
    QCOMPARE(out, QStringLiteral("download|Unapproved/%1|3|KR|1\napprove|Approved/%1|||\n"
                                 "download|Unapproved/%2|3|KR|1\ndelete|Unapproved/%2|||\n")
                      .arg(first, second));
    QStringList found;
    QCOMPARE(verify(&found), 0);
    QCOMPARE(found, QStringList());
}

void tst_Ledger::clockOffsetStored_data()
{
    QTest::addColumn<bool>("vx");
    QTest::newRow("KR") << false;
    QTest::newRow("VX") << true;
}

// A terminal whose clock is an hour and some behind: the download reads it
// before setting it and keeps the offset in its ledger row.
void tst_Ledger::clockOffsetStored()
{
    QFETCH(bool, vx);
    TestEnv env;
    Terminal terminal(env.root(), vx, {u"--clock-offset=-3700"_s});
    QVERIFY(terminal.ready());
    QString name, out;
    QCOMPARE(terminal.cli({u"download"_s}, &name), 0);
    QCOMPARE(sqlite(u"SELECT Kind, Family, ClockOffsetSec FROM Ledger"_s, &out), 0);
    const QStringList fields = out.trimmed().split(u'|');
    QCOMPARE(fields.mid(0, 2), (QStringList {u"download"_s, vx ? u"VX"_s : u"KR"_s}));
    // Both clocks run on; reading whole seconds on either side rounds by one at most.
    const int offset = fields.value(2).toInt();
    QVERIFY2(offset >= -3702 && offset <= -3698, qPrintable(out));
}

QTEST_GUILESS_MAIN(tst_Ledger)
#include "tst_ledger.moc"
