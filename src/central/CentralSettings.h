#pragma once

#include <QString>

// Where the central PostgreSQL database is: the settings section "Central".
// Host is a name, an address or a Unix-socket folder, as libpq takes it. The
// password is never kept here: libpq reads ~/.pgpass or a service file itself.
// A workspace whose settings name no Database has no central database.
struct CentralSettings
{
    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString sslMode; // libpq's sslmode (disable, prefer, require, verify-full ...); empty: libpq's default

    static CentralSettings fromSettings();
    bool save(QString *error) const;
    bool configured() const { return !database.isEmpty(); }
    // "tavrel on db.example.net:5432 as site1", for messages.
    QString describe() const;
};
