#include "CRes.h"
#include "DataStore.h"
#include "TagFile.h"
#include "TestEnv.h"
#include "Workspace.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlQuery>
#include <QtTest>

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

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

// "code|description|description IS NULL" in table order.
QStringList stored()
{
    QSqlQuery q(QSqlDatabase::database(DataStore::kConnTVL));
    q.exec(QStringLiteral("SELECT Code || '|' || Description || '|' || (Description IS NULL) FROM TagDef ORDER BY rowid"));
    QStringList out;
    while (q.next())
        out << q.value(0).toString();
    return out;
}

}

void tst_TagFile::exportThenImport()
{
    QString error;
    QVERIFY(TagStore::replaceAll({{QStringLiteral("12345ABCDE"), QStringLiteral("Gate")},
                                  {QStringLiteral("0004A1B2C4"), QStringLiteral("Tür Nord")}},
                                 &error));
    const QString path = m_env->root() + QLatin1Char('/') + TagFile::proposedName(QDate(2026, 12, 6)) + ".tag";
    QVERIFY(path.endsWith(QLatin1String("/20261206.tag")));
    int count = 0;
    QVERIFY2(TagFile::exportAll(path, &count, &error), qPrintable(error));
    QCOMPARE(readFile(path), QByteArray("12345ABCDE\tGate\r\n0004A1B2C4\tT\xFCr Nord\r\n"));
    QVERIFY(TagStore::replaceAll({{QStringLiteral("0000000001"), QStringLiteral("Other")}}, &error));
    QVERIFY2(TagFile::import(path, &count, &error), qPrintable(error));
    QCOMPARE(count, 2);
    QCOMPARE(stored(), (QStringList{QStringLiteral("12345ABCDE|Gate|0"), QStringLiteral("0004A1B2C4|Tür Nord|0")}));
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
    const QString path = m_env->root() + QStringLiteral("/in.tag");
    writeFile(path, content);
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
    QVERIFY(TagStore::replaceAll({{QStringLiteral("0004A1B2C3"), QStringLiteral("Main Gate")},
                                  {QStringLiteral("it's"), QLatin1String("")}},
                                 &error));
    const QStringList before = stored();
    const QString path = m_env->root() + QLatin1Char('/') + name;
    if (name.endsWith(QLatin1String(".tu"))) {
        content = readFile(TestEnv::dataFile(QString::fromLatin1(content)));
        if (QTest::currentDataTag() == QLatin1String("wrong .tu password")) {
            // The stored password is its text XOR a mask and a date key: XOR-ing
            // the old and a new text in changes only the password.
            for (int i = 0; i < 16; i += 2)
                content[0x42 + i] = char(content[0x42 + i] ^ "KRTA1937"[i / 2] ^ "KRTA1938"[i / 2]);
        }
    }
    if (!content.isEmpty())
        writeFile(path, content);
    const QByteArray fileBefore = QCryptographicHash::hash(readFile(Workspace::tvlMdb()), QCryptographicHash::Sha256);
    int count = -1;
    QVERIFY(!TagFile::import(path, &count, &error));
    QVERIFY2(error.contains(mention), qPrintable(error));
    QCOMPARE(count, -1);
    QCOMPARE(stored(), before);
    QCOMPARE(QCryptographicHash::hash(readFile(Workspace::tvlMdb()), QCryptographicHash::Sha256), fileBefore);
}

void tst_TagFile::oldTagsDatabase()
{
    QString error;
    QVERIFY(TagStore::replaceAll({{QStringLiteral("FFFFFFFFFF"), QStringLiteral("Gone")}}, &error));
    int count = 0;
    QVERIFY2(TagFile::import(TestEnv::dataFile(QStringLiteral("legacy/old-tags.tu")), &count, &error),
             qPrintable(error));
    QCOMPARE(count, 8);
    const QStringList rows = stored();
    QCOMPARE(rows.size(), 8);
    QCOMPARE(rows.at(3), QStringLiteral("00052F6E9D|北門|0"));
    QCOMPARE(rows.at(4), QStringLiteral("00052f6e9e|Parking Level -1|0"));
    QCOMPARE(rows.at(6), QStringLiteral("0007C0FFEE||0"));
}

QTEST_GUILESS_MAIN(tst_TagFile)
#include "tst_tagfile.moc"
