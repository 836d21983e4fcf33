#include "CRes.h"

#include "MessageReporter.h"
#include "QtTranslations.h"
#include "Settings.h"
#include "ShippedTexts.h"
#include "Workspace.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlTableModel>

#include <algorithm>

CRes *CRes::s_instance = nullptr;

namespace {

// Ends a transaction: commits when every step went well, otherwise rolls back
// with `why` saying what failed.
bool finishTransaction(QSqlDatabase &db, QSqlQuery &query, bool ok, QString &why)
{
    if (!ok)
        why = query.lastError().text();
    query.finish();
    if (ok && db.commit())
        return true;
    if (ok)
        why = db.lastError().text();
    db.rollback();
    return false;
}

const QString kConnection = QStringLiteral("connRes");
const QString kEnglish = QStringLiteral("English");
const QString kSection = QStringLiteral("Resource");
const QString kKey = QStringLiteral("Language");
// What a language gets when it is added; the user picks a better font later.
const QString kNewLanguageFont = QStringLiteral("MS Sans Serif");
const int kNewLanguageSize = 8;

// SQLite compares identifiers and NOCASE text with ASCII case folding only.
QString asciiLower(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        if (c.unicode() >= 'A' && c.unicode() <= 'Z')
            c = QChar(c.unicode() + ('a' - 'A'));
    return out;
}

QString quoted(const QString &identifier)
{
    QString inner = identifier;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

void report(const QString &text)
{
    MessageReporter::instance().message(text, MessageReporter::Icon::None);
}

QSqlDatabase storeConnection()
{
    return QSqlDatabase::database(kConnection, false);
}

// The first Font row of a language, by stored order.
const QString kFirstFontRow = QStringLiteral(
    "(SELECT rowid FROM \"Font\" WHERE \"Language\" = ? COLLATE NOCASE ORDER BY rowid LIMIT 1)");

}

CRes &CRes::instance()
{
    if (!s_instance)
        s_instance = new CRes();
    return *s_instance;
}

void CRes::destroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}

CRes::CRes()
{
    initialise();
}

CRes::~CRes()
{
    close();
    m_model.reset();
    if (QSqlDatabase::contains(kConnection))
        QSqlDatabase::removeDatabase(kConnection);
}

QString CRes::connectionName()
{
    return kConnection;
}

QString CRes::ConnString() const
{
    return m_path;
}

void CRes::initialise()
{
    m_path = Workspace::resMdb();
    m_open = false;
    m_columns.clear();
    m_columnIndex.clear();
    m_rows.clear();
    m_added.clear();
    m_englishColumn = -1;

    QString language = GetSetting(kSection, kKey, kEnglish);
    useLanguage(language);

    // A window built before start-up chose a workspace: no store, designed texts.
    if (Workspace::current().isEmpty())
        return;

    QString error;
    if (!QFileInfo::exists(m_path) && !createDefaultDatabase(m_path, &error)) {
        report(error);
        return;
    }
    QSqlDatabase db = QSqlDatabase::contains(kConnection)
        ? storeConnection()
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
    if (db.databaseName() != m_path)
        db.setDatabaseName(m_path);
    if (!db.open()) {
        report(QStringLiteral("Cannot open the string resources %1: %2").arg(m_path, db.lastError().text()));
        return;
    }
    if (!readStringList(&error)) {
        db.close();
        report(error);
        return;
    }
    m_open = true;

    QVariant name, size;
    if (!fontRow(language, &name, &size, &error)) {
        if (!error.isEmpty()) {
            report(error);
        } else {
            // A language that lost its Font row is no language any more.
            language = kEnglish;
            if (!SaveSetting(kSection, kKey, language))
                report(QStringLiteral("Cannot save the language in %1: %2").arg(Settings::filePath(), Settings::lastError()));
        }
    }
    useLanguage(language);
    // Qt's own windows start in the language of the program's.
    QtTranslations::use(language);

    if (m_model) {
        m_model->setTable(QStringLiteral("StringList"));
        m_model->select();
        while (m_model->canFetchMore())
            m_model->fetchMore();
    }
}

void CRes::close()
{
    if (m_model)
        m_model->clear();
    if (QSqlDatabase::contains(kConnection)) {
        QSqlDatabase db = storeConnection();
        db.close();
    }
    m_open = false;
}

void CRes::Refresh()
{
    close();
    initialise();
}

bool CRes::readStringList(QString *error)
{
    QSqlQuery query(storeConnection());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT * FROM \"StringList\""))) {
        *error = QStringLiteral("Cannot read the texts of %1: %2").arg(m_path, query.lastError().text());
        return false;
    }
    // The driver drops double quotes from result column names; the catalogue
    // gives them as declared, in the same order as SELECT *.
    QSqlQuery catalogue(storeConnection());
    if (!catalogue.exec(QStringLiteral("PRAGMA table_info(\"StringList\")"))) {
        *error = QStringLiteral("Cannot read the texts of %1: %2").arg(m_path, catalogue.lastError().text());
        return false;
    }
    while (catalogue.next()) {
        m_columnIndex.insert(asciiLower(catalogue.value(1).toString()), int(m_columns.size()));
        m_columns.append(catalogue.value(1).toString());
    }
    const QSqlRecord record = query.record();
    if (record.count() != m_columns.size()) {
        *error = QStringLiteral("The table StringList of %1 cannot be read").arg(m_path);
        return false;
    }
    const int indexColumn = m_columnIndex.value(QStringLiteral("index"), -1);
    m_englishColumn = m_columnIndex.value(QStringLiteral("english"), -1);
    if (indexColumn < 0 || m_englishColumn < 0) {
        *error = QStringLiteral("The table StringList of %1 lacks the column Index or English").arg(m_path);
        return false;
    }
    while (query.next()) {
        QList<QVariant> cells;
        cells.reserve(record.count());
        for (int i = 0; i < record.count(); ++i)
            cells.append(query.isNull(i) ? QVariant() : QVariant(query.value(i).toString()));
        const int number = query.value(indexColumn).toInt();
        if (!m_rows.contains(number))
            m_rows.insert(number, cells);
    }
    addShippedTexts(indexColumn);
    // The Font table is read per request; make sure it is there.
    QSqlQuery font(storeConnection());
    if (!font.exec(QStringLiteral("SELECT \"Language\", \"Name\", \"Size\" FROM \"Font\" LIMIT 0"))) {
        *error = QStringLiteral("Cannot read the fonts of %1: %2").arg(m_path, font.lastError().text());
        return false;
    }
    return true;
}

void CRes::addShippedTexts(int indexColumn)
{
    // A Res.mdb made by an older Tavrel lacks the texts added since: they
    // come from the shipped files, in each shipped language the table has,
    // without touching the file (which may hold the office's own wording).
    QStringList problems;
    const QList<ShippedTexts::Language> languages = ShippedTexts::languages(&problems);
    QList<std::pair<int, QMap<int, QString>>> texts; // column, number -> text
    for (const ShippedTexts::Language &language : languages) {
        const int column = m_columnIndex.value(asciiLower(language.name), -1);
        if (column >= 0)
            texts.append({column, ShippedTexts::texts(language.file, &problems)});
    }
    for (const auto &[column, table] : std::as_const(texts)) {
        for (auto it = table.cbegin(); it != table.cend(); ++it) {
            auto row = m_rows.find(it.key());
            if (row == m_rows.end()) {
                QList<QVariant> cells(m_columns.size());
                cells[indexColumn] = QString::number(it.key());
                row = m_rows.insert(it.key(), cells);
                m_added.insert(it.key());
            }
            if (m_added.contains(it.key()))
                (*row)[column] = it.value();
        }
    }
}

int CRes::columnOf(const QString &language) const
{
    return m_columnIndex.value(asciiLower(language), -1);
}

void CRes::useLanguage(const QString &language)
{
    m_language = language;
    m_languageColumn = columnOf(language);
}

QSqlTableModel *CRes::StringRecordset()
{
    if (!m_open)
        return nullptr;
    if (!m_model) {
        m_model = std::make_unique<QSqlTableModel>(nullptr, storeConnection());
        m_model->setEditStrategy(QSqlTableModel::OnManualSubmit);
        m_model->setTable(QStringLiteral("StringList"));
        m_model->select();
        // Reading to the end releases the statement, so that adding or
        // dropping a column is not refused as "table locked".
        while (m_model->canFetchMore())
            m_model->fetchMore();
    }
    return m_model.get();
}

QString CRes::ResString(int index, const QString &defaultText) const
{
    if (m_languageColumn < 0)
        return defaultText;
    const auto row = m_rows.constFind(index);
    if (row == m_rows.constEnd())
        return defaultText;
    const QVariant &cell = row->at(m_languageColumn);
    if (cell.isValid())
        return cell.toString();
    const QVariant &english = row->at(m_englishColumn);
    return english.isValid() ? english.toString() : defaultText;
}

QString CRes::Language()
{
    useLanguage(GetSetting(kSection, kKey, kEnglish));
    return m_language;
}

void CRes::setLanguage(const QString &language)
{
    useLanguage(language);
    SaveSetting(kSection, kKey, language);
    if (GetSetting(kSection, kKey) != language)
        report(QStringLiteral("Cannot save the language in %1").arg(Settings::filePath()));
}

bool CRes::fontRow(const QString &language, QVariant *name, QVariant *size, QString *error) const
{
    error->clear();
    if (!m_open) {
        *error = QStringLiteral("The string resources %1 are not open").arg(m_path);
        return false;
    }
    QSqlQuery query(storeConnection());
    query.prepare(QStringLiteral("SELECT \"Name\", \"Size\" FROM \"Font\" WHERE rowid = ") + kFirstFontRow);
    query.addBindValue(language);
    if (!query.exec()) {
        *error = QStringLiteral("Cannot read the fonts of %1: %2").arg(m_path, query.lastError().text());
        return false;
    }
    if (!query.next())
        return false;
    *name = query.isNull(0) ? QVariant() : query.value(0);
    *size = query.isNull(1) ? QVariant() : query.value(1);
    return true;
}

bool CRes::quietFont(QString *name, int *size) const
{
    QVariant ownName, ownSize, englishName, englishSize;
    QString error;
    const bool own = fontRow(m_language, &ownName, &ownSize, &error);
    const bool english = fontRow(kEnglish, &englishName, &englishSize, &error);
    if (!own && !english)
        return false;
    if (!own) {
        ownName = englishName;
        ownSize = englishSize;
    }
    *name = ownName.isValid() ? ownName.toString() : englishName.toString();
    *size = ownSize.isValid() ? ownSize.toInt() : englishSize.toInt();
    return true;
}

QString CRes::FontName()
{
    QVariant name, size;
    QString error;
    if (!fontRow(m_language, &name, &size, &error)) {
        if (!error.isEmpty()) {
            report(error);
            return QString();
        }
        useLanguage(kEnglish);
        if (!fontRow(kEnglish, &name, &size, &error)) {
            report(error.isEmpty() ? QStringLiteral("%1 has no font for English").arg(m_path) : error);
            return QString();
        }
    }
    if (name.isValid())
        return name.toString();
    if (!fontRow(kEnglish, &name, &size, &error)) {
        report(error.isEmpty() ? QStringLiteral("%1 has no font for English").arg(m_path) : error);
        return QString();
    }
    return name.toString();
}

short CRes::FontSize()
{
    QVariant name, size;
    QString error;
    if (!fontRow(m_language, &name, &size, &error)) {
        report(error.isEmpty() ? QStringLiteral("The language %1 has no font settings").arg(m_language) : error);
        return 0;
    }
    if (size.isValid())
        return short(size.toInt());
    if (!fontRow(kEnglish, &name, &size, &error)) {
        report(error.isEmpty() ? QStringLiteral("%1 has no font for English").arg(m_path) : error);
        return 0;
    }
    return short(size.toInt());
}

bool CRes::writeFont(const char *column, const QVariant &value, QString *error)
{
    if (!m_open) {
        *error = QStringLiteral("The string resources %1 are not open").arg(m_path);
        return false;
    }
    QSqlQuery query(storeConnection());
    query.prepare(QStringLiteral("UPDATE \"Font\" SET %1 = ? WHERE rowid = ").arg(quoted(QLatin1String(column)))
                  + kFirstFontRow);
    query.addBindValue(value);
    query.addBindValue(m_language);
    if (!query.exec()) {
        *error = QStringLiteral("Cannot save the font of %1: %2").arg(m_language, query.lastError().text());
        return false;
    }
    if (query.numRowsAffected() < 1) {
        *error = QStringLiteral("The language %1 has no font settings").arg(m_language);
        return false;
    }
    return true;
}

void CRes::setFontSize(short size)
{
    QString error;
    if (!writeFont("Size", int(size), &error))
        report(error);
}

void CRes::setFontName(const QString &name)
{
    QString error;
    if (!writeFont("Name", name, &error))
        report(error);
}

bool CRes::CreateLanguage(const QString &name, QString *error)
{
    QString localError;
    QString &why = error ? *error : localError;
    if (!m_open) {
        why = QStringLiteral("The string resources %1 are not open").arg(m_path);
        return false;
    }
    if (name.trimmed().isEmpty()) {
        why = QStringLiteral("A language needs a name");
        return false;
    }
    QVariant fontName, fontSize;
    if (fontRow(name, &fontName, &fontSize, &why)) {
        why = QStringLiteral("The language %1 already exists").arg(name);
        return false;
    }
    if (!why.isEmpty())
        return false;

    QSqlDatabase db = storeConnection();
    if (!db.transaction()) {
        why = db.lastError().text();
        return false;
    }
    QSqlQuery query(db);
    bool ok = query.exec(QStringLiteral("ALTER TABLE \"StringList\" ADD COLUMN %1 VARCHAR(255) NULL").arg(quoted(name)));
    if (ok) {
        query.prepare(QStringLiteral("INSERT INTO \"Font\" (\"Language\", \"Name\", \"Size\") VALUES (?, ?, ?)"));
        query.addBindValue(name);
        query.addBindValue(kNewLanguageFont);
        query.addBindValue(kNewLanguageSize);
        ok = query.exec();
    }
    if (!finishTransaction(db, query, ok, why))
        return false;
    Refresh();
    return true;
}

bool CRes::DeleteLanguage(const QString &name, QString *error)
{
    QString localError;
    QString &why = error ? *error : localError;
    if (!m_open) {
        why = QStringLiteral("The string resources %1 are not open").arg(m_path);
        return false;
    }
    if (asciiLower(name) == QLatin1String("english")) {
        why = QStringLiteral("English is the fallback of every language and cannot be deleted");
        return false;
    }
    QSqlDatabase db = storeConnection();
    const QSqlRecord columns = db.record(QStringLiteral("StringList"));
    bool hasColumn = false;
    for (int i = 0; i < columns.count(); ++i)
        hasColumn = hasColumn || asciiLower(columns.fieldName(i)) == asciiLower(name);
    QVariant fontName, fontSize;
    const bool hasFont = fontRow(name, &fontName, &fontSize, &why);
    if (!why.isEmpty())
        return false;
    if (!hasColumn && !hasFont) {
        why = QStringLiteral("There is no language %1").arg(name);
        return false;
    }

    if (!db.transaction()) {
        why = db.lastError().text();
        return false;
    }
    QSqlQuery query(db);
    bool ok = !hasColumn || query.exec(QStringLiteral("ALTER TABLE \"StringList\" DROP COLUMN %1").arg(quoted(name)));
    if (ok && hasFont) {
        query.prepare(QStringLiteral("DELETE FROM \"Font\" WHERE rowid = ") + kFirstFontRow);
        query.addBindValue(name);
        ok = query.exec();
    }
    return finishTransaction(db, query, ok, why);
}

void CRes::GetAllLanguageName(QStringList &names)
{
    if (!m_open) {
        report(QStringLiteral("The string resources %1 are not open").arg(m_path));
        return;
    }
    QSqlQuery query(storeConnection());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT \"Language\" FROM \"Font\" ORDER BY rowid"))) {
        report(QStringLiteral("Cannot read the languages of %1: %2").arg(m_path, query.lastError().text()));
        return;
    }
    qsizetype i = 0;
    while (query.next()) {
        const QString language = query.value(0).toString();
        if (i < names.size())
            names[i] = language;
        else
            names.append(language);
        ++i;
    }
}

bool CRes::createDefaultDatabase(const QString &path, QString *error)
{
    QString localError;
    QString &why = error ? *error : localError;
    QStringList problems;
    const QList<ShippedTexts::Language> languages = ShippedTexts::languages(&problems);
    QList<QMap<int, QString>> texts;
    QList<int> numbers;
    for (const ShippedTexts::Language &language : languages) {
        texts.append(ShippedTexts::texts(language.file, &problems));
        for (auto it = texts.last().cbegin(); it != texts.last().cend(); ++it)
            numbers.append(it.key());
    }
    if (languages.isEmpty() || !problems.isEmpty()) {
        why = QStringLiteral("The texts delivered with the program are damaged: %1").arg(problems.join(QStringLiteral("; ")));
        return false;
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());

    const QString temporary = path + QStringLiteral(".new");
    QFile::remove(temporary);
    const QString connection = QStringLiteral("connResCreate");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(temporary);
        QSqlQuery query(db);
        const auto fail = [&](const QString &what) {
            why = QStringLiteral("Cannot create %1: %2").arg(path, what);
            return false;
        };
        ok = [&] {
            if (!db.open())
                return fail(db.lastError().text());
            QStringList columns = {QStringLiteral("\"Index\" INTEGER PRIMARY KEY")};
            for (const ShippedTexts::Language &language : languages)
                columns.append(quoted(language.name) + QStringLiteral(" VARCHAR(255)"));
            if (!db.transaction())
                return fail(db.lastError().text());
            if (!query.exec(QStringLiteral("CREATE TABLE \"StringList\" (%1)").arg(columns.join(QStringLiteral(", "))))
                || !query.exec(QStringLiteral("CREATE TABLE \"Font\" (\"Language\" VARCHAR(255) NOT NULL, "
                                              "\"Name\" VARCHAR(255), \"Size\" INTEGER)")))
                return fail(query.lastError().text());
            query.prepare(QStringLiteral("INSERT INTO \"Font\" (\"Language\", \"Name\", \"Size\") VALUES (?, ?, ?)"));
            for (const ShippedTexts::Language &language : languages) {
                query.addBindValue(language.name);
                query.addBindValue(language.fontName);
                query.addBindValue(language.fontSize);
                if (!query.exec())
                    return fail(query.lastError().text());
            }
            QStringList marks(languages.size() + 1, QStringLiteral("?"));
            query.prepare(QStringLiteral("INSERT INTO \"StringList\" VALUES (%1)").arg(marks.join(QLatin1Char(','))));
            for (int number : numbers) {
                query.addBindValue(number);
                for (const QMap<int, QString> &table : texts) {
                    const auto text = table.constFind(number);
                    query.addBindValue(text == table.cend() ? QVariant(QMetaType::fromType<QString>()) : QVariant(*text));
                }
                if (!query.exec())
                    return fail(query.lastError().text());
            }
            query.finish();
            if (!db.commit())
                return fail(db.lastError().text());
            return true;
        }();
        query = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (ok && !QFile::rename(temporary, path)) {
        why = QStringLiteral("Cannot create %1: the file could not be put in place").arg(path);
        ok = false;
    }
    if (!ok)
        QFile::remove(temporary);
    return ok;
}
