#include "CRes.h"
#include "DataStore.h"
#include "TagEntryRules.h"
#include "TagFile.h"
#include "TagStore.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "Workspace.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;

// The tag table: its changes, the entry rules, and its .tag and .tu files.
class tst_TagStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_env = std::make_unique<TestEnv>(); }
    void cleanup() { m_env.reset(); CRes::destroyInstance(); }
    void descriptionNeedsExactlyOneMatch();
    void changes_data();
    void changes();
    void replaceAllIsAllOrNothing();
    void entryRules();
    void exportThenImport();
    void refusedImportKeepsDefinitions_data();
    void refusedImportKeepsDefinitions();
    void oldTagsDatabase();

private:
    std::unique_ptr<TestEnv> m_env;
};

namespace {

// "code=description" in table order; a NULL description shows as <null>.
QStringList stored()
{
    QSqlQuery q(QSqlDatabase::database(DataStore::kConnTVL));
    q.exec(u"SELECT Code || '=' || IFNULL(Description, '<null>') FROM TagDef ORDER BY rowid"_s);
    QStringList out;
    while (q.next())
        out << q.value(0).toString();
    return out;
}

}

void tst_TagStore::descriptionNeedsExactlyOneMatch()
{
    // A table without the unique constraint, as an imported old table may be.
    QSqlQuery q(QSqlDatabase::database(DataStore::kConnTVL));
    for (const char *sql : {"DROP TABLE TagDef", "CREATE TABLE TagDef (Code TEXT, Description TEXT)",
                            "INSERT INTO TagDef VALUES ('0000000001', 'Gate'), ('0000000002', 'A'), ('0000000002', 'B'), "
                            "('0000000003', NULL)"})
        QVERIFY(q.exec(QLatin1String(sql)));
    QString error;
    const QHash<QString, QString> map = TagStore::descriptionMap(&error);
    QCOMPARE((QStringList{map.value(u"0000000001"_s), map.value(u"0000000003"_s)}), (QStringList{u"Gate"_s, QString()}));
    QVERIFY(!map.contains(u"0000000002"_s));
    for (const char *code : {"0000000001", "0000000002", "0000000003", "0000000009"})
        QCOMPARE(TagStore::GetTagDescription(QLatin1String(code), &error), map.value(QLatin1String(code)));
}

void tst_TagStore::changes_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("after");

    using R = TagStore::Result;
    const QStringList start = {"0000000001=Gate", "12'4\"ABCDE=Quote"};
    QTest::newRow("add duplicate") << "add" << QStringList{"0000000001", "Other"} << int(R::Duplicate) << start;
    QTest::newRow("edit quoted code") << "edit" << QStringList{"12'4\"ABCDE", "0000000004", "Door"} << int(R::Ok)
                                      << QStringList{"0000000001=Gate", "0000000004=Door"};
    QTest::newRow("edit description only") << "edit" << QStringList{"0000000001", "0000000001", "Main"} << int(R::Ok)
                                           << QStringList{"0000000001=Main", "12'4\"ABCDE=Quote"};
    QTest::newRow("edit to taken code") << "edit" << QStringList{"0000000001", "12'4\"ABCDE", "X"}
                                        << int(R::Duplicate) << start;
    QTest::newRow("edit missing") << "edit" << QStringList{"0000000009", "0000000008", "X"} << int(R::NotFound)
                                  << start;
    QTest::newRow("delete quoted code") << "delete" << QStringList{"12'4\"ABCDE"} << int(R::Ok)
                                        << QStringList{"0000000001=Gate"};
    QTest::newRow("delete missing") << "delete" << QStringList{"' OR ''='"} << int(R::NotFound) << start;
}

void tst_TagStore::changes()
{
    QFETCH(QString, op);
    QFETCH(QStringList, args);
    QFETCH(int, result);
    QFETCH(QStringList, after);
    QVERIFY(TagStore::add(u"0000000001"_s, u"Gate"_s, nullptr) == TagStore::Result::Ok);
    QVERIFY(TagStore::add(u"12'4\"ABCDE"_s, u"Quote"_s, nullptr) == TagStore::Result::Ok);
    QString error;
    TagStore::Result r = TagStore::Result::Failed;
    if (op == QLatin1String("add"))
        r = TagStore::add(args[0], args[1], &error);
    else if (op == QLatin1String("edit"))
        r = TagStore::edit(args[0], args[1], args[2], &error);
    else
        r = TagStore::remove(args[0], &error);
    QCOMPARE(int(r), result);
    QCOMPARE(stored(), after);
}

void tst_TagStore::replaceAllIsAllOrNothing()
{
    QVERIFY(TagStore::add(u"0000000001"_s, u"Gate"_s, nullptr) == TagStore::Result::Ok);
    QString error;
    QVERIFY(!TagStore::replaceAll({{u"0000000005"_s, u"A"_s}, {u"0000000006"_s, u"B"_s}, {u"0000000005"_s, u"C"_s}}, &error));
    QVERIFY2(error.contains(QLatin1String("0000000005")), qPrintable(error));
    QCOMPARE(stored(), QStringList{u"0000000001=Gate"_s});
    QVERIFY2(TagStore::replaceAll({{u"0000000007"_s, u"D"_s}, {u"0000000008"_s, QLatin1String("")}}, &error), qPrintable(error));
    QCOMPARE(stored(), (QStringList{"0000000007=D", "0000000008="}));
}

void tst_TagStore::entryRules()
{
    // Nine characters, one of them no hex digit: the permitted ones are listed.
    TagEntryRules::Problem p = TagEntryRules::validate(u"1234ABCDG"_s, u"Gate"_s);
    QVERIFY(p.field == TagEntryRules::Field::Code);
    QVERIFY2(p.message.startsWith(CRes::instance().ResString(164)), qPrintable(p.message));
    QVERIFY(p.message.endsWith(QLatin1String("\n\n0 1 2 3 4 5 6 7 8 9 A B C D E F")));
    // Nine hex digits: too short.
    QCOMPARE(TagEntryRules::validate(u"1234ABCDE"_s, u"Gate"_s).message, CRes::instance().ResString(163));
    // Both empty: the last check wins.
    p = TagEntryRules::validate(QString(), QString());
    QVERIFY(p.field == TagEntryRules::Field::Description);
    QCOMPARE(p.message, CRes::instance().ResString(165));
    QVERIFY(!TagEntryRules::keepsCodeText(u"12-34"_s));
    QVERIFY(TagEntryRules::keepsCodeText(u"12345abcde"_s));
    QVERIFY(!TagEntryRules::acceptsCodeKey(u'a'));
}

void tst_TagStore::exportThenImport()
{
    QString error;
    QVERIFY(TagStore::replaceAll({{u"12345ABCDE"_s, u"Gate"_s}, {u"0004A1B2C4"_s, u"Tür Nord"_s}}, &error));
    const QString path = m_env->root() + u"/tags.tag"_s;
    int count = 0;
    QVERIFY2(TagFile::exportAll(path, &count, &error), qPrintable(error));
    QCOMPARE(readTestFile(path), QByteArray("12345ABCDE\tGate\r\n0004A1B2C4\tT\xFCr Nord\r\n"));
    QVERIFY(TagStore::replaceAll({{u"0000000001"_s, u"Other"_s}}, &error));
    QVERIFY2(TagFile::import(path, &count, &error), qPrintable(error));
    QCOMPARE(count, 2);
    QCOMPARE(stored(), (QStringList{u"12345ABCDE=Gate"_s, u"0004A1B2C4=Tür Nord"_s}));

    // Written by hand: blank lines, a third piece, LF alone, no final line end.
    QVERIFY(writeTestFile(path, "\r\nA1\tGate\tignored\r\n   \r\nb2\t\nC 3\tDock"));
    QVERIFY2(TagFile::import(path, &count, &error), qPrintable(error));
    QCOMPARE(stored(), (QStringList{u"A1=Gate"_s, u"b2="_s, u"C 3=Dock"_s}));
}

void tst_TagStore::refusedImportKeepsDefinitions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // a fixture's path under tests/data for the .tu rows
    QTest::addColumn<QString>("mention");
    QTest::newRow("wrong extension") << "tags.txt" << QByteArray("A\tB\r\n") << "Invalid file name.";
    QTest::newRow("no tab") << "tags.tag" << QByteArray("A1\tGate\r\nA2 Dock\r\n") << "tags.tag, line 2";
    QTest::newRow("duplicate code") << "t.TAG" << QByteArray("A1\tGate\r\n\r\nA1\tDock\r\n") << "line 3: the code A1";
    QTest::newRow("missing file") << "none.tag" << QByteArray() << "none.tag";
    QTest::newRow(".tu password in another case") << "old.tu" << QByteArray("legacy/old-tags.tu") << "password";
    QTest::newRow(".tu without TagsDef") << "old.tu" << QByteArray("legacy/old-patrol-nopassword.mdb") << "TagsDef";
}

void tst_TagStore::refusedImportKeepsDefinitions()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, mention);
    QString error;
    QVERIFY(TagStore::replaceAll({{u"0004A1B2C3"_s, u"Main Gate"_s}, {u"it's"_s, QLatin1String("")}}, &error));
    const QStringList before = stored();
    const QString path = m_env->root() + QLatin1Char('/') + name;
    if (name.endsWith(QLatin1String(".tu")))
        content = readTestFile(TestEnv::dataFile(QString::fromLatin1(content)));
    if (mention == QLatin1String("password")) {
        // The stored password is its text XOR a mask and a date key: XOR-ing
        // the old and a new text in changes only the password. Access
        // passwords are case-sensitive, so "krta1937" is a wrong one.
        for (int i = 0; i < 16; i += 2)
            content[0x42 + i] = char(content[0x42 + i] ^ "KRTA1937"[i / 2] ^ "krta1937"[i / 2]);
    }
    if (!content.isEmpty())
        QVERIFY(writeTestFile(path, content));
    const QByteArray fileBefore = readTestFile(Workspace::tvlMdb());
    int count = 0;
    QVERIFY(!TagFile::import(path, &count, &error));
    QVERIFY2(error.contains(mention), qPrintable(error));
    QCOMPARE(stored(), before);
    QCOMPARE(readTestFile(Workspace::tvlMdb()), fileBefore);
}

void tst_TagStore::oldTagsDatabase()
{
    QString error;
    QVERIFY(TagStore::replaceAll({{u"FFFFFFFFFF"_s, u"Gone"_s}}, &error));
    int count = 0;
    QVERIFY2(TagFile::import(TestEnv::dataFile(u"legacy/old-tags.tu"_s), &count, &error), qPrintable(error));
    QCOMPARE(count, 8);
    const QStringList rows = stored();
    QCOMPARE(rows.size(), 8);
    QCOMPARE((QStringList{rows.at(3), rows.at(4), rows.at(6)}),
             (QStringList{u"00052F6E9D=北門"_s, u"00052f6e9e=Parking Level -1"_s, u"0007C0FFEE="_s}));
}

QTEST_GUILESS_MAIN(tst_TagStore)
#include "tst_tagstore.moc"
