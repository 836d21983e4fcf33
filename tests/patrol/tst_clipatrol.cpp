#include "PatrolFile.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

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

private:
    QTemporaryDir m_dir;
};

void tst_CliPatrol::initTestCase()
{
    QVERIFY(writeTestFile(m_dir.filePath(u"good.tag"_s), "0004A1B2C4\tT\xFCr\r\n0004A1B2C5\tDock\r\n"));
    QVERIFY(writeTestFile(m_dir.filePath(u"bad.tag"_s), "0004A1B2C6\tGate\r\nA2 Dock\r\n"));
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
    QTest::newRow("approve all, one name taken") << QStringList{"approve", "--all"} << 0 << "a (2).tvl\nb.tvl\n" << "";
    QTest::newRow("after") << QStringList{"files"} << 0 << "approved\ta (2).tvl\napproved\ta.tvl\napproved\tb.tvl\n" << "";
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
    for (QString &a : args)
        if (a.startsWith(u'@'))
            a = m_dir.filePath(a.mid(1));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_CONFIG_HOME"_s, m_dir.filePath(u"config"_s));
    env.insert(u"XDG_DATA_HOME"_s, m_dir.filePath(u"data"_s));
    env.insert(u"LC_ALL"_s, u"C"_s);
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s); // and no display: reports must manage
    env.insert(u"XDG_RUNTIME_DIR"_s, m_dir.path());
    env.remove(u"DISPLAY"_s);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TAVREL_CLI_PATH), QStringList{u"--workspace"_s, ws.path()} + args);
    QVERIFY(p.waitForFinished(30000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == status,
             qPrintable(u"status %1: %2"_s.arg(p.exitCode()).arg(err)));
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), out);
    if (errPart.isEmpty())
        QCOMPARE(err, QString());
    else
        QVERIFY2(err.contains(errPart) && err.count(u'\n') == 1, qPrintable(err));
}

QTEST_GUILESS_MAIN(tst_CliPatrol)
#include "tst_clipatrol.moc"
