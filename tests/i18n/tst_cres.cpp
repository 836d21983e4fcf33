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
    void nullFallsBackEmptyStays();
    void unknownNumberAndMissingColumnGiveDefault();
    void storedLanguageWithoutFontRowBecomesEnglish();
    void fontFallsBackToEnglishRow();
    void languageWithoutFontRow();
    void createAndDeleteLanguage();
    void createRefusesExistingNames();
    void languageNameWithQuotes();
    void refreshSeesChangedText();
    void fontSettersPersist();
    void damagedStoreReportsOnceAndGivesDefaults();
    void refreshFollowsWorkspace();

private:
    static bool exec(const QString &sql, const QVariantList &values = {});
    static bool hasColumn(const QString &name);
    static int fontRows(const QString &language);

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<RecordingReporter> m_reporter;
};

bool tst_CRes::exec(const QString &sql, const QVariantList &values)
{
    QSqlQuery query(QSqlDatabase::database(CRes::connectionName()));
    query.prepare(sql);
    for (const QVariant &v : values)
        query.addBindValue(v);
    const bool ok = query.exec();
    if (!ok)
        qWarning() << sql << query.lastError().text();
    return ok;
}

bool tst_CRes::hasColumn(const QString &name)
{
    const QSqlRecord record = QSqlDatabase::database(CRes::connectionName()).record(u"StringList"_s);
    return record.indexOf(name) >= 0;
}

int tst_CRes::fontRows(const QString &language)
{
    QSqlQuery query(QSqlDatabase::database(CRes::connectionName()));
    query.prepare(u"SELECT COUNT(*) FROM Font WHERE Language = ?"_s);
    query.addBindValue(language);
    if (!query.exec() || !query.next())
        return -1;
    return query.value(0).toInt();
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
    QVERIFY(QFile::exists(Workspace::resMdb()));
    QCOMPARE(res.ConnString(), Workspace::resMdb());
    QCOMPARE((QStringList{res.Language(), res.ResString(8), res.FontName()}), (QStringList{"English", "OK", "DejaVu Sans"}));
    QCOMPARE(res.FontSize(), short(9));

    QStringList names;
    res.GetAllLanguageName(names);
    QCOMPARE(names, (QStringList{"English", "Traditional Chinese", "Japanese"}));

    res.setLanguage(u"Japanese"_s);
    QCOMPARE((QStringList{GetSetting("Resource", "Language"), res.ResString(9), res.FontName()}),
             (QStringList{u"Japanese"_s, u"キャンセル"_s, u"Noto Sans CJK JP"_s}));
    res.setLanguage(u"Traditional Chinese"_s);
    QCOMPARE(res.ResString(9), u"取消"_s);
    QCOMPARE(res.FontSize(), short(10));
}

void tst_CRes::nullFallsBackEmptyStays()
{
    CRes &res = CRes::instance();
    for (const char *sql : {R"(UPDATE StringList SET Japanese = NULL WHERE "Index" IN (7, 8))",
                            R"(UPDATE StringList SET Japanese = '' WHERE "Index" = 9)",
                            R"(UPDATE StringList SET English = '' WHERE "Index" = 7)"})
        QVERIFY(exec(QLatin1String(sql)));
    res.setLanguage(u"Japanese"_s);
    res.Refresh();
    // Null falls back to English (an empty English cell gives empty, not the default); empty stays empty.
    QCOMPARE((QStringList{res.ResString(8, u"default"_s), res.ResString(9, u"default"_s), res.ResString(7, u"default"_s)}),
             (QStringList{u"OK"_s, QString(), QString()}));
    QVERIFY(!res.ResString(9, u"default"_s).isNull());
    QCOMPARE(res.ResString(1), u"言語エディター"_s);
}

void tst_CRes::unknownNumberAndMissingColumnGiveDefault()
{
    CRes &res = CRes::instance();
    QCOMPARE((QStringList{res.ResString(0), res.ResString(99999), res.ResString(-3, u"fallback"_s)}),
             (QStringList{QString(), QString(), u"fallback"_s}));

    // A Font row without a StringList column: every text is the caller's default.
    QVERIFY(exec("INSERT INTO Font (Language, Name, Size) VALUES ('Klingon', 'DejaVu Serif', 12)"));
    res.setLanguage(u"Klingon"_s);
    QCOMPARE((QStringList{res.ResString(8), res.ResString(8, u"dflt"_s), res.FontName()}),
             (QStringList{QString(), u"dflt"_s, u"DejaVu Serif"_s}));
    QCOMPARE(res.FontSize(), short(12));
}

void tst_CRes::storedLanguageWithoutFontRowBecomesEnglish()
{
    SaveSetting("Resource", "Language", "Martian");
    CRes &res = CRes::instance();
    QCOMPARE((QStringList{res.currentLanguage(), GetSetting("Resource", "Language"), res.ResString(8)}),
             (QStringList{"English", "English", "OK"}));

    // The same check runs again on Refresh, and the row lookup ignores ASCII case.
    SaveSetting("Resource", "Language", "japanese");
    res.Refresh();
    QCOMPARE(res.currentLanguage(), u"japanese"_s);
    QCOMPARE(res.ResString(9), u"キャンセル"_s);
}

void tst_CRes::fontFallsBackToEnglishRow()
{
    CRes &res = CRes::instance();
    QVERIFY(exec("UPDATE Font SET Name = NULL, Size = NULL WHERE Language = 'Japanese'"));
    res.setLanguage(u"Japanese"_s);
    QCOMPARE(res.FontName(), u"DejaVu Sans"_s);
    QCOMPARE(res.FontSize(), short(9));
    QString name;
    int size = 0;
    QVERIFY(res.quietFont(&name, &size));
    QCOMPARE(name, u"DejaVu Sans"_s);
    QCOMPARE(size, 9);
}

void tst_CRes::languageWithoutFontRow()
{
    CRes &res = CRes::instance();
    res.setLanguage(u"Nowhere"_s);
    QCOMPARE(res.FontSize(), short(0));
    QCOMPARE(m_reporter->entries.size(), 1);
    QVERIFY(m_reporter->entries.first().text.contains("Nowhere"));
    m_reporter->clear();

    // FontName takes English for the rest of the run, without touching the setting.
    QCOMPARE((QStringList{res.FontName(), res.currentLanguage(), GetSetting("Resource", "Language"), res.Language()}),
             (QStringList{"DejaVu Sans", "English", "Nowhere", "Nowhere"}));
}

void tst_CRes::createAndDeleteLanguage()
{
    CRes &res = CRes::instance();
    res.setLanguage(u"Japanese"_s);
    QString error;
    QVERIFY2(res.CreateLanguage(u"Esperanto"_s, &error), qPrintable(error));
    QVERIFY(hasColumn("Esperanto"));
    QCOMPARE(res.currentLanguage(), u"Japanese"_s);
    QStringList names;
    res.GetAllLanguageName(names);
    QCOMPARE(names.last(), u"Esperanto"_s);

    res.setLanguage(u"Esperanto"_s);
    QCOMPARE((QStringList{res.ResString(8), res.ResString(174), res.FontName()}),
             (QStringList{"OK", "Invalid password, please try again.", "MS Sans Serif"}));
    QCOMPARE(res.FontSize(), short(8));

    res.setLanguage(u"Japanese"_s);
    QVERIFY2(res.DeleteLanguage(u"Esperanto"_s, &error), qPrintable(error));
    QVERIFY(!hasColumn("Esperanto"));
    QCOMPARE(fontRows("Esperanto"), 0);
    QCOMPARE((QStringList{res.currentLanguage(), GetSetting("Resource", "Language")}), (QStringList{"Japanese", "Japanese"}));
    names.clear();
    res.GetAllLanguageName(names);
    QCOMPARE(names, (QStringList{"English", "Traditional Chinese", "Japanese"}));

    res.Refresh();
    QCOMPARE(res.ResString(9), u"キャンセル"_s);

    // A half language (Font row only, as a failed earlier delete could leave) can be removed.
    QVERIFY(exec("INSERT INTO Font (Language, Name, Size) VALUES ('Orphan', 'x', 1)"));
    QVERIFY2(res.DeleteLanguage(u"Orphan"_s, &error), qPrintable(error));
    QCOMPARE(fontRows("Orphan"), 0);
}

void tst_CRes::createRefusesExistingNames()
{
    CRes &res = CRes::instance();
    QString error;
    QVERIFY(!res.CreateLanguage(u"Japanese"_s, &error));
    QVERIFY(error.contains("Japanese"));
    // Only the letter case differs: SQLite refuses the second column, nothing is half added.
    error.clear();
    QVERIFY(!res.CreateLanguage(u"japanese"_s, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(fontRows("japanese"), 0);
    QVERIFY(!res.CreateLanguage(u"  "_s, &error));
    QVERIFY(!res.DeleteLanguage(u"English"_s, &error));
    QVERIFY(hasColumn("English"));
    QVERIFY(!res.DeleteLanguage(u"Nothing"_s, &error));
    QVERIFY(error.contains("Nothing"));

    QStringList names;
    res.GetAllLanguageName(names);
    QCOMPARE(names.size(), 3);
}

void tst_CRes::languageNameWithQuotes()
{
    CRes &res = CRes::instance();
    const QString name = u"Gaeilge (O'Neill's \"own\")"_s;
    QString error;
    QVERIFY2(res.CreateLanguage(name, &error), qPrintable(error));
    QVERIFY(hasColumn(name));
    res.setLanguage(name);
    QCOMPARE(res.Language(), name);
    QCOMPARE(res.ResString(8), u"OK"_s);

    QVERIFY(exec(QStringLiteral(R"sql(UPDATE StringList SET "Gaeilge (O'Neill's ""own"")" = ? WHERE "Index" = 8)sql"),
                 {u"Ceart go leor"_s}));
    res.Refresh();
    QCOMPARE(res.currentLanguage(), name);
    QCOMPARE(res.ResString(8), u"Ceart go leor"_s);
    res.setFontName(u"DejaVu Serif"_s);
    res.setFontSize(11);
    QCOMPARE(res.FontName(), u"DejaVu Serif"_s);
    QCOMPARE(res.FontSize(), short(11));

    res.setLanguage(u"English"_s);
    QVERIFY2(res.DeleteLanguage(name, &error), qPrintable(error));
    QVERIFY(!hasColumn(name));
    QCOMPARE(fontRows(name), 0);
}

void tst_CRes::refreshSeesChangedText()
{
    CRes &res = CRes::instance();
    QSqlTableModel *model = res.StringRecordset();
    QVERIFY(model);
    QVERIFY(model->rowCount() > 150);
    const int english = model->record().indexOf("English");
    const int index = model->record().indexOf("Index");
    int row = -1;
    for (int r = 0; r < model->rowCount(); ++r)
        if (model->data(model->index(r, index)).toInt() == 8)
            row = r;
    QVERIFY(row >= 0);
    QVERIFY(model->setData(model->index(row, english), u"Okay"_s));
    QVERIFY(model->submitAll());

    QCOMPARE(res.ResString(8), u"OK"_s);
    res.Refresh();
    QCOMPARE(res.ResString(8), u"Okay"_s);
    // The model handed out stays usable after the refresh.
    QCOMPARE(res.StringRecordset(), model);
    QVERIFY(model->rowCount() > 150);

    // Adding a column while the model is open is not refused as "locked".
    QString error;
    QVERIFY2(res.CreateLanguage(u"Latin"_s, &error), qPrintable(error));
    QVERIFY(model->record().indexOf("Latin") >= 0);
    QVERIFY2(res.DeleteLanguage(u"Latin"_s, &error), qPrintable(error));
}

void tst_CRes::fontSettersPersist()
{
    {
        CRes &res = CRes::instance();
        res.setLanguage(u"Traditional Chinese"_s);
        res.setFontName(u"Noto Serif CJK TC"_s);
        res.setFontSize(12);
    }
    CRes::destroyInstance();
    CRes &res = CRes::instance();
    QCOMPARE((QStringList{res.currentLanguage(), res.FontName()}), (QStringList{"Traditional Chinese", "Noto Serif CJK TC"}));
    QCOMPARE(res.FontSize(), short(12));
    res.setLanguage(u"English"_s);
    QCOMPARE(res.FontName(), u"DejaVu Sans"_s);

    // Writing the font of a language that has no row is reported.
    res.setLanguage(u"Nowhere"_s);
    res.setFontSize(14);
    QCOMPARE(m_reporter->entries.size(), 1);
    m_reporter->clear();
}

void tst_CRes::damagedStoreReportsOnceAndGivesDefaults()
{
    QVERIFY(writeTestFile(Workspace::resMdb(), QByteArray(4096, 'x')));

    CRes &res = CRes::instance();
    QVERIFY(!res.isOpen());
    QCOMPARE(m_reporter->entries.size(), 1);
    QVERIFY(m_reporter->entries.first().text.contains("Res.mdb"));
    QCOMPARE((QStringList{res.ResString(8), res.ResString(8, u"OK"_s)}), (QStringList{QString(), "OK"}));
    QVERIFY(!res.StringRecordset());
    QString error;
    QVERIFY(!res.CreateLanguage(u"Any"_s, &error));
    // The damaged file is left for the user to look at.
    QCOMPARE(QFileInfo(Workspace::resMdb()).size(), qint64(4096));
    m_reporter->clear(); // what the calls on the closed store report is not this case's business
}

void tst_CRes::refreshFollowsWorkspace()
{
    CRes &res = CRes::instance();
    QVERIFY(exec(R"(UPDATE StringList SET English = 'First' WHERE "Index" = 8)"));
    res.Refresh();
    QCOMPARE(res.ResString(8), u"First"_s);

    const QString other = m_env->root() + u"/other"_s;
    QVERIFY(QDir().mkpath(other));
    Workspace::setCurrent(other);
    res.Refresh();
    QCOMPARE(res.ConnString(), other + u"/Res.mdb"_s);
    QVERIFY(QFile::exists(other + u"/Res.mdb"_s));
    QCOMPARE(res.ResString(8), u"OK"_s);
}

QTEST_GUILESS_MAIN(tst_CRes)
#include "tst_cres.moc"
