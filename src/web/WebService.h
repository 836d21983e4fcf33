#pragma once

#include "CentralSettings.h"
#include "HttpAdapter.h"
#include "WebData.h"
#include "WebSessions.h"

#include <QJsonObject>
#include <QObject>

// The read-only web service: the login, the overview, a site's page and the
// exception report, each with its JSON, for the sites the logged-in user may
// see. It writes nothing to the database. handle() runs on the adapter's
// worker threads; each thread has its own database connection.
class WebService
{
public:
    struct Options
    {
        CentralSettings central;
        qint64 sessionSeconds = 480 * 60;
        bool secureCookie = false; // behind TLS: the cookie is sent over https only
        qint64 requestTimeoutSeconds = 30; // for a request to arrive whole
        QString chartJs = QStringLiteral("/usr/share/javascript/chart.js/chart.min.js");
        // [Web] SessionMinutes (SessionSeconds, for tests, wins), SecureCookie, ChartJs,
        // RequestTimeoutSeconds and [Central].
        static Options fromSettings();
    };

    // `gui` is an object of the thread that may draw (the PDF is drawn there).
    WebService(const Options &options, QObject *gui);

    HttpResponse handle(const HttpRequest &request);
    // Computes the overview's reports of every site ahead of the first
    // request (a hundred sites take seconds); later only a site whose data
    // changed is computed again. Runs on the calling thread with its own connection.
    void warm();
    WebData &data() { return m_data; }

private:
    HttpResponse route(const HttpRequest &request, QSqlDatabase *db);
    HttpResponse login(const HttpRequest &request, QSqlDatabase *db);
    HttpResponse logout(const HttpRequest &request);
    HttpResponse overview(const QString &user, bool json, QSqlDatabase db);
    HttpResponse site(const QString &user, const QString &id, const HttpRequest &request, bool json, QSqlDatabase db);
    HttpResponse exceptions(const QString &user, const HttpRequest &request, const QString &format, QSqlDatabase db);
    HttpResponse staticFile(const QString &path) const;

    QSqlDatabase connection(QString *error);

    Options m_options;
    QObject *m_gui;
    WebSessions m_sessions;
    WebData m_data;
};
