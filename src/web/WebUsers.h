#pragma once

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The people who may open the web page: a name, a password hash (libsodium's
// Argon2id string, never the password itself) and the sites each may see, or
// all of them. Kept in the central database, changed by tavrel-cli only.
class WebUsers
{
public:
    struct User
    {
        QString name;
        bool allSites = false;
        QStringList sites; // site names, by name
    };

    // crypto_pwhash_str with the interactive limits; empty with `error` when
    // libsodium cannot start or runs out of memory.
    static QString hashPassword(const QByteArray &password, QString *error);
    static bool verifyPassword(const QString &hash, const QByteArray &password);

    // The ids of `sites`, each a site's name or id; false with `error` naming the first unknown one.
    static bool siteIds(QSqlDatabase db, const QStringList &sites, QStringList *ids, QString *error);

    // A new user; false when the name is taken or the database refuses.
    static bool add(QSqlDatabase db, const QString &name, const QByteArray &password, bool allSites,
                    const QStringList &siteIds, QString *error);
    static bool setPassword(QSqlDatabase db, const QString &name, const QByteArray &password, QString *error);
    static bool remove(QSqlDatabase db, const QString &name, QString *error);
    static bool list(QSqlDatabase db, QList<User> *users, QString *error);

    // True in `*accepted` when `name` is a user and `password` is theirs.
    // False only when the database cannot be read.
    static bool check(QSqlDatabase db, const QString &name, const QByteArray &password, bool *accepted,
                      QString *error);
};
