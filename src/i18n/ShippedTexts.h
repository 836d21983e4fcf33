#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// The texts delivered with the program: resources/strings/*.tsv, compiled in
// as the Qt resource ":/strings". fonts.tsv lists the languages in their
// stored order with font face, size and text file; each text file holds lines
// "number<TAB>text" where the text escapes \t, \n, \r and \\. Lines starting
// with '#' and empty lines are ignored.
class ShippedTexts
{
public:
    struct Language
    {
        QString name;
        QString fontName;
        int fontSize = 0;
        QString file; // inside ":/strings/"
    };

    // The shipped languages in order; English first. Empty with `errors`
    // filled when fonts.tsv is unreadable or malformed.
    static QList<Language> languages(QStringList *errors);
    // The texts of one shipped file by number.
    static QMap<int, QString> texts(const QString &file, QStringList *errors);

    // Parses the content of a text file; malformed lines are reported in
    // `errors` (with their line number) and skipped.
    static QMap<int, QString> parse(const QByteArray &data, QStringList *errors);
    static QString unescape(const QString &field, bool *ok);
    static QString escape(const QString &text);

    // ":/strings/" + name, making sure the compiled-in resource is registered.
    static QString resourcePath(const QString &name);
};
