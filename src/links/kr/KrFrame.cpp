#include "KrFrame.h"

namespace KrFrame {

QByteArray idText(qint16 id)
{
    // A negative ID is taken as its 16-bit pattern, as a hex conversion of the
    // integer would give it.
    const QByteArray hex = "0" + QByteArray::number(quint16(id), 16).toUpper();
    return hex.right(2);
}

QByteArray command(qint16 id, char letter)
{
    QByteArray out;
    out.reserve(4);
    out += kEnq;
    out += idText(id);
    out += letter;
    return out;
}

QByteArray baseStationCommand(char letter)
{
    QByteArray out;
    out += kEnq;
    out += "B00";
    out += letter;
    out += kCr;
    return out;
}

char bcc(QByteArrayView data)
{
    char x = 0;
    for (char c : data)
        x = char(x ^ c);
    return x;
}

QByteArray dataFrame(QByteArrayView data)
{
    QByteArray out;
    out.reserve(data.size() + 3);
    out += kStx;
    out += data;
    out += kEtx;
    out += bcc(data);
    return out;
}

Scan scan(QByteArrayView received, QByteArray *data)
{
    const qsizetype n = received.size();
    if (n >= 2 && received[n - 2] == kEtx) {
        // Data between the first byte and ETX: at least one byte of it.
        if (n < 4)
            return Scan::BadFrame;
        const QByteArrayView body = received.sliced(1, n - 3);
        if (bcc(body) != received[n - 1])
            return Scan::BadFrame;
        if (data)
            *data = body.toByteArray();
        return Scan::Complete;
    }
    for (char c : received) {
        if (c == kStx)
            break;
        if (c == kEot)
            return Scan::EndOfData;
    }
    return Scan::Incomplete;
}

}
