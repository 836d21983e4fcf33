#include "CRes.h"
#include "RecordingReporter.h"
#include "Settings.h"
#include "TestEnv.h"
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
    const QSqlRecord record = QSqlDatabase::database(CRes::connectionName()).record(QStringLiteral("StringList"));
    return record.indexOf(name) >= 0;
}

int tst_CRes::fontRows(const QString &language)
{
    QSqlQuery query(QSqlDatabase::database(CRes::connectionName()));
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM Font WHERE Language = ?"));
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
    CRes::destroyInstance();
    m_reporter.reset();
    m_env.reset();
}

void tst_CRes::createsStoreFromShippedTexts()
{
    QVERIFY(!QFile::exists(Workspace::resMdb()));
    CRes &res = CRes::instance();
    QVERIFY(res.isOpen());
    QVERIFY(QFile::exists(Workspace::resMdb()));
    QCOMPARE(res.ConnString(), Workspace::resMdb());
    QCOMPARE(res.Language(), QStringLiteral("English"));
    QCOMPARE(res.ResString(8), QStringLiteral("OK"));
    QCOMPARE(res.FontName(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(res.FontSize(), short(9));

    QStringList names;
    res.GetAllLanguageName(names);
    QCOMPARE(names, (QStringList{"English", "Traditional Chinese", "Japanese"}));

    res.setLanguage(QStringLiteral("Japanese"));
    QCOMPARE(GetSetting("Resource", "Language"), QStringLiteral("Japanese"));
    QCOMPARE(res.ResString(9), QStringLiteral("キャンセル"));
    QCOMPARE(res.FontName(), QStringLiteral("Noto Sans CJK JP"));
    res.setLanguage(QStringLiteral("Traditional Chinese"));
    QCOMPARE(res.ResString(9), QStringLiteral("取消"));
    QCOMPARE(res.FontSize(), short(10));
    QVERIFY2(m_reporter->entries.isEmpty(), qPrintable(m_reporter->texts().join('\n')));
}

void tst_CRes::nullFallsBackEmptyStays()
{
    CRes &res = CRes::instance();
    QVERIFY(exec(R"(UPDATE StringList SET Japanese = NULL WHERE "Index" = 8)"));
    QVERIFY(exec(R"(UPDATE StringList SET Japanese = '' WHERE "Index" = 9)"));
    QVERIFY(exec(R"(UPDATE StringList SET English = '' WHERE "Index" = 7)"));
    QVERIFY(exec(R"(UPDATE StringList SET Japanese = NULL WHERE "Index" = 7)"));
    res.setLanguage(QStringLiteral("Japanese"));
    res.Refresh();
    QCOMPARE(res.ResString(8, QStringLiteral("default")), QStringLiteral("OK"));
    QCOMPARE(res.ResString(9, QStringLiteral("default")), QString());
    QVERIFY(!res.ResString(9, QStringLiteral("default")).isNull());
    // Null falls back to an English cell that is empty: empty, not the default.
    QCOMPARE(res.ResString(7, QStringLiteral("default")), QString());
    QCOMPARE(res.ResString(1), QStringLiteral("言語エディター"));
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_CRes::unknownNumberAndMissingColumnGiveDefault()
{
    CRes &res = CRes::instance();
    QCOMPARE(res.ResString(0), QString());
    QCOMPARE(res.ResString(99999), QString());
    QCOMPARE(res.ResString(-3, QStringLiteral("fallback")), QStringLiteral("fallback"));

    // A Font row without a StringList column: every text is the caller's default.
    QVERIFY(exec("INSERT INTO Font (Language, Name, Size) VALUES ('Klingon', 'DejaVu Serif', 12)"));
    res.setLanguage(QStringLiteral("Klingon"));
    QCOMPARE(res.ResString(8), QString());
    QCOMPARE(res.ResString(8, QStringLiteral("dflt")), QStringLiteral("dflt"));
    QCOMPARE(res.FontName(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(res.FontSize(), short(12));
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_CRes::storedLanguageWithoutFontRowBecomesEnglish()
{
    SaveSetting("Resource", "Language", "Martian");
    CRes &res = CRes::instance();
    QCOMPARE(res.currentLanguage(), QStringLiteral("English"));
    QCOMPARE(GetSetting("Resource", "Language"), QStringLiteral("English"));
    QCOMPARE(res.ResString(8), QStringLiteral("OK"));

    // The same check runs again on Refresh, and the row lookup ignores ASCII case.
    SaveSetting("Resource", "Language", "japanese");
    res.Refresh();
    QCOMPARE(res.currentLanguage(), QStringLiteral("japanese"));
    QCOMPARE(res.ResString(9), QStringLiteral("キャンセル"));
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_CRes::fontFallsBackToEnglishRow()
{
    CRes &res = CRes::instance();
    QVERIFY(exec("UPDATE Font SET Name = NULL, Size = NULL WHERE Language = 'Japanese'"));
    res.setLanguage(QStringLiteral("Japanese"));
    QCOMPARE(res.FontName(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(res.FontSize(), short(9));
    QString name;
    int size = 0;
    QVERIFY(res.quietFont(&name, &size));
    QCOMPARE(name, QStringLiteral("DejaVu Sans"));
    QCOMPARE(size, 9);
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_CRes::languageWithoutFontRow()
{
    CRes &res = CRes::instance();
    res.setLanguage(QStringLiteral("Nowhere"));
    QCOMPARE(res.FontSize(), short(0));
    QCOMPARE(m_reporter->entries.size(), 1);
    QVERIFY(m_reporter->entries.first().text.contains("Nowhere"));
    m_reporter->clear();

    // FontName takes English for the rest of the run, without touching the setting.
    QCOMPARE(res.FontName(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(res.currentLanguage(), QStringLiteral("English"));
    QCOMPARE(GetSetting("Resource", "Language"), QStringLiteral("Nowhere"));
    QCOMPARE(res.Language(), QStringLiteral("Nowhere"));
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_CRes::createAndDeleteLanguage()
{
    CRes &res = CRes::instance();
    res.setLanguage(QStringLiteral("Japanese"));
    QString error;
    QVERIFY2(res.CreateLanguage(QStringLiteral("Esperanto"), &error), qPrintable(error));
    QVERIFY(hasColumn("Esperanto"));
    QCOMPARE(res.currentLanguage(), QStringLiteral("Japanese"));
    QStringList names;
    res.GetAllLanguageName(names);
    QCOMPARE(names.last(), QStringLiteral("Esperanto"));

    res.setLanguage(QStringLiteral("Esperanto"));
    QCOMPARE(res.ResString(8), QStringLiteral("OK"));
    QCOMPARE(res.ResString(174), QStringLiteral("Invalid password, please try again."));
    QCOMPARE(res.FontName(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(res.FontSize(), short(8));

    res.setLanguage(QStringLiteral("Japanese"));
    QVERIFY2(res.DeleteLanguage(QStringLiteral("Esperanto"), &error), qPrintable(error));
    QVERIFY(!hasColumn("Esperanto"));
    QCOMPARE(fontRows("Esperanto"), 0);
    QCOMPARE(res.currentLanguage(), QStringLiteral("Japanese"));
    QCOMPARE(GetSetting("Resource", "Language"), QStringLiteral("Japanese"));
    names.clear();
    res.GetAllLanguageName(names);
    QCOMPARE(names, (QStringList{"English", "Traditional Chinese", "Japanese"}));

    res.Refresh();
    QCOMPARE(res.ResString(9), QStringLiteral("キャンセル"));

    // A half language (Font row only, as a failed earlier delete could leave) can be removed.
    QVERIFY(exec("INSERT INTO Font (Language, Name, Size) VALUES ('Orphan', 'x', 1)"));
    QVERIFY2(res.DeleteLanguage(QStringLiteral("Orphan"), &error), qPrintable(error));
    QCOMPARE(fontRows("Orphan"), 0);
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_CRes::createRefusesExistingNames()
{
    CRes &res = CRes::instance();
    QString error;
    QVERIFY(!res.CreateLanguage(QStringLiteral("Japanese"), &error));
    QVERIFY(error.contains("Japanese"));
    // Only the letter case differs: SQLite refuses the second column, nothing is half added.
    error.clear();
    QVERIFY(!res.CreateLanguage(QStringLiteral("japanese"), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(fontRows("japanese"), 0);
    QVERIFY(!res.CreateLanguage(QStringLiteral("  "), &error));
    QVERIFY(!res.DeleteLanguage(QStringLiteral("English"), &error));
    QVERIFY(hasColumn("English"));
    QVERIFY(!res.DeleteLanguage(QStringLiteral("Nothing"), &error));
    QVERIFY(error.contains("Nothing"));

    QStringList names;
    res.GetAllLanguageName(names);
    QCOMPARE(names.size(), 3);
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_CRes::languageNameWithQuotes()
{
    CRes &res = CRes::instance();
    const QString name = QStringLiteral("Gaeilge (O'Neill's \"own\")");
    QString error;
    QVERIFY2(res.CreateLanguage(name, &error), qPrintable(error));
    QVERIFY(hasColumn(name));
    res.setLanguage(name);
    QCOMPARE(res.Language(), name);
    QCOMPARE(res.ResString(8), QStringLiteral("OK"));

    QVERIFY(exec(QStringLiteral(R"sql(UPDATE StringList SET "Gaeilge (O'Neill's ""own"")" = ? WHERE "Index" = 8)sql"),
                 {QStringLiteral("Ceart go leor")}));
    res.Refresh();
    QCOMPARE(res.currentLanguage(), name);
    QCOMPARE(res.ResString(8), QStringLiteral("Ceart go leor"));
    res.setFontName(QStringLiteral("DejaVu Serif"));
    res.setFontSize(11);
    QCOMPARE(res.FontName(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(res.FontSize(), short(11));

    res.setLanguage(QStringLiteral("English"));
    QVERIFY2(res.DeleteLanguage(name, &error), qPrintable(error));
    QVERIFY(!hasColumn(name));
    QCOMPARE(fontRows(name), 0);
    QVERIFY(m_reporter->entries.isEmpty());
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
    QVERIFY(model->setData(model->index(row, english), QStringLiteral("Okay")));
    QVERIFY(model->submitAll());

    QCOMPARE(res.ResString(8), QStringLiteral("OK"));
    res.Refresh();
    QCOMPARE(res.ResString(8), QStringLiteral("Okay"));
    // The model handed out stays usable after the refresh.
    QCOMPARE(res.StringRecordset(), model);
    QVERIFY(model->rowCount() > 150);

    // Adding a column while the model is open is not refused as "locked".
    QString error;
    QVERIFY2(res.CreateLanguage(QStringLiteral("Latin"), &error), qPrintable(error));
    QVERIFY(model->record().indexOf("Latin") >= 0);
    QVERIFY2(res.DeleteLanguage(QStringLiteral("Latin"), &error), qPrintable(error));
}

void tst_CRes::fontSettersPersist()
{
    {
        CRes &res = CRes::instance();
        res.setLanguage(QStringLiteral("Traditional Chinese"));
        res.setFontName(QStringLiteral("Noto Serif CJK TC"));
        res.setFontSize(12);
    }
    CRes::destroyInstance();
    CRes &res = CRes::instance();
    QCOMPARE(res.currentLanguage(), QStringLiteral("Traditional Chinese"));
    QCOMPARE(res.FontName(), QStringLiteral("Noto Serif CJK TC"));
    QCOMPARE(res.FontSize(), short(12));
    res.setLanguage(QStringLiteral("English"));
    QCOMPARE(res.FontName(), QStringLiteral("DejaVu Sans"));

    // Writing the font of a language that has no row is reported.
    res.setLanguage(QStringLiteral("Nowhere"));
    res.setFontSize(14);
    QCOMPARE(m_reporter->entries.size(), 1);
}


void tst_CRes::damagedStoreReportsOnceAndGivesDefaults()
{
    QFile file(Workspace::resMdb());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();

    CRes &res = CRes::instance();
    QVERIFY(!res.isOpen());
    QCOMPARE(m_reporter->entries.size(), 1);
    QVERIFY(m_reporter->entries.first().text.contains("Res.mdb"));
    QCOMPARE(res.ResString(8), QString());
    QCOMPARE(res.ResString(8, QStringLiteral("OK")), QStringLiteral("OK"));
    QVERIFY(!res.StringRecordset());
    QString error;
    QVERIFY(!res.CreateLanguage(QStringLiteral("Any"), &error));
    // The damaged file is left for the user to look at.
    QCOMPARE(QFileInfo(Workspace::resMdb()).size(), qint64(4096));
}

void tst_CRes::refreshFollowsWorkspace()
{
    CRes &res = CRes::instance();
    QVERIFY(exec(R"(UPDATE StringList SET English = 'First' WHERE "Index" = 8)"));
    res.Refresh();
    QCOMPARE(res.ResString(8), QStringLiteral("First"));

    const QString other = m_env->root() + QStringLiteral("/other");
    QVERIFY(QDir().mkpath(other));
    Workspace::setCurrent(other);
    res.Refresh();
    QCOMPARE(res.ConnString(), other + QStringLiteral("/Res.mdb"));
    QVERIFY(QFile::exists(other + QStringLiteral("/Res.mdb")));
    QCOMPARE(res.ResString(8), QStringLiteral("OK"));
    QVERIFY(m_reporter->entries.isEmpty());
}

QTEST_GUILESS_MAIN(tst_CRes)
#include "tst_cres.moc"
