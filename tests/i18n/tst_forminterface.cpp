#include "CRes.h"
#include "MainFormInterface.h"
#include "RecordingReporter.h"
#include "TestEnv.h"
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
    Q_INVOKABLE void Initial_lvwTagDef() { calls << QStringLiteral("lvwTagDef"); }
    Q_INVOKABLE void Initial_tvwPatrolData() { calls << QStringLiteral("tvwPatrolData"); }
    Q_INVOKABLE void Initial_lvwPatrolData() { calls << QStringLiteral("lvwPatrolData"); }
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

tst_FormInterface::Window tst_FormInterface::buildWindow()
{
    Window w;
    w.main = std::make_unique<TestMainWindow>();
    QMainWindow *m = w.main.get();
    m->setWindowTitle(QStringLiteral("Designed title"));
    m->setProperty("tag", QStringLiteral("1"));

    w.file = m->menuBar()->addMenu(QStringLiteral("File"));
    w.file->setObjectName(QStringLiteral("mnuFile"));
    w.file->setProperty("tag", QStringLiteral("100"));
    w.open = w.file->addAction(QStringLiteral("Open"));
    w.open->setProperty("tag", QStringLiteral("101"));
    w.untagged = w.file->addAction(QStringLiteral("Keep me"));
    w.zero = w.file->addAction(QStringLiteral("Zero"));
    w.zero->setProperty("tag", QStringLiteral("0"));

    QToolBar *toolbar = m->addToolBar(QStringLiteral("Files"));
    toolbar->setObjectName(QStringLiteral("Toolbar2"));
    w.download = toolbar->addAction(QStringLiteral("download"));
    w.download->setToolTip(QStringLiteral("Designed download tip"));
    w.download->setProperty("tag", QStringLiteral("196"));
    w.keep = toolbar->addAction(QStringLiteral("keep"));
    w.keep->setToolTip(QStringLiteral("Designed keep tip"));
    w.keep->setProperty("tag", QStringLiteral("keep"));
    w.approve = toolbar->addAction(QStringLiteral("approve"));
    w.approve->setProperty("tag", QStringLiteral("198"));
    w.dropDown = new QMenu(m);
    w.entryApprove = w.dropDown->addAction(QStringLiteral("approve"));
    w.entryApprove->setProperty("tag", QStringLiteral("199"));
    w.entryAll = w.dropDown->addAction(QStringLiteral("approveall"));
    w.entryAll->setProperty("tag", QStringLiteral("207"));
    w.entryWord = w.dropDown->addAction(QStringLiteral("Designed entry"));
    w.entryWord->setProperty("tag", QStringLiteral("approveall"));
    auto *approveButton = qobject_cast<QToolButton *>(toolbar->widgetForAction(w.approve));
    approveButton->setMenu(w.dropDown);
    approveButton->setPopupMode(QToolButton::MenuButtonPopup);

    auto *central = new QWidget(m);
    central->setObjectName(QStringLiteral("central"));
    m->setCentralWidget(central);
    auto *layout = new QVBoxLayout(central);
    const auto label = [&](const char *name, const char *tag, const QString &text) {
        auto *l = new QLabel(text, central);
        l->setObjectName(QLatin1String(name));
        if (tag)
            l->setProperty("tag", QLatin1String(tag));
        layout->addWidget(l);
        return l;
    };
    w.lblTitle = label("lblTitle", "157", QStringLiteral("Designed 157"));
    w.lblPlain = label("lblPlain", "", QStringLiteral("Designed plain"));
    w.lblZero = label("lblZero", "0", QStringLiteral("Designed zero"));
    w.lblWord = label("lblWord", "abc", QStringLiteral("Designed word"));
    w.lblPrefix = label("lblPrefix", "9x", QStringLiteral("Designed prefix"));
    QFont big = w.main->font();
    big.setPointSize(14);
    big.setBold(true);
    w.lblBig = label("lblBig", "UseDefault", QStringLiteral("Designed big"));
    w.lblBig->setFont(big);
    w.lblBig0 = label("lblBig0", "UseDefault0", QStringLiteral("Designed big0"));
    w.lblBig0->setFont(big);
    w.lblBold = label("lblBold", nullptr, QStringLiteral("Designed bold"));
    w.lblBold->setFont(big);

    const auto button = [&](const char *name, const char *tag) {
        auto *b = new QPushButton(QStringLiteral("Designed ") + QLatin1String(name), central);
        b->setObjectName(QLatin1String(name));
        b->setProperty("tag", QLatin1String(tag));
        layout->addWidget(b);
        return b;
    };
    w.ok = button("cmdOK", "8");
    w.zeroButton = button("cmdZero", "0");
    w.prefixButton = button("cmdPrefix", "9x");
    w.check = new QCheckBox(QStringLiteral("Designed check"), central);
    w.check->setObjectName(QStringLiteral("chkClearData"));
    w.check->setProperty("tag", 186);
    layout->addWidget(w.check);
    w.group = new QGroupBox(QStringLiteral("Designed group"), central);
    w.group->setObjectName(QStringLiteral("fraFont"));
    w.group->setProperty("tag", QStringLiteral("21"));
    layout->addWidget(w.group);
    w.tabs = new QTabWidget(central);
    w.tabs->setObjectName(QStringLiteral("tabs"));
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("pageAuto"));
    page->setProperty("tag", QStringLiteral("173"));
    w.tabs->addTab(page, QStringLiteral("Designed tab"));
    layout->addWidget(w.tabs);
    w.grid = new QTableView(central);
    w.grid->setObjectName(QStringLiteral("grdString"));
    w.grid->setProperty("tag", QStringLiteral("11"));
    layout->addWidget(w.grid);
    w.edit = new QLineEdit(QStringLiteral("typed"), central);
    w.edit->setObjectName(QStringLiteral("txtPassword"));
    w.edit->setProperty("tag", QStringLiteral("157"));
    layout->addWidget(w.edit);
    auto *tagList = new QTreeWidget(central);
    tagList->setObjectName(QStringLiteral("lvwTagDef"));
    layout->addWidget(tagList);
    w.bar = new ucOutlookBar(central);
    w.bar->setObjectName(QStringLiteral("vm"));
    layout->addWidget(w.bar);

    // A dialog owned by the window is a window of its own: the walk leaves it.
    w.child = new QDialog(m);
    w.childLabel = new QLabel(QStringLiteral("Designed child"), w.child);
    w.childLabel->setObjectName(QStringLiteral("lblChild"));
    w.childLabel->setProperty("tag", QStringLiteral("8"));
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
    CRes &res = CRes::instance();
    res.SetFormInterface(w.main.get());

    QCOMPARE(w.main->windowTitle(), QStringLiteral("Language Editor"));
    QCOMPARE(w.main->font().family(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(w.main->font().pointSize(), 9);

    // Menus: numeric tags only; "0" empties.
    QCOMPARE(w.file->title(), QStringLiteral("&File"));
    QCOMPARE(w.open->text(), QStringLiteral("&Open..."));
    QCOMPARE(w.untagged->text(), QStringLiteral("Keep me"));
    QCOMPARE(w.zero->text(), QString());
    QCOMPARE(w.file->font().family(), QStringLiteral("DejaVu Sans"));

    // Toolbar: tool tips from the button tags, drop-down entries from theirs.
    QCOMPARE(w.download->toolTip(), QStringLiteral("Download terminal's data"));
    QCOMPARE(w.download->text(), QStringLiteral("download"));
    QCOMPARE(w.keep->toolTip(), QStringLiteral("Designed keep tip"));
    QCOMPARE(w.approve->toolTip(), QStringLiteral("Approve selected file"));
    QCOMPARE(w.entryApprove->text(), QStringLiteral("&Approve selected file"));
    QCOMPARE(w.entryAll->text(), QStringLiteral("Approve A&ll"));
    QCOMPARE(w.entryWord->text(), QStringLiteral("Designed entry"));

    // Labels: whole numbers only; empty and words keep the design.
    QCOMPARE(w.lblTitle->text(), QStringLiteral("&Password:"));
    QCOMPARE(w.lblPlain->text(), QStringLiteral("Designed plain"));
    QCOMPARE(w.lblZero->text(), QString());
    QCOMPARE(w.lblWord->text(), QStringLiteral("Designed word"));
    QCOMPARE(w.lblPrefix->text(), QStringLiteral("Designed prefix"));

    // Other controls: the number the tag starts with, when above 0.
    QCOMPARE(w.ok->text(), QStringLiteral("OK"));
    QCOMPARE(w.zeroButton->text(), QStringLiteral("Designed cmdZero"));
    QCOMPARE(w.prefixButton->text(), QStringLiteral("Cancel"));
    QCOMPARE(w.check->text(), QStringLiteral("clearing the data of terminal."));
    QCOMPARE(w.group->title(), QStringLiteral("Font"));
    QCOMPARE(w.tabs->tabText(0), QStringLiteral("Auto-download"));
    QCOMPARE(w.edit->text(), QStringLiteral("typed"));
    QCOMPARE(w.grid->windowTitle(), QStringLiteral("String Table"));
    QCOMPARE(w.grid->horizontalHeader()->font().family(), QStringLiteral("DejaVu Sans"));

    // Fonts: UseDefault keeps size and style, UseDefault0 keeps style, the rest follow the window.
    QCOMPARE(w.lblBig->font().family(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(w.lblBig->font().pointSize(), 14);
    QVERIFY(w.lblBig->font().bold());
    QCOMPARE(w.lblBig0->font().pointSize(), 9);
    QVERIFY(w.lblBig0->font().bold());
    QCOMPARE(w.lblBold->font().pointSize(), 9);
    QVERIFY(!w.lblBold->font().bold());
    QCOMPARE(w.ok->font(), w.main->font());

    // Call-backs: the bar gets the window font, the tag list its headers.
    QCOMPARE(w.bar->m_fontCalls, 1);
    QCOMPARE(w.bar->m_font, w.main->font());
    QCOMPARE(w.main->calls, QStringList{QStringLiteral("lvwTagDef")});

    QCOMPARE(w.childLabel->text(), QStringLiteral("Designed child"));
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_FormInterface::japaneseAndTwiceEqualsOnce()
{
    Window w = buildWindow();
    CRes &res = CRes::instance();
    res.SetFormInterface(w.main.get());
    res.setLanguage(QStringLiteral("Japanese"));
    res.SetFormInterface(w.main.get());

    QCOMPARE(w.main->windowTitle(), QStringLiteral("言語エディター"));
    QCOMPARE(w.main->font().family(), QStringLiteral("Noto Sans CJK JP"));
    QCOMPARE(w.main->font().pointSize(), 10);
    QCOMPARE(w.file->title(), QStringLiteral("ファイル(&F)"));
    QCOMPARE(w.download->toolTip(), QStringLiteral("端末のデータをダウンロード"));
    QCOMPARE(w.dropDown->font().family(), QStringLiteral("Noto Sans CJK JP"));

    const QStringList once = snapshot(w.main.get());
    res.SetFormInterface(w.main.get());
    QCOMPARE(snapshot(w.main.get()), once);

    // Back to English gives what a first English application gave.
    Window fresh = buildWindow();
    res.setLanguage(QStringLiteral("English"));
    res.SetFormInterface(fresh.main.get());
    res.SetFormInterface(w.main.get());
    // Qt may order its internal children differently; compare as sets.
    QStringList english = snapshot(w.main.get());
    QStringList freshEnglish = snapshot(fresh.main.get());
    english.sort();
    freshEnglish.sort();
    QCOMPARE(english, freshEnglish);
}


void tst_FormInterface::mainFormTexts()
{
    Window w = buildWindow();
    TestMainWindow *m = w.main.get();
    QMenu *view = m->menuBar()->addMenu(QStringLiteral("View"));
    view->setObjectName(QStringLiteral("mnuView"));
    QAction *exit = w.file->addAction(QStringLiteral("Exit"));
    exit->setObjectName(QStringLiteral("mnuFiles_10"));
    w.open->setObjectName(QStringLiteral("mnuFiles_0"));
    auto *lbl0 = new QLabel(m->centralWidget());
    lbl0->setObjectName(QStringLiteral("lbl_0"));
    // The tray menu has no parent window.
    auto tray = std::make_unique<QMenu>();
    tray->setObjectName(QStringLiteral("mnuSystray"));
    QAction *restore = tray->addAction(QStringLiteral("Restore"));
    restore->setObjectName(QStringLiteral("mnuSystrays_0"));
    QAction *trayExit = tray->addAction(QStringLiteral("Exit"));
    trayExit->setObjectName(QStringLiteral("mnuSystrays_5"));

    CRes::instance().setLanguage(QStringLiteral("Traditional Chinese"));
    SetMainFormInterface(m);
    QCOMPARE(w.file->title(), QStringLiteral("檔案(&F)"));
    QCOMPARE(view->title(), QStringLiteral("檢視(&V)"));
    QCOMPARE(w.open->text(), QStringLiteral("開啟(&O)..."));
    QCOMPARE(exit->text(), QStringLiteral("結束(&E)"));
    QCOMPARE(lbl0->text(), QStringLiteral("巡邏資料"));
    QCOMPARE(restore->text(), QStringLiteral("設定(&C)..."));
    QCOMPARE(trayExit->text(), QStringLiteral("結束(&E)"));
    QCOMPARE(w.bar->MenuCaption(), QStringLiteral("捷徑"));
    QCOMPARE(w.bar->m_items.value(0), QStringLiteral("巡邏資料"));
    QCOMPARE(w.bar->m_items.value(1), QStringLiteral("標籤定義"));
    QCOMPARE(m->calls, (QStringList{"tvwPatrolData", "lvwPatrolData"}));
    const QString suffix = QStringLiteral(" v%1.%2R%3").arg(TAVREL_VERSION_MAJOR).arg(TAVREL_VERSION_MINOR).arg(TAVREL_VERSION_REVISION);
    QCOMPARE(m->windowTitle(), QStringLiteral("Tavrel") + suffix);

    // Whatever the language, the title ends with the version.
    CRes::instance().setLanguage(QStringLiteral("Japanese"));
    SetMainFormInterface(m);
    QVERIFY(m->windowTitle().endsWith(suffix));
    QCOMPARE(w.file->title(), QStringLiteral("ファイル(&F)"));
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_FormInterface::unreadableStoreKeepsDesignedTexts()
{
    QFile file(Workspace::resMdb());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    QVERIFY(!CRes::instance().isOpen());

    Window w = buildWindow();
    QLabel label(QStringLiteral("&Password:"));
    label.setProperty("tag", QStringLiteral("157"));
    label.setWindowTitle(QStringLiteral("Password Required"));
    CRes::instance().SetFormInterface(&label);
    QCOMPARE(label.text(), QStringLiteral("&Password:"));
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
    loosePopup.addAction(QStringLiteral("popup"))->setProperty("tag", QStringLiteral("8"));
    CRes &res = CRes::instance();
    res.setLanguage(QStringLiteral("Traditional Chinese"));
    res.RefreshCurrentForms();
    for (Window *w : {&first, &second}) {
        QCOMPARE(w->main->windowTitle(), QStringLiteral("語言編輯器"));
        QCOMPARE(w->ok->text(), QStringLiteral("確定"));
        QCOMPARE(w->main->font().family(), QStringLiteral("Noto Sans CJK TC"));
        // The owned dialog is a loaded window of its own.
        QCOMPARE(w->childLabel->text(), QStringLiteral("確定"));
    }
    QVERIFY(m_reporter->entries.isEmpty());
}

QTEST_MAIN(tst_FormInterface)
#include "tst_forminterface.moc"
