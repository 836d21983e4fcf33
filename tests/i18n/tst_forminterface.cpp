#include "CRes.h"
#include "MainFormInterface.h"
#include "QtTranslations.h"
#include "RecordingReporter.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "Workspace.h"
#include "frmPassword.h"
#include "frmPasswordChange.h"
#include "ucOutlookBar.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

// A main window with the hooks the language walk calls back.
class TestMainWindow : public QMainWindow
{
    Q_OBJECT
public:
    using QMainWindow::QMainWindow;
    Q_INVOKABLE void Initial_lvwTagDef() { calls << u"lvwTagDef"_s; }
    Q_INVOKABLE void Initial_tvwPatrolData() { calls << u"tvwPatrolData"_s; }
    Q_INVOKABLE void Initial_lvwPatrolData() { calls << u"lvwPatrolData"_s; }
    QStringList calls;
};

class tst_FormInterface : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void textsAndFontsOfEveryControlKind();
    void japaneseAndBackToEnglish();
    void applyToOpenWindows();
    void unreadableStoreKeepsDesignedTexts();
    void passwordDialogsInShippedLanguages_data();
    void passwordDialogsInShippedLanguages();
    void qtWindowsFollowTheLanguage_data();
    void qtWindowsFollowTheLanguage();

private:
    struct Window
    {
        std::unique_ptr<TestMainWindow> main;
        QMenu *file, *dropDown;
        QAction *open, *download, *keep, *entryApprove;
        QLabel *lblTitle, *lblPrefix, *lblBig, *lblBig0;
        QPushButton *ok, *zeroButton, *prefixButton;
        QGroupBox *group;
        QTabWidget *tabs;
        QTableView *grid;
        QLineEdit *edit;
        ucOutlookBar *bar;
        QLabel *childLabel;
    };
    static Window buildWindow();
    // Every text, tool tip and font of the window, for comparing two applications.
    static QStringList snapshot(QWidget *window);

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<RecordingReporter> m_reporter;
};

// Names and tags an object the way a designed form does.
template <typename T>
static T *tagged(T *object, const char *name, const char *tag)
{
    if (name)
        object->setObjectName(QLatin1String(name));
    if (tag)
        object->setProperty("tag", QLatin1String(tag));
    return object;
}

tst_FormInterface::Window tst_FormInterface::buildWindow()
{
    Window w;
    w.main = std::make_unique<TestMainWindow>();
    QMainWindow *m = tagged(w.main.get(), nullptr, "1");
    m->setWindowTitle(u"Designed title"_s);

    w.file = tagged(m->menuBar()->addMenu(u"File"_s), "mnuFile", "100");
    w.open = tagged(w.file->addAction(u"Open"_s), nullptr, "101");

    QToolBar *toolbar = tagged(m->addToolBar(u"Files"_s), "Toolbar2", nullptr);
    w.download = tagged(toolbar->addAction(u"download"_s), nullptr, "196");
    w.keep = tagged(toolbar->addAction(u"keep"_s), nullptr, "keep");
    w.keep->setToolTip(u"Designed keep tip"_s);
    QAction *approve = toolbar->addAction(u"approve"_s);
    w.dropDown = new QMenu(m);
    w.entryApprove = tagged(w.dropDown->addAction(u"approve"_s), nullptr, "199");
    auto *approveButton = qobject_cast<QToolButton *>(toolbar->widgetForAction(approve));
    approveButton->setMenu(w.dropDown);
    approveButton->setPopupMode(QToolButton::MenuButtonPopup);

    auto *central = tagged(new QWidget(m), "central", nullptr);
    m->setCentralWidget(central);
    auto *layout = new QVBoxLayout(central);
    const auto add = [&](auto *widget, const char *name, const char *tag) {
        layout->addWidget(widget);
        return tagged(widget, name, tag);
    };
    const auto label = [&](const char *name, const char *tag) {
        return add(new QLabel(u"Designed "_s + QLatin1String(name), central), name, tag);
    };
    w.lblTitle = label("lblTitle", "157");
    w.lblPrefix = label("lblPrefix", "9x");
    QFont big = w.main->font();
    big.setPointSize(14);
    w.lblBig = label("lblBig", "UseDefault");
    w.lblBig0 = label("lblBig0", "UseDefault0");
    w.lblBig->setFont(big);
    w.lblBig0->setFont(big);

    const auto button = [&](const char *name, const char *tag) {
        return add(new QPushButton(u"Designed "_s + QLatin1String(name), central), name, tag);
    };
    w.ok = button("cmdOK", "8");
    w.zeroButton = button("cmdZero", "0");
    w.prefixButton = button("cmdPrefix", "9x");
    w.prefixButton->setFont(big);
    w.group = add(new QGroupBox(u"Designed group"_s, central), "fraFont", "21");
    w.tabs = add(new QTabWidget(central), "tabs", nullptr);
    w.tabs->addTab(tagged(new QWidget, "pageAuto", "173"), u"Designed tab"_s);
    w.grid = add(new QTableView(central), "grdString", "11");
    w.edit = add(new QLineEdit(u"typed"_s, central), "txtPassword", "157");
    add(new QTreeWidget(central), "lvwTagDef", nullptr);
    w.bar = add(new ucOutlookBar(central), "vm", nullptr);

    // A dialog owned by the window is a window of its own: the walk leaves it.
    auto *child = new QDialog(m);
    w.childLabel = tagged(new QLabel(u"Designed child"_s, child), "lblChild", "8");
    return w;
}

QStringList tst_FormInterface::snapshot(QWidget *window)
{
    QStringList out;
    out << window->windowTitle() << window->font().toString();
    for (QObject *object : window->findChildren<QObject *>()) {
        QString line = object->objectName() + QLatin1Char('|');
        if (auto *widget = qobject_cast<QWidget *>(object))
            line += widget->font().toString() + QLatin1Char('|') + widget->property("text").toString()
                + widget->property("title").toString() + widget->windowTitle();
        if (auto *action = qobject_cast<QAction *>(object))
            line += action->text() + QLatin1Char('|') + action->toolTip();
        out << line;
    }
    // Sorted: Qt may reorder its internal children between two walks.
    out.sort();
    return out;
}

void tst_FormInterface::init()
{
    m_env = std::make_unique<TestEnv>(false);
    m_reporter = std::make_unique<RecordingReporter>();
}

void tst_FormInterface::cleanup()
{
    CRes::destroyInstance();
    m_reporter.reset();
    m_env.reset();
}

void tst_FormInterface::textsAndFontsOfEveryControlKind()
{
    Window w = buildWindow();
    CRes::instance().SetFormInterface(w.main.get());

    QCOMPARE(w.main->windowTitle(), u"Language Editor"_s);

    // Menus and their entries: numeric tags only.
    QCOMPARE((QStringList{w.file->title(), w.open->text()}), (QStringList{u"&File"_s, u"&Open..."_s}));

    // Toolbar: tool tips from the button tags, drop-down entries from theirs.
    QCOMPARE((QStringList{w.download->toolTip(), w.download->text(), w.keep->toolTip()}),
             (QStringList{u"Download terminal's data"_s, u"download"_s, u"Designed keep tip"_s}));
    QCOMPARE(w.entryApprove->text(), u"&Approve selected file"_s);

    // Labels take whole numbers only; other controls the number the tag starts with, when
    // above 0; a text box keeps what was typed.
    QCOMPARE((QStringList{w.lblTitle->text(), w.lblPrefix->text(), w.ok->text(), w.zeroButton->text(),
                          w.prefixButton->text(), w.edit->text()}),
             (QStringList{u"&Password:"_s, u"Designed lblPrefix"_s, u"OK"_s, u"Designed cmdZero"_s, u"Cancel"_s,
                          u"typed"_s}));
    QCOMPARE((QStringList{w.group->title(), w.tabs->tabText(0), w.grid->windowTitle()}),
             (QStringList{u"Font"_s, u"Auto-download"_s, u"String Table"_s}));

    // Fonts: UseDefault keeps the size, UseDefault0 takes the language's, the rest follow the window.
    QCOMPARE(w.lblBig->font().family(), u"DejaVu Sans"_s);
    QCOMPARE((QList<int>{w.lblBig->font().pointSize(), w.lblBig0->font().pointSize(), w.prefixButton->font().pointSize()}),
             (QList<int>{14, 9, 9}));

    // The tag list gets its headers rebuilt.
    QCOMPARE(w.main->calls, QStringList{u"lvwTagDef"_s});

    QCOMPARE(w.childLabel->text(), u"Designed child"_s);
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_FormInterface::japaneseAndBackToEnglish()
{
    Window w = buildWindow();
    CRes &res = CRes::instance();
    res.SetFormInterface(w.main.get());
    const QStringList english = snapshot(w.main.get());
    res.setLanguage(u"Japanese"_s);
    res.SetFormInterface(w.main.get());
    // The navigation bar's captions and the drop-down menus take the window font.
    QCOMPARE((QStringList{w.main->windowTitle(), w.main->font().family(), w.download->toolTip(),
                          w.dropDown->font().family(), w.bar->findChild<QLabel *>(u"lblShortCut"_s)->font().family()}),
             (QStringList{u"言語エディター"_s, u"Noto Sans CJK JP"_s, u"端末のデータをダウンロード"_s,
                          u"Noto Sans CJK JP"_s, u"Noto Sans CJK JP"_s}));
    QCOMPARE(w.main->font().pointSize(), 10);

    // Back to English gives what the first English application gave.
    res.setLanguage(u"English"_s);
    res.SetFormInterface(w.main.get());
    QCOMPARE(snapshot(w.main.get()), english);
}

void tst_FormInterface::applyToOpenWindows()
{
    Window w = buildWindow();
    tagged(w.open, "mnuFiles_0", nullptr);
    CRes::instance().setLanguage(u"Traditional Chinese"_s);
    CRes::instance().RefreshCurrentForms();
    SetMainFormInterface(w.main.get());
    // The owned dialog is a loaded window of its own.
    QCOMPARE((QStringList{w.childLabel->text(), w.file->title(), w.open->text(), w.bar->MenuCaption(),
                          w.bar->GetMenuItemCaption(1)}),
             (QStringList{u"確定"_s, u"檔案(&F)"_s, u"開啟(&O)..."_s, u"捷徑"_s, u"標籤定義"_s}));
    QCOMPARE(w.main->calls, (QStringList{"lvwTagDef", "tvwPatrolData", "lvwPatrolData"}));
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_FormInterface::unreadableStoreKeepsDesignedTexts()
{
    QVERIFY(writeTestFile(Workspace::resMdb(), QByteArray(4096, 'x')));
    Window w = buildWindow();
    CRes::instance().SetFormInterface(w.main.get());
    SetMainFormInterface(w.main.get());
    QCOMPARE((QStringList{w.lblTitle->text(), w.file->title()}), (QStringList{u"Designed lblTitle"_s, u"File"_s}));
    QVERIFY(w.main->windowTitle().startsWith(QLatin1String("Tavrel v")));
}

void tst_FormInterface::passwordDialogsInShippedLanguages_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("face");
    QTest::newRow("Traditional Chinese") << "Traditional Chinese" << "Noto Sans CJK TC";
    QTest::newRow("Japanese") << "Japanese" << "Noto Sans CJK JP";
}

// The numbered texts of both password dialogs fit their widgets and are drawn in the language's face.
void tst_FormInterface::passwordDialogsInShippedLanguages()
{
    QFETCH(QString, language);
    QFETCH(QString, face);
    CRes &res = CRes::instance();
    res.setLanguage(language);
    frmPassword password;
    frmPasswordChange change;
    using Texts = QList<std::pair<const char *, int>>;
    const QList<std::pair<QDialog *, Texts>> dialogs{
        {&password, {{"lblPassword", 157}, {"cmdCtrl_0", 8}, {"cmdCtrl_1", 9}}},
        {&change, {{"lblPassword", 96}, {"lblConfirm", 97}, {"cmdCtrl_0", 8}, {"cmdCtrl_1", 9}}}};
    for (const auto &[dialog, texts] : dialogs) {
        res.SetFormInterface(dialog);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        for (const auto &[name, number] : texts) {
            auto *widget = dialog->findChild<QWidget *>(QLatin1String(name));
            QVERIFY(widget);
            QString shown = widget->property("text").toString();
            QCOMPARE(shown, res.ResString(number));
            shown.remove(QLatin1Char('&'));
            const int needed = QFontMetrics(widget->font()).horizontalAdvance(shown);
            QVERIFY2(needed <= widget->contentsRect().width(), qPrintable(shown));
            QCOMPARE(widget->font().family(), face);
        }
    }
    QVERIFY(m_reporter->entries.isEmpty());
}

// Qt's own windows take the catalogue of the language's locale; a language
// without one (or unknown, or English) leaves them English, also after
// another language had one.
void tst_FormInterface::qtWindowsFollowTheLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("cancel");
    QTest::newRow("Japanese") << u"Japanese"_s << u"ja_JP"_s << u"キャンセル"_s;
    QTest::newRow("Traditional Chinese") << u"Traditional Chinese"_s << u"zh_TW"_s << u"取消"_s;
    QTest::newRow("native Traditional Chinese") << u"繁體中文"_s << u"zh_TW"_s << u"取消"_s;
    QTest::newRow("Simplified Chinese") << u"Simplified Chinese"_s << u"zh_CN"_s << u"取消"_s;
    QTest::newRow("native German") << u"Deutsch"_s << u"de_DE"_s << u"Abbrechen"_s;
    QTest::newRow("locale code") << u"pt_BR"_s << u"pt_BR"_s << u"Cancelar"_s;
    QTest::newRow("no catalogue") << u"Thai"_s << QString() << u"Cancel"_s;
    QTest::newRow("unknown") << u"Elvish"_s << QString() << u"Cancel"_s;
    QTest::newRow("English") << u"English"_s << QString() << u"Cancel"_s;
}

void tst_FormInterface::qtWindowsFollowTheLanguage()
{
    QFETCH(QString, language);
    QFETCH(QString, locale);
    QFETCH(QString, cancel);
    QVERIFY(QtTranslations::use(u"Korean"_s));
    QCOMPARE(QtTranslations::use(language), !locale.isEmpty());
    QCOMPARE(QtTranslations::current(), locale);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), cancel);
    QtTranslations::use(u"English"_s);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), u"Cancel"_s);
}

QTEST_MAIN(tst_FormInterface)
#include "tst_forminterface.moc"
