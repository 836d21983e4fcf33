#include "CRes.h"
#include "KrMaintenance.h"
#include "ModalAnswer.h"
#include "PatrolDataView.h"
#include "PatrolFile.h"
#include "QtTranslations.h"
#include "RecordingReporter.h"
#include "ReportPreview.h"
#include "ScheduleView.h"
#include "Settings.h"
#include "TestEnv.h"
#include "Workspace.h"
#include "frmDownloadProcess.h"
#include "frmLE_AddNewLanguage.h"
#include "frmLE_EditLanguageSettings.h"
#include "frmLE_Main.h"
#include "frmMain.h"
#include "TerminalCommands.h"
#include "frmPassword.h"
#include "frmPassword_VX700Logon.h"
#include "frmTerminalConfiguration_VX.h"
#include "rptPatrolData.h"

#include <QAbstractButton>
#include <QAction>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFontComboBox>
#include <QFontDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTextDocument>
#include <QTreeWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

// Every window of the program, and Qt's own windows it opens, walked in a
// language other than English: no visible text (title, label, button, action,
// tab, header, tool tip, message) may hold an English word. Names of products
// and file types, codes and units are not words of a language.
class tst_LanguageWalk : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void noEnglishWordInAnyWindow_data();
    void noEnglishWordInAnyWindow();

private:
    void walk(QWidget *window, const QString &where);
    void walkAction(QAction *action, const QString &where, QSet<QMenu *> &seen);
    void check(const QString &text, const QString &where);

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<RecordingReporter> m_reporter;
    QMap<QString, QString> m_found; // text -> where it was seen first
    QStringList m_languages;
};

namespace {

// Product, company and model names, codes, units (the page set-up's) and file types.
const QSet<QString> kAllowed = {
    u"Tavrel"_s, u"Morvant"_s, u"OK"_s,  u"KR"_s,   u"VX"_s,    u"DK"_s,   u"COM"_s, u"USB"_s, u"PC"_s,
    u"ID"_s,     u"PDF"_s,     u"Web"_s, u"Linux"_s, u"dev"_s,  u"dialout"_s, u"https"_s, u"www"_s, u"com"_s,
    u"tvl"_s,    u"tag"_s,     u"tu"_s,  u"mdb"_s,  u"xlsx"_s, u"txt"_s,  u"pdf"_s, u"Copyright"_s, u"HTML"_s,
    u"mm"_s,     u"in"_s,      u"pt"_s,  u"pc"_s,   u"CC"_s,   u"DD"_s,
};

// Words: runs of ASCII letters, leaving out runs that hold digits (KR500A,
// COM1, F3) and single letters (the mnemonic of "開く(&O)").
QStringList englishWords(QString text)
{
    text.remove(u'&');
    QStringList words;
    static const QRegularExpression run(u"[A-Za-z0-9_]+"_s);
    for (auto it = run.globalMatch(text); it.hasNext();) {
        const QString token = it.next().captured();
        if (token.size() < 2 || token.contains(QRegularExpression(u"[0-9_]"_s)) || kAllowed.contains(token))
            continue;
        words << token;
    }
    return words;
}

void writeTvl(const QString &name)
{
    QFile f(QDir(Workspace::unapprovedFolder()).filePath(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    QVERIFY(WritePatrolLine(f, u"1,0000000001,2026/12/06,07:00:00"_s));
}

}

void tst_LanguageWalk::init()
{
    m_env = std::make_unique<TestEnv>();
    CRes::destroyInstance();
    m_reporter = std::make_unique<RecordingReporter>();
    m_found.clear();
    m_languages.clear();
}

void tst_LanguageWalk::cleanup()
{
    cancelModalAnswers();
    QtTranslations::use(u"English"_s);
    m_reporter.reset();
    CRes::destroyInstance();
    m_env.reset();
}

void tst_LanguageWalk::check(const QString &text, const QString &where)
{
    QString plain = text;
    if (Qt::mightBeRichText(plain)) {
        QTextDocument document;
        document.setHtml(plain);
        plain = document.toPlainText();
    }
    // A path is data, from its first slash to the end of its line.
    static const QRegularExpression path(u"/[^\\n]*"_s);
    // A language's name is the store's data (the language editor's columns).
    if (m_languages.contains(plain) || englishWords(QString(plain).remove(path)).isEmpty())
        return;
    if (!m_found.contains(plain))
        m_found.insert(plain, where);
}

void tst_LanguageWalk::walkAction(QAction *action, const QString &where, QSet<QMenu *> &seen)
{
    if (action->isSeparator() || !action->isVisible())
        return;
    check(action->text(), where + u"/action "_s + action->objectName());
    check(action->toolTip(), where + u"/tool tip of "_s + action->objectName());
    if (QMenu *menu = action->menu(); menu && !seen.contains(menu)) {
        seen.insert(menu);
        check(menu->title(), where + u"/menu "_s + menu->objectName());
        for (QAction *entry : menu->actions())
            walkAction(entry, where + u"/"_s + menu->objectName(), seen);
    }
}

void tst_LanguageWalk::walk(QWidget *window, const QString &where)
{
    QVERIFY2(window->isVisible(), qPrintable(where));
    check(window->windowTitle(), where + u"/title"_s);
    QSet<QMenu *> seen;
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    widgets.prepend(window);
    for (QWidget *w : std::as_const(widgets)) {
        const bool isMenu = qobject_cast<QMenu *>(w);
        if (!isMenu && !w->isVisibleTo(window) && w != window)
            continue;
        if (isMenu && qobject_cast<QMenu *>(w)->menuAction()->isVisible() == false)
            continue;
        const QString at = where + u"/"_s + (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                                           : w->objectName());
        check(w->toolTip(), at + u" tool tip"_s);
        for (QAction *action : w->actions())
            walkAction(action, at, seen);
        if (auto *label = qobject_cast<QLabel *>(w))
            check(label->text(), at);
        else if (auto *button = qobject_cast<QAbstractButton *>(w))
            check(button->text(), at);
        else if (auto *group = qobject_cast<QGroupBox *>(w))
            check(group->title(), at);
        else if (auto *edit = qobject_cast<QLineEdit *>(w))
            check(edit->placeholderText(), at + u" placeholder"_s);
        else if (auto *spin = qobject_cast<QSpinBox *>(w))
            check(spin->prefix() + u' ' + spin->suffix() + u' ' + spin->specialValueText(), at);
        else if (auto *menu = qobject_cast<QMenu *>(w))
            check(menu->title(), at);
        if (auto *tabs = qobject_cast<QTabBar *>(w)) {
            for (int i = 0; i < tabs->count(); ++i)
                check(tabs->tabText(i) + u' ' + tabs->tabToolTip(i), at + u" tab"_s);
        }
        // Combo boxes of choices the program or Qt names; paths, font
        // families and standard paper names (A4, Letter, ANSI C) are data.
        if (auto *combo = qobject_cast<QComboBox *>(w);
            combo && !qobject_cast<QFontComboBox *>(w) && w->objectName() != u"lookInCombo"_s
            && w->objectName() != u"pageSizeCombo"_s) {
            for (int i = 0; i < combo->count(); ++i)
                check(combo->itemText(i), at + u" entry"_s);
        }
        if (auto *header = qobject_cast<QHeaderView *>(w); header && header->model()) {
            for (int i = 0; i < header->count(); ++i)
                if (!header->isSectionHidden(i))
                    check(header->model()->headerData(i, header->orientation()).toString(), at + u" header"_s);
        }
        if (auto *tree = qobject_cast<QTreeWidget *>(w)) {
            for (int i = 0; i < tree->topLevelItemCount(); ++i)
                check(tree->topLevelItem(i)->text(0), at + u" root"_s);
        }
    }
    if (auto *main = qobject_cast<QMainWindow *>(window)) {
        for (QAction *action : main->menuBar()->actions())
            walkAction(action, where + u"/menu bar"_s, seen);
    }
}

void tst_LanguageWalk::noEnglishWordInAnyWindow_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("chosenInEditor");
    QTest::newRow("Japanese at start") << u"Japanese"_s << false;
    QTest::newRow("Traditional Chinese chosen in the editor") << u"Traditional Chinese"_s << true;
}

void tst_LanguageWalk::noEnglishWordInAnyWindow()
{
    QFETCH(QString, language);
    QFETCH(bool, chosenInEditor);
    writeTvl(u"20261206 070000.tvl"_s);
    if (!chosenInEditor)
        QVERIFY(SaveSetting(u"Resource"_s, u"Language"_s, language));

    frmMain main;
    main.show();
    QTreeWidget *tree = main.patrolView()->tree();
    const QList<QTreeWidgetItem *> file = tree->findItems(u"20261206 070000.tvl"_s, Qt::MatchRecursive);
    QVERIFY(!file.isEmpty());
    tree->setCurrentItem(file.first());
    QVERIFY(!main.patrolView()->CurrentFilePath().isEmpty());
    if (chosenInEditor) {
        whenModal<frmLE_Main>([&](frmLE_Main *editor) {
            auto *list = editor->findChild<QListWidget *>(u"lstLanguage"_s);
            list->setCurrentItem(list->findItems(language, Qt::MatchExactly).value(0));
            editor->findChild<QPushButton *>(u"cmdCtrl_3"_s)->click();
            editor->findChild<QPushButton *>(u"cmdCtrl_4"_s)->click();
        });
        main.action(u"mnuTools_0"_s)->trigger();
    }
    QCOMPARE(CRes::instance().Language(), language);
    CRes::instance().GetAllLanguageName(m_languages);

    for (int view = 0; view < 3; ++view) {
        main.SelectView(view);
        walk(&main, u"frmMain view %1"_s.arg(view));
    }
    main.scheduleView()->tabs()->setCurrentIndex(1);
    walk(&main, u"frmMain exceptions"_s);

    // The dialogs as the main window's commands open them.
    for (const char *command : {"mnuTools_0", "mnuTools_1", "mnuTools_3", "mnuTools_4", "mnuTools_6", "mnuHelps_4",
                                "mnuPopTagDefs_0", "mnuFiles_4"}) {
        whenModal<QDialog>([this, command](QDialog *dialog) {
            walk(dialog, QLatin1String(command) + u' ' + QLatin1String(dialog->metaObject()->className()));
            dialog->reject();
        });
        main.action(QLatin1String(command))->trigger();
    }
    // Dialogs that other dialogs or the start-up open.
    QAction download;
    QStringList languages;
    CRes::instance().GetAllLanguageName(languages);
    std::vector<std::unique_ptr<QWidget>> dialogs;
    dialogs.emplace_back(new frmTerminalConfiguration_VX(main.terminal().gs(), main.terminal().wm(), download, &main));
    dialogs.emplace_back(new frmPassword(&main));
    dialogs.emplace_back(new frmPassword_VX700Logon(&main));
    dialogs.emplace_back(new frmLE_EditLanguageSettings(language, &main));
    dialogs.emplace_back(new frmLE_AddNewLanguage(languages, &main));
    dialogs.emplace_back(new frmDownloadProcess(main.terminal().gs(), main.terminal().wm(), 0, &main));
    for (const auto &dialog : dialogs) {
        dialog->show();
        walk(dialog.get(), QString::fromLatin1(dialog->metaObject()->className()));
        dialog->hide();
    }
    dialogs.clear();

    // Qt's own windows as the program opens them.
    auto report = std::make_shared<rptPatrolData>();
    report->SetupPatrolDataReport();
    QPrintPreviewDialog *preview = ReportPreview::show(report, &main);
    walk(preview, u"report preview"_s);
    preview->close();

    QMessageBox box(QMessageBox::Question, u"Tavrel"_s, CRes::instance().ResString(169),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok | QMessageBox::Cancel, &main);
    box.show();
    walk(&box, u"message box"_s);

    QPrinter printer;
    QPrintDialog print(&printer, &main);
    print.show();
    walk(&print, u"print dialog"_s);
    QPageSetupDialog pageSetup(&printer, &main);
    pageSetup.show();
    walk(&pageSetup, u"page set-up"_s);

    QFontDialog font(&main);
    font.setOption(QFontDialog::DontUseNativeDialog);
    font.show();
    walk(&font, u"font dialog"_s);
    QColorDialog colour(&main);
    colour.setOption(QColorDialog::DontUseNativeDialog);
    colour.show();
    walk(&colour, u"colour dialog"_s);

    // Messages the program shows, here an overflowing machine number.
    KrMaintenance(main.terminal().gs()).run(KrMaintenance::SetMachineId, {u"COM1"_s, u"1"_s, {}, u"FFFFF"_s});
    QVERIFY(!m_reporter->entries.isEmpty());
    for (const RecordingReporter::Entry &entry : std::as_const(m_reporter->entries))
        check(entry.text, u"message"_s);

    for (auto it = m_found.cbegin(); it != m_found.cend(); ++it)
        qInfo().noquote() << it.value() + u": \""_s + it.key() + u'"';
    QVERIFY2(m_found.isEmpty(), "the texts above hold English words");
}

QTEST_MAIN(tst_LanguageWalk)
#include "tst_languagewalk.moc"
