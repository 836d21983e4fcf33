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

using namespace Qt::StringLiterals;

// The texts delivered with the program: well-formed, complete in every
// shipped language, and covering every text number the source code uses.
using TextTable = QMap<int, QString>;

class tst_ShippedTexts : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void shippedFilesAreWellFormedAndComplete();
    void numbersUsedBySourceExist();
    void defaultDatabaseHoldsShippedTexts();

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

    QTest::newRow("plain") << QByteArray("# comment\n\n8\tOK\r\n5\t\n9\t\xE5\x8F\x96\xE6\xB6\x88\n")
                           << TextTable{{8, "OK"}, {5, ""}, {9, u"取消"_s}} << 0;
    QTest::newRow("escapes") << QByteArray("1\ta\\tb\\nc\\r\\\\d\n") << TextTable{{1, "a\tb\nc\r\\d"}} << 0;
    QTest::newRow("no tab, not a number") << QByteArray("7 Close\nx\tA\n0\tZero\n8\tOK\n") << TextTable{{8, "OK"}} << 3;
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

void tst_ShippedTexts::shippedFilesAreWellFormedAndComplete()
{
    QStringList errors;
    const QList<ShippedTexts::Language> languages = ShippedTexts::languages(&errors);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
    QCOMPARE(languages.size(), 3);
    const QMap<int, QString> english = shipped(u"English"_s);
    QVERIFY(english.size() > 150);
    for (const ShippedTexts::Language &l : languages) {
        const QMap<int, QString> texts = ShippedTexts::texts(l.file, &errors);
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        // Every English text translated (empty only where English is), none too long for the store.
        QStringList faults;
        for (auto it = english.cbegin(); it != english.cend(); ++it)
            if (!texts.contains(it.key()) || (texts.value(it.key()).isEmpty() && !it.value().isEmpty()))
                faults << u"%1 missing"_s.arg(it.key());
        for (auto it = texts.cbegin(); it != texts.cend(); ++it)
            if (it.value().size() > 255)
                faults << u"%1 longer than 255"_s.arg(it.key());
        QVERIFY2(faults.isEmpty(), qPrintable(l.name + u": "_s + faults.join(u", "_s)));
    }
}

void tst_ShippedTexts::numbersUsedBySourceExist()
{
    const QMap<int, QString> english = shipped(u"English"_s);
    QMap<int, QStringList> used;
    QDirIterator files(QStringLiteral(TAVREL_SOURCE_DIR "/src"),
                       {u"*.cpp"_s, u"*.h"_s, u"*.ui"_s}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
        for (int n : numbersIn(path, QString::fromUtf8(file.readAll())))
            used[n] << QFileInfo(path).fileName();
    }
    // The scanner itself still finds a tag of a .ui file and a number of a source file.
    QVERIFY(used.value(157).contains(u"frmPassword.ui"_s) && used.value(123).contains(u"rptPatrolData.cpp"_s));
    for (const MainFormText &text : mainFormTexts())
        used[text.number] << u"mainFormTexts"_s;
    used[kNavigationCaptionText] << u"navigation bar"_s;
    for (int n : kNavigationItemTexts)
        used[n] << u"navigation bar"_s;
    used[kProductNameText] << u"title"_s;

    QStringList missing;
    for (auto it = used.cbegin(); it != used.cend(); ++it)
        if (!english.contains(it.key()))
            missing << u"%1 (%2)"_s.arg(it.key()).arg(it.value().join(u", "_s));
    QVERIFY2(missing.isEmpty(), qPrintable(u"not in english.tsv: "_s + missing.join(u"; "_s)));
}

void tst_ShippedTexts::defaultDatabaseHoldsShippedTexts()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Res.mdb"_s);
    QString error;
    QVERIFY2(CRes::createDefaultDatabase(path, &error), qPrintable(error));
    QVERIFY(!QFile::exists(path + u".new"_s));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"check"_s);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec(u"SELECT COUNT(*) FROM StringList"_s));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toInt(), int(shipped(u"English"_s).size()));
    }
    QSqlDatabase::removeDatabase(u"check"_s);

    // In a folder that does not exist: refused, nothing made.
    const QString missing = dir.filePath(u"no/such/folder/Res.mdb"_s);
    QVERIFY(!CRes::createDefaultDatabase(missing, &error));
    QVERIFY(error.contains(missing) && !QFile::exists(missing));
}

QTEST_GUILESS_MAIN(tst_ShippedTexts)
#include "tst_shippedtexts.moc"
