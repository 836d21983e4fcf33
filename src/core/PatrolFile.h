#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

class QIODevice;

// The patrol-data file (.tvl): one encoded line per record, CR LF after each.
// A record text is converted to Windows-1252 bytes and every byte b is written
// as the six decimal digits of kKey - b.
class PatrolFile
{
public:
    static constexpr int kKey = 574139;
    static constexpr int kDigitsPerByte = 6;

    enum class Decode { Ok, EndOfFile, EmptyLine, BadLength, BadGroup };

    // Windows-1252, with the five unassigned bytes mapped to the C1 controls of
    // the same value so that every byte value survives a round trip.
    static QByteArray toAnsi(QStringView text);
    static QString fromAnsi(QByteArrayView bytes);

    // The encoded digits of one record text, without the line end.
    static QByteArray encode(const QString &text);
    // Decodes one line (without its line end). On BadGroup, `badGroup` gets the
    // offending six characters.
    static Decode decode(QByteArrayView line, QString *text, QByteArray *badGroup = nullptr);

    // "yyyymmdd hhnnss.tvl" for the given moment.
    static QString fileNameFor(const QDateTime &moment);
    // "NAME (n).tvl" for n > 1, NAME itself for n = 1.
    static QString numberedName(const QString &name, int n);
    // Creates a new file in Unapproved/ of the current workspace for a
    // download at `moment` and opens it for appending: fileNameFor(moment),
    // or when that is taken in Unapproved/ or Approved/ the first free of
    // "yyyymmdd hhnnss (2).tvl", "(3)"... Each download gets a file of its
    // own, also beside another program. `name` gets the file name; false with
    // `error` set when no file can be created.
    static bool createForDownload(class QFile &file, const QDateTime &moment, QString *name, QString *error);
    static constexpr int kMaxNumberedNames = 999;
};

// Encodes `text` and writes it as one line to the open file, flushed at once.
// Returns false without writing when `text` is empty; a failed write shows a
// failure message and returns false.
bool WritePatrolLine(QIODevice &file, const QString &text);

// Decodes the next line of the open file into `text`. False at the end of the
// file, on an empty line or a length that is not a multiple of six (silently),
// and on a group that is no byte (after a failure message); `text` is then
// left unchanged.
bool ReadPatrolLine(QIODevice &file, QString &text);
