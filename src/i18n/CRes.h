#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

class QSqlTableModel;
class QWidget;

// The numbered texts of the user interface and the font of each language, kept
// in the workspace's Res.mdb (SQLite): table StringList ("Index", "English" and
// one column per further language, NULL allowed) and table Font ("Language",
// "Name", "Size"), one row per language in stored order. One application-wide
// instance reads and writes that file; the texts are held in memory, keyed by
// number, and re-read by Refresh.
//
// SetFormInterface and RefreshCurrentForms touch windows: they are defined in
// the windowed library tavrel_i18n_gui (CResForms.cpp), so code that calls
// them links that library; the rest builds without Qt Widgets.
class CRes
{
public:
    // The application-wide instance, created and initialised on first use.
    static CRes &instance();
    // Ends the instance (closing its database); the next instance() creates a
    // new one, reading the current workspace and settings again.
    static void destroyInstance();

    // Writes a complete Res.mdb at `path` from the texts delivered with the
    // program. The file appears only when it is complete. False with `error`
    // set when it cannot be written.
    static bool createDefaultDatabase(const QString &path, QString *error);

    ~CRes();
    CRes(const CRes &) = delete;
    CRes &operator=(const CRes &) = delete;

    // The table StringList on the store's connection (manual submit; select()
    // re-reads it). Null while the store is not open. The object lives as long
    // as the instance; Refresh re-selects it.
    QSqlTableModel *StringRecordset();

    // Text `index` in the current language: a NULL cell gives the English
    // text, an empty cell stays empty; an unknown number, a language without a
    // column or a closed store give `defaultText`. Never shows a message.
    QString ResString(int index, const QString &defaultText = QString()) const;

    // The current language: the getter re-reads "Resource"/"Language"
    // (default "English"); the setter stores it in memory and in the settings.
    QString Language();
    void setLanguage(const QString &language);

    // Applies the current language's texts and font to a window (tavrel_i18n_gui).
    void SetFormInterface(QWidget *window);

    // Size and face of the current language's font; a NULL cell gives the
    // English row's value. FontName switches the current language to English
    // (in memory) when it has no Font row; FontSize then reports and gives 0.
    short FontSize();
    void setFontSize(short size);
    QString FontName();
    void setFontName(const QString &name);

    // Adds a language: a StringList column (every text NULL, so English shows
    // until translated) and a Font row "MS Sans Serif", 8; then Refresh.
    // False with `error` set, nothing changed, when it cannot be added.
    bool CreateLanguage(const QString &name, QString *error = nullptr);
    // Removes a language's column and Font row. No Refresh: the caller
    // refreshes. English cannot be removed.
    bool DeleteLanguage(const QString &name, QString *error = nullptr);
    // Writes the language names, in stored order, into `names` from element 0
    // on; elements after the last language stay as they are, and the list
    // grows when it is too short.
    void GetAllLanguageName(QStringList &names);

    // Applies SetFormInterface to every window of the application (tavrel_i18n_gui).
    void RefreshCurrentForms();

    // The Res.mdb file the store reads (its SQLite database name).
    QString ConnString() const;
    // The name of the store's QSqlDatabase connection.
    static QString connectionName();

    // Closes everything and initialises again from the current workspace and
    // settings.
    void Refresh();

    // True when Res.mdb is open and its tables were read.
    bool isOpen() const { return m_open; }
    // The current language as held in memory (no settings read).
    QString currentLanguage() const { return m_language; }
    // Font face and size of the current language without any message, for the
    // window walk; false when neither the language nor English has a Font row.
    bool quietFont(QString *name, int *size) const;

private:
    CRes();
    void initialise();
    void close();
    bool readStringList(QString *error);
    void addShippedTexts(int indexColumn);
    void useLanguage(const QString &language);
    int columnOf(const QString &language) const;
    bool fontRow(const QString &language, QVariant *name, QVariant *size, QString *error) const;
    bool writeFont(const char *column, const QVariant &value, QString *error);

    // Global: every window and report of the run reads its texts in the one
    // language chosen, and the language switch must reach them all at once.
    static CRes *s_instance;

    QString m_path;
    bool m_open = false;
    QStringList m_columns;                  // StringList columns in table order
    QHash<QString, int> m_columnIndex;      // lower-case column name -> position
    QHash<int, QList<QVariant>> m_rows;     // text number -> cells, NULL as invalid QVariant
    QSet<int> m_added;                      // numbers the file lacks, taken from the shipped texts
    int m_englishColumn = -1;
    QString m_language;
    int m_languageColumn = -1;
    std::unique_ptr<QSqlTableModel> m_model;
};
