// Decoding speed of patrol-data files: writes 100,000 records with
// WritePatrolLine, reads them back with ReadPatrolLine and prints records per
// second and megabytes of encoded input per second.

#include "PatrolFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("20240108 080000.tvl")));
    if (!file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(file.fileName()));
        return 1;
    }
    // VX-style records: machine number, 10-character code, date, time.
    const QDateTime start(QDate(2024, 1, 1), QTime(0, 0));
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < records; ++i) {
        const QDateTime at = start.addSecs(qint64(i) * 37);
        const QString record = QStringLiteral("%1,%2,%3,%4")
                                   .arg(1 + i % 8)
                                   .arg(QStringLiteral("%1").arg(0x4A1B2C3ull + i % 500, 10, 16, QLatin1Char('0')).toUpper())
                                   .arg(at.toString(QStringLiteral("yyyy/MM/dd")), at.toString(QStringLiteral("hh:mm:ss")));
        if (!WritePatrolLine(file, record))
            return 1;
    }
    const qint64 writeMs = clock.elapsed();
    file.close();
    const qint64 bytes = file.size();

    if (!file.open(QIODevice::ReadOnly))
        return 1;
    QString text;
    int read = 0;
    qint64 characters = 0;
    clock.restart();
    while (ReadPatrolLine(file, text)) {
        ++read;
        characters += text.size();
    }
    const qint64 readNs = clock.nsecsElapsed();
    if (read != records) {
        std::fprintf(stderr, "read %d of %d records\n", read, records);
        return 1;
    }
    const double seconds = readNs / 1e9;
    std::printf("records:            %d (%lld characters, %.2f MB encoded)\n", read, static_cast<long long>(characters),
                bytes / 1e6);
    std::printf("write (flush/line): %lld ms\n", static_cast<long long>(writeMs));
    std::printf("decode:             %.1f ms\n", seconds * 1e3);
    std::printf("records per second: %.0f\n", read / seconds);
    std::printf("MB/s encoded input: %.1f\n", bytes / 1e6 / seconds);
    return 0;
}
