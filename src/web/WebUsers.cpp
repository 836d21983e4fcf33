#include "WebUsers.h"

#include "CentralDatabase.h"

#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <sodium.h>

namespace {

bool sodiumReady(QString *error)
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        *error = QStringLiteral("libsodium cannot start");
    return ready;
}

QString noUser(const QString &name)
{
    return QStringLiteral("There is no web user called %1").arg(name);
}

}

QString WebUsers::hashPassword(const QByteArray &password, QString *error)
{
    if (!sodiumReady(error))
        return {};
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, password.constData(), quint64(password.size()), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE)
        != 0) {
        *error = QStringLiteral("The password cannot be hashed (out of memory)");
        return {};
    }
    return QString::fromLatin1(out);
}

bool WebUsers::verifyPassword(const QString &hash, const QByteArray &password)
{
    QString error;
    if (!sodiumReady(&error))
        return false;
    const QByteArray h = hash.toLatin1();
    if (h.isEmpty() || h.size() >= crypto_pwhash_STRBYTES)
        return false;
    return crypto_pwhash_str_verify(h.constData(), password.constData(), quint64(password.size())) == 0;
}

bool WebUsers::siteIds(QSqlDatabase db, const QStringList &sites, QStringList *ids, QString *error)
{
    ids->clear();
    QSqlQuery q(db);
    for (const QString &site : sites) {
        const QUuid uuid = QUuid::fromString(site.trimmed());
        if (uuid.isNull()) {
            q.prepare(QStringLiteral("SELECT id::text FROM sites WHERE name = ? ORDER BY id"));
            q.addBindValue(site.trimmed());
        } else {
            q.prepare(QStringLiteral("SELECT id::text FROM sites WHERE id = ?::uuid"));
            q.addBindValue(uuid.toString(QUuid::WithoutBraces));
        }
        if (!CentralDatabase::exec(q, QStringLiteral("The sites cannot be read"), error))
            return false;
        QStringList found;
        while (q.next())
            found << q.value(0).toString();
        if (found.isEmpty()) {
            *error = QStringLiteral("There is no site called %1").arg(site);
            return false;
        }
        if (found.size() > 1) {
            *error = QStringLiteral("Several sites are called %1: give its id").arg(site);
            return false;
        }
        if (!ids->contains(found.first()))
            ids->append(found.first());
    }
    return true;
}

bool WebUsers::add(QSqlDatabase db, const QString &name, const QByteArray &password, bool allSites,
                   const QStringList &siteIds, QString *error)
{
    const QString hash = hashPassword(password, error);
    if (hash.isEmpty())
        return false;
    const QString what = QStringLiteral("The web user cannot be added");
    if (!db.transaction()) {
        *error = what;
        return false;
    }
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO web_users (name, password_hash, all_sites) VALUES (?, ?, ?) "
                             "ON CONFLICT (name) DO NOTHING"));
    q.addBindValue(name);
    q.addBindValue(hash);
    q.addBindValue(allSites);
    bool ok = CentralDatabase::exec(q, what, error);
    if (ok && q.numRowsAffected() != 1) {
        *error = QStringLiteral("There is already a web user called %1").arg(name);
        ok = false;
    }
    for (const QString &id : siteIds) {
        if (!ok)
            break;
        q.prepare(QStringLiteral("INSERT INTO web_user_sites (user_name, site_id) VALUES (?, ?::uuid)"));
        q.addBindValue(name);
        q.addBindValue(id);
        ok = CentralDatabase::exec(q, what, error);
    }
    q.finish();
    if (ok && db.commit())
        return true;
    db.rollback();
    return false;
}

bool WebUsers::setPassword(QSqlDatabase db, const QString &name, const QByteArray &password, QString *error)
{
    const QString hash = hashPassword(password, error);
    if (hash.isEmpty())
        return false;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("UPDATE web_users SET password_hash = ? WHERE name = ?"));
    q.addBindValue(hash);
    q.addBindValue(name);
    if (!CentralDatabase::exec(q, QStringLiteral("The password cannot be changed"), error))
        return false;
    if (q.numRowsAffected() == 1)
        return true;
    *error = noUser(name);
    return false;
}

bool WebUsers::remove(QSqlDatabase db, const QString &name, QString *error)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("DELETE FROM web_users WHERE name = ?"));
    q.addBindValue(name);
    if (!CentralDatabase::exec(q, QStringLiteral("The web user cannot be deleted"), error))
        return false;
    if (q.numRowsAffected() == 1)
        return true;
    *error = noUser(name);
    return false;
}

bool WebUsers::list(QSqlDatabase db, QList<User> *users, QString *error)
{
    users->clear();
    QSqlQuery q(db);
    if (!CentralDatabase::exec(q,
                               QStringLiteral("SELECT u.name, u.all_sites, "
                                              "coalesce(string_agg(s.name, chr(31) ORDER BY s.name), '') "
                                              "FROM web_users u LEFT JOIN web_user_sites us ON us.user_name = u.name "
                                              "LEFT JOIN sites s ON s.id = us.site_id "
                                              "GROUP BY u.name, u.all_sites ORDER BY u.name"),
                               QStringLiteral("The web users cannot be read"), error))
        return false;
    while (q.next()) {
        const QString sites = q.value(2).toString();
        users->append({q.value(0).toString(), q.value(1).toBool(),
                       sites.isEmpty() ? QStringList() : sites.split(QChar(31))});
    }
    return true;
}

bool WebUsers::check(QSqlDatabase db, const QString &name, const QByteArray &password, bool *accepted,
                     QString *error)
{
    *accepted = false;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT password_hash FROM web_users WHERE name = ?"));
    q.addBindValue(name);
    if (!CentralDatabase::exec(q, QStringLiteral("The web users cannot be read"), error))
        return false;
    if (q.next()) {
        *accepted = verifyPassword(q.value(0).toString(), password);
    } else {
        // As long as for a user with a wrong password: the answer's time
        // does not tell which names exist.
        static const QString dummy = hashPassword(QByteArrayLiteral("tavrel"), error);
        verifyPassword(dummy, password);
    }
    return true;
}
