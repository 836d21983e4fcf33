#include "CentralDatabase.h"
#include "CentralPush.h"
#include "CentralSchema.h"
#include "PatrolFile.h"
#include "PgCluster.h"
#include "PlanStore.h"
#include "Settings.h"
#include "TagStore.h"
#include "TestEnv.h"
#include "WebFigures.h"
#include "WebSessions.h"
#include "Workspace.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTcpSocket>
#include <QUuid>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kScript = u"<script>alert(1)</script>"_s;

struct Reply
{
    int status = 0;
    QByteArray body;
    QHash<QByteArray, QByteArray> headers; // lower-case names
};

}

// tavrel-web as a process over a throw-away PostgreSQL cluster filled through
// the real pusher: logins, sessions, which sites each user sees, escaping and
// the answers to bad requests, over real HTTP; then a real browser.
class tst_Web : public QObject
{
    Q_OBJECT

    PgCluster m_pg;
    std::unique_ptr<TestEnv> m_env;
    QProcess m_web;
    QString m_url;
    QString m_north; // the client's site
    QString m_script; // the site named <script>...
    QNetworkAccessManager m_net;

    int cli(const QStringList &args, const QByteArray &input, QString *out, QString *err)
    {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(u"XDG_CONFIG_HOME"_s, m_env->configFolder());
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(TAVREL_CLI_PATH), QStringList{u"--workspace"_s, m_env->workspace()} + args);
        p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
            return -1;
        *out = QString::fromUtf8(p.readAllStandardOutput());
        *err = QString::fromUtf8(p.readAllStandardError());
        return p.exitCode();
    }

    // Starts tavrel-web on a free port; its URL, or empty with the reason in `error`.
    QString startWeb(QProcess &web, QString *error)
    {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(u"XDG_CONFIG_HOME"_s, m_env->configFolder());
        web.setProcessEnvironment(e);
        web.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        web.start(QStringLiteral(TAVREL_WEB_PATH), {u"--listen"_s, u"127.0.0.1:0"_s});
        QElapsedTimer t;
        t.start();
        QByteArray out;
        while (!out.contains('\n') && t.elapsed() < 60000 && web.state() != QProcess::NotRunning) {
            web.waitForReadyRead(500);
            out += web.readAllStandardOutput();
        }
        const QRegularExpressionMatch m = QRegularExpression(u"listening on (http://\\S+)/"_s).match(QString::fromUtf8(out));
        if (!m.hasMatch()) {
            *error = u"tavrel-web did not start: "_s + QString::fromUtf8(out);
            return {};
        }
        return m.captured(1);
    }

    Reply request(const QByteArray &method, const QString &path, const QString &cookie = {},
                  const QByteArray &body = {}, const QString &base = {})
    {
        QNetworkRequest r(QUrl((base.isEmpty() ? m_url : base) + path));
        r.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        // Each request carries the session it is given, nothing the manager kept.
        r.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
        r.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
        if (!cookie.isEmpty())
            r.setRawHeader("Cookie", "tavrel_session=" + cookie.toLatin1());
        if (method == "POST")
            r.setHeader(QNetworkRequest::ContentTypeHeader, u"application/x-www-form-urlencoded"_s);
        QNetworkReply *reply = m_net.sendCustomRequest(r, method, body);
        QEventLoop loop;
        connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        loop.exec();
        Reply out;
        out.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        out.body = reply->readAll();
        for (const auto &h : reply->rawHeaderPairs())
            out.headers.insert(h.first.toLower(), h.second);
        reply->deleteLater();
        return out;
    }
    Reply get(const QString &path, const QString &cookie = {}) { return request("GET", path, cookie); }

    Reply postLogin(const QString &name, const QString &password, const QString &base = {})
    {
        QUrlQuery form;
        form.addQueryItem(u"name"_s, QString::fromLatin1(QUrl::toPercentEncoding(name)));
        form.addQueryItem(u"password"_s, QString::fromLatin1(QUrl::toPercentEncoding(password)));
        return request("POST", u"/login"_s, {}, form.toString(QUrl::FullyEncoded).toLatin1(), base);
    }

    // A session of `name`; empty when the login failed.
    QString login(const QString &name, const QString &password, const QString &base = {})
    {
        const Reply r = postLogin(name, password, base);
        const QRegularExpressionMatch m = QRegularExpression(u"^tavrel_session=([0-9a-f]{64});"_s)
                                              .match(QString::fromLatin1(r.headers.value("set-cookie")));
        return r.status == 303 && m.hasMatch() ? m.captured(1) : QString();
    }

    // Raw bytes to the server; its whole answer.
    QByteArray raw(const QByteArray &bytes)
    {
        QTcpSocket s;
        const QUrl url(m_url);
        s.connectToHost(url.host(), quint16(url.port()));
        if (!s.waitForConnected(10000))
            return {};
        s.write(bytes);
        // Until the server closes or one whole answer is there.
        QByteArray answer;
        while (s.waitForReadyRead(10000)) {
            answer += s.readAll();
            const qsizetype end = answer.indexOf("\r\n\r\n");
            const QRegularExpressionMatch m = QRegularExpression(u"\r\nContent-Length: (\\d+)"_s,
                                                                 QRegularExpression::CaseInsensitiveOption)
                                                  .match(QString::fromLatin1(answer.left(end)));
            if (end >= 0 && m.hasMatch() && answer.size() >= end + 4 + m.captured(1).toLongLong())
                break;
        }
        return answer + s.readAll();
    }

    static void writeFile(const QString &name, const QStringList &lines)
    {
        QFile f(QDir(Workspace::unapprovedFolder()).filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (const QString &l : lines)
            QVERIFY(WritePatrolLine(f, l));
    }

    // Reads of a day's round of the plan Day: guard, A1 on time, B2 late (or missed).
    static QStringList day(const QDate &d, bool missB2)
    {
        const QString date = d.toString(u"yyyy/MM/dd"_s);
        QStringList lines{u"0007,G9,%1,07:55:00"_s.arg(date), u"0007,A1,%1,08:02:00"_s.arg(date)};
        if (!missB2)
            lines << u"0007,B2,%1,08:45:00"_s.arg(date);
        return lines;
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_pg.start(&error), qPrintable(error));
        m_env = std::make_unique<TestEnv>();
        QVERIFY2(m_pg.configure(&error), qPrintable(error));
        QSqlDatabase db = CentralDatabase::open(m_pg.settings(), u"fill"_s, &error);
        QVERIFY2(db.isOpen() && CentralSchema::migrate(db, nullptr, &error), qPrintable(error));

        for (const QString &code : {u"A1"_s, u"B2"_s, u"G9"_s})
            QCOMPARE(TagStore::add(code, u"Point "_s + code, &error), TagStore::Result::Ok);
        QVERIFY(TagStore::setGuard(u"G9"_s, true, &error));
        PatrolPlan plan;
        plan.name = u"Day"_s;
        plan.start = QTime(8, 0);
        plan.end = QTime(8, 0);
        plan.checkpoints = {{u"A1"_s, 0, 10, 0}, {u"B2"_s, 30, 10, 0}};
        QVERIFY2(PlanStore::save(plan, {}, &error), qPrintable(error));

        const QDate today = QDate::currentDate();
        CentralPush::Outcome outcome;
        // North Gate: the workspace's own site, a round yesterday with B2 late and one before with B2 missed.
        SiteIdentity::Site north;
        QVERIFY2(SiteIdentity::setName(u"North Gate"_s, &error) && SiteIdentity::current(&north, &error), qPrintable(error));
        QVERIFY2(CentralPush::registerSite(db, north, &error) && CentralPush::pushDefinitions(db, north.id, &error),
                 qPrintable(error));
        const QString northFile = today.toString(u"yyyyMMdd"_s) + u" 000100.tvl"_s;
        writeFile(northFile, day(today.addDays(-2), true) + day(today.addDays(-1), false));
        QVERIFY2(CentralPush::pushFile(db, north.id, QDir(Workspace::unapprovedFolder()).filePath(northFile), {}, &outcome, &error),
                 qPrintable(error));
        m_north = north.id;

        // A second site whose name and guard are markup.
        QCOMPARE(TagStore::edit(u"G9"_s, u"G9"_s, kScript, &error), TagStore::Result::Ok);
        const SiteIdentity::Site script{QUuid::createUuid().toString(QUuid::WithoutBraces), kScript};
        QVERIFY2(CentralPush::registerSite(db, script, &error) && CentralPush::pushDefinitions(db, script.id, &error),
                 qPrintable(error));
        const QString scriptFile = today.toString(u"yyyyMMdd"_s) + u" 000200.tvl"_s;
        writeFile(scriptFile, day(today.addDays(-1), true));
        QVERIFY2(CentralPush::pushFile(db, script.id, QDir(Workspace::unapprovedFolder()).filePath(scriptFile), {}, &outcome, &error),
                 qPrintable(error));
        QCOMPARE(outcome, CentralPush::Outcome::Landed);
        m_script = script.id;
        db = QSqlDatabase();
        CentralDatabase::close(u"fill"_s);

        QString out, err;
        QCOMPARE(cli({u"central"_s, u"user"_s, u"add"_s, u"admin"_s, u"--all"_s}, "admin secret\n", &out, &err), 0);
        QCOMPARE(cli({u"central"_s, u"user"_s, u"add"_s, u"client"_s, u"--sites"_s, u"North Gate"_s}, "client pw\r\n", &out, &err), 0);
        QCOMPARE(cli({u"central"_s, u"user"_s, u"list"_s}, {}, &out, &err), 0);
        QCOMPARE(out, u"admin\tall\nclient\tNorth Gate\n"_s);
        QVERIFY(!m_pg.value(u"SELECT password_hash FROM web_users WHERE name = 'client'"_s).contains(u"client pw"_s));
        QVERIFY(m_pg.value(u"SELECT password_hash FROM web_users WHERE name = 'client'"_s).startsWith(u"$argon2id$"_s));

        QVERIFY(SaveSetting(u"Web"_s, u"RequestTimeoutSeconds"_s, u"2"_s)); // for the slow request below
        m_url = startWeb(m_web, &error);
        QVERIFY2(!m_url.isEmpty(), qPrintable(error));
    }

    void cleanupTestCase()
    {
        m_web.terminate();
        m_web.waitForFinished(10000);
    }

    void userCommands_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        QTest::newRow("unknown site") << QStringList{u"add"_s, u"x"_s, u"--sites"_s, u"North Gate,Nowhere"_s} << QByteArray("pw\n") << 1
                                      << u"There is no site called Nowhere"_s;
        QTest::newRow("empty password") << QStringList{u"add"_s, u"x"_s, u"--all"_s} << QByteArray("\n") << 64 << u"empty"_s;
        QTest::newRow("taken name") << QStringList{u"add"_s, u"admin"_s, u"--all"_s} << QByteArray("pw\n") << 1
                                    << u"already a web user called admin"_s;
        QTest::newRow("no sites") << QStringList{u"add"_s, u"x"_s} << QByteArray("pw\n") << 64 << u"--sites A,B or --all"_s;
        QTest::newRow("passwd of nobody") << QStringList{u"passwd"_s, u"nobody"_s} << QByteArray("pw\n") << 1
                                          << u"no web user called nobody"_s;
        QTest::newRow("delete nobody") << QStringList{u"delete"_s, u"nobody"_s} << QByteArray() << 1 << u"no web user called nobody"_s;
    }
    void userCommands()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QString out, err;
        QTEST(cli(QStringList{u"central"_s, u"user"_s} + args, input, &out, &err), "status");
        QFETCH(QString, says);
        QVERIFY2(err.contains(says) && err.startsWith(u"tavrel-cli: "_s), qPrintable(err));
        QCOMPARE(m_pg.value(u"SELECT count(*) FROM web_users"_s), u"2"_s);
    }

    void passwdAndDelete()
    {
        QString out, err;
        QCOMPARE(cli({u"central"_s, u"user"_s, u"add"_s, u"temp"_s, u"--sites"_s, m_script}, "first\n", &out, &err), 0);
        QVERIFY(!login(u"temp"_s, u"first"_s).isEmpty());
        QCOMPARE(cli({u"central"_s, u"user"_s, u"passwd"_s, u"temp"_s}, "second\n", &out, &err), 0);
        QVERIFY(!login(u"temp"_s, u"second"_s).isEmpty());
        QCOMPARE(cli({u"central"_s, u"user"_s, u"delete"_s, u"temp"_s}, {}, &out, &err), 0);
        QCOMPARE(m_pg.value(u"SELECT count(*) FROM web_user_sites WHERE user_name = 'temp'"_s), u"0"_s);
        QVERIFY(login(u"temp"_s, u"second"_s).isEmpty());
    }

    void login_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("status");
        QTest::newRow("right") << u"admin"_s << u"admin secret"_s << 303;
        QTest::newRow("wrong password") << u"client"_s << u"admin secret"_s << 401;
        QTest::newRow("no such user") << u"root"_s << u"admin secret"_s << 401;
        QTest::newRow("empty password") << u"admin"_s << QString() << 401;
    }
    void login()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        const Reply r = postLogin(name, password);
        QTEST(r.status, "status");
        const QString cookie = QString::fromLatin1(r.headers.value("set-cookie"));
        if (r.status == 303) {
            QCOMPARE(r.headers.value("location"), QByteArray("/"));
            QVERIFY2(QRegularExpression(u"^tavrel_session=[0-9a-f]{64}; HttpOnly; SameSite=Strict; Path=/; Max-Age=28800$"_s)
                         .match(cookie).hasMatch(),
                     qPrintable(cookie));
        } else {
            QVERIFY(cookie.isEmpty());
            QVERIFY(r.body.contains("<form method=\"post\" action=\"/login\""));
        }
        QCOMPARE(r.headers.value("cache-control"), QByteArray("no-store"));
        QVERIFY(r.headers.value("content-security-policy").startsWith("default-src 'self'"));
    }

    // A name's failures hold its next attempt back longer each time; a right password ends that.
    void repeatedFailuresSlowDown()
    {
        QVERIFY(!login(u"client"_s, u"client pw"_s).isEmpty()); // no failures before
        QList<QByteArray> waits;
        for (int i = 0; i < 2; ++i) {
            const Reply r = postLogin(u"client"_s, u"guess"_s);
            QCOMPARE(r.status, 401);
            waits << r.headers.value("retry-after");
        }
        QCOMPARE(waits, (QList<QByteArray>{"1", "2"}));
        QVERIFY(!login(u"client"_s, u"client pw"_s).isEmpty());
        QCOMPARE(postLogin(u"client"_s, u"guess"_s).headers.value("retry-after"), QByteArray("1"));
        QVERIFY(!login(u"client"_s, u"client pw"_s).isEmpty());

        // An attempt while the name is held back, or while another attempt
        // of it is being checked, is refused unchecked; the hold doubles up to 30 s.
        WebSessions sessions(60);
        int wait = -1;
        QVERIFY(sessions.begin(u"x"_s, &wait) && wait == 0);
        QVERIFY(!sessions.begin(u"x"_s, &wait) && wait > 0); // a parallel guess
        QVERIFY(sessions.begin(u"y"_s, &wait));
        sessions.abandoned(u"y"_s);
        QVERIFY(sessions.begin(u"y"_s, &wait));
        QList<int> delays;
        for (int i = 0; i < 7; ++i)
            delays << sessions.failed(u"x"_s);
        QCOMPARE(delays, (QList<int>{1000, 2000, 4000, 8000, 16000, 30000, 30000}));
        QVERIFY(!sessions.begin(u"x"_s, &wait) && wait > 20000);
        sessions.succeeded(u"x"_s);
        QVERIFY(sessions.begin(u"x"_s, &wait) && wait == 0);
    }

    void logoutAndExpiry()
    {
        const QString cookie = login(u"admin"_s, u"admin secret"_s);
        QVERIFY(!cookie.isEmpty());
        QCOMPARE(get(u"/"_s, cookie).status, 200);
        const Reply out = request("POST", u"/logout"_s, cookie);
        QCOMPARE(out.status, 303);
        QCOMPARE(out.headers.value("location"), QByteArray("/login"));
        Reply after = get(u"/"_s, cookie);
        QCOMPARE(after.status, 303);
        QCOMPARE(after.headers.value("location"), QByteArray("/login"));
        QCOMPARE(get(u"/api/overview"_s, cookie).status, 401);
        QCOMPARE(get(u"/api/overview"_s).status, 401);

        // A service whose sessions last a second.
        QVERIFY(SaveSetting(u"Web"_s, u"SessionSeconds"_s, u"1"_s));
        QProcess shortLived;
        QString error;
        const QString base = startWeb(shortLived, &error);
        QVERIFY(DeleteSetting(u"Web"_s, u"SessionSeconds"_s));
        QVERIFY2(!base.isEmpty(), qPrintable(error));
        const QString brief = login(u"admin"_s, u"admin secret"_s, base);
        QVERIFY(!brief.isEmpty());
        QTest::qWait(1500);
        after = request("GET", u"/"_s, brief, {}, base);
        QCOMPARE(after.status, 303);
        QCOMPARE(request("GET", u"/api/overview"_s, brief, {}, base).status, 401);
        shortLived.terminate();
        QVERIFY(shortLived.waitForFinished(10000));
    }

    void scoping_data()
    {
        QTest::addColumn<QString>("path");
        for (const QString &p : {u"/site/%1"_s, u"/api/site/%1"_s, u"/exceptions?site=%1"_s, u"/api/exceptions?site=%1"_s,
                                 u"/exceptions.csv?site=%1"_s, u"/exceptions.pdf?site=%1"_s})
            QTest::newRow(qPrintable(p)) << p;
    }
    // The client sees its site; another site, a made-up id and a non-id are all not found, alike.
    void scoping()
    {
        QFETCH(QString, path);
        const QString client = login(u"client"_s, u"client pw"_s);
        const QString admin = login(u"admin"_s, u"admin secret"_s);
        QVERIFY(!client.isEmpty() && !admin.isEmpty());
        const Reply own = get(path.arg(m_north), client);
        QCOMPARE(own.status, 200);
        if (path.contains(u".pdf"_s)) {
            QVERIFY(own.body.startsWith("%PDF-"));
            QDir().mkpath(QStringLiteral(TAVREL_SCREENSHOTS));
            QFile pdf(QStringLiteral(TAVREL_SCREENSHOTS "/exceptions.pdf")); // to look at
            QVERIFY(pdf.open(QIODevice::WriteOnly) && pdf.write(own.body) == own.body.size());
        }
        else if (path.contains(u".csv"_s))
            QVERIFY(own.body.startsWith("site,plan,round,") && own.body.contains("\"North Gate\",\"Day\""));
        else
            QVERIFY(own.body.contains("North Gate"));
        const Reply other = get(path.arg(m_script), client);
        QCOMPARE(other.status, 404);
        const Reply made = get(path.arg(QUuid::createUuid().toString(QUuid::WithoutBraces)), client);
        QCOMPARE(made.status, 404);
        QCOMPARE(other.body, made.body);
        QCOMPARE(get(path.arg(u"not-an-id"_s), client).status, 404);
        QCOMPARE(get(path.arg(m_script), admin).status, 200);
    }

    void overviewListsVisibleSites()
    {
        auto ids = [&](const QString &cookie, const QString &path, const QString &list, const QString &key) {
            const Reply r = get(path, cookie);
            QStringList out;
            for (const QJsonValue &v : QJsonDocument::fromJson(r.body).object()[list].toArray())
                out << v.toObject()[key].toString();
            out.removeDuplicates();
            out.sort();
            return out;
        };
        const QString client = login(u"client"_s, u"client pw"_s);
        const QString admin = login(u"admin"_s, u"admin secret"_s);
        QCOMPARE(ids(client, u"/api/overview"_s, u"sites"_s, u"id"_s), QStringList{m_north});
        QCOMPARE(ids(client, u"/api/exceptions"_s, u"rows"_s, u"siteId"_s), QStringList{m_north});
        QStringList both{m_north, m_script};
        both.sort();
        QCOMPARE(ids(admin, u"/api/overview"_s, u"sites"_s, u"id"_s), both);
        QCOMPARE(ids(admin, u"/api/exceptions"_s, u"rows"_s, u"siteId"_s), both);
        const QJsonObject north = QJsonDocument::fromJson(get(u"/api/overview"_s, client).body).object()[u"sites"_s][0].toObject();
        QCOMPARE(north[u"staleAfterHours"_s].toDouble(), 30.0); // one round a day, plus the margin
        QCOMPARE(north[u"stale"_s].toBool(), false);            // downloaded just now
        QCOMPARE(north[u"name"_s].toString(), u"North Gate"_s);
        QVERIFY(!get(u"/"_s, client).body.contains("/site/" + m_script.toLatin1()));

        // North Gate: yesterday one on time and one late, the day before one on time and one missed.
        const QJsonObject site = QJsonDocument::fromJson(get(u"/api/site/"_s + m_north, client).body).object();
        const QJsonArray days = site[u"days"_s].toArray();
        QCOMPARE(days.size(), 7);
        auto tally = [](const QJsonValue &d) {
            const QJsonObject o = d.toObject();
            return u"%1/%2/%3 %4"_s.arg(o[u"onTime"_s].toInt()).arg(o[u"earlyOrLate"_s].toInt()).arg(o[u"missed"_s].toInt())
                .arg(o[u"percent"_s].isNull() ? u"-"_s : QString::number(o[u"percent"_s].toDouble()));
        };
        QCOMPARE(tally(days[3]), u"0/0/2 0"_s); // no reads at all
        QCOMPARE(tally(days[4]), u"1/0/1 50"_s);
        QCOMPARE(tally(days[5]), u"1/1/0 50"_s);
        QStringList missedB2;
        for (const QJsonValue &m : site[u"missed"_s].toArray())
            if (m.toObject()[u"code"_s].toString() == u"B2"_s)
                missedB2 << m.toObject()[u"round"_s].toString();
        QVERIFY(missedB2.contains(QDate::currentDate().addDays(-2).toString(Qt::ISODate) + u"T08:00:00"_s));
        QVERIFY(!missedB2.contains(QDate::currentDate().addDays(-1).toString(Qt::ISODate) + u"T08:00:00"_s));
        QStringList guards;
        for (const QJsonValue &g : site[u"byGuard"_s].toArray())
            guards << g.toObject()[u"name"_s].toString();
        QCOMPARE(guards, (QStringList{u"(no guard)"_s, u"Point G9"_s}));
    }

    // Markup in a site's and a guard's name reaches every page as text.
    void escaping()
    {
        const QString admin = login(u"admin"_s, u"admin secret"_s);
        for (const QString &path : {u"/"_s, u"/site/"_s + m_script, u"/exceptions"_s, u"/exceptions?site="_s + m_script}) {
            const Reply r = get(path, admin);
            QCOMPARE(r.status, 200);
            QVERIFY2(!r.body.contains("<script>alert"), qPrintable(path));
            QVERIFY2(r.body.contains("&lt;script&gt;alert(1)&lt;/script&gt;"), qPrintable(path));
            QVERIFY(!r.body.contains("<script>") || r.body.count("<script") == 2); // chart.js and app.js only
        }
        const Reply page = postLogin(kScript, u"x"_s);
        QVERIFY(!page.body.contains("<script>alert") && page.body.contains("value=\"&lt;script&gt;"));
        const Reply exceptions = get(u"/exceptions?site="_s + m_script, admin);
        QVERIFY(exceptions.body.count("<td>&lt;script&gt;alert(1)&lt;/script&gt;</td>") >= 3); // the site twice, the guard
    }

    void badRequests_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        QTest::newRow("not a date") << u"/api/site/%1?from=yesterday"_s << 400 << u"yyyy-MM-dd"_s;
        QTest::newRow("no such day") << u"/site/%1?from=2026-02-30&to=2026-03-01"_s << 400 << u"yyyy-MM-dd"_s;
        QTest::newRow("short date") << u"/api/exceptions?from=2026-3-1"_s << 400 << u"yyyy-MM-dd"_s;
        QTest::newRow("to before from") << u"/api/site/%1?from=2026-03-02&to=2026-03-01"_s << 400 << u"to is before from"_s;
        QTest::newRow("over a year") << u"/exceptions.csv?from=2024-01-01&to=2025-01-01"_s << 400 << u"longer than 366 days"_s;
        QTest::newRow("a leap year") << u"/api/exceptions?from=2024-01-01&to=2024-12-31"_s << 200 << u"rows"_s;
        QTest::newRow("no such plan") << u"/api/site/%1?plan=Night"_s << 400 << u"no such plan"_s;
        QTest::newRow("plan") << u"/api/site/%1?plan=Day"_s << 200 << u"\"plan\":\"Day\""_s;
        QTest::newRow("unknown route") << u"/admin"_s << 404 << u"no such page"_s;
        QTest::newRow("unknown api") << u"/api/sites"_s << 404 << u"not found"_s;
        QTest::newRow("site below") << u"/site/%1/x"_s << 404 << u"no such page"_s;
        QTest::newRow("script") << u"/static/app.js"_s << 200 << u"document.body.dataset.api"_s;
        QTest::newRow("style") << u"/static/style.css"_s << 200 << u"body {"_s;
        QTest::newRow("chart.js") << u"/static/chart.js"_s << 200 << u"Chart.js v"_s;
        QTest::newRow("static unknown") << u"/static/x.js"_s << 404 << u"no such page"_s;
    }
    void badRequests()
    {
        QFETCH(QString, path);
        const Reply r = get(path.contains(u"%1"_s) ? path.arg(m_north) : path, login(u"admin"_s, u"admin secret"_s));
        QTEST(r.status, "status");
        QFETCH(QString, says);
        QVERIFY2(r.body.contains(says.toUtf8()), r.body.left(300).constData());
    }

    // Headless Chromium logs in, sees the charts drawn, opens a site, logs
    // out; a client sees its site only. Screenshots of the three pages.
    void browser()
    {
        QProcess python;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(u"TAVREL_URL"_s, m_url);
        e.insert(u"TAVREL_ADMIN"_s, u"admin"_s);
        e.insert(u"TAVREL_ADMIN_PASSWORD"_s, u"admin secret"_s);
        e.insert(u"TAVREL_CLIENT"_s, u"client"_s);
        e.insert(u"TAVREL_CLIENT_PASSWORD"_s, u"client pw"_s);
        e.insert(u"TAVREL_OWN_SITE"_s, m_north);
        e.insert(u"TAVREL_OTHER_SITE"_s, m_script);
        e.insert(u"TAVREL_SITE_NAMES"_s, u"North Gate\n"_s + kScript);
        e.insert(u"TAVREL_SCREENSHOTS"_s, QStringLiteral(TAVREL_SCREENSHOTS));
        python.setProcessEnvironment(e);
        python.setProcessChannelMode(QProcess::MergedChannels);
        python.start(u"/usr/bin/python3"_s, {QStringLiteral(TAVREL_BROWSER_TEST)});
        const bool finished = python.waitForFinished(240000);
        const QString output = QString::fromUtf8(python.readAll());
        qInfo().noquote() << output;
        QVERIFY2(finished, qPrintable(u"the browser test did not finish: "_s + output));
        QVERIFY2(python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0, qPrintable(output));
        for (const QString &page : {u"overview"_s, u"site"_s, u"exceptions"_s})
            QVERIFY(QFileInfo(QStringLiteral(TAVREL_SCREENSHOTS) + u'/' + page + u".png"_s).size() > 1000);
    }

    void freshness_data()
    {
        QTest::addColumn<QList<PatrolPlan>>("plans");
        QTest::addColumn<qint64>("hours");
        auto plan = [](QTime start, QTime end, int interval, int weekdays) {
            PatrolPlan p;
            p.name = u"P"_s;
            p.start = start;
            p.end = end;
            p.interval = interval;
            p.weekdays = weekdays;
            p.checkpoints = {{u"A1"_s, 0, 5, 0}};
            return p;
        };
        QTest::newRow("no plans") << QList<PatrolPlan>{} << qint64(24);
        QTest::newRow("daily") << QList<PatrolPlan>{plan(QTime(8, 0), QTime(8, 0), 0, PatrolPlan::kEveryDay)} << qint64(24 + 6);
        QTest::newRow("every 2 h from 6 to 22") << QList<PatrolPlan>{plan(QTime(6, 0), QTime(22, 0), 120, PatrolPlan::kEveryDay)}
                                                << qint64(8 + 6);
        QTest::newRow("weekdays only") << QList<PatrolPlan>{plan(QTime(8, 0), QTime(8, 0), 0, 0x1f)} << qint64(72 + 6);
        QTest::newRow("a night plan fills the day's gap")
            << QList<PatrolPlan>{plan(QTime(6, 0), QTime(22, 0), 120, PatrolPlan::kEveryDay),
                                 plan(QTime(23, 0), QTime(3, 0), 120, PatrolPlan::kEveryDay)}
            << qint64(3 + 6);
    }
    void freshness()
    {
        QFETCH(QList<PatrolPlan>, plans);
        QTEST(WebFigures::staleAfterSeconds(plans) / 3600, "hours");

        // A day with nothing due has no percentage; extra reads are not counted.
        ExceptionResult result;
        CheckpointOutcome extra;
        extra.kind = CheckpointOutcome::Kind::Extra;
        extra.roundStart = PatrolPlan::moment(QDate(2026, 3, 2), QTime(8, 0));
        result.outcomes = {extra};
        const QList<ComplianceRow> days = WebFigures::daily(result, QDate(2026, 3, 1), QDate(2026, 3, 3));
        QCOMPARE(days.size(), 3);
        QCOMPARE(days[1].due(), 0);
        QVERIFY(!days[1].hasPercent());
    }

    void limits_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("answer");
        const QByteArray head = "POST /login HTTP/1.1\r\nHost: x\r\nContent-Type: application/x-www-form-urlencoded\r\n";
        QTest::newRow("body too long") << head + "Content-Length: 16385\r\n\r\n" + QByteArray(16385, 'a')
                                       << QByteArray("HTTP/1.1 413 ");
        QTest::newRow("body at the limit") << head + "Content-Length: 16384\r\nConnection: close\r\n\r\nname=x&password="
                + QByteArray(16384 - 16, 'a') << QByteArray("HTTP/1.1 401 ");
        QTest::newRow("headers too long") << "GET / HTTP/1.1\r\nHost: x\r\nX-Long: " + QByteArray(8200, 'b') + "\r\n\r\n"
                                          << QByteArray("HTTP/1.1 431 ");
        QTest::newRow("unreadable request line") << QByteArray("HELLO\r\n\r\n") << QByteArray("HTTP/1.1 400 ");
        QTest::newRow("never finished") << QByteArray("GET / HTTP/1.1\r\nHost: x\r\n") << QByteArray("HTTP/1.1 408 ");
        QTest::newRow("body never finished") << head + "Content-Length: 100\r\n\r\nname=x" << QByteArray("HTTP/1.1 408 ");
        QTest::newRow("chunked") << head + "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n"
                                 << QByteArray("HTTP/1.1 400 ");
    }
    void limits()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, answer);
        const QByteArray got = raw(bytes);
        QVERIFY2(got.startsWith(answer), got.left(300).constData());
    }
};

QTEST_GUILESS_MAIN(tst_Web)
#include "tst_web.moc"
