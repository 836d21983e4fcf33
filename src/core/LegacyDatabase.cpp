#include "LegacyDatabase.h"

#include "RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QElapsedTimer>

#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include <mdbtools.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

const QString LegacyDatabase::kPassword = QStringLiteral("KRTA1937");

namespace {

constexpr int kPageSize = 4096;
constexpr int kMaskStart = 0x18;
constexpr int kVersionOffset = 0x14;
constexpr int kPasswordOffset = 0x42;
constexpr int kPasswordBytes = 40;
constexpr int kCreationDateOffset = 0x72;

// Jet 4 obfuscates 128 header bytes from 0x18 on with this fixed mask (the
// first bytes of the RC4 keystream for the key 0x6B39DAC7).
constexpr std::array<unsigned char, 128> kHeaderMask = {
    0xB5, 0x6F, 0x03, 0x62, 0x61, 0x08, 0xC2, 0x55, 0xEB, 0xA9, 0x67, 0x72, 0x43, 0x3F, 0x00, 0x9C,
    0x7A, 0x9F, 0x90, 0xFF, 0x80, 0x9A, 0x31, 0xC5, 0x79, 0xBA, 0xED, 0x30, 0xBC, 0xDF, 0xCC, 0x9D,
    0x63, 0xD9, 0xE4, 0xC3, 0x7B, 0x42, 0xFB, 0x8A, 0xBC, 0x4E, 0x86, 0xFB, 0xEC, 0x37, 0x5D, 0x44,
    0x9C, 0xFA, 0xC6, 0x5E, 0x28, 0xE6, 0x13, 0xB6, 0x8A, 0x60, 0x54, 0x94, 0x7B, 0x36, 0xF5, 0x72,
    0xDF, 0xB1, 0x77, 0xF4, 0x13, 0x43, 0xCF, 0xAF, 0xB1, 0x33, 0x34, 0x61, 0x79, 0x5B, 0x92, 0xB5,
    0x7C, 0x2A, 0x05, 0xF1, 0x7C, 0x99, 0x01, 0x1B, 0x98, 0xFD, 0x12, 0x4F, 0x4A, 0x94, 0x6C, 0x3E,
    0x60, 0x26, 0x5F, 0x95, 0xF8, 0xD0, 0x89, 0x24, 0x85, 0x67, 0xC6, 0x1F, 0x27, 0x44, 0xD2, 0xEE,
    0xCF, 0x65, 0xED, 0xFF, 0x07, 0xC7, 0x46, 0xA1, 0x78, 0x16, 0x0C, 0xED, 0xE9, 0x2D, 0x62, 0xD4,
};

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

}

LegacyDatabase::LegacyDatabase() = default;

LegacyDatabase::~LegacyDatabase() = default;

bool LegacyDatabase::isOpen() const
{
    return !m_path.isEmpty();
}

void LegacyDatabase::close()
{
    m_path.clear();
}

bool LegacyDatabase::headerPassword(const QByteArray &page, QString *password)
{
    static const char kMagic[] = "Standard Jet DB";
    if (page.size() < kPageSize || page.at(0) != 0
        || std::memcmp(page.constData() + 4, kMagic, sizeof kMagic - 1) != 0 || page.at(kVersionOffset) != 1)
        return false;

    QByteArray plain = page.left(kMaskStart + int(kHeaderMask.size()));
    for (size_t i = 0; i < kHeaderMask.size(); ++i)
        plain[kMaskStart + int(i)] = char(uchar(plain.at(kMaskStart + int(i))) ^ kHeaderMask[i]);

    // The password is also XOR-ed with the whole days of the creation date.
    double created = 0;
    std::memcpy(&created, plain.constData() + kCreationDateOffset, sizeof created);
    if (!(created > -2147483648.0 && created < 2147483647.0))
        return false;
    const quint32 days = quint32(qint32(created));
    const unsigned char key[4] = {uchar(days), uchar(days >> 8), uchar(days >> 16), uchar(days >> 24)};

    QString text;
    for (int i = 0; i < kPasswordBytes; i += 2) {
        const uchar lo = uchar(plain.at(kPasswordOffset + i)) ^ key[i % 4];
        const uchar hi = uchar(plain.at(kPasswordOffset + i + 1)) ^ key[(i + 1) % 4];
        const char16_t unit = char16_t(lo | (hi << 8));
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    *password = text;
    return true;
}

bool LegacyDatabase::open(const QString &path, const QString &password, QString *error)
{
    close();
    QFile file;
    QString why;
    if (!RegularFile::openForReading(file, path, &why)) {
        setError(error, why);
        return false;
    }
    const qint64 size = file.size();
    const QByteArray page = file.read(kPageSize);
    file.close();
    QString stored;
    // libmdb trusts what it reads; a file that is not whole pages of a Jet 4
    // database is refused before it gets there.
    if (!headerPassword(page, &stored) || size % kPageSize != 0 || size < 2 * kPageSize) {
        setError(error, QStringLiteral("%1 is not an Access (Jet 4) database.").arg(native(path)));
        return false;
    }
    if (!stored.isEmpty() && stored != password) {
        setError(error, QStringLiteral("The database password of %1 is not the expected one.").arg(native(path)));
        return false;
    }

    m_path = path;
    return true;
}

namespace {

// What the reading child writes to its pipe: for each row and column a flag
// byte (0 NULL, 1 text), then for text its UTF-8 length (4 bytes) and bytes.
// A refusal is exit status 3 with the message as the only output: not 1,
// which is what a sanitizer's report and many a crash handler exit with.
enum : int { kChildOk = 0, kChildRefused = 3 };
constexpr int kChildTimeoutMs = 60000;

bool writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

[[noreturn]] void refuse(int fd, const QString &message)
{
    const QByteArray text = message.toUtf8();
    writeAll(fd, text.constData(), size_t(text.size()));
    ::_exit(kChildRefused);
}

// Runs in the child: everything libmdb does with the file, so that a file
// that makes libmdb crash or loop takes only the child with it.
[[noreturn]] void readInChild(int fd, const QString &path, const QString &table, const QStringList &columns)
{
    // libmdb's warnings about a damaged file mean nothing to the user; the
    // parent reports the outcome.
    const int devNull = ::open("/dev/null", O_WRONLY);
    if (devNull >= 0)
        ::dup2(devNull, STDERR_FILENO);
    MdbHandle *mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!mdb)
        refuse(fd, QStringLiteral("Cannot open the database %1.").arg(native(path)));
    mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    if (!mdb_read_catalog(mdb, MDB_TABLE))
        refuse(fd, QStringLiteral("Cannot read the table list of %1.").arg(native(path)));
    QByteArray tableName = table.toUtf8();
    MdbTableDef *def = mdb_read_table_by_name(mdb, tableName.data(), MDB_TABLE);
    if (!def)
        refuse(fd, QStringLiteral("The database %1 has no table %2.").arg(native(path), table));
    if (!mdb_read_columns(def))
        refuse(fd, QStringLiteral("Cannot read the columns of the table %1.").arg(table));

    // Column positions in the table for the requested names.
    std::vector<int> positions;
    for (const QString &name : columns) {
        int found = -1;
        for (unsigned i = 0; i < def->num_cols; ++i) {
            auto *col = static_cast<MdbColumn *>(g_ptr_array_index(def->columns, i));
            if (QString::fromUtf8(col->name).compare(name, Qt::CaseInsensitive) == 0) {
                found = int(i);
                break;
            }
        }
        if (found < 0)
            refuse(fd, QStringLiteral("The table %1 has no column %2.").arg(table, name));
        positions.push_back(found);
    }

    const size_t bindSize = mdb->bind_size + 1;
    std::vector<std::vector<char>> buffers(positions.size(), std::vector<char>(bindSize, 0));
    std::vector<int> lengths(positions.size(), 0);
    for (size_t c = 0; c < positions.size(); ++c)
        mdb_bind_column(def, positions[c] + 1, buffers[c].data(), &lengths[c]);

    mdb_rewind_table(def);
    std::vector<MdbField> fields(MDB_MAX_COLS);
    QByteArray out;
    while (mdb_fetch_row(def)) {
        // A bound NULL and a bound empty text look alike; the row's null mask
        // tells them apart. The fetched row is the one before cur_row on the
        // page libmdb left in its buffer.
        std::vector<bool> isNull(def->num_cols, false);
        int start = 0;
        size_t length = 0;
        if (def->cur_row > 0 && mdb_find_row(mdb, int(def->cur_row) - 1, &start, &length) == 0) {
            const int count = mdb_crack_row(def, start, length, fields.data());
            for (int f = 0; f < count && f < MDB_MAX_COLS; ++f)
                if (fields[size_t(f)].colnum >= 0 && unsigned(fields[size_t(f)].colnum) < def->num_cols)
                    isNull[size_t(fields[size_t(f)].colnum)] = fields[size_t(f)].is_null;
        }
        for (size_t c = 0; c < positions.size(); ++c) {
            if (isNull[size_t(positions[c])]) {
                out.append(char(0));
                continue;
            }
            const quint32 len = quint32(qBound(0, lengths[c], int(bindSize) - 1));
            out.append(char(1));
            out.append(reinterpret_cast<const char *>(&len), sizeof len);
            out.append(buffers[c].data(), qsizetype(len));
        }
        if (out.size() > 65536) {
            if (!writeAll(fd, out.constData(), size_t(out.size())))
                ::_exit(kChildRefused);
            out.clear();
        }
    }
    writeAll(fd, out.constData(), size_t(out.size()));
    ::_exit(kChildOk);
}

// The rows the child wrote, or false when its output does not add up.
bool parseRows(const QByteArray &data, qsizetype columns, QList<QStringList> *rows)
{
    qsizetype at = 0;
    while (at < data.size()) {
        QStringList row;
        row.reserve(columns);
        for (qsizetype c = 0; c < columns; ++c) {
            if (at >= data.size())
                return false;
            if (data.at(at++) == 0) {
                row.append(QString());
                continue;
            }
            quint32 len = 0;
            if (data.size() - at < qsizetype(sizeof len))
                return false;
            std::memcpy(&len, data.constData() + at, sizeof len);
            at += sizeof len;
            if (data.size() - at < qsizetype(len))
                return false;
            QString value = QString::fromUtf8(data.constData() + at, qsizetype(len));
            at += len;
            if (value.isNull())
                value = QLatin1String("");
            row.append(value);
        }
        rows->append(row);
    }
    return true;
}

}

bool LegacyDatabase::readTable(const QString &table, const QStringList &columns, QList<QStringList> *rows,
                               QString *error)
{
    rows->clear();
    if (m_path.isEmpty()) {
        setError(error, QStringLiteral("No database is open."));
        return false;
    }
    const QString damaged = QStringLiteral("%1 is damaged and cannot be read.").arg(native(m_path));
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        setError(error, QStringLiteral("Cannot read %1: %2").arg(native(m_path), QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        setError(error, QStringLiteral("Cannot read %1: %2").arg(native(m_path), QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }
    if (child == 0) {
        ::close(pipeFds[0]);
        readInChild(pipeFds[1], m_path, table, columns);
    }
    ::close(pipeFds[1]);

    // Read until the child closes its end; one that takes too long is stopped.
    QByteArray output;
    QElapsedTimer clock;
    clock.start();
    bool timedOut = false;
    char buffer[65536];
    for (;;) {
        pollfd p{pipeFds[0], POLLIN, 0};
        const qint64 left = kChildTimeoutMs - clock.elapsed();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        const int ready = ::poll(&p, 1, int(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            timedOut = ready == 0;
            break;
        }
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        output.append(buffer, qsizetype(n));
    }
    ::close(pipeFds[0]);
    if (timedOut)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }

    if (timedOut || !WIFEXITED(status)) {
        setError(error, damaged);
        return false;
    }
    if (WEXITSTATUS(status) == kChildRefused && !output.isEmpty()) {
        setError(error, QString::fromUtf8(output));
        return false;
    }
    if (WEXITSTATUS(status) != kChildOk || !parseRows(output, columns.size(), rows)) {
        rows->clear();
        setError(error, damaged);
        return false;
    }
    return true;
}
