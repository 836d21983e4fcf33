#include "WebService.h"

#include "CentralDatabase.h"
#include "Settings.h"
#include "WebFigures.h"
#include "WebPages.h"
#include "WebUsers.h"
#include "rptExceptions.h"

#include <QBuffer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QThread>
#include <QUuid>

#include <cmath>

namespace {

const QString kCookie = QStringLiteral("tavrel_session");
constexpr int kLongestRange = 366; // days

void addHeader(HttpResponse &r, const QPair<QByteArray, QByteArray> &header)
{
    r.headers.append(header);
}

HttpResponse reply(int status, const QByteArray &type, const QByteArray &body)
{
    HttpResponse r;
    r.status = status;
    r.contentType = type;
    r.body = body;
    r.headers = {{"Cache-Control", "no-store"},
                 {"Content-Security-Policy", "default-src 'self'; base-uri 'none'; form-action 'self'; frame-ancestors 'none'"},
                 {"X-Content-Type-Options", "nosniff"},
                 {"Referrer-Policy", "same-origin"}};
    return r;
}

HttpResponse html(int status, const QByteArray &body)
{
    return reply(status, "text/html; charset=utf-8", body);
}

HttpResponse json(int status, const QJsonObject &object)
{
    return reply(status, "application/json", QJsonDocument(object).toJson(QJsonDocument::Compact));
}

HttpResponse redirect(const QByteArray &location)
{
    HttpResponse r = reply(303, "text/plain; charset=utf-8", "See " + location + '\n');
    addHeader(r, {"Location", location});
    return r;
}

// A page or JSON that is not there, or not for this user: the same answer.
HttpResponse notFound(bool asJson)
{
    if (asJson)
        return json(404, {{QStringLiteral("error"), QStringLiteral("not found")}});
    return html(404, WebPages::message(QStringLiteral("Not found"), QStringLiteral("There is no such page.")));
}

HttpResponse badRequest(const QString &reason, bool asJson)
{
    if (asJson)
        return json(400, {{QStringLiteral("error"), reason}});
    return html(400, WebPages::message(QStringLiteral("Bad request"), reason));
}

HttpResponse unavailable(bool asJson)
{
    const QString text = QStringLiteral("The central database cannot be reached. Try again later.");
    if (asJson)
        return json(503, {{QStringLiteral("error"), text}});
    return html(503, WebPages::message(QStringLiteral("Unavailable"), text));
}

// A query parameter as a form sends it (a space as +).
QString param(const HttpRequest &request, const QString &key)
{
    for (const auto &item : request.query.queryItems(QUrl::FullyEncoded)) {
        if (QUrl::fromPercentEncoding(item.first.toLatin1()) == key) {
            QString value = item.second;
            value.replace(u'+', QStringLiteral("%20"));
            return QUrl::fromPercentEncoding(value.toLatin1());
        }
    }
    return {};
}

// from/to of the request: yyyy-MM-dd, to not before from, at most a year;
// the last 7 days when not given. Empty `problem` when good.
struct Range
{
    QDate from, to;
    QString problem;
};

Range rangeOf(const HttpRequest &request)
{
    static const QRegularExpression format(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    Range r;
    const QString fromText = param(request, QStringLiteral("from"));
    const QString toText = param(request, QStringLiteral("to"));
    r.to = toText.isEmpty() ? QDate::currentDate() : QDate::fromString(toText, Qt::ISODate);
    if (!toText.isEmpty() && !format.match(toText).hasMatch())
        r.to = {};
    r.from = fromText.isEmpty() ? (r.to.isValid() ? r.to.addDays(-6) : QDate()) : QDate::fromString(fromText, Qt::ISODate);
    if (!fromText.isEmpty() && !format.match(fromText).hasMatch())
        r.from = {};
    if (!r.from.isValid() || !r.to.isValid())
        r.problem = QStringLiteral("from and to take dates yyyy-MM-dd");
    else if (r.to < r.from)
        r.problem = QStringLiteral("to is before from");
    else if (r.from.daysTo(r.to) >= kLongestRange)
        r.problem = QStringLiteral("the range is longer than %1 days").arg(kLongestRange);
    return r;
}

QJsonValue iso(const QDateTime &at)
{
    return at.isValid() ? QJsonValue(at.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))) : QJsonValue();
}

QJsonArray daysJson(const QList<ComplianceRow> &days)
{
    QJsonArray out;
    for (const ComplianceRow &d : days)
        out.append(QJsonObject{{QStringLiteral("date"), d.day.toString(Qt::ISODate)},
                               {QStringLiteral("onTime"), d.onTime},
                               {QStringLiteral("earlyOrLate"), d.earlyOrLate},
                               {QStringLiteral("missed"), d.missed},
                               {QStringLiteral("percent"), d.hasPercent() ? QJsonValue(std::round(d.percent() * 10) / 10)
                                                                   : QJsonValue()}});
    return out;
}

QString kindWord(CheckpointOutcome::Kind kind)
{
    switch (kind) {
    case CheckpointOutcome::Kind::OnTime:
        return QStringLiteral("on-time");
    case CheckpointOutcome::Kind::Early:
        return QStringLiteral("early");
    case CheckpointOutcome::Kind::Late:
        return QStringLiteral("late");
    case CheckpointOutcome::Kind::Missed:
        return QStringLiteral("missed");
    case CheckpointOutcome::Kind::Extra:
        break;
    }
    return QStringLiteral("extra");
}

// The wall clock now, as the terminals' times are kept.
QDateTime wallNow()
{
    const QDateTime now = QDateTime::currentDateTime();
    return PatrolPlan::moment(now.date(), now.time());
}

// A cell of the CSV: quoted, and a leading = + - @ defused so a spreadsheet
// does not take a name for a formula.
QString csvCell(QString text)
{
    if (!text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text.front()))
        text.prepend(u'\'');
    return u'"' + text.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

}

WebService::Options WebService::Options::fromSettings()
{
    Options o;
    o.central = CentralSettings::fromSettings();
    const qint64 seconds = GetSettingNumber(QStringLiteral("Web"), QStringLiteral("SessionSeconds"), 0);
    const qint64 minutes = GetSettingNumber(QStringLiteral("Web"), QStringLiteral("SessionMinutes"), 480);
    o.sessionSeconds = seconds > 0 ? seconds : std::max<qint64>(1, minutes) * 60;
    o.secureCookie = GetSetting(QStringLiteral("Web"), QStringLiteral("SecureCookie")).compare(u"true", Qt::CaseInsensitive) == 0;
    o.requestTimeoutSeconds = std::clamp<qint64>(
        GetSettingNumber(QStringLiteral("Web"), QStringLiteral("RequestTimeoutSeconds"), 30), 1, 3600);
    const QString chart = GetSetting(QStringLiteral("Web"), QStringLiteral("ChartJs"));
    if (!chart.isEmpty())
        o.chartJs = chart;
    return o;
}

WebService::WebService(const Options &options, QObject *gui)
    : m_options(options), m_gui(gui), m_sessions(options.sessionSeconds)
{
    Q_INIT_RESOURCE(web); // app.js and style.css, compiled into the library
}

QSqlDatabase WebService::connection(QString *error)
{
    const QString name = QStringLiteral("web-%1").arg(quintptr(QThread::currentThreadId()));
    return CentralDatabase::open(m_options.central, name, error);
}

HttpResponse WebService::handle(const HttpRequest &request)
{
    QSqlDatabase db;
    HttpResponse r = route(request, &db);
    if (r.status == 503 && db.isValid()) { // a broken connection is opened again by the next request
        db = QSqlDatabase();
        CentralDatabase::close(QStringLiteral("web-%1").arg(quintptr(QThread::currentThreadId())));
    }
    return r;
}

void WebService::warm()
{
    QString error;
    QSqlDatabase db = connection(&error);
    QList<WebData::Site> sites;
    if (!db.isOpen() || !WebData::allSites(db, &sites, &error)) {
        qWarning("tavrel-web: %s", qPrintable(error));
    } else {
        const QDate today = QDate::currentDate();
        std::shared_ptr<const WebData::Report> report;
        bool planMissing = false;
        for (const WebData::Site &s : std::as_const(sites))
            m_data.report(db, s, today.addDays(-6), today, {}, &report, &planMissing, &error);
    }
    db = QSqlDatabase();
    CentralDatabase::close(QStringLiteral("web-%1").arg(quintptr(QThread::currentThreadId())));
}

HttpResponse WebService::route(const HttpRequest &request, QSqlDatabase *db)
{
    const QString path = request.path;
    const bool get = request.method == "GET";
    if (path.startsWith(u"/static/"))
        return get ? staticFile(path) : notFound(false);

    static const QRegularExpression sitePath(QStringLiteral("^/(api/)?site/([^/]+)$"));
    const QRegularExpressionMatch siteMatch = sitePath.match(path);
    const bool asJson = path.startsWith(u"/api/");
    const bool known = path == u"/" || path == u"/login" || path == u"/logout" || path == u"/api/overview"
        || path == u"/exceptions" || path == u"/exceptions.csv" || path == u"/exceptions.pdf"
        || path == u"/api/exceptions" || siteMatch.hasMatch();
    if (!known)
        return notFound(asJson);
    const bool wantsPost = path == u"/login" && request.method == "POST";
    if (!get && !wantsPost && !(path == u"/logout" && request.method == "POST")) {
        HttpResponse r = reply(405, "text/plain; charset=utf-8", "Method not allowed\n");
        addHeader(r, {"Allow", path == u"/logout" ? "POST" : path == u"/login" ? "GET, POST" : "GET"});
        return r;
    }
    if (path == u"/login" && get)
        return html(200, WebPages::login({}, {}));
    if (path == u"/logout")
        return logout(request);

    QString error;
    *db = connection(&error);
    if (!db->isOpen()) {
        qWarning("tavrel-web: %s", qPrintable(error));
        return unavailable(asJson);
    }
    if (wantsPost)
        return login(request, db);

    const QString user = m_sessions.user(request.cookies.value(kCookie));
    if (user.isEmpty())
        return asJson ? json(401, {{QStringLiteral("error"), QStringLiteral("log in first")}}) : redirect("/login");

    if (path == u"/" || path == u"/api/overview")
        return overview(user, asJson, *db);
    if (siteMatch.hasMatch())
        return site(user, siteMatch.captured(2), request, asJson, *db);
    if (path == u"/exceptions.csv")
        return exceptions(user, request, QStringLiteral("csv"), *db);
    if (path == u"/exceptions.pdf")
        return exceptions(user, request, QStringLiteral("pdf"), *db);
    return exceptions(user, request, asJson ? QStringLiteral("json") : QStringLiteral("html"), *db);
}

HttpResponse WebService::login(const HttpRequest &request, QSqlDatabase *db)
{
    const QHash<QString, QString> form = request.form();
    const QString name = form.value(QStringLiteral("name")).trimmed();
    const QByteArray password = form.value(QStringLiteral("password")).toUtf8();
    if (name.isEmpty() || password.isEmpty())
        return html(401, WebPages::login(QStringLiteral("Give a name and a password."), name));
    int wait = 0;
    if (!m_sessions.begin(name, &wait)) {
        HttpResponse r = html(401, WebPages::login(QStringLiteral("Too many failed logins: wait a moment."), name));
        addHeader(r, {"Retry-After", QByteArray::number((wait + 999) / 1000)});
        return r;
    }
    bool accepted = false;
    QString error;
    if (!WebUsers::check(*db, name, password, &accepted, &error)) {
        m_sessions.abandoned(name);
        qWarning("tavrel-web: %s", qPrintable(error));
        return unavailable(false);
    }
    if (!accepted) {
        const int delay = m_sessions.failed(name);
        HttpResponse r = html(401, WebPages::login(QStringLiteral("Wrong name or password."), name));
        addHeader(r, {"Retry-After", QByteArray::number((delay + 999) / 1000)});
        r.delayMs = delay;
        return r;
    }
    m_sessions.succeeded(name);
    const QString token = m_sessions.create(name);
    HttpResponse r = redirect("/");
    addHeader(r, {"Set-Cookie", QStringLiteral("%1=%2; HttpOnly; SameSite=Strict; Path=/; Max-Age=%3%4")
                                        .arg(kCookie, token)
                                        .arg(m_sessions.lifetimeSeconds())
                                        .arg(m_options.secureCookie ? QStringLiteral("; Secure") : QString())
                                        .toLatin1()});
    return r;
}

HttpResponse WebService::logout(const HttpRequest &request)
{
    m_sessions.end(request.cookies.value(kCookie));
    HttpResponse r = redirect("/login");
    addHeader(r, {"Set-Cookie", kCookie.toLatin1() + "=; HttpOnly; SameSite=Strict; Path=/; Max-Age=0"});
    return r;
}

HttpResponse WebService::overview(const QString &user, bool asJson, QSqlDatabase db)
{
    QList<WebData::Site> sites;
    QString error;
    if (!WebData::sites(db, user, &sites, &error)) {
        qWarning("tavrel-web: %s", qPrintable(error));
        return unavailable(asJson);
    }
    const QDate today = QDate::currentDate();
    const QDate weekStart = today.addDays(-6);
    const QDateTime now = wallNow();
    QJsonArray list;
    for (const WebData::Site &s : std::as_const(sites)) {
        std::shared_ptr<const WebData::Report> report;
        bool planMissing = false;
        if (!m_data.report(db, s, weekStart, today, {}, &report, &planMissing, &error)) {
            qWarning("tavrel-web: %s", qPrintable(error));
            return unavailable(asJson);
        }
        // Today's rounds: done when every checkpoint was read; missed when
        // one due by now was not; the others are still under way.
        QHash<QString, int> rounds; // plan + start -> 0 done so far, 1 missed, 2 under way
        for (const CheckpointOutcome &o : report->result.outcomes) {
            if (o.kind == CheckpointOutcome::Kind::Extra || o.roundStart.date() != today)
                continue;
            int &state = rounds[o.plan + QChar(31) + o.roundStart.toString(Qt::ISODate)];
            if (o.kind == CheckpointOutcome::Kind::Missed) {
                if (o.due <= now)
                    state = 1;
                else if (state == 0)
                    state = 2;
            }
        }
        int done = 0, missed = 0;
        for (const int state : std::as_const(rounds)) {
            done += state == 0;
            missed += state == 1;
        }
        const qint64 staleAfter = WebFigures::staleAfterSeconds(report->definitions.plans);
        const bool stale = !s.lastDownload.isValid() || s.lastDownload.secsTo(now) > staleAfter;
        list.append(QJsonObject{
            {QStringLiteral("id"), s.id},
            {QStringLiteral("name"), s.name},
            {QStringLiteral("lastDownload"), iso(s.lastDownload)},
            {QStringLiteral("lastPush"), s.lastPush.isValid() ? QJsonValue(s.lastPush.toString(Qt::ISODate)) : QJsonValue()},
            {QStringLiteral("waiting"), s.waiting},
            {QStringLiteral("stale"), stale},
            {QStringLiteral("staleAfterHours"), std::round(staleAfter / 360.0) / 10},
            {QStringLiteral("today"), QJsonObject{{QStringLiteral("done"), done}, {QStringLiteral("missed"), missed}}},
            {QStringLiteral("week"), daysJson(WebFigures::daily(report->result, weekStart, today))},
        });
    }
    const QJsonObject body{{QStringLiteral("sites"), list}};
    return asJson ? json(200, body) : html(200, WebPages::overview(user, body));
}

HttpResponse WebService::site(const QString &user, const QString &id, const HttpRequest &request, bool asJson,
                              QSqlDatabase db)
{
    WebData::Site s;
    bool found = false;
    QString error;
    if (!WebData::site(db, user, id, &s, &found, &error)) {
        qWarning("tavrel-web: %s", qPrintable(error));
        return unavailable(asJson);
    }
    if (!found)
        return notFound(asJson);
    const Range range = rangeOf(request);
    if (!range.problem.isEmpty())
        return badRequest(range.problem, asJson);
    const QString plan = param(request, QStringLiteral("plan"));
    std::shared_ptr<const WebData::Report> report;
    bool planMissing = false;
    if (!m_data.report(db, s, range.from, range.to, plan, &report, &planMissing, &error)) {
        if (planMissing)
            return badRequest(QStringLiteral("the site has no such plan"), asJson);
        qWarning("tavrel-web: %s", qPrintable(error));
        return unavailable(asJson);
    }
    const ExceptionResult &result = report->result;
    QJsonArray plans, byPlan, byGuard, missed, flags, incidents;
    for (const PatrolPlan &p : report->definitions.plans) {
        plans.append(p.name);
        if (!plan.isEmpty() && p.name != plan)
            continue;
        byPlan.append(QJsonObject{{QStringLiteral("name"), p.name},
                                  {QStringLiteral("days"),
                                   daysJson(WebFigures::daily(result, range.from, range.to,
                                                              [&](const CheckpointOutcome &o) { return o.plan == p.name; }))}});
    }
    for (auto it = result.byGuard.cbegin(); it != result.byGuard.cend(); ++it) {
        const QString guard = it.key();
        byGuard.append(QJsonObject{{QStringLiteral("name"), guard.isEmpty() ? QStringLiteral("(no guard)") : guard},
                                   {QStringLiteral("days"),
                                    daysJson(WebFigures::daily(result, range.from, range.to,
                                                               [&](const CheckpointOutcome &o) { return o.guard == guard; }))}});
    }
    for (const CheckpointOutcome &o : result.outcomes) {
        if (o.kind != CheckpointOutcome::Kind::Missed)
            continue;
        missed.append(QJsonObject{{QStringLiteral("plan"), o.plan},
                                  {QStringLiteral("round"), iso(o.roundStart)},
                                  {QStringLiteral("seq"), o.seq},
                                  {QStringLiteral("code"), o.code},
                                  {QStringLiteral("name"), report->definitions.names.value(o.code)},
                                  {QStringLiteral("due"), iso(o.due)}});
    }
    for (const FlaggedRead &f : result.flagged)
        flags.append(QJsonObject{{QStringLiteral("at"), iso(f.at)},
                                 {QStringLiteral("machine"), f.machineNo},
                                 {QStringLiteral("code"), f.code},
                                 {QStringLiteral("rules"), f.rules},
                                 {QStringLiteral("detail"), f.detail}});
    for (auto it = result.incidentTotals.cbegin(); it != result.incidentTotals.cend(); ++it)
        incidents.append(QJsonObject{{QStringLiteral("text"), it.key()}, {QStringLiteral("count"), it.value()}});
    const QJsonObject body{{QStringLiteral("id"), s.id},
                           {QStringLiteral("name"), s.name},
                           {QStringLiteral("from"), range.from.toString(Qt::ISODate)},
                           {QStringLiteral("to"), range.to.toString(Qt::ISODate)},
                           {QStringLiteral("plan"), plan},
                           {QStringLiteral("plans"), plans},
                           {QStringLiteral("days"), daysJson(WebFigures::daily(result, range.from, range.to))},
                           {QStringLiteral("byPlan"), byPlan},
                           {QStringLiteral("byGuard"), byGuard},
                           {QStringLiteral("missed"), missed},
                           {QStringLiteral("flags"), flags},
                           {QStringLiteral("incidents"), incidents}};
    if (asJson)
        return json(200, body);
    QUrlQuery api;
    api.addQueryItem(QStringLiteral("from"), range.from.toString(Qt::ISODate));
    api.addQueryItem(QStringLiteral("to"), range.to.toString(Qt::ISODate));
    if (!plan.isEmpty())
        api.addQueryItem(QStringLiteral("plan"), QString::fromLatin1(QUrl::toPercentEncoding(plan)));
    return html(200, WebPages::site(user, body, QStringLiteral("/api/site/%1?%2").arg(s.id, api.toString(QUrl::FullyEncoded))));
}

HttpResponse WebService::exceptions(const QString &user, const HttpRequest &request, const QString &format,
                                    QSqlDatabase db)
{
    const bool asJson = format == u"json";
    const QString siteId = param(request, QStringLiteral("site"));
    const QString plan = param(request, QStringLiteral("plan"));
    QList<WebData::Site> sites, visible;
    QString error;
    if (!WebData::sites(db, user, &visible, &error)) {
        qWarning("tavrel-web: %s", qPrintable(error));
        return unavailable(asJson);
    }
    if (siteId.isEmpty()) {
        sites = visible;
    } else {
        WebData::Site s;
        bool found = false;
        if (!WebData::site(db, user, siteId, &s, &found, &error)) {
            qWarning("tavrel-web: %s", qPrintable(error));
            return unavailable(asJson);
        }
        if (!found)
            return notFound(asJson);
        sites = {s};
    }
    const Range range = rangeOf(request);
    if (!range.problem.isEmpty())
        return badRequest(range.problem, asJson);

    // Several sites in one report: their plans and guards carry the site's name.
    ExceptionResult merged;
    QJsonArray rows;
    QString csv = QStringLiteral("site,plan,round,seq,code,due,outcome,minutes,out_of_order,read,machine,guard,flags\r\n");
    const bool several = sites.size() > 1;
    for (const WebData::Site &s : std::as_const(sites)) {
        std::shared_ptr<const WebData::Report> report;
        bool planMissing = false;
        if (!m_data.report(db, s, range.from, range.to, plan, &report, &planMissing, &error)) {
            if (planMissing && several)
                continue; // that site has no such plan
            if (planMissing)
                return badRequest(QStringLiteral("the site has no such plan"), asJson);
            qWarning("tavrel-web: %s", qPrintable(error));
            return unavailable(asJson);
        }
        const QString prefix = several ? s.name + QStringLiteral(" / ") : QString();
        for (CheckpointOutcome o : report->result.outcomes) {
            const QJsonObject row{{QStringLiteral("site"), s.name},
                                  {QStringLiteral("siteId"), s.id},
                                  {QStringLiteral("plan"), o.plan},
                                  {QStringLiteral("round"), iso(o.roundStart)},
                                  {QStringLiteral("seq"), o.seq},
                                  {QStringLiteral("code"), o.code},
                                  {QStringLiteral("due"), iso(o.due)},
                                  {QStringLiteral("outcome"), kindWord(o.kind)},
                                  {QStringLiteral("minutes"), o.minutes},
                                  {QStringLiteral("outOfOrder"), o.outOfOrder},
                                  {QStringLiteral("read"), iso(o.read)},
                                  {QStringLiteral("machine"), o.machineNo},
                                  {QStringLiteral("guard"), o.guard},
                                  {QStringLiteral("flags"), o.flags}};
            if (format == u"csv") {
                QStringList cells;
                for (const char *key : {"site", "plan", "round", "seq", "code", "due", "outcome", "minutes", "outOfOrder",
                                        "read", "machine", "guard", "flags"}) {
                    const QJsonValue v = row[QLatin1String(key)];
                    cells << csvCell(v.isBool() ? (v.toBool() ? QStringLiteral("yes") : QString())
                                     : v.isDouble() ? QString::number(v.toInt())
                                                    : v.toString());
                }
                csv += cells.join(u',') + QStringLiteral("\r\n");
            } else if (format == u"pdf") {
                o.plan.prepend(prefix);
                if (!o.guard.isEmpty())
                    o.guard.prepend(prefix);
                merged.outcomes.append(o);
            } else {
                rows.append(row);
            }
        }
        if (format == u"pdf") {
            const ExceptionResult &r = report->result;
            for (auto it = r.byPlan.cbegin(); it != r.byPlan.cend(); ++it)
                merged.byPlan.insert(prefix + it.key(), it.value());
            for (auto it = r.byGuard.cbegin(); it != r.byGuard.cend(); ++it)
                merged.byGuard.insert(it.key().isEmpty() ? it.key() : prefix + it.key(), it.value());
            merged.flagged += r.flagged;
            for (auto it = r.incidentTotals.cbegin(); it != r.incidentTotals.cend(); ++it)
                merged.incidentTotals[it.key()] += it.value();
        }
    }
    if (format == u"csv") {
        HttpResponse r = reply(200, "text/csv; charset=utf-8", csv.toUtf8());
        addHeader(r, {"Content-Disposition", "attachment; filename=\"exceptions.csv\""});
        return r;
    }
    if (format == u"pdf") {
        std::sort(merged.flagged.begin(), merged.flagged.end(),
                  [](const FlaggedRead &a, const FlaggedRead &b) { return a.at < b.at; });
        QByteArray pdf;
        bool drawn = false;
        // Text is drawn on the thread of the application's fonts.
        QMetaObject::invokeMethod(
            m_gui,
            [&] {
                rptExceptions report;
                report.setResult(merged, range.from, range.to);
                report.footerNote.clear(); // the ledger is a workspace's; this service has none
                QBuffer buffer(&pdf);
                buffer.open(QIODevice::WriteOnly);
                QPdfWriter writer(&buffer);
                writer.setPageSize(QPageSize(QPageSize::A4));
                writer.setTitle(QStringLiteral("Exception report"));
                drawn = report.print(writer) >= 0;
            },
            Qt::BlockingQueuedConnection);
        if (!drawn)
            return reply(500, "text/plain; charset=utf-8", "The report cannot be drawn\n");
        HttpResponse r = reply(200, "application/pdf", pdf);
        addHeader(r, {"Content-Disposition", "attachment; filename=\"exceptions.pdf\""});
        return r;
    }
    QJsonArray siteList;
    for (const WebData::Site &s : std::as_const(visible))
        siteList.append(QJsonObject{{QStringLiteral("id"), s.id}, {QStringLiteral("name"), s.name}});
    const QJsonObject body{{QStringLiteral("from"), range.from.toString(Qt::ISODate)},
                           {QStringLiteral("to"), range.to.toString(Qt::ISODate)},
                           {QStringLiteral("site"), siteId},
                           {QStringLiteral("plan"), plan},
                           {QStringLiteral("rows"), rows}};
    if (asJson)
        return json(200, body);
    return html(200, WebPages::exceptions(user, body, QJsonObject{{QStringLiteral("sites"), siteList}}));
}

HttpResponse WebService::staticFile(const QString &path) const
{
    QString file;
    QByteArray type;
    if (path == u"/static/chart.js") {
        file = m_options.chartJs;
        type = "text/javascript; charset=utf-8";
    } else if (path == u"/static/app.js") {
        file = QStringLiteral(":/web/app.js");
        type = "text/javascript; charset=utf-8";
    } else if (path == u"/static/style.css") {
        file = QStringLiteral(":/web/style.css");
        type = "text/css; charset=utf-8";
    } else {
        return notFound(false);
    }
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return reply(500, "text/plain; charset=utf-8", "A file of the page is missing\n");
    HttpResponse r;
    r.contentType = type;
    r.body = f.readAll();
    r.headers = {{"Cache-Control", "max-age=3600"}, {"X-Content-Type-Options", "nosniff"}};
    return r;
}
