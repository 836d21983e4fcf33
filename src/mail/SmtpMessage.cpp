#include "SmtpMessage.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>
#include <QUuid>

namespace {

// base64 in lines of 76 characters, as MIME wants them.
QByteArray base64Lines(const QByteArray &data)
{
    const QByteArray encoded = data.toBase64();
    QByteArray out;
    out.reserve(encoded.size() + encoded.size() / 76 * 2 + 2);
    for (qsizetype i = 0; i < encoded.size(); i += 76)
        out += encoded.mid(i, 76) + "\r\n";
    return out;
}

bool plainAscii(const QString &text)
{
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    return !text.contains(QLatin1String("=?"));
}

}

bool SmtpMessage::isAddress(const QString &address)
{
    static const QRegularExpression shape(QStringLiteral(R"(^[^\s<>(),;:"@\\]+@[A-Za-z0-9.-]+$)"));
    return address.size() <= 254 && shape.match(address).hasMatch();
}

QString SmtpMessage::newMessageId(const QString &sender)
{
    const QString domain = sender.section(QLatin1Char('@'), 1);
    return QUuid::createUuid().toString(QUuid::WithoutBraces) + QLatin1Char('@')
           + (domain.isEmpty() ? QStringLiteral("tavrel.invalid") : domain);
}

QByteArray SmtpMessage::encodeHeader(const QString &text)
{
    if (plainAscii(text))
        return text.toLatin1();
    // 39 bytes of UTF-8 are 52 base64 characters, a word of 64: with "Subject: " in
    // front the line still keeps within the 78 characters a header line should.
    QList<QByteArray> words;
    QByteArray chunk;
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QString one = text.mid(i, n);
        i += n - 1;
        for (QChar &c : one)
            if (c.unicode() < 0x20)
                c = QLatin1Char(' ');
        const QByteArray bytes = one.toUtf8();
        if (chunk.size() + bytes.size() > 39) {
            words << chunk;
            chunk.clear();
        }
        chunk += bytes;
    }
    if (!chunk.isEmpty())
        words << chunk;
    QByteArray out;
    for (const QByteArray &w : std::as_const(words))
        out += (out.isEmpty() ? "" : "\r\n ") + ("=?UTF-8?B?" + w.toBase64() + "?=");
    return out;
}

QByteArray SmtpMessage::rfcDate(const QDateTime &date)
{
    const QLocale c = QLocale::c();
    const int offset = date.offsetFromUtc() / 60;
    const QString zone = QStringLiteral("%1%2%3")
                             .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                             .arg(qAbs(offset) / 60, 2, 10, QLatin1Char('0'))
                             .arg(qAbs(offset) % 60, 2, 10, QLatin1Char('0'));
    return (c.toString(date, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss ")) + zone).toLatin1();
}

QByteArray SmtpMessage::toBytes() const
{
    const QByteArray boundary = "=_tavrel_" + QUuid::createUuid().toByteArray(QUuid::Id128);
    const QString id = messageId.isEmpty() ? newMessageId(from) : messageId;
    QByteArray m;
    m += "From: " + from.toLatin1() + "\r\n";
    m += "To: " + to.join(QStringLiteral(",\r\n ")).toLatin1() + "\r\n";
    m += "Subject: " + encodeHeader(subject) + "\r\n";
    m += "Date: " + rfcDate(date) + "\r\n";
    m += "Message-ID: <" + id.toLatin1() + ">\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: multipart/mixed;\r\n boundary=\"" + boundary + "\"\r\n";
    m += "\r\n";
    m += "This is a message in MIME format.\r\n";
    m += "--" + boundary + "\r\n";
    m += "Content-Type: text/plain; charset=UTF-8\r\n";
    m += "Content-Transfer-Encoding: base64\r\n\r\n";
    QString body = text;
    body.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    m += base64Lines(body.toUtf8());
    if (!attachment.isEmpty()) {
        // The file name is the program's own, plain ASCII: no parameter encoding needed.
        QString name = attachmentName;
        name.remove(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")));
        m += "--" + boundary + "\r\n";
        m += "Content-Type: " + attachmentType + ";\r\n name=\"" + name.toLatin1() + "\"\r\n";
        m += "Content-Transfer-Encoding: base64\r\n";
        m += "Content-Disposition: attachment;\r\n filename=\"" + name.toLatin1() + "\"\r\n\r\n";
        m += base64Lines(attachment);
    }
    m += "--" + boundary + "--\r\n";
    return m;
}
