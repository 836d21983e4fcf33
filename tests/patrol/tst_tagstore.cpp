#include "CRes.h"
#include "DataStore.h"
#include "TagEntryRules.h"
#include "TagStore.h"
#include "TestEnv.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_TagStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void descriptionNeedsExactlyOneMatch();
    void changes_data();
    void changes();
    void replaceAllIsAllOrNothing();
    void entryRules_data();
    void entryRules();
};

namespace {

QStringList dump()
{
    QStringList out;
    for (const TagDef &d : TagStore::all(nullptr))
        out << d.code + u'=' + d.description;
    return out;
}

}

void tst_TagStore::descriptionNeedsExactlyOneMatch()
{
    TestEnv env;
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
    QTest::newRow("add") << "add" << QStringList{"0000000003", "Dock"} << int(R::Ok)
                         << (start + QStringList{"0000000003=Dock"});
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
    TestEnv env;
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
    QCOMPARE(dump(), after);
}

void tst_TagStore::replaceAllIsAllOrNothing()
{
    TestEnv env;
    QVERIFY(TagStore::add(u"0000000001"_s, u"Gate"_s, nullptr) == TagStore::Result::Ok);
    QString error;
    QVERIFY(!TagStore::replaceAll({{u"0000000005"_s, u"A"_s}, {u"0000000006"_s, u"B"_s}, {u"0000000005"_s, u"C"_s}}, &error));
    QVERIFY2(error.contains(QLatin1String("0000000005")), qPrintable(error));
    QCOMPARE(dump(), QStringList{u"0000000001=Gate"_s});
    QVERIFY2(TagStore::replaceAll({{u"0000000007"_s, u"D"_s}, {u"0000000008"_s, QString()}}, &error), qPrintable(error));
    QCOMPARE(dump(), (QStringList{"0000000007=D", "0000000008="}));
}

void tst_TagStore::entryRules_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("description");
    QTest::addColumn<int>("text");
    QTest::addColumn<int>("field");
    using F = TagEntryRules::Field;
    QTest::newRow("good") << "12345ABCDE" << "Gate" << 0 << int(F::None);
    QTest::newRow("nine, one bad") << "1234ABCDG" << "Gate" << 164 << int(F::Code);
    QTest::newRow("empty code") << "" << "Gate" << 163 << int(F::Code);
    QTest::newRow("both empty: the last check wins") << "" << "" << 165 << int(F::Description);
}

void tst_TagStore::entryRules()
{
    QFETCH(QString, code);
    QFETCH(QString, description);
    QFETCH(int, text);
    QFETCH(int, field);
    TestEnv env;
    const TagEntryRules::Problem p = TagEntryRules::validate(code, description);
    QCOMPARE(int(p.field), field);
    QVERIFY2(text ? p.message.startsWith(CRes::instance().ResString(text)) : p.message.isEmpty(), qPrintable(p.message));
    if (text == 164)
        QVERIFY(p.message.endsWith(QLatin1String("\n\n0 1 2 3 4 5 6 7 8 9 A B C D E F")));
    QVERIFY(!TagEntryRules::keepsCodeText(u"12-34"_s));
    QVERIFY(TagEntryRules::keepsCodeText(u"12345abcde"_s));
    QVERIFY(!TagEntryRules::acceptsCodeKey(u'a'));
    QCOMPARE(TagEntryRules::duplicateMessage(u"0000000001"_s),
             u"0000000001\n\n"_s + CRes::instance().ResString(170));
}

QTEST_GUILESS_MAIN(tst_TagStore)
#include "tst_tagstore.moc"
