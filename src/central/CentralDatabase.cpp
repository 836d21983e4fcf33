#include "CentralDatabase.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {

QString connectOptions(const CentralSettings &settings)
{
    // A server that does not answer must not hold a push or a report for minutes.
    // libpq prints the server's notices on stderr itself; the program says what matters in its own words.
    QStringList options{QStringLiteral("connect_timeout=10"), QStringLiteral("application_name=tavrel"),
                        QStringLiteral("options='-c client_min_messages=warning'")};
    if (!settings.sslMode.isEmpty())
        options << QStringLiteral("sslmode=") + settings.sslMode;
    return options.join(u';');
}

}

QSqlDatabase CentralDatabase::open(const CentralSettings &settings, const QString &name, QString *error)
{
    if (!settings.configured()) {
        *error = QStringLiteral("No central database is configured (settings section [Central], key Database)");
        return {};
    }
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen())
            return db;
    } else {
        QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    }
    QSqlDatabase db = QSqlDatabase::database(name, false);
    if (!db.isValid()) {
        QSqlDatabase::removeDatabase(name);
        *error = QStringLiteral("The PostgreSQL driver of Qt is missing (Debian package libqt6sql6-psql)");
        return {};
    }
    db.setHostName(settings.host);
    db.setPort(settings.port);
    db.setDatabaseName(settings.database);
    db.setUserName(settings.user);
    db.setConnectOptions(connectOptions(settings));
    if (db.open())
        return db;
    *error = QStringLiteral("The central database %1 cannot be reached: %2")
                 .arg(settings.describe(), reason(db.lastError().text()));
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
    return {};
}

void CentralDatabase::close(const QString &name)
{
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

bool CentralDatabase::exec(QSqlQuery &query, const QString &sql, const QString &what, QString *error)
{
    if (query.exec(sql))
        return true;
    *error = what + QStringLiteral(": ") + reason(query.lastError().text());
    return false;
}

bool CentralDatabase::exec(QSqlQuery &query, const QString &what, QString *error)
{
    if (query.exec())
        return true;
    *error = what + QStringLiteral(": ") + reason(query.lastError().text());
    return false;
}

QString CentralDatabase::reason(const QString &text)
{
    // libpq's messages run over several lines ("connection to server ... failed: FATAL: ...\n");
    // the driver adds its own words after them.
    QString line = text.trimmed();
    for (const QString &part : line.split(u'\n', Qt::SkipEmptyParts)) {
        const QString p = part.trimmed();
        if (!p.isEmpty()) {
            line = p;
            break;
        }
    }
    for (const QLatin1String prefix : {QLatin1String("QPSQL: "), QLatin1String("ERROR:  "), QLatin1String("FATAL:  ")})
        if (line.startsWith(prefix))
            line = line.mid(prefix.size());
    return line;
}
