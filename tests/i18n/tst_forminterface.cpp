#include "CRes.h"
#include "MainFormInterface.h"
#include "RecordingReporter.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "Workspace.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QHeaderView>
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

// Stands in for the navigation bar: records what the language walk hands it.
class ucOutlookBar : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString MenuCaption READ MenuCaption WRITE setMenuCaption)
public:
    using QWidget::QWidget;
    QString MenuCaption() const { return m_caption; }
    void setMenuCaption(const QString &caption) { m_caption = caption; }
    Q_INVOKABLE void SetFont(const QFont &font) { m_font = font; ++m_fontCalls; }
    Q_INVOKABLE void SetMenuItemCaption(short index, const QString &caption) { m_items[index] = caption; }

    QString m_caption;
    QFont m_font;
    int m_fontCalls = 0;
    QMap<int, QString> m_items;
};

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
    void japaneseAndTwiceEqualsOnce();
    void mainFormTexts();
    void refreshReachesEveryWindow();
    void unreadableStoreKeepsDesignedTexts();

private:
    struct Window
    {
        std::unique_ptr<TestMainWindow> main;
        QMenu *file, *dropDown;
        QAction *open, *untagged, *zero, *download, *keep, *approve, *entryApprove, *entryAll, *entryWord;
        QLabel *lblTitle, *lblPlain, *lblZero, *lblWord, *lblPrefix, *lblBig, *lblBig0, *lblBold;
        QPushButton *ok, *zeroButton, *prefixButton;
        QCheckBox *check;
        QGroupBox *group;
        QTabWidget *tabs;
        QTableView *grid;
        QLineEdit *edit;
        ucOutlookBar *bar;
        QDialog *child;
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
    w.untagged = w.file->addAction(u"Keep me"_s);
    w.zero = tagged(w.file->addAction(u"Zero"_s), nullptr, "0");

    QToolBar *toolbar = tagged(m->addToolBar(u"Files"_s), "Toolbar2", nullptr);
    w.download = tagged(toolbar->addAction(u"download"_s), nullptr, "196");
    w.download->setToolTip(u"Designed download tip"_s);
    w.keep = tagged(toolbar->addAction(u"keep"_s), nullptr, "keep");
    w.keep->setToolTip(u"Designed keep tip"_s);
    w.approve = tagged(toolbar->addAction(u"approve"_s), nullptr, "198");
    w.dropDown = new QMenu(m);
    w.entryApprove = tagged(w.dropDown->addAction(u"approve"_s), nullptr, "199");
    w.entryAll = tagged(w.dropDown->addAction(u"approveall"_s), nullptr, "207");
    w.entryWord = tagged(w.dropDown->addAction(u"Designed entry"_s), nullptr, "approveall");
    auto *approveButton = qobject_cast<QToolButton *>(toolbar->widgetForAction(w.approve));
    approveButton->setMenu(w.dropDown);
    approveButton->setPopupMode(QToolButton::MenuButtonPopup);

    auto *central = tagged(new QWidget(m), "central", nullptr);
    m->setCentralWidget(central);
    auto *layout = new QVBoxLayout(central);
    const auto add = [&](auto *widget, const char *name, const char *tag) {
        layout->addWidget(widget);
        return tagged(widget, name, tag);
    };
    const auto label = [&](const char *name, const char *tag, const char *text) {
        return add(new QLabel(QLatin1String(text), central), name, tag);
    };
    w.lblTitle = label("lblTitle", "157", "Designed 157");
    w.lblPlain = label("lblPlain", "", "Designed plain");
    w.lblZero = label("lblZero", "0", "Designed zero");
    w.lblWord = label("lblWord", "abc", "Designed word");
    w.lblPrefix = label("lblPrefix", "9x", "Designed prefix");
    QFont big = w.main->font();
    big.setPointSize(14);
    big.setBold(true);
    w.lblBig = label("lblBig", "UseDefault", "Designed big");
    w.lblBig0 = label("lblBig0", "UseDefault0", "Designed big0");
    w.lblBold = label("lblBold", nullptr, "Designed bold");
    for (QLabel *l : {w.lblBig, w.lblBig0, w.lblBold})
        l->setFont(big);

    const auto button = [&](const char *name, const char *tag) {
        return add(new QPushButton(u"Designed "_s + QLatin1String(name), central), name, tag);
    };
    w.ok = button("cmdOK", "8");
    w.zeroButton = button("cmdZero", "0");
    w.prefixButton = button("cmdPrefix", "9x");
    w.check = add(new QCheckBox(u"Designed check"_s, central), "chkClearData", nullptr);
    w.check->setProperty("tag", 186);
    w.group = add(new QGroupBox(u"Designed group"_s, central), "fraFont", "21");
    w.tabs = add(new QTabWidget(central), "tabs", nullptr);
    w.tabs->addTab(tagged(new QWidget, "pageAuto", "173"), u"Designed tab"_s);
    w.grid = add(new QTableView(central), "grdString", "11");
    w.edit = add(new QLineEdit(u"typed"_s, central), "txtPassword", "157");
    add(new QTreeWidget(central), "lvwTagDef", nullptr);
    w.bar = add(new ucOutlookBar(central), "vm", nullptr);

    // A dialog owned by the window is a window of its own: the walk leaves it.
    w.child = new QDialog(m);
    w.childLabel = tagged(new QLabel(u"Designed child"_s, w.child), "lblChild", "8");
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
    QCOMPARE(w.main->font().family(), u"DejaVu Sans"_s);
    QCOMPARE(w.main->font().pointSize(), 9);

    // Menus: numeric tags only; "0" empties.
    QCOMPARE((QStringList{w.file->title(), w.open->text(), w.untagged->text(), w.zero->text()}),
             (QStringList{u"&File"_s, u"&Open..."_s, u"Keep me"_s, QString()}));
    QCOMPARE(w.file->font().family(), u"DejaVu Sans"_s);

    // Toolbar: tool tips from the button tags, drop-down entries from theirs.
    QCOMPARE((QStringList{w.download->toolTip(), w.download->text(), w.keep->toolTip(), w.approve->toolTip()}),
             (QStringList{u"Download terminal's data"_s, u"download"_s, u"Designed keep tip"_s, u"Approve selected file"_s}));
    QCOMPARE((QStringList{w.entryApprove->text(), w.entryAll->text(), w.entryWord->text()}),
             (QStringList{u"&Approve selected file"_s, u"Approve A&ll"_s, u"Designed entry"_s}));

    // Labels: whole numbers only; empty and words keep the design.
    QCOMPARE((QStringList{w.lblTitle->text(), w.lblPlain->text(), w.lblZero->text(), w.lblWord->text(), w.lblPrefix->text()}),
             (QStringList{u"&Password:"_s, u"Designed plain"_s, QString(), u"Designed word"_s, u"Designed prefix"_s}));

    // Other controls: the number the tag starts with, when above 0.
    QCOMPARE((QStringList{w.ok->text(), w.zeroButton->text(), w.prefixButton->text(), w.check->text()}),
             (QStringList{u"OK"_s, u"Designed cmdZero"_s, u"Cancel"_s, u"clearing the data of terminal."_s}));
    QCOMPARE((QStringList{w.group->title(), w.tabs->tabText(0), w.edit->text(), w.grid->windowTitle()}),
             (QStringList{u"Font"_s, u"Auto-download"_s, u"typed"_s, u"String Table"_s}));
    QCOMPARE(w.grid->horizontalHeader()->font().family(), u"DejaVu Sans"_s);

    // Fonts: UseDefault keeps size and style, UseDefault0 keeps style, the rest follow the window.
    QCOMPARE(w.lblBig->font().family(), u"DejaVu Sans"_s);
    QCOMPARE((QList<int>{w.lblBig->font().pointSize(), w.lblBig0->font().pointSize(), w.lblBold->font().pointSize()}),
             (QList<int>{14, 9, 9}));
    QCOMPARE((QList<bool>{w.lblBig->font().bold(), w.lblBig0->font().bold(), w.lblBold->font().bold()}),
             (QList<bool>{true, true, false}));
    QCOMPARE(w.ok->font(), w.main->font());

    // Call-backs: the bar gets the window font, the tag list its headers.
    QCOMPARE(w.bar->m_fontCalls, 1);
    QCOMPARE(w.bar->m_font, w.main->font());
    QCOMPARE(w.main->calls, QStringList{u"lvwTagDef"_s});

    QCOMPARE(w.childLabel->text(), u"Designed child"_s);
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_FormInterface::japaneseAndTwiceEqualsOnce()
{
    Window w = buildWindow();
    CRes &res = CRes::instance();
    res.SetFormInterface(w.main.get());
    res.setLanguage(u"Japanese"_s);
    res.SetFormInterface(w.main.get());

    QCOMPARE((QStringList{w.main->windowTitle(), w.main->font().family(), w.file->title(), w.download->toolTip(),
                          w.dropDown->font().family()}),
             (QStringList{u"言語エディター"_s, u"Noto Sans CJK JP"_s, u"ファイル(&F)"_s, u"端末のデータをダウンロード"_s,
                          u"Noto Sans CJK JP"_s}));
    QCOMPARE(w.main->font().pointSize(), 10);

    const QStringList once = snapshot(w.main.get());
    res.SetFormInterface(w.main.get());
    QCOMPARE(snapshot(w.main.get()), once);

    // Back to English gives what a first English application gave.
    Window fresh = buildWindow();
    res.setLanguage(u"English"_s);
    res.SetFormInterface(fresh.main.get());
    res.SetFormInterface(w.main.get());
    // Qt may order its internal children differently; compare as sets.
    QStringList english = snapshot(w.main.get()), freshEnglish = snapshot(fresh.main.get());
    english.sort();
    freshEnglish.sort();
    QCOMPARE(english, freshEnglish);
}

void tst_FormInterface::mainFormTexts()
{
    Window w = buildWindow();
    TestMainWindow *m = w.main.get();
    QMenu *view = tagged(m->menuBar()->addMenu(u"View"_s), "mnuView", nullptr);
    QAction *exit = tagged(w.file->addAction(u"Exit"_s), "mnuFiles_10", nullptr);
    tagged(w.open, "mnuFiles_0", nullptr);
    auto *lbl0 = tagged(new QLabel(m->centralWidget()), "lbl_0", nullptr);
    // The tray menu has no parent window.
    auto tray = std::make_unique<QMenu>();
    tagged(tray.get(), "mnuSystray", nullptr);
    QAction *restore = tagged(tray->addAction(u"Restore"_s), "mnuSystrays_0", nullptr);
    QAction *trayExit = tagged(tray->addAction(u"Exit"_s), "mnuSystrays_5", nullptr);

    CRes::instance().setLanguage(u"Traditional Chinese"_s);
    SetMainFormInterface(m);
    QCOMPARE((QStringList{w.file->title(), view->title(), w.open->text(), exit->text(), lbl0->text(), restore->text(),
                          trayExit->text()}),
             (QStringList{u"檔案(&F)"_s, u"檢視(&V)"_s, u"開啟(&O)..."_s, u"結束(&E)"_s, u"巡邏資料"_s, u"設定(&C)..."_s,
                          u"結束(&E)"_s}));
    QCOMPARE((QStringList{w.bar->MenuCaption(), w.bar->m_items.value(0), w.bar->m_items.value(1)}),
             (QStringList{u"捷徑"_s, u"巡邏資料"_s, u"標籤定義"_s}));
    QCOMPARE(m->calls, (QStringList{"tvwPatrolData", "lvwPatrolData"}));
    const QString suffix = u" v%1.%2R%3"_s.arg(TAVREL_VERSION_MAJOR).arg(TAVREL_VERSION_MINOR).arg(TAVREL_VERSION_REVISION);
    QCOMPARE(m->windowTitle(), u"Tavrel"_s + suffix);

    // Whatever the language, the title ends with the version.
    CRes::instance().setLanguage(u"Japanese"_s);
    SetMainFormInterface(m);
    QVERIFY(m->windowTitle().endsWith(suffix));
    QCOMPARE(w.file->title(), u"ファイル(&F)"_s);
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_FormInterface::unreadableStoreKeepsDesignedTexts()
{
    QVERIFY(writeTestFile(Workspace::resMdb(), QByteArray(4096, 'x')));
    QVERIFY(!CRes::instance().isOpen());

    Window w = buildWindow();
    QLabel label(u"&Password:"_s);
    label.setProperty("tag", u"157"_s);
    label.setWindowTitle(u"Password Required"_s);
    CRes::instance().SetFormInterface(&label);
    QCOMPARE(label.text(), u"&Password:"_s);
    const QString fileTitle = w.file->title();
    SetMainFormInterface(w.main.get());
    QCOMPARE(w.file->title(), fileTitle);
    QVERIFY(w.main->windowTitle().startsWith(QLatin1String("Tavrel v")));
}

void tst_FormInterface::refreshReachesEveryWindow()
{
    Window first = buildWindow();
    Window second = buildWindow();
    QMenu loosePopup;
    loosePopup.addAction(u"popup"_s)->setProperty("tag", u"8"_s);
    CRes &res = CRes::instance();
    res.setLanguage(u"Traditional Chinese"_s);
    res.RefreshCurrentForms();
    for (Window *w : {&first, &second}) {
        // The owned dialog is a loaded window of its own.
        QCOMPARE((QStringList{w->main->windowTitle(), w->ok->text(), w->main->font().family(), w->childLabel->text()}),
                 (QStringList{u"語言編輯器"_s, u"確定"_s, u"Noto Sans CJK TC"_s, u"確定"_s}));
    }
    QVERIFY(m_reporter->entries.isEmpty());
}

QTEST_MAIN(tst_FormInterface)
#include "tst_forminterface.moc"
