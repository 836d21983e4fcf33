#include "CRes.h"
#include "DataStore.h"
#include "TagFile.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "Workspace.h"

#include <QFile>
#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_TagFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_env = std::make_unique<TestEnv>(); }
    void cleanup() { m_env.reset(); CRes::destroyInstance(); }
    void exportThenImport();
    void readTag_data();
    void readTag();
    void refusedImportKeepsDefinitions_data();
    void refusedImportKeepsDefinitions();
    void oldTagsDatabase();

private:
    std::unique_ptr<TestEnv> m_env;
};

namespace {

// "code|description|description IS NULL" in table order.
QStringList stored()
{
    QSqlQuery q(QSqlDatabase::database(DataStore::kConnTVL));
    q.exec(u"SELECT Code || '|' || Description || '|' || (Description IS NULL) FROM TagDef ORDER BY rowid"_s);
    QStringList out;
    while (q.next())
        out << q.value(0).toString();
    return out;
}

}

void tst_TagFile::exportThenImport()
{
    QString error;
    QVERIFY(TagStore::replaceAll({{u"12345ABCDE"_s, u"Gate"_s}, {u"0004A1B2C4"_s, u"Tür Nord"_s}}, &error));
    const QString path = m_env->root() + QLatin1Char('/') + TagFile::proposedName(QDate(2026, 12, 6)) + ".tag";
    QVERIFY(path.endsWith(QLatin1String("/20261206.tag")));
    int count = 0;
    QVERIFY2(TagFile::exportAll(path, &count, &error), qPrintable(error));
    QCOMPARE(readTestFile(path), QByteArray("12345ABCDE\tGate\r\n0004A1B2C4\tT\xFCr Nord\r\n"));
    QVERIFY(TagStore::replaceAll({{u"0000000001"_s, u"Other"_s}}, &error));
    QVERIFY2(TagFile::import(path, &count, &error), qPrintable(error));
    QCOMPARE(count, 2);
    QCOMPARE(stored(), (QStringList{u"12345ABCDE|Gate|0"_s, u"0004A1B2C4|Tür Nord|0"_s}));
}

void tst_TagFile::readTag_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("three pieces keep two") << QByteArray("A1\tGate\tignored\r\n") << QStringList{"A1|Gate"};
    QTest::newRow("blank lines, no final line end, LF only")
        << QByteArray("\r\nA1\tGate\r\n   \r\nb2\t\nC 3\tDock") << QStringList{"A1|Gate", "b2|", "C 3|Dock"};
}

void tst_TagFile::readTag()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    const QString path = m_env->root() + u"/in.tag"_s;
    QVERIFY(writeTestFile(path, content));
    QList<TagDef> defs;
    QString error;
    QVERIFY2(TagFile::readTag(path, &defs, &error), qPrintable(error));
    QStringList got;
    for (const TagDef &d : defs)
        got << d.code + QLatin1Char('|') + d.description;
    QCOMPARE(got, expected);
}

void tst_TagFile::refusedImportKeepsDefinitions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // a fixture's path under tests/data for the .tu rows
    QTest::addColumn<QString>("mention");
    QTest::newRow("wrong extension") << "tags.txt" << QByteArray("A\tB\r\n") << "Invalid file name.";
    QTest::newRow("no tab") << "tags.tag" << QByteArray("A1\tGate\r\nA2 Dock\r\n") << "tags.tag, line 2";
    QTest::newRow("duplicate code") << "t.TAG" << QByteArray("A1\tGate\r\n\r\nA1\tDock\r\n") << "line 3: the code A1";
    QTest::newRow("missing file") << "none.tag" << QByteArray() << "none.tag";
    QTest::newRow("wrong .tu password") << "old.tu" << QByteArray("legacy/old-tags.tu") << "password";
    QTest::newRow("not a database") << "old.tu" << QByteArray("legacy/not-a-database.mdb") << "old.tu";
    QTest::newRow("no TagsDef table") << "old.tu" << QByteArray("legacy/old-patrol-nopassword.mdb") << "TagsDef";
}

void tst_TagFile::refusedImportKeepsDefinitions()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, mention);
    QString error;
    QVERIFY(TagStore::replaceAll({{u"0004A1B2C3"_s, u"Main Gate"_s}, {u"it's"_s, QLatin1String("")}}, &error));
    const QStringList before = stored();
    const QString path = m_env->root() + QLatin1Char('/') + name;
    if (name.endsWith(QLatin1String(".tu"))) {
        content = readTestFile(TestEnv::dataFile(QString::fromLatin1(content)));
        if (QTest::currentDataTag() == QLatin1String("wrong .tu password")) {
            // The stored password is its text XOR a mask and a date key: XOR-ing
            // the old and a new text in changes only the password.
            for (int i = 0; i < 16; i += 2)
                content[0x42 + i] = char(content[0x42 + i] ^ "KRTA1937"[i / 2] ^ "KRTA1938"[i / 2]);
        }
    }
    if (!content.isEmpty())
        QVERIFY(writeTestFile(path, content));
    const QByteArray fileBefore = readTestFile(Workspace::tvlMdb());
    int count = -1;
    QVERIFY(!TagFile::import(path, &count, &error));
    QVERIFY2(error.contains(mention), qPrintable(error));
    QCOMPARE(count, -1);
    QCOMPARE(stored(), before);
    QCOMPARE(readTestFile(Workspace::tvlMdb()), fileBefore);
}

void tst_TagFile::oldTagsDatabase()
{
    QString error;
    QVERIFY(TagStore::replaceAll({{u"FFFFFFFFFF"_s, u"Gone"_s}}, &error));
    int count = 0;
    QVERIFY2(TagFile::import(TestEnv::dataFile(u"legacy/old-tags.tu"_s), &count, &error), qPrintable(error));
    QCOMPARE(count, 8);
    const QStringList rows = stored();
    QCOMPARE(rows.size(), 8);
    QCOMPARE((QStringList{rows.at(3), rows.at(4), rows.at(6)}),
             (QStringList{u"00052F6E9D|北門|0"_s, u"00052f6e9e|Parking Level -1|0"_s, u"0007C0FFEE||0"_s}));
}

QTEST_GUILESS_MAIN(tst_TagFile)
#include "tst_tagfile.moc"
