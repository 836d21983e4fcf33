#pragma once

#include "CentralSettings.h"

#include <QSqlDatabase>
#include <QString>

class QSqlQuery;

// A connection to the central database through QtSql's PostgreSQL driver.
// A QSqlDatabase belongs to the thread that opened it: each thread (the
// window's reports, the pusher, the web service's workers) opens its own under
// a name of its own and closes it with close().
class CentralDatabase
{
public:
    // Opens (or reopens) the connection `name`. On failure the connection is
    // removed again and `error` holds one line: what could not be reached and
    // libpq's own reason (wrong password, refused, unknown database, ...).
    static QSqlDatabase open(const CentralSettings &settings, const QString &name, QString *error);
    static void close(const QString &name);

    // Runs `sql` on `query`; false with `error` "<what>: <server's words>".
    static bool exec(QSqlQuery &query, const QString &sql, const QString &what, QString *error);
    static bool exec(QSqlQuery &query, const QString &what, QString *error); // a prepared query
    // The first line of a driver or server message, without the driver's prefix.
    static QString reason(const QString &text);
};
