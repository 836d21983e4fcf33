#include "CRes.h"
#include "DataStore.h"
#include "ExceptionMatcher.h"
#include "GuardTracker.h"
#include "PatrolDataLoader.h"
#include "PatrolFile.h"
#include "TagEntryRules.h"
#include "TagFile.h"
#include "TagStore.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "Workspace.h"
#include "rptPatrolData.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringEncoder>
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
    void textEncodings_data();
    void textEncodings();
    void refusedImportKeepsDefinitions_data();
    void refusedImportKeepsDefinitions();
    void refusedExportKeepsOldFile();
    void oldTagsDatabase();
    void codesWithoutCase();

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
    // A line break or tab would split the line of an exported file; the
    // command line checks through the same rules.
    for (const QString &description : {u"Gate\nNorth"_s, u"Gate\tNorth"_s, u"Gate\u2028"_s})
        QCOMPARE(TagEntryRules::validate(u"12345ABCDE"_s, description).message, CRes::instance().ResString(92));
    QCOMPARE(TagEntryRules::validate(u"12345ABCDE"_s, QString(256, u'x')).message, CRes::instance().ResString(93));
    // Imported: lower-case digits and an empty description, as old tables hold them.
    QVERIFY(TagEntryRules::validate(u"12345abcde"_s, u"Gate"_s).field == TagEntryRules::Field::Code);
    QVERIFY(TagEntryRules::validateImported(u"12345abcde"_s, QString()).message.isEmpty());
    QVERIFY(!TagEntryRules::validateImported(u"not-a-code"_s, u"Gate"_s).message.isEmpty());
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

    // Written by hand: blank lines, a third piece, LF alone, no final line
    // end, lower-case digits, an empty description.
    QVERIFY(writeTestFile(path, "\r\n00000000A1\tGate\tignored\r\n   \r\n00000000b2\t\n00000000C3\tDock"));
    QVERIFY2(TagFile::import(path, &count, &error), qPrintable(error));
    QCOMPARE(stored(), (QStringList{u"00000000A1=Gate"_s, u"00000000b2="_s, u"00000000C3=Dock"_s}));
}

void tst_TagStore::textEncodings_data()
{
    QTest::addColumn<QStringList>("definitions"); // code=description
    QTest::addColumn<QByteArray>("exported");
    QTest::newRow("Latin-1 and Windows-1252") << QStringList{u"0004A1B2C4=Tür Nord"_s, u"0004A1B2C5=Café €5"_s}
                                              << QByteArray("0004A1B2C4\tT\xFCr Nord\r\n0004A1B2C5\tCaf\xE9 \x80" "5\r\n");
    // One character outside Windows-1252 makes the whole file UTF-8 with its mark.
    QTest::newRow("Chinese, Japanese and Latin-1")
        << QStringList{u"00052F6E9D=北門"_s, u"00052F6E9E=東京駅 北口"_s, u"0004A1B2C4=Tür Nord"_s}
        << QByteArray("\xEF\xBB\xBF" "00052F6E9D\t\xE5\x8C\x97\xE9\x96\x80\r\n"
                      "00052F6E9E\t\xE6\x9D\xB1\xE4\xBA\xAC\xE9\xA7\x85 \xE5\x8C\x97\xE5\x8F\xA3\r\n"
                      "0004A1B2C4\tT\xC3\xBCr Nord\r\n");
}

void tst_TagStore::textEncodings()
{
    QFETCH(QStringList, definitions);
    QFETCH(QByteArray, exported);
    QList<TagDef> defs;
    for (const QString &d : std::as_const(definitions))
        defs.append({d.section(u'=', 0, 0), d.section(u'=', 1)});
    QString error;
    QVERIFY(TagStore::replaceAll(defs, &error));
    const QString path = m_env->root() + u"/tags.tag"_s;
    int count = 0;
    QVERIFY2(TagFile::exportAll(path, &count, &error), qPrintable(error));
    QCOMPARE(readTestFile(path), exported);
    // Read back from that file, and from the same text as UTF-16 with either mark.
    QString text;
    for (const TagDef &def : std::as_const(defs))
        text += def.code + u'\t' + def.description + u"\r\n"_s;
    const QByteArray utf16le = QByteArray("\xFF\xFE") + QStringEncoder(QStringConverter::Utf16LE).encode(text);
    const QByteArray utf16be = QByteArray("\xFE\xFF") + QStringEncoder(QStringConverter::Utf16BE).encode(text);
    for (const QByteArray &bytes : {exported, utf16le, utf16be}) {
        QVERIFY(TagStore::replaceAll({{u"0000000001"_s, u"Other"_s}}, &error));
        QVERIFY(writeTestFile(path, bytes));
        QVERIFY2(TagFile::import(path, &count, &error), qPrintable(error));
        QCOMPARE(stored(), definitions);
    }
}

void tst_TagStore::refusedImportKeepsDefinitions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // a fixture's path under tests/data for the .tu rows
    QTest::addColumn<QString>("mention");
    QTest::newRow("wrong extension") << "tags.txt" << QByteArray("A\tB\r\n") << "Invalid file name.";
    QTest::newRow("no tab") << "tags.tag" << QByteArray("00000000A1\tGate\r\n00000000A2 Dock\r\n") << "tags.tag, line 2";
    QTest::newRow("duplicate code") << "t.TAG" << QByteArray("00000000A1\tGate\r\n\r\n00000000A1\tDock\r\n")
                                    << "line 3: the code 00000000A1";
    QTest::newRow("duplicate in another case") << "t.tag" << QByteArray("00052F6E9E\tGate\r\n00052f6e9e\tDock\r\n")
                                               << "line 2: the code 00052f6e9e";
    // UTF-16 without a byte-order mark reads as Windows-1252: NUL bytes in every code.
    QTest::newRow("UTF-16 without mark") << "tags.tag"
                                         << QByteArray(QStringEncoder(QStringConverter::Utf16LE).encode(u"00052F6E9E\tGate\r\n"_s))
                                         << "tags.tag, line 1: " + CRes::instance().ResString(164);
    QTest::newRow("bad code") << "tags.tag" << QByteArray("00052F6E9E\tGate\r\nnot-a-code\tDock\r\n")
                              << "tags.tag, line 2: " + CRes::instance().ResString(163);
    QTest::newRow("empty code") << "tags.tag" << QByteArray("00052F6E9E\tGate\r\n\tDock\r\n") << "tags.tag, line 2: ";
    QTest::newRow("line break in a description") << "tags.tag" << QByteArray("00052F6E9E\tGate\rNorth\r\n")
                                                 << "tags.tag, line 1: " + CRes::instance().ResString(92);
    QTest::newRow("description too long") << "tags.tag" << "00052F6E9E\t" + QByteArray(256, 'x')
                                          << "line 1: " + CRes::instance().ResString(93);
    QTest::newRow("broken UTF-8") << "tags.tag" << QByteArray("\xEF\xBB\xBF" "00052F6E9E\tG\xFF\r\n") << "UTF-8";
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

void tst_TagStore::refusedExportKeepsOldFile()
{
    // A description stored with a line break (as an import once let through)
    // would read back as two lines.
    const QString path = m_env->root() + u"/tags.tag"_s;
    QVERIFY(writeTestFile(path, "00000000A1\tOld\r\n"));
    QString error;
    QVERIFY(TagStore::replaceAll({{u"0000000001"_s, u"Gate"_s}, {u"0000000002"_s, u"Gate\r\nNorth"_s}}, &error));
    QVERIFY(!TagFile::exportAll(path, nullptr, &error));
    QVERIFY2(error.contains(u"0000000002"_s), qPrintable(error));
    QCOMPARE(readTestFile(path), QByteArray("00000000A1\tOld\r\n"));
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

void tst_TagStore::codesWithoutCase()
{
    const QString path = m_env->root() + u"/tags.tag"_s;
    QVERIFY(writeTestFile(path, "00052f6e9e\tParking\r\n0004A1B2C3\tMain Gate\r\n"));
    QString error;
    QVERIFY2(TagFile::import(path, nullptr, &error), qPrintable(error));
    const QString upper = u"00052F6E9E"_s;
    // It cannot sit beside its upper-case twin; its own case may change.
    QCOMPARE(int(TagStore::add(upper, u"Twin"_s, &error)), int(TagStore::Result::Duplicate));
    QCOMPARE(int(TagStore::edit(u"0004A1B2C3"_s, upper, u"Twin"_s, &error)), int(TagStore::Result::Duplicate));
    QCOMPARE(stored(), (QStringList{u"00052f6e9e=Parking"_s, u"0004A1B2C3=Main Gate"_s}));

    QCOMPARE(TagStore::GetTagDescription(upper, &error), u"Parking"_s);
    const QHash<QString, QString> names = TagStore::descriptionMap(&error);
    const QString tvl = m_env->root() + u"/20240108 080000.tvl"_s;
    QVERIFY(writeTestFile(tvl, PatrolFile::encode(u"1,00052F6E9E,2024/01/08,08:00:00"_s) + "\r\n"));
    PatrolLoadResult loaded = PatrolDataLoader::load(tvl, names);
    QCOMPARE(loaded.rows.value(0).description, u"Parking"_s);
    QVERIFY(TagStore::setGuard(upper, true, &error));
    QVERIFY(TagStore::setGuard(u"00052f6e9e"_s, true, &error)); // one mark, whatever the case
    const QSet<QString> guards = TagStore::guardCodes(&error);
    QCOMPARE(guards.size(), 1);
    QCOMPARE(GuardTracker::guards(loaded.rows, guards, names), QStringList{u"Parking"_s});
    rptPatrolData report;
    QVERIFY2(report.load(loaded.rows, &error), qPrintable(error));
    QCOMPARE(report.cellText(0, 4), u"Parking"_s);

    // A plan's checkpoint in either case is a defined code and meets the read.
    PatrolPlan plan{u"Round"_s, QTime(8, 0), QTime(8, 0), 0, PatrolPlan::kEveryDay, {{upper, 0, 5}}};
    QCOMPARE(plan.problem(TagStore::codes(&error)), QString());
    plan.checkpoints = {{u"00052f6e9e"_s, 0, 5}};
    const QDate day(2024, 1, 8);
    const ExceptionResult result = ExceptionMatcher::match(
        {plan}, {{u"1"_s, QDateTime(day, QTime(8, 0)), upper}}, day, day, {}, names);
    QCOMPARE(result.outcomes.size(), 1);
    QVERIFY(result.outcomes.first().kind == CheckpointOutcome::Kind::OnTime);
    QCOMPARE(names.value(result.outcomes.first().code), u"Parking"_s);

    QCOMPARE(int(TagStore::edit(u"00052f6e9e"_s, upper, u"Parking"_s, &error)), int(TagStore::Result::Ok));
    QCOMPARE(stored(), (QStringList{u"00052F6E9E=Parking"_s, u"0004A1B2C3=Main Gate"_s}));
}

QTEST_GUILESS_MAIN(tst_TagStore)
#include "tst_tagstore.moc"
