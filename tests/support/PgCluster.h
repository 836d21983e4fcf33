#pragma once

#include "CentralSettings.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A throw-away PostgreSQL cluster for one test: initdb into a temporary
// folder, a server listening on a Unix socket there only (no TCP port to
// collide with), stopped and removed by the destructor. As root the server
// runs as the user postgres (PostgreSQL refuses to run as root). Clients
// connect as the superuser postgres without a password.
class PgCluster
{
public:
    PgCluster();
    ~PgCluster();
    PgCluster(const PgCluster &) = delete;
    PgCluster &operator=(const PgCluster &) = delete;

    // initdb, start, and create the database `tavrel`. False with the tools'
    // own words in `error`.
    bool start(QString *error);
    // Stops the server (the data stays) and starts it again, for tests of a server that goes away.
    bool stop(QString *error = nullptr);
    bool restart(QString *error);

    QString socketFolder() const;
    int port() const { return m_port; }
    // [Central] settings that reach `database` as the superuser (or `user`).
    CentralSettings settings(const QString &database = QStringLiteral("tavrel"),
                             const QString &user = QStringLiteral("postgres")) const;
    // Writes settings() into the current settings store.
    bool configure(QString *error, const QString &database = QStringLiteral("tavrel"),
                   const QString &user = QStringLiteral("postgres")) const;
    // Runs SQL through psql as the superuser; `output` gets the rows unaligned
    // and tab-separated. False with psql's words in `error`.
    bool psql(const QString &sql, QString *output = nullptr, QString *error = nullptr,
              const QString &database = QStringLiteral("tavrel")) const;
    // psql's output of a one-value query, trimmed; empty on failure (the test sees why via QVERIFY2 on psql()).
    QString value(const QString &sql, const QString &database = QStringLiteral("tavrel")) const;

    // The PostgreSQL programs folder (/usr/lib/postgresql/N/bin), empty when not installed.
    static QString binFolder();

private:
    bool runTool(const QString &tool, const QStringList &args, QString *output, QString *error) const;

    QTemporaryDir m_dir;
    int m_port = 0;
    bool m_running = false;
};
