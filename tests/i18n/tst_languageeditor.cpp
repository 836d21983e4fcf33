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
#include "Workspace.h"
#include "frmLE_AddNewLanguage.h"
#include "frmLE_EditLanguageSettings.h"
#include "frmLE_Main.h"
#include "frmLE_SelectLanguage.h"
#include "frmPassword.h"

#include <QFile>
#include <QFontDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QtTest>

#include <memory>

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
    void addRefusedBeforeTheStore_data();
    void addRefusedBeforeTheStore();
    void caseOnlyDifferenceRefusedByTheStore();
    void addSelectsTheNewLastEntry();
    void deleteAsksFirst();
    void applyChangesOpenWindowsAndMenus();
    void gridShowsEnglishAndTheEditedLanguage();
    void gridColumnWidths_data();
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

void click(QWidget *window, const QString &button)
{
    auto *b = window->findChild<QPushButton *>(button);
    QVERIFY2(b, qPrintable(button));
    QVERIFY2(b->isEnabled(), qPrintable(button));
    QTest::mouseClick(b, Qt::LeftButton);
}

QListWidget *languageList(QWidget *window)
{
    return window->findChild<QListWidget *>(QStringLiteral("lstLanguage"));
}

// Press and release, then the second press that the system reports as a double-click.
void doubleClick(QListWidget *list, int row)
{
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
}

void selectLanguage(frmLE_Main &editor, const QString &language)
{
    const QList<QListWidgetItem *> items = languageList(&editor)->findItems(language, Qt::MatchExactly);
    QCOMPARE(items.size(), 1);
    languageList(&editor)->setCurrentItem(items.first());
}

// Adds a language through the editor's Add button and name dialog.
void addThroughEditor(frmLE_Main &editor, const QString &name)
{
    whenModal<frmLE_AddNewLanguage>([name](frmLE_AddNewLanguage *dialog) {
        dialog->findChild<QLineEdit *>(QStringLiteral("txtName"))->setText(name);
        click(dialog, QStringLiteral("cmdCtrl_0"));
    });
    click(&editor, QStringLiteral("cmdCtrl_1"));
}

QVariant cellOf(int index, const QString &language)
{
    QSqlQuery query(QSqlDatabase::database(CRes::connectionName()));
    query.prepare(QStringLiteral("SELECT \"%1\" FROM StringList WHERE \"Index\" = ?").arg(language));
    query.addBindValue(index);
    if (!query.exec() || !query.next())
        return QStringLiteral("<no row>");
    return query.value(0);
}

bool hasColumn(const QString &language)
{
    return QSqlDatabase::database(CRes::connectionName()).record(QStringLiteral("StringList")).contains(language);
}

QString fontOf(const QString &language)
{
    ScopedLanguage scope(language);
    return QStringLiteral("%1/%2").arg(CRes::instance().FontName()).arg(CRes::instance().FontSize());
}

}

void tst_LanguageEditor::init()
{
    m_env = std::make_unique<TestEnv>(false);
    m_reporter = std::make_unique<RecordingReporter>();
    CRes::instance().setLanguage(QStringLiteral("English"));
}

void tst_LanguageEditor::cleanup()
{
    CRes::destroyInstance();
    m_reporter.reset();
    m_env.reset();
}

void tst_LanguageEditor::selectionRule_data()
{
    QTest::addColumn<QString>("selected");
    QTest::addColumn<bool>("edit");
    QTest::addColumn<bool>("remove");
    QTest::newRow("English") << "English" << false << false;
    QTest::newRow("Traditional Chinese") << "Traditional Chinese" << false << false;
    QTest::newRow("current language") << "Japanese" << true << false;
    QTest::newRow("another") << "Korean" << true << true;
}

void tst_LanguageEditor::selectionRule()
{
    QFETCH(QString, selected);
    QFETCH(bool, edit);
    QFETCH(bool, remove);
    QString error;
    QVERIFY2(CRes::instance().CreateLanguage(QStringLiteral("Korean"), &error), qPrintable(error));
    CRes::instance().setLanguage(QStringLiteral("Japanese"));

    frmLE_Main editor;
    QCOMPARE(languageList(&editor)->currentRow(), 0);
    QCOMPARE(editor.languages(),
             (QStringList{"English", "Traditional Chinese", "Japanese", "Korean"}));
    selectLanguage(editor, selected);
    QCOMPARE(editor.findChild<QPushButton *>(QStringLiteral("cmdCtrl_0"))->isEnabled(), edit);
    QCOMPARE(editor.findChild<QPushButton *>(QStringLiteral("cmdCtrl_2"))->isEnabled(), remove);
    // The editor took the current language's texts.
    QCOMPARE(editor.windowTitle(), CRes::instance().ResString(1));
    QVERIFY(editor.windowTitle() != QStringLiteral("Language Editor"));
}

void tst_LanguageEditor::addRefusedBeforeTheStore_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("icon");
    QTest::newRow("empty") << "" << "Please enter the name of the new language." << int(MessageReporter::Icon::Critical);
    QTest::newRow("blank") << "  " << "Please enter the name of the new language." << int(MessageReporter::Icon::Critical);
    QTest::newRow("exists") << "Japanese" << "Japanese already exists in the list of languages."
                            << int(MessageReporter::Icon::Exclamation);
}

void tst_LanguageEditor::addRefusedBeforeTheStore()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    QFETCH(int, icon);
    frmLE_AddNewLanguage dialog({QStringLiteral("English"), QStringLiteral("Japanese")});
    dialog.show();
    QVERIFY(!dialog.IsOK());
    QTest::keyClicks(dialog.findChild<QLineEdit *>(QStringLiteral("txtName")), name);
    click(&dialog, QStringLiteral("cmdCtrl_0"));
    QCOMPARE(m_reporter->texts(), QStringList{message});
    QCOMPARE(int(m_reporter->entries.first().icon), icon);
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.IsOK());
    QVERIFY(dialog.LanguageName().isEmpty());

    // Another name passes.
    dialog.findChild<QLineEdit *>(QStringLiteral("txtName"))->setText(QStringLiteral("Korean"));
    click(&dialog, QStringLiteral("cmdCtrl_0"));
    QVERIFY(dialog.IsOK());
    QCOMPARE(dialog.LanguageName(), QStringLiteral("Korean"));
    QVERIFY(!dialog.isVisible());
}

void tst_LanguageEditor::caseOnlyDifferenceRefusedByTheStore()
{
    frmLE_Main editor;
    addThroughEditor(editor, QStringLiteral("japanese"));
    QCOMPARE(m_reporter->entries.size(), 1);
    QVERIFY2(m_reporter->entries.first().text.contains(QStringLiteral("japanese")),
             qPrintable(m_reporter->entries.first().text));
    QCOMPARE(m_reporter->entries.first().icon, MessageReporter::Icon::Critical);
    QCOMPARE(editor.languages(), (QStringList{"English", "Traditional Chinese", "Japanese"}));
    QCOMPARE(languageList(&editor)->currentRow(), 2);
}

void tst_LanguageEditor::addSelectsTheNewLastEntry()
{
    frmLE_Main editor;
    addThroughEditor(editor, QStringLiteral("Korean"));
    QVERIFY(m_reporter->entries.isEmpty());
    QCOMPARE(editor.languages().last(), QStringLiteral("Korean"));
    QCOMPARE(editor.selectedLanguage(), QStringLiteral("Korean"));
    QCOMPARE(fontOf(QStringLiteral("Korean")), QStringLiteral("MS Sans Serif/8"));
    QCOMPARE(CRes::instance().Language(), QStringLiteral("English"));
    // Untranslated: the new language shows English until its cells are filled.
    QVERIFY(cellOf(100, QStringLiteral("Korean")).isNull());

    // Cancelling the name dialog adds nothing.
    whenModal<frmLE_AddNewLanguage>([](frmLE_AddNewLanguage *dialog) { click(dialog, QStringLiteral("cmdCtrl_1")); });
    click(&editor, QStringLiteral("cmdCtrl_1"));
    QCOMPARE(editor.languages().size(), 4);
}

void tst_LanguageEditor::deleteAsksFirst()
{
    QVERIFY(CRes::instance().CreateLanguage(QStringLiteral("Korean")));
    frmLE_Main editor;
    selectLanguage(editor, QStringLiteral("Korean"));
    m_reporter->answers = {false};
    click(&editor, QStringLiteral("cmdCtrl_2"));
    QCOMPARE(m_reporter->entries.size(), 1);
    QCOMPARE(m_reporter->entries.first().icon, MessageReporter::Icon::Question);
    QVERIFY(m_reporter->entries.first().text.contains(QStringLiteral("\"Korean\"")));
    QCOMPARE(editor.languages().size(), 4);

    m_reporter->answers = {true};
    click(&editor, QStringLiteral("cmdCtrl_2"));
    QCOMPARE(editor.languages(), (QStringList{"English", "Traditional Chinese", "Japanese"}));
    QCOMPARE(languageList(&editor)->currentRow(), 0);
    QVERIFY(!hasColumn(QStringLiteral("Korean")));
    // The store read itself again: the same name can come back.
    QVERIFY(CRes::instance().CreateLanguage(QStringLiteral("Korean")));
}

void tst_LanguageEditor::applyChangesOpenWindowsAndMenus()
{
    // A main window as the language code knows it, and another open window.
    QMainWindow main;
    auto *file = main.menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    QAction *exit = file->addAction(QStringLiteral("&Exit"));
    exit->setObjectName(QStringLiteral("mnuFiles_10"));
    main.show();
    frmPassword other;
    other.setWindowModality(Qt::NonModal);
    other.show();

    frmLE_Main editor(&main);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    selectLanguage(editor, QStringLiteral("Japanese"));
    QVERIFY(editor.findChild<QPushButton *>(QStringLiteral("cmdCtrl_2"))->isEnabled());
    doubleClick(languageList(&editor), languageList(&editor)->currentRow());

    CRes &res = CRes::instance();
    QCOMPARE(res.Language(), QStringLiteral("Japanese"));
    const QString japaneseExit = cellOf(108, QStringLiteral("Japanese")).toString();
    QVERIFY(!japaneseExit.isEmpty() && japaneseExit != QStringLiteral("&Exit"));
    QCOMPARE(exit->text(), japaneseExit);
    QCOMPARE(file->title(), cellOf(100, QStringLiteral("Japanese")).toString());
    QVERIFY(main.windowTitle().endsWith(QStringLiteral(" v%1.%2R%3").arg(TAVREL_VERSION_MAJOR)
                                            .arg(TAVREL_VERSION_MINOR).arg(TAVREL_VERSION_REVISION)));
    QCOMPARE(other.windowTitle(), cellOf(156, QStringLiteral("Japanese")).toString());
    QCOMPARE(editor.windowTitle(), cellOf(1, QStringLiteral("Japanese")).toString());
    QVERIFY(!editor.findChild<QPushButton *>(QStringLiteral("cmdCtrl_2"))->isEnabled());
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_LanguageEditor::gridShowsEnglishAndTheEditedLanguage()
{
    QVERIFY(CRes::instance().CreateLanguage(QStringLiteral("Korean")));
    {
        frmLE_EditLanguageSettings window(QStringLiteral("Korean"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *grid = window.findChild<QTableView *>(QStringLiteral("grdString"));
        auto *model = qobject_cast<StringTableModel *>(grid->model());
        QVERIFY(model);
        QStringList shown;
        for (int c = 0; c < model->columnCount(); ++c)
            if (!grid->isColumnHidden(c))
                shown << model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(shown, (QStringList{"English", "Korean"}));
        // Sorted by the English text.
        for (int r = 1; r < model->rowCount(); ++r)
            QVERIFY(model->index(r - 1, model->englishColumn()).data().toString()
                    <= model->index(r, model->englishColumn()).data().toString());
        QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("txtFontName"))->text(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("txtFontSize"))->text(), QStringLiteral("8"));

        int row = -1;
        for (int r = 0; r < model->rowCount() && row < 0; ++r)
            if (model->index(r, model->fieldIndex(QStringLiteral("Index"))).data().toInt() == 108)
                row = r;
        QVERIFY(row >= 0);
        const QModelIndex english = model->index(row, model->englishColumn());
        const QModelIndex korean = model->index(row, model->editedColumn());
        QVERIFY(!(model->flags(english) & Qt::ItemIsEditable));
        QVERIFY(model->flags(korean) & Qt::ItemIsEditable);
        grid->setCurrentIndex(english);
        QCOMPARE(window.findChild<QPlainTextEdit *>(QStringLiteral("txtString"))->toPlainText(), QStringLiteral("&Exit"));
        grid->edit(english);
        QVERIFY(!grid->indexWidget(english) && !grid->findChild<QLineEdit *>());

        grid->setCurrentIndex(korean);
        grid->edit(korean);
        auto *editor = grid->findChild<QLineEdit *>();
        QVERIFY(editor);
        editor->selectAll();
        editor->insert(QStringLiteral("종료(&X)"));
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(window.findChild<QPlainTextEdit *>(QStringLiteral("txtString"))->toPlainText(), QStringLiteral("&Exit"));
        // Written as the editing leaves the row.
        grid->setCurrentIndex(model->index(row == 0 ? 1 : 0, model->editedColumn()));
        QCOMPARE(cellOf(108, QStringLiteral("Korean")).toString(), QStringLiteral("종료(&X)"));

        // A cleared cell goes back to NULL, so that English shows again; written on Close.
        const QModelIndex other = model->index(row == 0 ? 1 : 0, model->editedColumn());
        const int otherNumber = model->index(other.row(), model->fieldIndex(QStringLiteral("Index"))).data().toInt();
        QVERIFY(model->setData(other, QStringLiteral("x")));
        QVERIFY(!model->setData(other, QString(256, QLatin1Char('y'))));
        QVERIFY(model->setData(other, QString()));
        click(&window, QStringLiteral("cmdCtrl_1"));
        QVERIFY(!window.isVisible());
        QVERIFY(cellOf(otherNumber, QStringLiteral("Korean")).isNull());
    }
    CRes::instance().Refresh();
    CRes::instance().setLanguage(QStringLiteral("Korean"));
    QCOMPARE(CRes::instance().ResString(108), QStringLiteral("종료(&X)"));
    QCOMPARE(CRes::instance().ResString(100), QStringLiteral("&File"));
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_LanguageEditor::gridColumnWidths_data()
{
    QTest::addColumn<QString>("saved");
    QTest::addColumn<int>("width");
    QTest::newRow("saved width") << "143" << 143;
    QTest::newRow("zero keeps the designed width") << "0" << 320;
    QTest::newRow("not a number") << "wide" << 320;
    QTest::newRow("none saved") << "" << 320;
}

void tst_LanguageEditor::gridColumnWidths()
{
    QFETCH(QString, saved);
    QFETCH(int, width);
    if (!saved.isEmpty())
        QVERIFY(Settings::SaveAppSetting(QStringLiteral("GridColWidth"), GridColumnWidths::section(),
                                         QStringLiteral("English"), saved));
    QVERIFY(CRes::instance().CreateLanguage(QStringLiteral("Korean")));
    {
        frmLE_EditLanguageSettings window(QStringLiteral("Korean"));
        auto *grid = window.findChild<QTableView *>(QStringLiteral("grdString"));
        auto *model = qobject_cast<StringTableModel *>(grid->model());
        QCOMPARE(grid->columnWidth(model->englishColumn()), width);
        // The user drags the Korean column wider.
        grid->horizontalHeader()->resizeSection(model->editedColumn(), 211);
    }
    QCOMPARE(Settings::GetAppSetting(QStringLiteral("GridColWidth"), GridColumnWidths::section(),
                                     QStringLiteral("Korean")),
             QStringLiteral("211"));
    QVERIFY(QFile::exists(Settings::filePath(QStringLiteral("GridColWidth"))));
    frmLE_EditLanguageSettings again(QStringLiteral("Korean"));
    auto *grid = again.findChild<QTableView *>(QStringLiteral("grdString"));
    QCOMPARE(grid->columnWidth(qobject_cast<StringTableModel *>(grid->model())->editedColumn()), 211);
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
    QVERIFY(CRes::instance().CreateLanguage(QStringLiteral("Korean")));
    CRes::instance().setLanguage(QStringLiteral("Japanese"));
    const QString japaneseFont = fontOf(QStringLiteral("Japanese"));
    frmLE_EditLanguageSettings window(QStringLiteral("Korean"));
    window.show();
    QString languageWhileOpen;
    int sizeOffered = 0;
    whenModal<QFontDialog>([&](QFontDialog *dialog) {
        languageWhileOpen = CRes::instance().currentLanguage();
        sizeOffered = dialog->currentFont().pointSize();
        if (!accept) {
            dialog->reject();
            return;
        }
        QFont chosen(QStringLiteral("DejaVu Serif"));
        chosen.setPointSize(14);
        dialog->setCurrentFont(chosen);
        dialog->accept();
    });
    click(&window, QStringLiteral("cmdCtrl_0"));
    QCOMPARE(languageWhileOpen, QStringLiteral("Korean"));
    QCOMPARE(sizeOffered, 8);
    QCOMPARE(CRes::instance().Language(), QStringLiteral("Japanese"));
    QCOMPARE(fontOf(QStringLiteral("Korean")), font);
    QCOMPARE(fontOf(QStringLiteral("Japanese")), japaneseFont);
    QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("txtFontName"))->text() + QLatin1Char('/')
                 + window.findChild<QLineEdit *>(QStringLiteral("txtFontSize"))->text(),
             font);
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
    QTemporaryDir lock;
    const QString workspace = m_env->root() + QStringLiteral("/first");
    QString shownTitle;
    QStringList listed;
    int selectedRow = -1;
    whenModal<frmLE_SelectLanguage>([&](frmLE_SelectLanguage *dialog) {
        shownTitle = dialog->windowTitle();
        QListWidget *list = languageList(dialog);
        for (int i = 0; i < list->count(); ++i)
            listed << list->item(i)->text();
        selectedRow = list->currentRow();
        if (!confirm) {
            dialog->reject();
            return;
        }
        doubleClick(list, 2);
        // Then the password prompt, cancelled: the first start is done all the same.
        whenModal<frmPassword>([](frmPassword *prompt) { prompt->reject(); });
    });
    GuiStartupUi ui;
    Startup startup(ui, lock.filePath(QStringLiteral("tavrel.lock")));
    QCOMPARE(startup.run(workspace), Startup::Result::Cancelled);

    QCOMPARE(shownTitle, QStringLiteral("Select Language"));
    QCOMPARE(listed, (QStringList{"English", "Traditional Chinese", "Japanese"}));
    QCOMPARE(selectedRow, 0);
    QCOMPARE(QFile::exists(workspace + QStringLiteral("/FirstLoad.txt")), !confirm);
    QCOMPARE(GetSetting(QStringLiteral("Load"), QStringLiteral("First")), confirm ? QStringLiteral("False") : QString());
    QCOMPARE(GetSetting(QStringLiteral("Resource"), QStringLiteral("Language")),
             confirm ? QStringLiteral("Japanese") : QStringLiteral("English"));
    QCOMPARE(GetSetting(QStringLiteral("Install"), QStringLiteral("Path")).isEmpty(), !confirm);
    QVERIFY(m_reporter->entries.isEmpty());
}

QTEST_MAIN(tst_LanguageEditor)
#include "tst_languageeditor.moc"
