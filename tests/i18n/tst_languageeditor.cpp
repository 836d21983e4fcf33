#include "CRes.h"
#include "GridColumnWidths.h"
#include "GuiStartupUi.h"
#include "ModalAnswer.h"
#include "RecordingReporter.h"
#include "ScopedLanguage.h"
#include "Settings.h"
#include "Startup.h"
#include "StringTableModel.h"
#include "TestEnv.h"
#include "frmLE_AddNewLanguage.h"
#include "frmLE_EditLanguageSettings.h"
#include "frmLE_Main.h"
#include "frmLE_SelectLanguage.h"
#include "frmPassword.h"
#include "frmWizard_SearchTerminal.h"

#include <QFontDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

// The language editor's four windows driven as a user would, over a real
// Res.mdb in a throw-away workspace.
class tst_LanguageEditor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void selectionRule_data();
    void selectionRule();
    void addAndDelete();
    void doubleClickApplies();
    void gridEditsReachTheStore();
    void gridColumnWidths();
    void fontDialogRestoresTheCurrentLanguage_data();
    void fontDialogRestoresTheCurrentLanguage();
    void firstStart_data();
    void firstStart();

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<RecordingReporter> m_reporter;
};

namespace {

template<typename T = QPushButton>
T *child(QWidget *window, const char *name)
{
    return window->findChild<T *>(QLatin1String(name));
}

void click(QWidget *window, const char *button)
{
    QTest::mouseClick(child(window, button), Qt::LeftButton);
}

// Press and release, then the second press that the system reports as a double-click.
void doubleClick(QListWidget *list, int row)
{
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
}

QString cellOf(int index, const QString &language)
{
    QSqlQuery query(QSqlDatabase::database(CRes::connectionName()));
    query.exec(u"SELECT \"%1\" FROM StringList WHERE \"Index\" = %2"_s.arg(language).arg(index));
    return query.next() ? (query.isNull(0) ? u"NULL"_s : query.value(0).toString()) : QString();
}

QString fontOf(const QString &language)
{
    ScopedLanguage scope(language);
    return u"%1/%2"_s.arg(CRes::instance().FontName()).arg(CRes::instance().FontSize());
}

}

void tst_LanguageEditor::init()
{
    m_env = std::make_unique<TestEnv>(false);
    m_reporter = std::make_unique<RecordingReporter>();
    CRes::instance().setLanguage(u"English"_s);
    QVERIFY(CRes::instance().CreateLanguage(u"Korean"_s));
}

void tst_LanguageEditor::cleanup()
{
    cancelModalAnswers();
    CRes::destroyInstance();
    m_reporter.reset();
    m_env.reset();
}

void tst_LanguageEditor::selectionRule_data()
{
    QTest::addColumn<QString>("selected");
    QTest::addColumn<bool>("edit");
    QTest::addColumn<bool>("remove");
    QTest::newRow("delivered") << "English" << false << false;
    QTest::newRow("delivered too") << "Traditional Chinese" << false << false;
    QTest::newRow("current language") << "Japanese" << true << false;
    QTest::newRow("another") << "Korean" << true << true;
}

void tst_LanguageEditor::selectionRule()
{
    QFETCH(QString, selected);
    QFETCH(bool, edit);
    QFETCH(bool, remove);
    CRes::instance().setLanguage(u"Japanese"_s);
    frmLE_Main editor;
    child<QListWidget>(&editor, "lstLanguage")->setCurrentRow(int(editor.languages().indexOf(selected)));
    QCOMPARE((QList<bool>{child(&editor, "cmdCtrl_0")->isEnabled(), child(&editor, "cmdCtrl_2")->isEnabled()}),
             (QList<bool>{edit, remove}));
}

void tst_LanguageEditor::addAndDelete()
{
    frmLE_Main editor;
    for (const QString &name : {u"japanese"_s, u"Thai"_s}) {
        whenModal<frmLE_AddNewLanguage>([name](frmLE_AddNewLanguage *dialog) {
            child<QLineEdit>(dialog, "txtName")->setText(name);
            click(dialog, "cmdCtrl_0");
        });
        click(&editor, "cmdCtrl_1");
    }
    // Only the letter case differs: not in the list, but the store refuses it.
    QCOMPARE(m_reporter->texts(), QStringList{u"The language japanese already exists"_s});
    QCOMPARE(editor.languages(), (QStringList{"English", "Traditional Chinese", "Japanese", "Korean", "Thai"}));
    QCOMPARE(editor.selectedLanguage(), u"Thai"_s);
    QCOMPARE(fontOf(u"Thai"_s), u"MS Sans Serif/8"_s);
    m_reporter->clear();

    // Deleting asks first: no, then yes.
    m_reporter->answers = {false, true};
    click(&editor, "cmdCtrl_2");
    QCOMPARE(editor.languages().size(), 5);
    click(&editor, "cmdCtrl_2");
    QCOMPARE(m_reporter->entries.size(), 2);
    QCOMPARE(m_reporter->entries.first().icon, MessageReporter::Icon::Question);
    QCOMPARE(editor.languages(), (QStringList{"English", "Traditional Chinese", "Japanese", "Korean"}));
    // The store read itself again: the name can come back.
    QVERIFY(CRes::instance().CreateLanguage(u"Thai"_s));
}

void tst_LanguageEditor::doubleClickApplies()
{
    frmLE_Main editor;
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    doubleClick(child<QListWidget>(&editor, "lstLanguage"), 2);
    QCOMPARE(editor.windowTitle(), cellOf(1, u"Japanese"_s));
    QVERIFY(!child(&editor, "cmdCtrl_2")->isEnabled());
}

void tst_LanguageEditor::gridEditsReachTheStore()
{
    frmLE_EditLanguageSettings window(u"Korean"_s);
    window.show();
    auto *grid = child<QTableView>(&window, "grdString");
    auto *model = qobject_cast<StringTableModel *>(grid->model());
    int row = -1;
    for (int r = 0; r < model->rowCount(); ++r)
        if (model->index(r, model->fieldIndex(u"Index"_s)).data().toInt() == 108)
            row = r;
    const QModelIndex english = model->index(row, model->englishColumn());
    const QModelIndex korean = model->index(row, model->editedColumn());
    // English, the fallback of every language, cannot be edited here.
    grid->setCurrentIndex(english);
    grid->edit(english);
    QVERIFY(!grid->findChild<QLineEdit *>());
    grid->setCurrentIndex(korean);
    grid->edit(korean);
    auto *editor = grid->findChild<QLineEdit *>();
    QVERIFY(editor);
    editor->insert(u"종료(&X)"_s);
    QTest::keyClick(editor, Qt::Key_Return);
    // Written as the editing leaves the row.
    grid->setCurrentIndex(model->index(row ? 0 : 1, model->editedColumn()));
    QCOMPARE(cellOf(108, u"Korean"_s), u"종료(&X)"_s);

    // A cleared cell goes back to NULL (English shows); written on Close. Too long is refused.
    QVERIFY(model->setData(korean, QString()));
    QVERIFY(!model->setData(korean, QString(256, QLatin1Char('y'))));
    click(&window, "cmdCtrl_1");
    QCOMPARE(cellOf(108, u"Korean"_s), u"NULL"_s);
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_LanguageEditor::gridColumnWidths()
{
    // A saved 0 would hide the English column: it keeps its designed width.
    const QString app = u"GridColWidth"_s;
    QVERIFY(Settings::SaveAppSetting(app, GridColumnWidths::section(), u"English"_s, u"0"_s));
    for (int round = 0; round < 2; ++round) {
        frmLE_EditLanguageSettings window(u"Korean"_s);
        auto *grid = child<QTableView>(&window, "grdString");
        auto *model = qobject_cast<StringTableModel *>(grid->model());
        QCOMPARE(grid->columnWidth(model->englishColumn()), 320);
        QCOMPARE(grid->columnWidth(model->editedColumn()), round ? 211 : 320);
        // The user drags the Korean column wider; the next window has it so.
        grid->horizontalHeader()->resizeSection(model->editedColumn(), 211);
    }
    QCOMPARE(Settings::GetAppSetting(app, GridColumnWidths::section(), u"Korean"_s), u"211"_s);
}

void tst_LanguageEditor::fontDialogRestoresTheCurrentLanguage_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("font");
    QTest::newRow("cancelled") << false << "MS Sans Serif/8";
    QTest::newRow("chosen") << true << "DejaVu Serif/14";
}

void tst_LanguageEditor::fontDialogRestoresTheCurrentLanguage()
{
    QFETCH(bool, accept);
    QFETCH(QString, font);
    CRes::instance().setLanguage(u"Japanese"_s);
    const QString japaneseFont = fontOf(u"Japanese"_s);
    frmLE_EditLanguageSettings window(u"Korean"_s);
    window.show();
    whenModal<QFontDialog>([&](QFontDialog *dialog) {
        dialog->setCurrentFont(QFont(u"DejaVu Serif"_s, 14));
        accept ? dialog->accept() : dialog->reject();
    });
    click(&window, "cmdCtrl_0");
    QCOMPARE((QStringList{CRes::instance().Language(), fontOf(u"Korean"_s), fontOf(u"Japanese"_s)}),
             (QStringList{u"Japanese"_s, font, japaneseFont}));
}

void tst_LanguageEditor::firstStart_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::newRow("closed") << false;
    QTest::newRow("confirmed by double-click") << true;
}

void tst_LanguageEditor::firstStart()
{
    QFETCH(bool, confirm);
    CRes::destroyInstance();
    const QString workspace = m_env->root() + u"/first"_s;
    whenModal<frmLE_SelectLanguage>([&](frmLE_SelectLanguage *dialog) {
        // Closed without a choice, the first start is still to come.
        if (confirm)
            doubleClick(child<QListWidget>(dialog, "lstLanguage"), 2);
        else
            dialog->reject();
    });
    // The search wizard and the password prompt, both cancelled: the first start is done all the same.
    whenModal<frmWizard_SearchTerminal>([](frmWizard_SearchTerminal *wizard) { wizard->reject(); });
    whenModal<frmPassword>([](frmPassword *prompt) { prompt->reject(); });
    GuiStartupUi ui;
    Startup startup(ui, m_env->root() + u"/tavrel.lock"_s);
    QCOMPARE(startup.run(workspace), Startup::Result::Cancelled);

    QCOMPARE(QFile::exists(workspace + u"/FirstLoad.txt"_s), !confirm);
    QCOMPARE((QStringList{GetSetting(u"Load"_s, u"First"_s), GetSetting(u"Resource"_s, u"Language"_s)}),
             (confirm ? QStringList{u"False"_s, u"Japanese"_s} : QStringList{QString(), u"English"_s}));
    QVERIFY(m_reporter->entries.isEmpty());
}

QTEST_MAIN(tst_LanguageEditor)
#include "tst_languageeditor.moc"
