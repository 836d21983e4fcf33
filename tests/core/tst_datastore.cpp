#include "DataStore.h"
#include "OperationLog.h"
#include "RecordingReporter.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "Workspace.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_DataStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void tagQueries();
    void badCommandsRefused();
    void foreignFileRefusedAndUntouched_data();
    void foreignFileRefusedAndUntouched();
    void logReopensAfterClose();
};

void tst_DataStore::tagQueries()
{
    TestEnv env;
    QSqlQuery tag(QSqlDatabase::database(DataStore::kConnTVL));
    QVERIFY(tag.exec(u"INSERT INTO TagDef (Code, Description) VALUES ('0004A1B2C3', 'Gate'), ('0000000009', 'Zulu')"_s));
    // The table refuses a second row for a code.
    QVERIFY(!tag.exec(u"INSERT INTO TagDef (Code, Description) VALUES ('0004A1B2C3', 'Other')"_s));
    QSqlQuery tags = DataStore::run(u"rptTagDef"_s);
    QStringList codes;
    while (tags.next())
        codes << tags.value(0).toString();
    QCOMPARE(codes, (QStringList{"0000000009", "0004A1B2C3"})); // in code order
}

void tst_DataStore::badCommandsRefused()
{
    TestEnv env;
    QString error;
    QVERIFY(!DataStore::run(u"InsertPatrolData"_s, {"1", "ABC"}, &error).isActive());
    QVERIFY(error.contains(QLatin1String("parameters")));
    QVERIFY(!DataStore::run(u"rptPatrolData"_s).next());
    QVERIFY(!DataStore::run(u"NoSuchCommand"_s, {}, &error).isActive());
    // An old-format command without an old database opened.
    error.clear();
    QVERIFY(!DataStore::run(u"TagDef_Old"_s, {}, &error).isActive());
    QVERIFY(!error.isEmpty());
}

void tst_DataStore::foreignFileRefusedAndUntouched_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("text");   // the file's whole content, unless
    QTest::addColumn<QString>("statement"); // a statement changes the database made for the test
    QTest::addColumn<QString>("expected");  // a word of the error
    QTest::newRow("text as tvl.mon") << "tvl.mon" << QByteArray(4096, '\x5a') << QString() << "Unrecognized";
    // SQLite would take an empty file for a new database and fill it.
    QTest::newRow("zero bytes") << "tvl.mdb" << QByteArray() << QString() << "Unrecognized";
    QTest::newRow("no PatrolData") << "tvl.mdb" << QByteArray() << "DROP TABLE PatrolData" << "PatrolData";
    QTest::newRow("TagDef without Description")
        << "tvl.mdb" << QByteArray() << "ALTER TABLE TagDef DROP COLUMN Description" << "Description";
}

void tst_DataStore::foreignFileRefusedAndUntouched()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, text);
    QFETCH(QString, statement);
    QFETCH(QString, expected);

    TestEnv env;
    const QString path = QDir(env.workspace()).filePath(file);
    if (!statement.isEmpty())
        QVERIFY(QSqlQuery(QSqlDatabase::database(DataStore::kConnTVL)).exec(statement));
    DataStore::close();
    if (statement.isEmpty())
        QVERIFY(writeTestFile(path, text));
    const QByteArray before = readTestFile(path);

    QString error;
    QVERIFY(!DataStore::open(&error));
    QVERIFY2(error.contains(expected) && error.contains(file), qPrintable(error));
    QCOMPARE(readTestFile(path), before);
    QVERIFY(!QFileInfo::exists(path + u"-journal"_s));

    // Running a command later does not sneak past the check either.
    const QString command = file == QLatin1String("tvl.mdb") ? u"TagDef"_s : u"Log"_s;
    QVERIFY(!DataStore::run(command, {}, &error).isActive());
    QCOMPARE(readTestFile(path), before);
}

void tst_DataStore::logReopensAfterClose()
{
    TestEnv env;
    RecordingReporter reporter;
    QVERIFY(WriteLog(u"KD"_s, u"Download"_s));
    DataStore::close();
    QVERIFY(WriteLog(u"VC"_s, u"Clear Data"_s));
    QVERIFY(reporter.entries.isEmpty());

    QSqlQuery q = DataStore::run(u"Log"_s);
    QStringList rows;
    while (q.next())
        rows << q.value(u"Command"_s).toString() + u'=' + q.value(u"Description"_s).toString();
    QCOMPARE(rows, (QStringList{"KD=Download", "VC=Clear Data"}));

    // A log that cannot be written is reported and the caller goes on.
    DataStore::close();
    QFile::remove(Workspace::tvlMon());
    QVERIFY(QDir().mkdir(Workspace::tvlMon()));
    QVERIFY(!WriteLog(u"KC"_s, u"Clear Data"_s));
    QCOMPARE(reporter.entries.size(), 1);
    QVERIFY(reporter.entries.first().isFailure && reporter.entries.first().text.endsWith(QLatin1String(": MonitorLog ")));
}

QTEST_GUILESS_MAIN(tst_DataStore)
#include "tst_datastore.moc"
