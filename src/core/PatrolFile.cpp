#include "PatrolFile.h"

#include "MessageReporter.h"
#include "Workspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#include <array>

namespace {

// Windows-1252 0x80..0x9F; 0 marks the five bytes the code page leaves unassigned.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char16_t byteToChar(unsigned char b)
{
    if (b >= 0x80 && b <= 0x9F && kHigh[b - 0x80] != 0)
        return kHigh[b - 0x80];
    return b;
}

unsigned char charToByte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<unsigned char>(c);
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == c)
            return static_cast<unsigned char>(0x80 + i);
    }
    if (c >= 0x80 && c <= 0x9F)
        return static_cast<unsigned char>(c); // an unassigned byte read back
    return '?'; // no Windows-1252 form, as the code page conversion gives
}

}

QByteArray PatrolFile::toAnsi(QStringView text)
{
    QByteArray out;
    out.resize(text.size());
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = static_cast<char>(charToByte(text[i].unicode()));
    return out;
}

QString PatrolFile::fromAnsi(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *dst = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        dst[i] = QChar(byteToChar(static_cast<unsigned char>(bytes[i])));
    return out;
}

QByteArray PatrolFile::encode(const QString &text)
{
    const QByteArray bytes = toAnsi(text);
    QByteArray out(bytes.size() * kDigitsPerByte, Qt::Uninitialized);
    char *dst = out.data();
    for (const char c : bytes) {
        int v = kKey - static_cast<unsigned char>(c);
        for (int d = kDigitsPerByte - 1; d >= 0; --d) {
            dst[d] = char('0' + v % 10);
            v /= 10;
        }
        dst += kDigitsPerByte;
    }
    return out;
}

PatrolFile::Decode PatrolFile::decode(QByteArrayView line, QString *text, QByteArray *badGroup)
{
    if (line.isEmpty())
        return Decode::EmptyLine;
    if (line.size() % kDigitsPerByte != 0)
        return Decode::BadLength;
    const qsizetype count = line.size() / kDigitsPerByte;
    QString out(count, Qt::Uninitialized);
    QChar *dst = out.data();
    const char *src = line.data();
    for (qsizetype i = 0; i < count; ++i, src += kDigitsPerByte) {
        int v = 0;
        bool digits = true;
        for (int d = 0; d < kDigitsPerByte; ++d) {
            const char c = src[d];
            if (c < '0' || c > '9') {
                digits = false;
                break;
            }
            v = v * 10 + (c - '0');
        }
        const int b = kKey - v;
        if (!digits || b < 0 || b > 255) {
            if (badGroup)
                *badGroup = QByteArray(src, kDigitsPerByte);
            return Decode::BadGroup;
        }
        dst[i] = QChar(byteToChar(static_cast<unsigned char>(b)));
    }
    if (text)
        *text = std::move(out);
    return Decode::Ok;
}

QString PatrolFile::fileNameFor(const QDateTime &moment)
{
    return moment.toString(QStringLiteral("yyyyMMdd hhmmss")) + QStringLiteral(".tvl");
}

QString PatrolFile::numberedName(const QString &name, int n)
{
    if (n <= 1)
        return name;
    const QString suffix = QStringLiteral(".tvl");
    const QString base = name.endsWith(suffix) ? name.chopped(suffix.size()) : name;
    return QStringLiteral("%1 (%2)%3").arg(base).arg(n).arg(suffix);
}

bool PatrolFile::createForDownload(QFile &file, const QDateTime &moment, QString *name, QString *error)
{
    const QDir unapproved(Workspace::unapprovedFolder());
    const QDir approved(Workspace::approvedFolder());
    const QString first = fileNameFor(moment);
    for (int n = 1; n <= kMaxNumberedNames; ++n) {
        const QString candidate = numberedName(first, n);
        // A name taken in Approved/ is passed over too, so that approving never renames.
        if (QFileInfo::exists(approved.filePath(candidate)))
            continue;
        file.setFileName(unapproved.filePath(candidate));
        // NewOnly creates the file exclusively: another download, also of
        // another program, that takes the same name finds it taken.
        if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::NewOnly)) {
            *name = candidate;
            return true;
        }
        if (!QFileInfo::exists(file.fileName()))
            break;
    }
    if (error)
        *error = QStringLiteral("Cannot create a patrol-data file %1 in %2: %3")
                     .arg(first, QDir::toNativeSeparators(unapproved.path()),
                          file.error() != QFileDevice::NoError ? file.errorString()
                                                               : QStringLiteral("every name is taken"));
    return false;
}

bool WritePatrolLine(QIODevice &file, const QString &text)
{
    if (text.isEmpty())
        return false;
    QByteArray line = PatrolFile::encode(text);
    line.append("\r\n", 2);
    // One write and a flush per line: a crash loses nothing already received.
    const qint64 written = file.write(line);
    auto *disk = qobject_cast<QFile *>(&file);
    const bool flushed = !disk || disk->flush();
    if (written != line.size() || !flushed) {
        MessageReporter::instance().failure(
            QStringLiteral("Cannot write to the patrol-data file %1: %2")
                .arg(disk ? disk->fileName() : QString(), file.errorString()),
            61);
        return false;
    }
    return true;
}

bool ReadPatrolLine(QIODevice &file, QString &text)
{
    if (file.atEnd())
        return false;
    QByteArray line = file.readLine();
    if (line.isEmpty() && file.atEnd())
        return false;
    while (!line.isEmpty() && (line.endsWith('\n') || line.endsWith('\r')))
        line.chop(1);
    QByteArray badGroup;
    switch (PatrolFile::decode(line, &text, &badGroup)) {
    case PatrolFile::Decode::Ok:
        return true;
    case PatrolFile::Decode::BadGroup:
        MessageReporter::instance().failure(
            QStringLiteral("Invalid procedure call or argument: \"%1\" is not an encoded byte")
                .arg(QString::fromLatin1(badGroup)),
            5);
        return false;
    default:
        return false;
    }
}
