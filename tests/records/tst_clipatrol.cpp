#include "FileSizeLimit.h"
#include "PatrolFile.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

// The patrol-data, tag, export and report commands of tavrel-cli, run as a
// script would.
class tst_CliPatrol : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void commands_data();
    void commands();
    void writesWholeOrNotAtAll_data();
    void writesWholeOrNotAtAll();

private:
    void start(const QStringList &args, QProcess &p);
    QTemporaryDir m_dir;
};

void tst_CliPatrol::initTestCase()
{
    QVERIFY(writeTestFile(m_dir.filePath(u"good.tag"_s), "0004A1B2C4\tT\xFCr\r\n0004A1B2C5\tDock\r\n"));
    QVERIFY(writeTestFile(m_dir.filePath(u"bad.tag"_s), "0004A1B2C6\tGate\r\nA2 Dock\r\n"));
    QVERIFY(writeTestFile(m_dir.filePath(u"plan.json"_s),
                          R"({"plans": [{"name": "P", "start": "07:22", "end": "07:22", "interval": 0,
                          "weekdays": ["Sun"], "checkpoints": [{"code": "0004A1B2C3", "minutes": 0, "tolerance": 5}]}]})"));
}

namespace {

// 255 bytes with ".tvl": too long for " (2)" to be added.
const QString kLongName = u"20261206 070000 x"_s + QString(117, u'\u00e9') + u".tvl"_s;
const QString kLongApproved = u"20261206 070000 x"_s + QString(115, u'\u00e9') + u" (2).tvl"_s;

}

// Each row runs one command after the rows before it, on one workspace; an
// argument starting with @ names a file in the test folder.
void tst_CliPatrol::commands_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("errPart");
    const QString legacy = qEnvironmentVariable("TAVREL_TEST_DATA") + u"/legacy/"_s;
    QTest::newRow("add") << QStringList{"tags", "add", "0004A1B2C3", "Main Gate"} << 0 << "" << "";
    QTest::newRow("add lower case") << QStringList{"tags", "add", "0004a1b2c3", "x"} << 1 << "" << "0 1 2 3";
    QTest::newRow("add line break") << QStringList{"tags", "add", "0004A1B2C7", "Gate\nNorth"} << 1 << ""
                                    << "line breaks, tabs or other control characters";
    QTest::newRow("add duplicate") << QStringList{"tags", "add", "0004A1B2C3", "x"} << 1 << ""
                                   << "0004A1B2C3 This tag code is already defined.";
    QTest::newRow("add second") << QStringList{"tags", "add", "0004A1B2C4", "Door"} << 0 << "" << "";
    QTest::newRow("edit to taken") << QStringList{"tags", "edit", "0004A1B2C4", "0004A1B2C3", "y"} << 1 << ""
                                   << "already defined";
    QTest::newRow("list") << QStringList{"tags", "list"} << 0 << "0004A1B2C3\tMain Gate\n0004A1B2C4\tDoor\n" << "";
    QTest::newRow("files") << QStringList{"files"} << 0 << "unapproved\ta.tvl\nunapproved\tb.tvl\napproved\ta.tvl\n" << "";
    QTest::newRow("show") << QStringList{"show", "--iso", "@ws/Unapproved/a.tvl"} << 0
                          << "1\t2026-12-06\t07:22:52\t0004A1B2C3\tMain Gate\n2\tbad\t07:30:00\t0004A1B2C9\t\n"
                          << "1 lines could not be read and were skipped (lines 2)";
    // A device behind a symlink and a FIFO are named as unreadable by every reader.
    QTest::newRow("show /dev/zero") << QStringList{"show", "@ws/Unapproved/zero.tvl"} << 2 << "" << "zero.tvl is not a regular file";
    QTest::newRow("plans import") << QStringList{"plans", "import", "@plan.json"} << 0 << "1 plans imported\n" << "";
    QTest::newRow("exceptions past unreadable files")
        << QStringList{"exceptions", "--from", "2026-12-06", "--to", "2026-12-06"} << 0
        << "P\t2026-12-06 07:22\t1\t0004A1B2C3\t07:22\ton-time\t1\t\t2026-12-06 07:22:52\t1\t\n"
        << "zero.tvl is not a regular file|fifo.tvl is not a regular file|a.tvl: 1 lines|a.tvl: 1 lines";
    QTest::newRow("approve all, past failures")
        << QStringList{"approve", "--all"} << 1 << kLongApproved + u"\na (2).tvl\nb.tvl\n"_s
        << "fifo.tvl|zero.tvl";
    QTest::newRow("after") << QStringList{"files"} << 0
                           << u"unapproved\tfifo.tvl\nunapproved\tzero.tvl\napproved\t"_s + kLongApproved
                                  + u"\napproved\t"_s + kLongName
                                  + u"\napproved\ta (2).tvl\napproved\ta.tvl\napproved\tb.tvl\n"_s
                           << "";
    QTest::newRow("delete") << QStringList{"tags", "delete", "0004A1B2C4", "0004A1B2C9"} << 1 << "" << "0004A1B2C9 is not defined";
    QTest::newRow("list after delete") << QStringList{"tags", "list"} << 0 << "0004A1B2C3\tMain Gate\n" << "";
    QTest::newRow("import") << QStringList{"tags", "import", "@good.tag"} << 0 << "2 tag definitions imported\n" << "";
    QTest::newRow("import refused") << QStringList{"tags", "import", "@bad.tag"} << 2 << "" << "bad.tag, line 2";
    QTest::newRow("list after import") << QStringList{"tags", "list"} << 0 << "0004A1B2C4\tTür\n0004A1B2C5\tDock\n" << "";
    QTest::newRow("export tags") << QStringList{"tags", "export", "@out.tag"} << 0 << "2 tag definitions exported\n" << "";
    QTest::newRow("report of old file") << QStringList{"report", "patrol", legacy + "old-patrol.mdb", "--pdf", "@old.pdf"}
                                        << 0 << "" << "";
    QTest::newRow("workbook of old file") << QStringList{"export", legacy + "old-patrol.mdb", "--xlsx", "@old.xlsx"}
                                          << 0 << "" << "";
}

void tst_CliPatrol::commands()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, errPart);
    const QDir ws(m_dir.filePath(u"ws"_s));
    if (QTest::currentDataTag() == QLatin1String("files")) {
        QVERIFY(writeTestFile(ws.filePath(u"Unapproved/a.tvl"_s),
                              PatrolFile::encode(u"1,0004A1B2C3,2026/12/06,07:22:52"_s) + "\r\n999\r\n"
                                  + PatrolFile::encode(u"2,0004A1B2C9,bad,07:30:00"_s) + "\r\n"));
        QVERIFY(writeTestFile(ws.filePath(u"Unapproved/b.tvl"_s), {}));
        QVERIFY(writeTestFile(ws.filePath(u"Approved/a.tvl"_s), "approved before\r\n"));
    }
    if (QTest::currentDataTag() == QLatin1String("show /dev/zero")) {
        QVERIFY(QFile::link(u"/dev/zero"_s, ws.filePath(u"Unapproved/zero.tvl"_s)));
        QCOMPARE(::mkfifo(QFile::encodeName(ws.filePath(u"Unapproved/fifo.tvl"_s)).constData(), 0600), 0);
        QVERIFY(writeTestFile(ws.filePath(u"Unapproved/"_s + kLongName), {}));
        QVERIFY(writeTestFile(ws.filePath(u"Approved/"_s + kLongName), {}));
    }
    for (QString &a : args)
        if (a.startsWith(u'@'))
            a = m_dir.filePath(a.mid(1));
    QProcess p;
    start(args, p);
    QVERIFY(p.waitForFinished(30000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == status,
             qPrintable(u"status %1: %2"_s.arg(p.exitCode()).arg(err)));
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), out);
    // Each part ('|' between them) on a line of its own.
    const QStringList parts = errPart.split(u'|', Qt::SkipEmptyParts);
    for (const QString &part : parts)
        QVERIFY2(err.contains(part), qPrintable(err));
    QVERIFY2(err.count(u'\n') == parts.size(), qPrintable(err));
}

void tst_CliPatrol::start(const QStringList &args, QProcess &p)
{
    const QDir ws(m_dir.filePath(u"ws"_s));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_CONFIG_HOME"_s, m_dir.filePath(u"config"_s));
    env.insert(u"XDG_DATA_HOME"_s, m_dir.filePath(u"data"_s));
    env.insert(u"LC_ALL"_s, u"C"_s);
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s); // and no display: reports must manage
    env.insert(u"XDG_RUNTIME_DIR"_s, m_dir.path());
    env.remove(u"DISPLAY"_s);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TAVREL_CLI_PATH), QStringList{u"--workspace"_s, ws.path()} + args);
}

// Each output replaces the old file whole or leaves it, and the folder, as it
// was: a file size limit of 1 byte plays a full disk. A name of 250 bytes over
// an existing file must still be written.
void tst_CliPatrol::writesWholeOrNotAtAll_data()
{
    QTest::addColumn<QStringList>("args"); // @out is the output
    QTest::addColumn<bool>("full");
    const QString tvl = m_dir.filePath(u"in.tvl"_s);
    QVERIFY(writeTestFile(tvl, PatrolFile::encode(u"1,0004A1B2C3,2026/12/06,07:22:52"_s) + "\r\n"));
    QTest::newRow("plans export") << QStringList{"plans", "export", "@out"} << true;
    QTest::newRow("tags export") << QStringList{"tags", "export", "@out.tag"} << true;
    QTest::newRow("export --text") << QStringList{"export", tvl, "--text", "@out"} << true;
    QTest::newRow("export --xlsx") << QStringList{"export", tvl, "--xlsx", "@out"} << true;
    QTest::newRow("report tags") << QStringList{"report", "tags", "--pdf", "@out"} << true;
    QTest::newRow("xlsx, long name") << QStringList{"export", tvl, "--xlsx", "@out"} << false;
    QTest::newRow("text, long name") << QStringList{"export", tvl, "--text", "@out"} << false;
}

void tst_CliPatrol::writesWholeOrNotAtAll()
{
    QFETCH(QStringList, args);
    QFETCH(bool, full);
    QTemporaryDir folder(m_dir.filePath(u"out-XXXXXX"_s));
    const QString out = folder.filePath(full ? u"old"_s : QString(250, u'n'));
    args.replaceInStrings(u"@out"_s, out);
    const QString target = args.filter(out).constFirst();
    QVERIFY(writeTestFile(target, "OLD"));
    QProcess p;
    {
        FileSizeLimit limit(full ? 1 : -1); // inherited by the command
        start(args, p);
    }
    QVERIFY(p.waitForFinished(30000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(target).fileName()});
    QVERIFY2(p.exitStatus() == QProcess::NormalExit && (p.exitCode() != 0) == full, qPrintable(err));
    QVERIFY2(!full || err.contains(u"Cannot write "_s + target), qPrintable(err));
    QCOMPARE(readTestFile(target) == "OLD", full);
}

QTEST_GUILESS_MAIN(tst_CliPatrol)
#include "tst_clipatrol.moc"
