#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// One mail as it goes over SMTP: the headers (From, To, Subject as a UTF-8
// encoded word, Date, Message-ID, MIME-Version), then a multipart/mixed body
// with a UTF-8 text part and an optional attachment, both base64, lines
// ending in CR LF.
class SmtpMessage
{
public:
    QString from;
    QStringList to;
    QString subject;
    QString text;
    QByteArray attachment; // none when empty
    QString attachmentName;
    QByteArray attachmentType = QByteArrayLiteral("application/pdf");
    QDateTime date = QDateTime::currentDateTime();
    QString messageId; // without the angle brackets; newMessageId() when empty

    QByteArray toBytes() const;

    // A plain address local@domain: no blanks, angle brackets, commas or line
    // breaks, which would let an address add headers or recipients.
    static bool isAddress(const QString &address);
    // A unique id in the domain of `sender`: "<uuid>@<domain>".
    static QString newMessageId(const QString &sender);
    // A header value: itself when plain ASCII, else UTF-8 encoded words (each
    // at most 64 characters, never splitting a character), folded.
    static QByteArray encodeHeader(const QString &text);
    // The date as RFC 5322 writes it: "Sun, 06 Dec 2026 06:30:00 +0100".
    static QByteArray rfcDate(const QDateTime &date);
};
