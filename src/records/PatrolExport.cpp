#include "PatrolExport.h"

#include "AtomicFile.h"
#include "CRes.h"
#include "PatrolFile.h"
#include "Workspace.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <xlsxwriter.h>

#include <cerrno>


namespace {

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

// Excel counts days from 1899-12-30 but believes 1900 was a leap year, so
// serial numbers are only right from 1900-03-01 on; earlier dates stay text.
const QDate kExcelEpoch(1899, 12, 30);
const QDate kFirstTrueSerial(1900, 3, 1);

QByteArray utf8(const QString &text)
{
    return text.toUtf8();
}

}

QStringList PatrolExport::captions()
{
    CRes &res = CRes::instance();
    return {QStringLiteral("ID"), res.ResString(127, QStringLiteral("Date")), res.ResString(128, QStringLiteral("Time")),
            res.ResString(129, QStringLiteral("Code")), res.ResString(130, QStringLiteral("Description"))};
}

QString PatrolExport::excelFormat(const QString &qtFormat)
{
    QString out;
    for (qsizetype i = 0; i < qtFormat.size();) {
        const QChar c = qtFormat.at(i);
        if (c == QLatin1Char('\'')) {
            // Quoted text: Qt writes '' for a quote inside, Excel wants "...".
            const qsizetype end = qtFormat.indexOf(QLatin1Char('\''), i + 1);
            const QString literal = qtFormat.mid(i + 1, end < 0 ? -1 : end - i - 1);
            if (literal.isEmpty() && end == i + 1)
                out += QLatin1String("\\'");
            else
                out += QLatin1Char('"') + literal + QLatin1Char('"');
            i = end < 0 ? qtFormat.size() : end + 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < qtFormat.size() && qtFormat.at(i + run) == c)
            ++run;
        const QString token = qtFormat.mid(i, run);
        switch (c.unicode()) {
        case 'M': out += QString(run, QLatin1Char('m')); break;
        case 'd': case 'y': case 'm': case 's': out += token; break;
        case 'h': case 'H': out += QString(qMin<qsizetype>(run, 2), QLatin1Char('h')); break;
        case 'z': break;
        case 't': break;
        case 'A': case 'a':
            if (i + 1 < qtFormat.size() && qtFormat.at(i + 1).toUpper() == QLatin1Char('P')) {
                out += QLatin1String("AM/PM");
                run = 2;
            } else {
                out += QLatin1Char('\\') + c;
            }
            break;
        case 'P': case 'p': out += QLatin1Char('\\') + c; break;
        default:
            // Separators and blanks; letters Excel would take for codes are escaped.
            for (const QChar ch : token)
                out += ch.isLetter() ? QString(QLatin1Char('\\')) + ch : QString(ch);
        }
        i += run;
    }
    return out.trimmed();
}

bool PatrolExport::writeXlsx(const QString &path, const QList<PatrolRow> &rows, const QStringList &captions,
                             QString *error)
{
    AtomicFile file(path);
    if (!file.open(error))
        return false;
    // The workbook writer opens the file by name; the name reaches the same
    // temporary file, which gets the target's name only when complete.
    file.device().close();
    const QByteArray temporaryName = QFile::encodeName(file.temporaryPath());

    // Rows go out one after the other, so the workbook need not keep them all.
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = rows.size() > 500000 ? LXW_TRUE : LXW_FALSE;
    lxw_workbook *book = workbook_new_opt(temporaryName.constData(), &options);
    if (!book) {
        setError(error, QStringLiteral("Cannot write %1.").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    lxw_worksheet *sheet = workbook_add_worksheet(book, "RawData");
    lxw_format *bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format *dateFormat = workbook_add_format(book);
    format_set_num_format(dateFormat,
                          utf8(excelFormat(QLocale::system().dateFormat(QLocale::ShortFormat))).constData());
    lxw_format *timeFormat = workbook_add_format(book);
    format_set_num_format(timeFormat,
                          utf8(excelFormat(QLocale::system().timeFormat(QLocale::LongFormat))).constData());

    static const double kWidths[] = {8, 12, 12, 14, 40};
    for (lxw_col_t c = 0; c < 5; ++c)
        worksheet_set_column(sheet, c, c, kWidths[c], nullptr);
    worksheet_freeze_panes(sheet, 1, 0);
    worksheet_autofilter(sheet, 0, 0, lxw_row_t(rows.size()), 4);

    lxw_error status = LXW_NO_ERROR;
    for (lxw_col_t c = 0; c < 5 && status == LXW_NO_ERROR; ++c)
        status = worksheet_write_string(sheet, 0, c, utf8(captions.value(int(c))).constData(), bold);

    auto writeText = [&](lxw_row_t r, lxw_col_t c, const QString &text) {
        return text.isEmpty() ? worksheet_write_blank(sheet, r, c, nullptr)
                              : worksheet_write_string(sheet, r, c, utf8(text).constData(), nullptr);
    };
    lxw_row_t r = 1;
    for (const PatrolRow &row : rows) {
        if (status != LXW_NO_ERROR)
            break;
        status = writeText(r, 0, row.machineNo);
        const QDate date = row.dateValue();
        if (status == LXW_NO_ERROR) {
            if (date.isValid() && date >= kFirstTrueSerial)
                status = worksheet_write_number(sheet, r, 1, double(kExcelEpoch.daysTo(date)), dateFormat);
            else
                status = writeText(r, 1, row.date);
        }
        const QTime time = row.timeValue();
        if (status == LXW_NO_ERROR) {
            if (time.isValid())
                status = worksheet_write_number(sheet, r, 2, time.msecsSinceStartOfDay() / 86400000.0, timeFormat);
            else
                status = writeText(r, 2, row.time);
        }
        if (status == LXW_NO_ERROR)
            status = writeText(r, 3, row.code);
        if (status == LXW_NO_ERROR)
            status = writeText(r, 4, row.description);
        ++r;
    }
    errno = 0;
    const lxw_error closed = workbook_close(book);
    const int closeErrno = errno;
    if (status == LXW_NO_ERROR)
        status = closed;
    if (status != LXW_NO_ERROR) {
        QString reason = QString::fromUtf8(lxw_strerror(status));
        if (closed != LXW_NO_ERROR && closeErrno != 0)
            reason += QStringLiteral(" (%1)").arg(qt_error_string(closeErrno));
        setError(error, QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), reason));
        return false;
    }
    return file.commit(error);
}

QString PatrolExport::textLine(const PatrolRow &row)
{
    const QDate date = row.dateValue();
    const QTime time = row.timeValue();
    return row.machineNo + QLatin1Char(',') + row.code + QLatin1Char(',')
        + (date.isValid() ? date.toString(QStringLiteral("yyyy/MM/dd")) : row.date) + QLatin1Char(',')
        + (time.isValid() ? time.toString(QStringLiteral("HH:mm:ss")) : row.time);
}

bool PatrolExport::writeText(const QString &path, const QList<PatrolRow> &rows, QString *error)
{
    return writeLines(path, rows, [](const PatrolRow &row) { return PatrolFile::toAnsi(textLine(row)); }, error);
}

bool PatrolExport::writeTvl(const QString &path, const QList<PatrolRow> &rows, QString *error)
{
    return writeLines(path, rows, [](const PatrolRow &row) { return PatrolFile::encode(textLine(row)); }, error);
}

bool PatrolExport::writeLines(const QString &path, const QList<PatrolRow> &rows,
                              const std::function<QByteArray(const PatrolRow &)> &line, QString *error)
{
    AtomicFile file(path);
    if (!file.open(error))
        return false;
    QByteArray block;
    for (const PatrolRow &row : rows) {
        block += line(row);
        block += "\r\n";
        if (block.size() > 1 << 16) {
            if (!file.write(block))
                break;
            block.clear();
        }
    }
    file.write(block);
    return file.commit(error);
}

QString PatrolExport::dataTextPath()
{
    return Workspace::path(QStringLiteral("data0.txt"));
}
