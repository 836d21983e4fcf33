#include "WebPages.h"

#include <QJsonArray>
#include <QUrlQuery>

namespace {

QString e(const QString &text)
{
    return WebPages::escape(text);
}

QString e(const QJsonValue &value)
{
    if (value.isDouble())
        return QString::number(value.toDouble());
    return WebPages::escape(value.toString());
}

// "2026-12-01T08:00:00" as "2026-12-01 08:00"
QString when(const QJsonValue &value)
{
    const QString t = value.toString();
    return t.isEmpty() ? QStringLiteral("–") : e(t.left(16).replace(u'T', u' '));
}

QByteArray document(const QString &title, const QString &user, const QString &body, const QString &api = {})
{
    QString html = QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                                  "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                                  "<title>%1 – Tavrel</title><link rel=\"stylesheet\" href=\"/static/style.css\">"
                                  "<script src=\"/static/chart.js\" defer></script>"
                                  "<script src=\"/static/app.js\" defer></script></head>\n")
                       .arg(e(title));
    html += api.isEmpty() ? QStringLiteral("<body>") : QStringLiteral("<body data-api=\"%1\">").arg(e(api));
    html += QStringLiteral("<header><nav><strong>Tavrel</strong> <a href=\"/\">Overview</a> "
                           "<a href=\"/exceptions\">Exceptions</a></nav>");
    if (!user.isEmpty())
        html += QStringLiteral("<form method=\"post\" action=\"/logout\" class=\"logout\"><span>%1</span> "
                               "<button type=\"submit\" id=\"logout\">Log out</button></form>")
                    .arg(e(user));
    html += QStringLiteral("</header>\n<main><h1>%1</h1>\n%2</main></body></html>\n").arg(e(title), body);
    return html.toUtf8();
}

QString dayRows(const QJsonArray &days)
{
    QString rows;
    for (const QJsonValue &v : days) {
        const QJsonObject d = v.toObject();
        rows += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td></tr>")
                    .arg(e(d[u"date"]), e(d[u"onTime"]), e(d[u"earlyOrLate"]), e(d[u"missed"]),
                         d[u"percent"].isNull() ? QStringLiteral("–") : e(d[u"percent"]) + u'%');
    }
    return rows;
}

}

QString WebPages::escape(const QString &text)
{
    return text.toHtmlEscaped().replace(u'\'', QStringLiteral("&#39;"));
}

QByteArray WebPages::login(const QString &message, const QString &name)
{
    QString body;
    if (!message.isEmpty())
        body += QStringLiteral("<p class=\"error\" id=\"message\">%1</p>").arg(e(message));
    body += QStringLiteral("<form method=\"post\" action=\"/login\" class=\"login\">"
                           "<label>Name <input name=\"name\" id=\"name\" autocomplete=\"username\" value=\"%1\" required></label>"
                           "<label>Password <input name=\"password\" id=\"password\" type=\"password\" "
                           "autocomplete=\"current-password\" required></label>"
                           "<button type=\"submit\" id=\"login\">Log in</button></form>")
                .arg(e(name));
    return document(QStringLiteral("Log in"), {}, body);
}

QByteArray WebPages::overview(const QString &user, const QJsonObject &overview)
{
    QString rows;
    for (const QJsonValue &v : overview[u"sites"].toArray()) {
        const QJsonObject s = v.toObject();
        const QJsonObject today = s[u"today"].toObject();
        QString fresh = QStringLiteral("<td>%1</td>").arg(when(s[u"lastDownload"]));
        if (s[u"stale"].toBool())
            fresh = QStringLiteral("<td class=\"stale\">%1 <span class=\"warn\">no download for over %2 h</span></td>")
                        .arg(when(s[u"lastDownload"]), e(s[u"staleAfterHours"]));
        rows += QStringLiteral("<tr><td><a href=\"/site/%1\">%2</a></td>%3<td>%4</td><td>%5</td><td>%6</td>"
                               "<td><canvas class=\"week\" width=\"210\" height=\"48\" data-site=\"%1\"></canvas></td></tr>\n")
                    .arg(e(s[u"id"]), e(s[u"name"]), fresh, e(s[u"waiting"]), e(today[u"done"]), e(today[u"missed"]));
    }
    const QString body = QStringLiteral("<table id=\"sites\"><thead><tr><th>Site</th><th>Last download</th>"
                                        "<th>Waiting pushes</th><th>Rounds done today</th><th>Rounds missed today</th>"
                                        "<th>Last 7 days</th></tr></thead><tbody>\n%1</tbody></table>")
                             .arg(rows);
    return document(QStringLiteral("Overview"), user, body, QStringLiteral("/api/overview"));
}

QByteArray WebPages::site(const QString &user, const QJsonObject &site, const QString &api)
{
    QString plans = QStringLiteral("<option value=\"\">every plan</option>");
    for (const QJsonValue &p : site[u"plans"].toArray())
        plans += QStringLiteral("<option%1>%2</option>")
                     .arg(p.toString() == site[u"plan"].toString() ? QStringLiteral(" selected") : QString(), e(p));
    QString body = QStringLiteral("<form method=\"get\" class=\"range\"><label>From <input type=\"date\" name=\"from\" value=\"%1\"></label>"
                                  "<label>To <input type=\"date\" name=\"to\" value=\"%2\"></label>"
                                  "<label>Plan <select name=\"plan\">%3</select></label><button type=\"submit\">Show</button></form>")
                       .arg(e(site[u"from"]), e(site[u"to"]), plans);
    body += QStringLiteral("<h2>Compliance per day</h2><div class=\"chart\"><canvas id=\"days\" height=\"90\"></canvas></div>"
                           "<table class=\"days\"><thead><tr><th>Day</th><th>On time</th><th>Early or late</th><th>Missed</th>"
                           "<th>On time %</th></tr></thead><tbody>%1</tbody></table>")
                .arg(dayRows(site[u"days"].toArray()));
    body += QStringLiteral("<h2>Per plan</h2><div id=\"plans\" class=\"charts\"></div>"
                           "<h2>Per guard</h2><div id=\"guards\" class=\"charts\"></div>");
    QString missed;
    for (const QJsonValue &v : site[u"missed"].toArray()) {
        const QJsonObject m = v.toObject();
        missed += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td><td>%6</td></tr>")
                      .arg(e(m[u"plan"]), when(m[u"round"]), e(m[u"seq"]), e(m[u"code"]), e(m[u"name"]), when(m[u"due"]));
    }
    body += QStringLiteral("<h2>Missed checkpoints</h2><table id=\"missed\"><thead><tr><th>Plan</th><th>Round</th><th>No.</th>"
                           "<th>Code</th><th>Checkpoint</th><th>Due</th></tr></thead><tbody>%1</tbody></table>")
                .arg(missed);
    QString flags;
    for (const QJsonValue &v : site[u"flags"].toArray()) {
        const QJsonObject f = v.toObject();
        flags += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td></tr>")
                     .arg(when(f[u"at"]), e(f[u"machine"]), e(f[u"code"]), e(f[u"rules"]), e(f[u"detail"]));
    }
    body += QStringLiteral("<h2>Flags</h2><table id=\"flags\"><thead><tr><th>Read</th><th>Terminal</th><th>Code</th>"
                           "<th>Rules</th><th>Detail</th></tr></thead><tbody>%1</tbody></table>")
                .arg(flags);
    QString incidents;
    for (const QJsonValue &v : site[u"incidents"].toArray()) {
        const QJsonObject i = v.toObject();
        incidents += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>").arg(e(i[u"text"]), e(i[u"count"]));
    }
    body += QStringLiteral("<h2>Incidents</h2><table id=\"incidents\"><thead><tr><th>Incident</th><th>Reads</th></tr></thead>"
                           "<tbody>%1</tbody></table>")
                .arg(incidents);
    return document(site[u"name"].toString(), user, body, api);
}

QByteArray WebPages::exceptions(const QString &user, const QJsonObject &exceptions, const QJsonObject &filters)
{
    QString sites = QStringLiteral("<option value=\"\">every site</option>");
    for (const QJsonValue &v : filters[u"sites"].toArray()) {
        const QJsonObject s = v.toObject();
        sites += QStringLiteral("<option value=\"%1\"%2>%3</option>")
                     .arg(e(s[u"id"]), s[u"id"] == exceptions[u"site"] ? QStringLiteral(" selected") : QString(),
                          e(s[u"name"]));
    }
    QUrlQuery query;
    for (const char *key : {"from", "to", "site", "plan"})
        if (!exceptions[QLatin1String(key)].toString().isEmpty())
            query.addQueryItem(QLatin1String(key), QString::fromLatin1(QUrl::toPercentEncoding(exceptions[QLatin1String(key)].toString())));
    const QString suffix = query.isEmpty() ? QString() : u'?' + query.toString(QUrl::FullyEncoded);
    QString body = QStringLiteral("<form method=\"get\" class=\"range\"><label>From <input type=\"date\" name=\"from\" value=\"%1\"></label>"
                                  "<label>To <input type=\"date\" name=\"to\" value=\"%2\"></label>"
                                  "<label>Site <select name=\"site\">%3</select></label>"
                                  "<label>Plan <input name=\"plan\" value=\"%4\"></label><button type=\"submit\">Show</button></form>"
                                  "<p class=\"downloads\"><a id=\"csv\" href=\"/exceptions.csv%5\">CSV</a> "
                                  "<a id=\"pdf\" href=\"/exceptions.pdf%5\">PDF</a></p>")
                       .arg(e(exceptions[u"from"]), e(exceptions[u"to"]), sites, e(exceptions[u"plan"]), e(suffix));
    QString rows;
    for (const QJsonValue &v : exceptions[u"rows"].toArray()) {
        const QJsonObject r = v.toObject();
        rows += QStringLiteral("<tr class=\"%1\"><td>%2</td><td>%3</td><td>%4</td><td>%5</td><td>%6</td><td>%7</td><td>%1</td>"
                               "<td>%8</td><td>%9</td><td>%10</td><td>%11</td><td>%12</td></tr>\n")
                    .arg(e(r[u"outcome"]), e(r[u"site"]), e(r[u"plan"]), when(r[u"round"]), e(r[u"seq"]), e(r[u"code"]),
                         when(r[u"due"]), e(r[u"minutes"]), when(r[u"read"]), e(r[u"machine"]), e(r[u"guard"]),
                         e(r[u"flags"]));
    }
    body += QStringLiteral("<table id=\"exceptions\"><thead><tr><th>Site</th><th>Plan</th><th>Round</th><th>No.</th><th>Code</th>"
                           "<th>Due</th><th>Outcome</th><th>Min.</th><th>Read</th><th>Terminal</th><th>Guard</th><th>Flags</th>"
                           "</tr></thead><tbody>\n%1</tbody></table>")
                .arg(rows);
    return document(QStringLiteral("Exceptions"), user, body);
}

QByteArray WebPages::message(const QString &title, const QString &text)
{
    return document(title, {}, QStringLiteral("<p>%1</p>").arg(e(text)));
}
