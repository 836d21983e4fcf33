#pragma once

#include <QString>

// The [Mail] section of the settings: how the morning report reaches the
// outgoing mail server. The password is never kept in the settings: it is the
// first line of PasswordFile, a file only its owner may read.
struct MailSettings
{
    enum class Security { None, StartTls, Tls };

    QString server;
    int port = 25;
    Security security = Security::None;
    QString sender;
    QString user;         // empty: the server takes mail without logging in
    QString passwordFile; // the file holding the password of `user`

    // Reads [Mail] (Server, Port, Security none|starttls|tls, Sender, User,
    // PasswordFile). Port defaults to 25, 587 or 465 by security. False with
    // `error` when Server or Sender is missing or a value is unusable.
    static bool load(MailSettings *settings, QString *error);
    static int defaultPort(Security security);

    // The first line of PasswordFile; empty when no file is set. False with
    // `error` when the file cannot be read, or when its mode lets the group or
    // others read it (the password would not be the user's alone).
    bool readPassword(QString *password, QString *error) const;
};
