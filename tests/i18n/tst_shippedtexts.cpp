#include "CRes.h"
#include "MainFormInterface.h"
#include "ShippedTexts.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

// The texts delivered with the program: well-formed, complete in every
// shipped language, and covering every text number the source code uses.
using TextTable = QMap<int, QString>;

class tst_ShippedTexts : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void shippedFilesAreWellFormed();
    void translationsAreComplete();
    void numbersUsedBySourceExist();
    void readmeListsEveryNumber();
    void defaultDatabaseHoldsShippedTexts();
    void defaultDatabaseInMissingFolderFails();

private:
    // Text numbers used in one source file, by kind of file.
    static QSet<int> numbersIn(const QString &fileName, const QString &content);
    static QMap<int, QString> shipped(const QString &language);
};

QSet<int> tst_ShippedTexts::numbersIn(const QString &fileName, const QString &content)
{
    static const QRegularExpression resString(QStringLiteral(R"(\bResString\s*\(\s*(\d+))"));
    static const QRegularExpression setTag(QStringLiteral(
        R"re(setProperty\s*\(\s*"tag"\s*,\s*(?:QStringLiteral\s*\(|QString\s*\(|QLatin1String\s*\(|QVariant\s*\()?\s*"?(\d+))re"));
    static const QRegularExpression uiTag(QStringLiteral(
        R"re(<property\s+name="tag"[^>]*>\s*<string[^>]*>\s*(\d+)[^<]*</string>)re"));
    QSet<int> numbers;
    const auto collect = [&](const QRegularExpression &re) {
        for (auto it = re.globalMatch(content); it.hasNext();)
            numbers.insert(it.next().captured(1).toInt());
    };
    if (fileName.endsWith(QLatin1String(".ui"))) {
        collect(uiTag);
    } else {
        collect(resString);
        collect(setTag);
    }
    // Tag "0" means "no text" on purpose.
    numbers.remove(0);
    return numbers;
}

QMap<int, QString> tst_ShippedTexts::shipped(const QString &language)
{
    QStringList errors;
    for (const ShippedTexts::Language &l : ShippedTexts::languages(&errors))
        if (l.name == language)
            return ShippedTexts::texts(l.file, &errors);
    return {};
}

void tst_ShippedTexts::parse_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<TextTable>("texts");
    QTest::addColumn<int>("errors");

    QTest::newRow("plain") << QByteArray("# comment\n\n8\tOK\r\n9\tCancel\n") << TextTable{{8, "OK"}, {9, "Cancel"}} << 0;
    QTest::newRow("escapes") << QByteArray("1\ta\\tb\\nc\\r\\\\d\n") << TextTable{{1, "a\tb\nc\r\\d"}} << 0;
    QTest::newRow("empty text") << QByteArray("5\t\n") << TextTable{{5, ""}} << 0;
    QTest::newRow("utf-8") << QByteArray("9\t\xE5\x8F\x96\xE6\xB6\x88\n") << TextTable{{9, QStringLiteral("取消")}} << 0;
    QTest::newRow("no tab") << QByteArray("7 Close\n8\tOK\n") << TextTable{{8, "OK"}} << 1;
    QTest::newRow("not a number") << QByteArray("x\tA\n0\tZero\n") << TextTable{} << 2;
    QTest::newRow("bad escape") << QByteArray("3\ta\\qb\n4\tend\\\n") << TextTable{} << 2;
    QTest::newRow("twice") << QByteArray("3\tA\n3\tB\n") << TextTable{{3, "A"}} << 1;
}

void tst_ShippedTexts::parse()
{
    QFETCH(QByteArray, data);
    QFETCH(TextTable, texts);
    QFETCH(int, errors);
    QStringList found;
    QCOMPARE(ShippedTexts::parse(data, &found), texts);
    QCOMPARE(found.size(), errors);
}


void tst_ShippedTexts::shippedFilesAreWellFormed()
{
    QStringList errors;
    const QList<ShippedTexts::Language> languages = ShippedTexts::languages(&errors);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
    QStringList names;
    for (const ShippedTexts::Language &l : languages) {
        names << l.name;
        QVERIFY(!l.fontName.isEmpty());
        QVERIFY(l.fontSize >= 8 && l.fontSize <= 14);
        const QMap<int, QString> texts = ShippedTexts::texts(l.file, &errors);
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QVERIFY(texts.size() > 150);
        for (auto it = texts.cbegin(); it != texts.cend(); ++it)
            QVERIFY2(it.value().size() <= 255, qPrintable(QStringLiteral("%1: text %2 is longer than 255").arg(l.name).arg(it.key())));
    }
    QCOMPARE(names, (QStringList{"English", "Traditional Chinese", "Japanese"}));
}

void tst_ShippedTexts::translationsAreComplete()
{
    const QMap<int, QString> english = shipped(QStringLiteral("English"));
    QVERIFY(!english.isEmpty());
    for (const QString &language : {QStringLiteral("Traditional Chinese"), QStringLiteral("Japanese")}) {
        const QMap<int, QString> other = shipped(language);
        QStringList missing;
        for (auto it = english.cbegin(); it != english.cend(); ++it) {
            const bool present = other.contains(it.key()) && (it.value().isEmpty() || !other.value(it.key()).isEmpty());
            if (!present)
                missing << QString::number(it.key());
        }
        QVERIFY2(missing.isEmpty(), qPrintable(language + QStringLiteral(" lacks ") + missing.join(' ')));
        QStringList extra;
        for (auto it = other.cbegin(); it != other.cend(); ++it)
            if (!english.contains(it.key()))
                extra << QString::number(it.key());
        QVERIFY2(extra.isEmpty(), qPrintable(language + QStringLiteral(" has texts English lacks: ") + extra.join(' ')));
    }
}


void tst_ShippedTexts::numbersUsedBySourceExist()
{
    const QMap<int, QString> english = shipped(QStringLiteral("English"));
    QMap<int, QStringList> used;
    QDirIterator files(QStringLiteral(TAVREL_SOURCE_DIR "/src"),
                       {QStringLiteral("*.cpp"), QStringLiteral("*.h"), QStringLiteral("*.ui")}, QDir::Files,
                       QDirIterator::Subdirectories);
    int scanned = 0;
    while (files.hasNext()) {
        const QString path = files.next();
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
        ++scanned;
        for (int n : numbersIn(path, QString::fromUtf8(file.readAll())))
            used[n] << QFileInfo(path).fileName();
    }
    QVERIFY(scanned > 10);
    // The scanner itself still finds a tag of a .ui file and a number of a source file.
    QVERIFY(used.value(157).contains(QStringLiteral("frmPassword.ui")));
    QVERIFY(used.value(123).contains(QStringLiteral("rptPatrolData.cpp")));
    for (const MainFormText &text : mainFormTexts())
        used[text.number] << QStringLiteral("mainFormTexts");
    used[kNavigationCaptionText] << QStringLiteral("navigation bar");
    for (int n : kNavigationItemTexts)
        used[n] << QStringLiteral("navigation bar");
    used[kProductNameText] << QStringLiteral("title");

    QStringList missing;
    for (auto it = used.cbegin(); it != used.cend(); ++it)
        if (!english.contains(it.key()))
            missing << QStringLiteral("%1 (%2)").arg(it.key()).arg(it.value().join(QStringLiteral(", ")));
    QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("not in english.tsv: ") + missing.join(QStringLiteral("; "))));
}

void tst_ShippedTexts::readmeListsEveryNumber()
{
    QFile readme(QStringLiteral(TAVREL_SOURCE_DIR "/resources/strings/README.md"));
    QVERIFY(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    QStringList missing;
    for (int n : shipped(QStringLiteral("English")).keys())
        if (!text.contains(QStringLiteral("\n| %1 |").arg(n)))
            missing << QString::number(n);
    QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("README.md has no row for ") + missing.join(' ')));
}

void tst_ShippedTexts::defaultDatabaseHoldsShippedTexts()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Res.mdb"));
    QString error;
    QVERIFY2(CRes::createDefaultDatabase(path, &error), qPrintable(error));
    QVERIFY(!QFile::exists(path + QStringLiteral(".new")));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral("SELECT Language, Name, Size FROM Font ORDER BY rowid")));
        QStringList fonts;
        while (query.next())
            fonts << QStringLiteral("%1/%2/%3").arg(query.value(0).toString(), query.value(1).toString(), query.value(2).toString());
        QCOMPARE(fonts, (QStringList{"English/DejaVu Sans/9", "Traditional Chinese/Noto Sans CJK TC/10",
                                     "Japanese/Noto Sans CJK JP/10"}));
        QVERIFY(query.exec(QStringLiteral("SELECT COUNT(*) FROM StringList")));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toInt(), int(shipped(QStringLiteral("English")).size()));
        QVERIFY(query.exec(QStringLiteral(R"(SELECT English, "Traditional Chinese" FROM StringList WHERE "Index" = 278)")));
        QVERIFY(query.next());
        QVERIFY(query.value(0).toString().contains(QLatin1Char('\n')));
        QVERIFY(query.value(1).toString().contains(QStringLiteral("版權所有")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
}

void tst_ShippedTexts::defaultDatabaseInMissingFolderFails()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("no/such/folder/Res.mdb"));
    QString error;
    QVERIFY(!CRes::createDefaultDatabase(path, &error));
    QVERIFY(error.contains(path));
    QVERIFY(!QFile::exists(path));
}

QTEST_GUILESS_MAIN(tst_ShippedTexts)
#include "tst_shippedtexts.moc"
