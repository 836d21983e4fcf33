#pragma once

#include "MailSettings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Hands one message to the mail server of the settings over SMTP (libcurl):
// smtp:// for none and starttls (STARTTLS required, never falling back to
// plain text), smtps:// for tls; logs in when the settings name a user.
class SmtpSender
{
public:
    // The transfer runs on a thread of its own while the caller's event loop
    // keeps running. False with `error` (the server's or libcurl's words)
    // when the server did not take the message for every recipient.
    static bool send(const MailSettings &settings, const QString &password, const QString &from,
                     const QStringList &recipients, const QByteArray &message, QString *error);

    // Seconds allowed for the connection, and for the whole transfer.
    static constexpr long kConnectSeconds = 20;
    static constexpr long kTransferSeconds = 120;
};
