#include "DataStore.h"
#include "PatrolFile.h"
#include "PlanStore.h"
#include "ReportMail.h"
#include "PgCluster.h"
#include "Settings.h"
#include "TagStore.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "Workspace.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace Qt::StringLiterals;

// `tavrel-cli report send` against a real SMTP server (aiosmtpd writing a
// maildir): the message, its PDF read back, sending once per period, the
// server down, the password file and the interface language.
class tst_ReportMail : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void periods_data();
    void periods();
    void sendOncePerPeriod();
    void onlyIfMissed();
    void serverDown();
    void passwordFile();
    void japanese();
    void siteFromCentral();
    void refusedArguments_data();
    void refusedArguments();
};

namespace {

// A local SMTP server that keeps what it receives in a maildir; stopped with the object.
class SmtpServer
{
public:
    explicit SmtpServer(const QString &folder) : m_folder(folder + u"/maildir"_s) {}
    ~SmtpServer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    // Listens on `port` (a free one when 0); false with the server's words when it does not come up.
    bool start(QString *why, quint16 port = 0)
    {
        m_port = port ? port : freePort();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(u"/usr/bin/python3"_s, {u"-m"_s, u"aiosmtpd"_s, u"-n"_s, u"-l"_s, u"127.0.0.1:%1"_s.arg(m_port),
                                                u"-c"_s, u"aiosmtpd.handlers.Mailbox"_s, m_folder});
        for (int i = 0; i < 150 && m_process.state() != QProcess::NotRunning; ++i) {
            QTcpSocket probe;
            probe.connectToHost(u"127.0.0.1"_s, m_port);
            if (probe.waitForConnected(100))
                return true;
            m_process.waitForFinished(100);
        }
        *why = u"aiosmtpd did not start: "_s + QString::fromUtf8(m_process.readAll());
        return false;
    }
    quint16 port() const { return m_port; }
    // The received messages, oldest first.
    QList<QByteArray> messages() const
    {
        QList<QByteArray> out;
        for (const QFileInfo &f : QDir(m_folder + u"/new"_s).entryInfoList(QDir::Files, QDir::Time | QDir::Reversed))
            out << readTestFile(f.filePath());
        return out;
    }
    static quint16 freePort()
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        return server.serverPort();
    }

private:
    QString m_folder;
    QProcess m_process;
    quint16 m_port = 0;
};

// A received message taken apart: the decoded subject and its parts by content type.
struct Mail
{
    QString subject;
    QHash<QString, QByteArray> headers;
    QHash<QString, QByteArray> parts;
};

Mail parse(QByteArray raw)
{
    raw.replace("\r\n", "\n");
    auto headersOf = [](const QByteArray &block) {
        QHash<QString, QByteArray> h;
        QByteArray unfolded = block;
        unfolded.replace("\n ", " ");
        for (const QByteArray &line : unfolded.split('\n'))
            if (const qsizetype colon = line.indexOf(':'); colon > 0)
                h.insert(QString::fromLatin1(line.left(colon)).toLower(), line.mid(colon + 1).trimmed());
        return h;
    };
    Mail mail;
    const qsizetype end = raw.indexOf("\n\n");
    mail.headers = headersOf(raw.left(end));
    static const QRegularExpression word(u"=\\?UTF-8\\?B\\?([^?]*)\\?="_s);
    QByteArray subject;
    for (auto it = word.globalMatch(QString::fromLatin1(mail.headers.value(u"subject"_s))); it.hasNext();)
        subject += QByteArray::fromBase64(it.next().captured(1).toLatin1());
    mail.subject = subject.isEmpty() ? QString::fromLatin1(mail.headers.value(u"subject"_s)) : QString::fromUtf8(subject);
    const QByteArray type = mail.headers.value(u"content-type"_s);
    const QByteArray boundary = "--" + type.mid(type.indexOf("boundary=\"") + 10).chopped(1);
    const QByteArray marker = '\n' + boundary;
    for (qsizetype at = raw.indexOf(marker, end); at >= 0;) {
        const qsizetype next = raw.indexOf(marker, at + marker.size());
        const QByteArray part = raw.mid(at + marker.size(), next < 0 ? -1 : next - at - marker.size());
        at = next;
        const qsizetype split = part.indexOf("\n\n");
        if (split < 0)
            continue;
        const QHash<QString, QByteArray> h = headersOf(part.left(split));
        const QByteArray body = part.mid(split + 2);
        mail.parts.insert(QString::fromLatin1(h.value(u"content-type"_s).split(';').first()),
                          h.value(u"content-transfer-encoding"_s) == "base64" ? QByteArray::fromBase64(body) : body);
    }
    return mail;
}

QString pdfText(const QByteArray &pdf, const QString &folder)
{
    const QString path = folder + u"/attachment.pdf"_s;
    if (!writeTestFile(path, pdf))
        return {};
    QProcess p;
    p.start(u"pdftotext"_s, {u"-layout"_s, path, u"-"_s});
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput());
}

QByteArray tvl(const QStringList &records)
{
    QByteArray out;
    for (const QString &r : records)
        out += PatrolFile::encode(r) + "\r\n";
    return out;
}

// Plan "Gate" (A "Front gate %1" at 08:00, B at 08:10, 5 minutes either side, daily): on
// 7 Dec A on time and B late, on 8 Dec A missed.
void makeWorkspace(quint16 port)
{
    PatrolPlan gate{u"Gate"_s, QTime(8, 0), QTime(8, 0), 0, PatrolPlan::kEveryDay, {{u"000000000A"_s, 0, 5}, {u"000000000B"_s, 10, 5}}};
    QString error;
    QVERIFY2(PlanStore::save(gate, {}, &error), qPrintable(error));
    QVERIFY2(TagStore::replaceAll({{u"000000000A"_s, u"Front gate %1"_s}}, &error), qPrintable(error));
    QVERIFY(writeTestFile(Workspace::unapprovedFolder() + u"/20261208 090000.tvl"_s,
                          tvl({u"7,000000000A,2026/12/07,08:01:00"_s, u"7,000000000B,2026/12/07,08:20:00"_s,
                               u"7,000000000B,2026/12/08,08:10:00"_s})));
    QVERIFY(SaveSetting(u"Mail"_s, u"Server"_s, u"127.0.0.1"_s) && SaveSetting(u"Mail"_s, u"Port"_s, QString::number(port))
            && SaveSetting(u"Mail"_s, u"Sender"_s, u"tavrel@example.org"_s));
}

struct Run
{
    int status = -1;
    QString out, err;
};

Run cli(const TestEnv &env, const QStringList &args)
{
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(u"XDG_CONFIG_HOME"_s, env.configFolder());
    p.setProcessEnvironment(e);
    p.start(QStringLiteral(TAVREL_CLI_PATH), QStringList{u"--workspace"_s, env.workspace()} + args);
    if (!p.waitForFinished(120000))
        return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

QStringList send(const QString &from, const QString &to, const QStringList &more = {})
{
    return QStringList{u"report"_s, u"send"_s, u"--mail-to"_s, u"Boss@Example.org"_s, u"--from"_s, from, u"--to"_s, to}
           + more;
}

int sentRecords()
{
    QSqlQuery q(QSqlDatabase::database(DataStore::kConnLog));
    return q.exec(u"SELECT COUNT(*) FROM SentReport"_s) && q.next() ? q.value(0).toInt() : -1;
}

}

void tst_ReportMail::periods_data()
{
    QTest::addColumn<QString>("period");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::newRow("yesterday") << u"yesterday"_s << QDate(2027, 1, 1) << QDate(2026, 12, 31) << QDate(2026, 12, 31);
    QTest::newRow("last week from a Monday") << u"last-week"_s << QDate(2026, 12, 7) << QDate(2026, 11, 30)
                                             << QDate(2026, 12, 6);
    QTest::newRow("last week from a Sunday") << u"last-week"_s << QDate(2026, 12, 13) << QDate(2026, 11, 30)
                                             << QDate(2026, 12, 6);
    QTest::newRow("other word") << u"today"_s << QDate(2026, 12, 7) << QDate() << QDate();
}

void tst_ReportMail::periods()
{
    QFETCH(QString, period);
    QFETCH(QDate, today);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QDate first, last;
    QCOMPARE(ReportMail::periodDates(period, today, &first, &last), from.isValid());
    QCOMPARE(first, from);
    QCOMPARE(last, to);
}

void tst_ReportMail::sendOncePerPeriod()
{
    TestEnv env;
    SmtpServer server(env.root());
    QString why;
    QVERIFY2(server.start(&why), qPrintable(why));
    makeWorkspace(server.port());

    Run r = cli(env, send(u"2026-12-07"_s, u"2026-12-08"_s, {u"--mail-to"_s, u"guard-office@example.org"_s}));
    QVERIFY2(r.status == 5, qPrintable(r.err));
    QVERIFY(r.out.startsWith(u"Sent the exception report 2026-12-07..2026-12-08 to"_s));
    QCOMPARE(server.messages().size(), 1);
    const Mail mail = parse(server.messages().first());
    QCOMPARE(mail.subject, u"Tavrel exception report 2026-12-07 to 2026-12-08 - 1 checkpoints missed"_s);
    QCOMPARE(mail.headers.value(u"x-rcptto"_s), "Boss@Example.org, guard-office@example.org");
    QVERIFY(r.out.contains(QString::fromLatin1(mail.headers.value(u"message-id"_s))));
    // The body's figures, and the printed report in the attachment.
    const QString body = QString::fromUtf8(mail.parts.value(u"text/plain"_s)).replace(u"\r\n"_s, u"\n"_s);
    for (const QString &line : {u"Rounds: 2"_s, u"Checkpoints due: 4"_s,
                                u"On time: 2, early: 0, late: 1, missed: 1, extra: 0"_s, u"Missed checkpoints:"_s,
                                u"\n  Gate  2026-12-08 08:00  1  000000000A  Front gate %1\n"_s, u"Ledger head "_s})
        QVERIFY2(body.contains(line), qPrintable(line + u" not in:\n"_s + body));
    const QString pdf = pdfText(mail.parts.value(u"application/pdf"_s), env.root());
    QVERIFY2(pdf.contains(u"Exception Report"_s) && pdf.contains(u"Missed"_s) && pdf.contains(u"Late"_s), qPrintable(pdf));
    QCOMPARE(sentRecords(), 1);

    // The same report to the same people (in another order and case) again: nothing sent.
    r = cli(env, send(u"2026-12-07"_s, u"2026-12-08"_s, {u"--mail-to"_s, u"Guard-Office@example.org"_s}));
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.contains(u"was already sent"_s) && r.out.contains(u"nothing sent"_s), qPrintable(r.out));
    QCOMPARE(server.messages().size(), 1);
    // Another recipient set or --force sends.
    QCOMPARE(cli(env, send(u"2026-12-07"_s, u"2026-12-08"_s)).status, 5);
    QCOMPARE(cli(env, send(u"2026-12-07"_s, u"2026-12-08"_s, {u"--force"_s})).status, 5);
    QCOMPARE(server.messages().size(), 3);
    QCOMPARE(sentRecords(), 3);
}

void tst_ReportMail::onlyIfMissed()
{
    TestEnv env;
    SmtpServer server(env.root());
    QString why;
    QVERIFY2(server.start(&why), qPrintable(why));
    makeWorkspace(server.port());
    Run r = cli(env, send(u"2026-12-07"_s, u"2026-12-07"_s, {u"--only-if-missed"_s}));
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, u"No checkpoint was missed from 2026-12-07 to 2026-12-07; nothing sent\n"_s);
    QCOMPARE(server.messages().size(), 0);
    QCOMPARE(sentRecords(), 0);
    r = cli(env, send(u"2026-12-08"_s, u"2026-12-08"_s, {u"--only-if-missed"_s}));
    QCOMPARE(r.status, 5);
    QCOMPARE(server.messages().size(), 1);
    QCOMPARE(parse(server.messages().first()).subject,
             u"Tavrel exception report 2026-12-08 to 2026-12-08 - 1 checkpoints missed"_s);
}

void tst_ReportMail::serverDown()
{
    TestEnv env;
    const quint16 port = SmtpServer::freePort();
    makeWorkspace(port);
    Run r = cli(env, send(u"2026-12-07"_s, u"2026-12-08"_s));
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(u"The mail could not be sent through 127.0.0.1:%1: "_s.arg(port)), qPrintable(r.err));
    QCOMPARE(sentRecords(), 0);
    SmtpServer server(env.root());
    QString why;
    QVERIFY2(server.start(&why, port), qPrintable(why));
    // STARTTLS asked of a server that has none: refused rather than sent in plain text.
    QVERIFY(SaveSetting(u"Mail"_s, u"Security"_s, u"starttls"_s));
    r = cli(env, send(u"2026-12-07"_s, u"2026-12-08"_s));
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(u"STARTTLS"_s), qPrintable(r.err));
    QCOMPARE(server.messages().size(), 0);
    QCOMPARE(sentRecords(), 0);
    // Nothing was recorded, so once the server can take it the same command sends.
    QVERIFY(SaveSetting(u"Mail"_s, u"Security"_s, u"none"_s));
    r = cli(env, send(u"2026-12-07"_s, u"2026-12-08"_s));
    QVERIFY2(r.status == 5, qPrintable(r.err));
    QCOMPARE(server.messages().size(), 1);
}

void tst_ReportMail::passwordFile()
{
    TestEnv env;
    SmtpServer server(env.root());
    QString why;
    QVERIFY2(server.start(&why), qPrintable(why));
    makeWorkspace(server.port());
    const QString file = env.root() + u"/mail-password"_s;
    QVERIFY(writeTestFile(file, "secret\n"));
    QVERIFY(SaveSetting(u"Mail"_s, u"PasswordFile"_s, file));
    QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    Run r = cli(env, send(u"2026-12-07"_s, u"2026-12-07"_s));
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(u"tavrel-cli: The mail password file %1 can be read by other users; make it yours alone "
                            "(chmod 600 %1) and send again\n"_s.arg(file)),
             qPrintable(r.err));
    QCOMPARE(server.messages().size(), 0);
    // This server takes mail without logging in: User stays empty, the file is only checked.
    QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
    r = cli(env, send(u"2026-12-07"_s, u"2026-12-07"_s));
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QCOMPARE(server.messages().size(), 1);
}

void tst_ReportMail::japanese()
{
    TestEnv env;
    SmtpServer server(env.root());
    QString why;
    QVERIFY2(server.start(&why), qPrintable(why));
    makeWorkspace(server.port());
    QCOMPARE(cli(env, {u"language"_s, u"set"_s, u"Japanese"_s}).status, 0);
    QCOMPARE(cli(env, send(u"2026-12-07"_s, u"2026-12-08"_s)).status, 5);
    QCOMPARE(server.messages().size(), 1);
    const QByteArray raw = server.messages().first();
    const Mail mail = parse(raw);
    QCOMPARE(mail.subject, u"Tavrel 例外レポート 2026-12-07 ～ 2026-12-08 - 未巡回 1 件"_s);
    // Encoded words keep the header lines within 78 characters.
    for (const QByteArray &line : raw.left(raw.indexOf("\n\n")).split('\n'))
        QVERIFY2(line.trimmed().size() <= 78, line.constData());
    const QString body = QString::fromUtf8(mail.parts.value(u"text/plain"_s));
    QVERIFY2(body.contains(u"巡回数：2"_s) && body.contains(u"未巡回のチェックポイント："_s), qPrintable(body));
}

// --site mails a site's report from the central database: here the
// workspace's own, pushed and then removed from the workspace.
void tst_ReportMail::siteFromCentral()
{
    TestEnv env;
    SmtpServer server(env.root());
    QString why;
    QVERIFY2(server.start(&why), qPrintable(why));
    makeWorkspace(server.port());
    PgCluster pg;
    QVERIFY2(pg.start(&why) && pg.configure(&why), qPrintable(why));
    for (const QStringList &args : {QStringList{u"central"_s, u"init"_s}, {u"site"_s, u"set"_s, u"North Gate"_s},
                                    {u"central"_s, u"push"_s, u"--all"_s}}) {
        const Run r = cli(env, args);
        QVERIFY2(r.status == 0, qPrintable(args.join(u' ') + u": "_s + r.err));
    }
    QVERIFY(QFile::remove(Workspace::unapprovedFolder() + u"/20261208 090000.tvl"_s));

    Run r = cli(env, send(u"2026-12-07"_s, u"2026-12-08"_s, {u"--site"_s, u"North Gate"_s}));
    QVERIFY2(r.status == 5, qPrintable(r.err));
    QCOMPARE(server.messages().size(), 1);
    const QString pdf = pdfText(parse(server.messages().first()).parts.value(u"application/pdf"_s), env.root());
    QVERIFY2(pdf.contains(u"North Gate"_s) && pdf.contains(u"Front gate"_s) && pdf.contains(u"Missed"_s), qPrintable(pdf));

    r = cli(env, send(u"2026-12-07"_s, u"2026-12-08"_s, {u"--site"_s, u"Nowhere"_s}));
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(u"Nowhere"_s), qPrintable(r.err));
    QCOMPARE(server.messages().size(), 1);
}

void tst_ReportMail::refusedArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("line");
    QTest::newRow("no recipient") << QStringList{u"report"_s, u"send"_s, u"--period"_s, u"yesterday"_s}
                                  << u"tavrel-cli: --mail-to is missing"_s;
    QTest::newRow("period and dates") << send(u"2026-12-07"_s, u"2026-12-07"_s, {u"--period"_s, u"yesterday"_s})
                                      << u"tavrel-cli: --period and --from/--to exclude each other"_s;
    // A line break would let the address add headers or recipients.
    QTest::newRow("address with a header") << QStringList{u"report"_s, u"send"_s, u"--mail-to"_s,
                                                          u"a@b.c\r\nBcc: all@b.c"_s, u"--period"_s, u"yesterday"_s}
                                           << u"tavrel-cli: --mail-to a@b.c\r\nBcc: all@b.c is no mail address"_s;
    QTest::newRow("unknown period") << QStringList{u"report"_s, u"send"_s, u"--mail-to"_s, u"a@b.c"_s, u"--period"_s,
                                                   u"today"_s}
                                    << u"tavrel-cli: --period takes yesterday or last-week"_s;
}

void tst_ReportMail::refusedArguments()
{
    QFETCH(QStringList, args);
    QFETCH(QString, line);
    TestEnv env;
    const Run r = cli(env, args);
    QCOMPARE(r.status, 64);
    QVERIFY2(r.err.contains(line), qPrintable(r.err));
}

QTEST_GUILESS_MAIN(tst_ReportMail)
#include "tst_reportmail.moc"
