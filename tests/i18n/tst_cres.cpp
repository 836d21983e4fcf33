#include "CRes.h"
#include "RecordingReporter.h"
#include "Settings.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "Workspace.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

// The string store over a temporary workspace: creation from the shipped
// texts, fallbacks, languages added and removed, and what survives a Refresh.
class tst_CRes : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void createsStoreFromShippedTexts();
    void textFallbacks();
    void languageWithoutFontRow();
    void createAndDeleteLanguage();
    void refusedLanguageChanges();
    void openModelDoesNotLockColumnChanges();
    void damagedStoreReportsOnceAndGivesDefaults();

private:
    static bool exec(const QString &sql);
    static bool hasColumn(const QString &name);
    // One name per Font row.
    static QStringList languages();

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<RecordingReporter> m_reporter;
};

bool tst_CRes::exec(const QString &sql)
{
    QSqlQuery query(QSqlDatabase::database(CRes::connectionName()));
    const bool ok = query.exec(sql);
    if (!ok)
        qWarning() << sql << query.lastError().text();
    return ok;
}

bool tst_CRes::hasColumn(const QString &name)
{
    const QSqlRecord record = QSqlDatabase::database(CRes::connectionName()).record(u"StringList"_s);
    return record.indexOf(name) >= 0;
}

QStringList tst_CRes::languages()
{
    QStringList names;
    CRes::instance().GetAllLanguageName(names);
    return names;
}

void tst_CRes::init()
{
    m_env = std::make_unique<TestEnv>(false);
    m_reporter = std::make_unique<RecordingReporter>();
}

void tst_CRes::cleanup()
{
    // Every case ends without a message it did not expect (and clear away).
    const QStringList unexpected = m_reporter->texts();
    CRes::destroyInstance();
    m_reporter.reset();
    m_env.reset();
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(u'\n')));
}

void tst_CRes::createsStoreFromShippedTexts()
{
    QVERIFY(!QFile::exists(Workspace::resMdb()));
    CRes &res = CRes::instance();
    QVERIFY(res.isOpen());
    QCOMPARE((QStringList{res.Language(), res.ResString(8), res.FontName()}), (QStringList{"English", "OK", "DejaVu Sans"}));

    res.setLanguage(u"Japanese"_s);
    QCOMPARE((QStringList{GetSetting("Resource", "Language"), res.ResString(9), res.FontName()}),
             (QStringList{u"Japanese"_s, u"キャンセル"_s, u"Noto Sans CJK JP"_s}));

    // Another workspace gets a store of its own on the next Refresh.
    QVERIFY(exec(R"(UPDATE StringList SET Japanese = 'First' WHERE "Index" = 9)"));
    const QString other = m_env->root() + u"/other"_s;
    QVERIFY(QDir().mkpath(other));
    Workspace::setCurrent(other);
    res.Refresh();
    QVERIFY(QFile::exists(other + u"/Res.mdb"_s));
    QCOMPARE(res.ResString(9), u"キャンセル"_s);
}

void tst_CRes::textFallbacks()
{
    CRes &res = CRes::instance();
    for (const char *sql : {R"(UPDATE StringList SET Japanese = NULL WHERE "Index" IN (7, 8))",
                            R"(UPDATE StringList SET Japanese = '' WHERE "Index" = 9)",
                            R"(UPDATE StringList SET English = '' WHERE "Index" = 7)",
                            R"(DELETE FROM StringList WHERE "Index" = 10)"})
        QVERIFY(exec(QLatin1String(sql)));
    res.setLanguage(u"Japanese"_s);
    res.Refresh();
    // Null falls back to English (an empty English cell gives empty, not the default); empty stays
    // empty; a number the store lacks (a store of an older Tavrel) gives the shipped text of the
    // language; only a number nothing knows gives the caller's default.
    QCOMPARE((QStringList{res.ResString(8, u"dflt"_s), res.ResString(9, u"dflt"_s), res.ResString(7, u"dflt"_s),
                          res.ResString(10, u"dflt"_s), res.ResString(99999, u"dflt"_s)}),
             (QStringList{u"OK"_s, QString(), QString(), u"言語設定の編集"_s, u"dflt"_s}));

    // A Font row without a StringList column: every text is the caller's default.
    QVERIFY(exec("INSERT INTO Font (Language, Name, Size) VALUES ('Klingon', 'DejaVu Serif', 12)"));
    res.setLanguage(u"Klingon"_s);
    QCOMPARE((QStringList{res.ResString(8, u"dflt"_s), res.FontName()}), (QStringList{u"dflt"_s, u"DejaVu Serif"_s}));
    QCOMPARE(res.FontSize(), short(12));

    // A language whose font cells are null takes English's font.
    QVERIFY(exec("UPDATE Font SET Name = NULL, Size = NULL WHERE Language = 'Japanese'"));
    res.setLanguage(u"Japanese"_s);
    QCOMPARE(res.FontName(), u"DejaVu Sans"_s);
    QCOMPARE(res.FontSize(), short(9));
    QString name;
    int size = 0;
    QVERIFY(res.quietFont(&name, &size));
    QCOMPARE(u"%1/%2"_s.arg(name).arg(size), u"DejaVu Sans/9"_s);
}

void tst_CRes::languageWithoutFontRow()
{
    // Stored: the language becomes English, the setting with it.
    SaveSetting("Resource", "Language", "Martian");
    CRes &res = CRes::instance();
    QCOMPARE((QStringList{res.currentLanguage(), GetSetting("Resource", "Language"), res.ResString(8)}),
             (QStringList{"English", "English", "OK"}));

    // Chosen during the run: reading its size and writing its font are reported; FontName
    // takes English for the rest of the run, without touching the setting.
    res.setLanguage(u"Nowhere"_s);
    QCOMPARE(res.FontSize(), short(0));
    res.setFontSize(14);
    QCOMPARE(m_reporter->entries.size(), 2);
    QVERIFY(m_reporter->entries.first().text.contains("Nowhere"));
    m_reporter->clear();
    QCOMPARE((QStringList{res.FontName(), res.currentLanguage(), GetSetting("Resource", "Language")}),
             (QStringList{"DejaVu Sans", "English", "Nowhere"}));

    // The row lookup ignores ASCII case.
    SaveSetting("Resource", "Language", "japanese");
    res.Refresh();
    QCOMPARE(res.ResString(9), u"キャンセル"_s);
}

void tst_CRes::createAndDeleteLanguage()
{
    CRes &res = CRes::instance();
    res.setLanguage(u"Japanese"_s);
    // Both kinds of quote: the name goes into SQL as a column name and as a value.
    const QString name = u"Gaeilge (O'Neill's \"own\")"_s;
    QString error;
    QVERIFY2(res.CreateLanguage(name, &error), qPrintable(error));
    QCOMPARE(res.currentLanguage(), u"Japanese"_s);
    QVERIFY(exec(QStringLiteral(R"sql(UPDATE StringList SET "Gaeilge (O'Neill's ""own"")" = 'Ceart' WHERE "Index" = 8)sql")));
    res.setLanguage(name);
    res.Refresh();
    // What is not translated yet shows English.
    QCOMPARE((QStringList{res.currentLanguage(), res.ResString(8), res.ResString(174)}),
             (QStringList{name, u"Ceart"_s, u"Invalid password, please try again."_s}));

    res.setLanguage(u"Japanese"_s);
    QVERIFY2(res.DeleteLanguage(name, &error), qPrintable(error));
    QVERIFY(!hasColumn(name));
    QVERIFY(!languages().contains(name));
    res.Refresh();
    QCOMPARE(res.ResString(9), u"キャンセル"_s);

    // A half language (Font row only, as a failed earlier delete could leave) can be removed.
    QVERIFY(exec("INSERT INTO Font (Language, Name, Size) VALUES ('Orphan', 'x', 1)"));
    QVERIFY2(res.DeleteLanguage(u"Orphan"_s, &error), qPrintable(error));
    QVERIFY(!languages().contains("Orphan"));
}

void tst_CRes::refusedLanguageChanges()
{
    CRes &res = CRes::instance();
    QString error;
    // Only the letter case differs from a language there is: refused, nothing half added.
    QVERIFY(!res.CreateLanguage(u"japanese"_s, &error));
    QVERIFY(error.contains("japanese"));
    QVERIFY(!languages().contains("japanese"));
    QVERIFY(!res.CreateLanguage(u"  "_s, &error));
    QVERIFY(!res.DeleteLanguage(u"English"_s, &error));
    QVERIFY(hasColumn("English"));
    QVERIFY(!res.DeleteLanguage(u"Nothing"_s, &error));
    QVERIFY(error.contains("Nothing"));
}

void tst_CRes::openModelDoesNotLockColumnChanges()
{
    CRes &res = CRes::instance();
    QSqlTableModel *model = res.StringRecordset();
    QVERIFY(model);
    // Adding a column while the model is open is not refused as "locked", and the model
    // handed out stays usable after the store reads itself again.
    QString error;
    QVERIFY2(res.CreateLanguage(u"Latin"_s, &error), qPrintable(error));
    QCOMPARE(res.StringRecordset(), model);
    QVERIFY(model->record().indexOf("Latin") >= 0);
    QVERIFY(model->rowCount() > 150);
    QVERIFY2(res.DeleteLanguage(u"Latin"_s, &error), qPrintable(error));
}

void tst_CRes::damagedStoreReportsOnceAndGivesDefaults()
{
    QVERIFY(writeTestFile(Workspace::resMdb(), QByteArray(4096, 'x')));

    CRes &res = CRes::instance();
    QVERIFY(!res.isOpen());
    QCOMPARE(m_reporter->entries.size(), 1);
    QVERIFY(m_reporter->entries.first().text.contains("Res.mdb"));
    QCOMPARE(res.ResString(8, u"dflt"_s), u"dflt"_s);
    QVERIFY(!res.StringRecordset());
    QVERIFY(!res.CreateLanguage(u"Any"_s));
    // The damaged file is left for the user to look at.
    QCOMPARE(QFileInfo(Workspace::resMdb()).size(), qint64(4096));
    m_reporter->clear(); // what the calls on the closed store report is not this case's business
}

QTEST_GUILESS_MAIN(tst_CRes)
#include "tst_cres.moc"
