#include "ShippedTexts.h"

#include <QFile>

// The resource lives in a static library: nothing references its object file
// unless it is initialised by name, outside any namespace.
static void initStringResource()
{
    Q_INIT_RESOURCE(strings);
}

namespace {

QList<QByteArray> dataLines(const QByteArray &data)
{
    QList<QByteArray> lines = data.split('\n');
    for (QByteArray &line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    return lines;
}

bool readResource(const QString &name, QByteArray *data, QStringList *errors)
{
    QFile file(ShippedTexts::resourcePath(name));
    if (!file.open(QIODevice::ReadOnly)) {
        if (errors)
            errors->append(QStringLiteral("Cannot read the shipped file %1: %2").arg(name, file.errorString()));
        return false;
    }
    *data = file.readAll();
    return true;
}

}

QString ShippedTexts::resourcePath(const QString &name)
{
    static const bool registered = (initStringResource(), true);
    Q_UNUSED(registered);
    return QStringLiteral(":/strings/") + name;
}

QString ShippedTexts::unescape(const QString &field, bool *ok)
{
    QString out;
    out.reserve(field.size());
    *ok = true;
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field.at(i);
        if (c != QLatin1Char('\\')) {
            out.append(c);
            continue;
        }
        if (++i == field.size()) {
            *ok = false;
            return out;
        }
        switch (field.at(i).unicode()) {
        case 't': out.append(QLatin1Char('\t')); break;
        case 'n': out.append(QLatin1Char('\n')); break;
        case 'r': out.append(QLatin1Char('\r')); break;
        case '\\': out.append(QLatin1Char('\\')); break;
        default: *ok = false; return out;
        }
    }
    return out;
}

QString ShippedTexts::escape(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\t': out.append(QStringLiteral("\\t")); break;
        case '\n': out.append(QStringLiteral("\\n")); break;
        case '\r': out.append(QStringLiteral("\\r")); break;
        case '\\': out.append(QStringLiteral("\\\\")); break;
        default: out.append(c);
        }
    }
    return out;
}

QMap<int, QString> ShippedTexts::parse(const QByteArray &data, QStringList *errors)
{
    QMap<int, QString> texts;
    const QList<QByteArray> lines = dataLines(data);
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = QString::fromUtf8(lines.at(n));
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const auto fail = [&](const QString &why) {
            if (errors)
                errors->append(QStringLiteral("line %1: %2").arg(n + 1).arg(why));
        };
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab < 0) {
            fail(QStringLiteral("no tab after the number"));
            continue;
        }
        bool numberOk = false;
        const int number = line.left(tab).toInt(&numberOk);
        if (!numberOk || number <= 0) {
            fail(QStringLiteral("\"%1\" is not a text number").arg(line.left(tab)));
            continue;
        }
        bool textOk = false;
        const QString text = unescape(line.mid(tab + 1), &textOk);
        if (!textOk) {
            fail(QStringLiteral("bad escape in text %1").arg(number));
            continue;
        }
        if (texts.contains(number)) {
            fail(QStringLiteral("text %1 appears twice").arg(number));
            continue;
        }
        texts.insert(number, text);
    }
    return texts;
}

QMap<int, QString> ShippedTexts::texts(const QString &file, QStringList *errors)
{
    QByteArray data;
    if (!readResource(file, &data, errors))
        return {};
    QStringList local;
    QMap<int, QString> result = parse(data, &local);
    if (errors)
        for (const QString &e : local)
            errors->append(file + QStringLiteral(", ") + e);
    return result;
}

QList<ShippedTexts::Language> ShippedTexts::languages(QStringList *errors)
{
    QByteArray data;
    if (!readResource(QStringLiteral("fonts.tsv"), &data, errors))
        return {};
    QList<Language> result;
    bool bad = false;
    const QList<QByteArray> lines = dataLines(data);
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = QString::fromUtf8(lines.at(n));
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        bool sizeOk = false;
        const int size = fields.size() == 4 ? fields.at(2).toInt(&sizeOk) : 0;
        if (fields.size() != 4 || !sizeOk || size <= 0 || fields.at(0).isEmpty()) {
            if (errors)
                errors->append(QStringLiteral("fonts.tsv, line %1: expected language, face, size and file").arg(n + 1));
            bad = true;
            continue;
        }
        result.append({fields.at(0), fields.at(1), size, fields.at(3)});
    }
    if (!bad && (result.isEmpty() || result.first().name != QLatin1String("English"))) {
        if (errors)
            errors->append(QStringLiteral("fonts.tsv must list English first"));
        bad = true;
    }
    return bad ? QList<Language>() : result;
}
