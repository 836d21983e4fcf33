#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// The HTML of the web page's screens, made on the server from the same JSON
// the page's script reads; every value from the database or the request is
// escaped. Scripts come from /static only (the pages forbid inline script).
class WebPages
{
public:
    // Text for an element's content or a quoted attribute value.
    static QString escape(const QString &text);

    static QByteArray login(const QString &message, const QString &name);
    // The screens; `user` is shown in the header with the logout button.
    static QByteArray overview(const QString &user, const QJsonObject &overview);
    static QByteArray site(const QString &user, const QJsonObject &site, const QString &api);
    static QByteArray exceptions(const QString &user, const QJsonObject &exceptions, const QJsonObject &filters);
    static QByteArray message(const QString &title, const QString &text);
};
