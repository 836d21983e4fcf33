#include "CRes.h"
#include "PatrolDataView.h"
#include "PatrolFile.h"
#include "RecordingReporter.h"
#include "TagDefView.h"
#include "TagEntryRules.h"
#include "TagFile.h"
#include "TagStore.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "Workspace.h"
#include "frmAddTag.h"
#include "frmMain.h"
#include "ModalAnswer.h"
#include "ucOutlookBar.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

// The main window's views driven as a user would: tree clicks, pop-ups, the
// tag dialog, F3. Each case starts with three tags named "Gate" and the file
// a.tvl open, whose middle record has no tag definition. Message boxes are
// answered through the recording reporter.
class tst_MainViews : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void rootClickKeepsRows();
    void deleteAnsweredNo();
    void statusSaysWhatWasDone();
    void f3SearchesTheCurrentView_data();
    void f3SearchesTheCurrentView();
    void tagDialogChecks_data();
    void tagDialogChecks();
    void tagDialogAfterDuplicate_data();
    void tagDialogAfterDuplicate();
    void deleteTagsOneAlreadyGone();
    void defineTagFromARecord();
    void contextMenuFollowsThePointer();
    void unreadableEntriesInTheTree();
    void importShowsTheTagView();
    void tagViewServesItsCommandsAlone();

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<RecordingReporter> m_reporter;
    std::unique_ptr<frmMain> m_window;
};

namespace {

const QStringList kRecords = {u"1,0000000001,2026/12/06,07:00:00"_s, u"1,00000000AA,2026/12/06,07:01:00"_s,
                              u"1,0000000003,2026/12/06,07:02:00"_s};

void writeTvl(const QString &name, const QStringList &records)
{
    QFile f(QDir(Workspace::unapprovedFolder()).filePath(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    for (const QString &r : records)
        QVERIFY(WritePatrolLine(f, r));
}

QTreeWidgetItem *node(QTreeWidget *tree, const QString &text)
{
    const QList<QTreeWidgetItem *> found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

QList<int> selectedRows(QAbstractItemView *list)
{
    QList<int> rows;
    for (const QModelIndex &i : list->selectionModel()->selectedRows())
        rows << i.row();
    return rows;
}

}

void tst_MainViews::init()
{
    m_env = std::make_unique<TestEnv>();
    CRes::destroyInstance();
    m_reporter = std::make_unique<RecordingReporter>();
    for (const char *code : {"0000000001", "0000000002", "0000000003"})
        QVERIFY(TagStore::add(QLatin1String(code), u"Gate"_s, nullptr) == TagStore::Result::Ok);
    writeTvl(u"a.tvl"_s, kRecords);
    m_window = std::make_unique<frmMain>();
    m_window->show();
    QTreeWidget *tree = m_window->patrolView()->tree();
    tree->setCurrentItem(node(tree, u"a.tvl"_s));
}

void tst_MainViews::cleanup()
{
    cancelModalAnswers();
    m_window.reset();
    m_reporter.reset();
    CRes::destroyInstance();
    m_env.reset();
}

void tst_MainViews::rootClickKeepsRows()
{
    QTreeWidget *tree = m_window->patrolView()->tree();
    QCOMPARE(m_window->patrolView()->model()->rowCount(), 3);
    // A click on the file already selected reads it again.
    writeTvl(u"a.tvl"_s, kRecords + QStringList{u"1,0000000002,2026/12/06,07:03:00"_s});
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node(tree, u"a.tvl"_s)).center());
    QCOMPARE(m_window->patrolView()->model()->rowCount(), 4);
    QVERIFY(m_window->action(u"mnuPopPatrolDataFiles_1"_s)->isEnabled());
    tree->setCurrentItem(tree->topLevelItem(0));
    QCOMPARE(m_window->patrolView()->model()->rowCount(), 4);
    QVERIFY(m_window->patrolView()->CurrentFilePath().isEmpty());
    QVERIFY(!m_window->action(u"mnuPopPatrolDataFiles_1"_s)->isEnabled());
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_MainViews::deleteAnsweredNo()
{
    m_reporter->answers = {false};
    m_window->action(u"mnuPopPatrolDataFiles_0"_s)->trigger();
    // The question names the file it is about.
    QCOMPARE(m_reporter->texts(), QStringList{CRes::instance().ResString(169) + u"\n\na.tvl"_s});
    QVERIFY(QFile::exists(QDir(Workspace::unapprovedFolder()).filePath(u"a.tvl"_s)));
    QVERIFY(node(m_window->patrolView()->tree(), u"a.tvl"_s));
}

void tst_MainViews::statusSaysWhatWasDone()
{
    CRes &res = CRes::instance();
    QStatusBar *bar = m_window->statusBar();
    // An export names its file; its folder is where the next tag dialog opens.
    const QString folder = QDir(m_env->root()).filePath(u"mail"_s);
    QVERIFY(QDir().mkpath(folder));
    const QString file = QDir(folder).filePath(u"gates.tag"_s);
    QStringList filters;
    whenModal<QFileDialog>([&](QFileDialog *dialog) {
        filters = dialog->nameFilters();
        dialog->findChild<QLineEdit *>(u"fileNameEdit"_s)->setText(file);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    m_window->action(u"mnuFiles_4"_s)->trigger();
    QVERIFY(QFile::exists(file));
    QCOMPARE(filters, QStringList{res.ResString(83) + u" (*.tag)"_s});
    QVERIFY(bar->currentMessage().contains(QDir::toNativeSeparators(file)));
    QCOMPARE(bar->currentMessage(), res.ResString(77).arg(QDir::toNativeSeparators(file)));
    QString opened;
    whenModal<QFileDialog>([&](QFileDialog *dialog) {
        opened = dialog->directory().absolutePath();
        dialog->reject();
    });
    m_window->action(u"mnuFiles_5"_s)->trigger();
    QCOMPARE(opened, folder);
    // An approval names the file where it now is.
    m_window->action(u"mnuPopPatrolDataFiles_1"_s)->trigger();
    const QString approved = QDir(Workspace::approvedFolder()).filePath(u"a.tvl"_s);
    QVERIFY(QFile::exists(approved));
    QVERIFY(bar->currentMessage().contains(QDir::toNativeSeparators(approved)));
    QCOMPARE(bar->currentMessage(), res.ResString(78).arg(QDir::toNativeSeparators(approved)));
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_MainViews::f3SearchesTheCurrentView_data()
{
    QTest::addColumn<int>("view");
    QTest::addColumn<QList<int>>("found");
    // The first tag row is selected after loading; the patrol list has none.
    QTest::newRow("patrol data") << 0 << QList<int>{0, 2};
    QTest::newRow("tags, chosen on the navigation bar") << 1 << QList<int>{1, 2};
}

void tst_MainViews::f3SearchesTheCurrentView()
{
    QFETCH(int, view);
    QFETCH(QList<int>, found);
    frmMain &window = *m_window;
    for (auto *box : {window.patrolView()->searchBox(), window.tagView()->searchBox()})
        box->setText(u"Gate"_s);
    // Every navigation item shows its picture.
    for (int item = 0; item < 3; ++item)
        QVERIFY(!qobject_cast<QLabel *>(window.navigationBar()->iconWidget(item))->pixmap().isNull());
    if (view == 1) {
        QWidget *tags = window.navigationBar()->iconWidget(1);
        QTest::mouseMove(tags);
        QTest::mouseClick(tags, Qt::LeftButton);
    }
    // The file commands belong to the patrol-data view.
    QCOMPARE(window.action(u"mnuFiles_0"_s)->isEnabled(), view == 0);
    QAbstractItemView *searched = window.patrolView()->list();
    QAbstractItemView *other = window.tagView()->list();
    if (view == 1)
        std::swap(searched, other);
    const QList<int> otherBefore = selectedRows(other);
    QApplication::setActiveWindow(&window);
    for (int row : found) {
        QTest::keyClick(&window, Qt::Key_F3);
        QCOMPARE(selectedRows(searched), QList<int>{row});
    }
    QVERIFY(m_reporter->entries.isEmpty());
    QTest::keyClick(&window, Qt::Key_F3);
    QCOMPARE(m_reporter->texts(), QStringList{CRes::instance().ResString(171)});
    QCOMPARE(selectedRows(other), otherBefore);
}

void tst_MainViews::tagDialogChecks_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("description");
    QTest::addColumn<int>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("lower case typed becomes upper case") << "abcde12345F" << "" << "Gate" << 0 << "";
    QTest::newRow("pasted dash empties") << "" << "12-34" << "Gate" << 163 << "txt_0";
    QTest::newRow("all empty") << "" << "" << "" << 165 << "txt_1";
}

void tst_MainViews::tagDialogChecks()
{
    QFETCH(QString, typed);
    QFETCH(QString, pasted);
    QFETCH(QString, description);
    QFETCH(int, message);
    QFETCH(QString, focus);
    frmAddTag dialog;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    auto *txt0 = dialog.findChild<QLineEdit *>(u"txt_0"_s);
    QTest::keyClicks(txt0, typed);
    txt0->insert(pasted);
    dialog.findChild<QLineEdit *>(u"txt_1"_s)->setText(description);
    QTest::mouseClick(dialog.findChild<QPushButton *>(u"cmdCtrl_0"_s), Qt::LeftButton);
    QCOMPARE(dialog.IsOK(), message == 0);
    if (message == 0) {
        QCOMPARE(dialog.txt0Value(), u"ABCDE12345"_s);
        return;
    }
    QCOMPARE(m_reporter->entries.size(), 1);
    QVERIFY(m_reporter->texts().first().startsWith(CRes::instance().ResString(message)));
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
}

void tst_MainViews::tagDialogAfterDuplicate_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("tags");
    QTest::newRow("add") << "mnuPopTagDefs_0" << 4;
    QTest::newRow("edit the third") << "mnuPopTagDefs_2" << 3;
}

void tst_MainViews::tagDialogAfterDuplicate()
{
    // A code already defined is refused with the dialog still open and both
    // fields as typed; another code is then stored with the same description.
    QFETCH(QString, command);
    QFETCH(int, tags);
    m_window->SelectView(1);
    QTreeWidget *list = m_window->tagView()->list();
    list->clearSelection();
    list->setCurrentItem(list->topLevelItem(2));
    QStringList afterDuplicate;
    whenModal<frmAddTag>([&](frmAddTag *d) {
        auto *code = d->findChild<QLineEdit *>(u"txt_0"_s);
        auto *description = d->findChild<QLineEdit *>(u"txt_1"_s);
        auto *ok = d->findChild<QPushButton *>(u"cmdCtrl_0"_s);
        code->setText(u"0000000001"_s);
        description->setText(u"Loading bay"_s);
        QTest::mouseClick(ok, Qt::LeftButton);
        afterDuplicate = {d->isVisible() ? u"open"_s : u"closed"_s, code->text(), description->text()};
        code->setText(u"0000000009"_s);
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    m_window->action(command)->trigger();
    QCOMPARE(afterDuplicate, (QStringList{u"open"_s, u"0000000001"_s, u"Loading bay"_s}));
    QCOMPARE(m_reporter->texts(), QStringList{TagEntryRules::duplicateMessage(u"0000000001"_s)});
    const QList<TagDef> stored = TagStore::all(nullptr);
    QCOMPARE(stored.size(), tags);
    QCOMPARE(TagStore::GetTagDescription(u"0000000009"_s, nullptr), u"Loading bay"_s);
    QCOMPARE(list->findItems(u"0000000009"_s, Qt::MatchExactly).value(0) ? list->findItems(u"0000000009"_s, Qt::MatchExactly).first()->text(1) : QString(), u"Loading bay"_s);
    QCOMPARE(list->topLevelItemCount(), tags);
}

void tst_MainViews::deleteTagsOneAlreadyGone()
{
    m_window->SelectView(1);
    QTreeWidget *list = m_window->tagView()->list();
    // A code that left the table meanwhile still leaves the list.
    QVERIFY(TagStore::remove(u"0000000002"_s, nullptr) == TagStore::Result::Ok);
    list->clearSelection();
    for (int r : {1, 2})
        list->topLevelItem(r)->setSelected(true);
    m_reporter->answers = {true};
    m_window->action(u"mnuPopTagDefs_1"_s)->trigger();
    QCOMPARE(m_reporter->texts(), QStringList{CRes::instance().ResString(168)});
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(list->topLevelItem(0)->text(0), u"0000000001"_s);
    QCOMPARE(TagStore::all(nullptr).size(), 1);
}

void tst_MainViews::defineTagFromARecord()
{
    QTableView *list = m_window->patrolView()->list();
    const QPoint cell = list->visualRect(m_window->patrolView()->model()->index(1, 4)).center();
    // The pop-up offers Define Tag; its dialog comes with the code filled in.
    QString codeShown;
    whenModal<frmAddTag>([&](frmAddTag *d) {
        codeShown = d->findChild<QLineEdit *>(u"txt_0"_s)->text();
        d->findChild<QLineEdit *>(u"txt_1"_s)->setText(u"Side door"_s);
        QTest::mouseClick(d->findChild<QPushButton *>(u"cmdCtrl_0"_s), Qt::LeftButton);
    });
    QTimer::singleShot(0, [] {
        auto *popup = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(popup && popup->objectName() == QLatin1String("mnuPopDefineTag"));
        popup->actions().first()->trigger();
        popup->close();
    });
    Q_EMIT list->customContextMenuRequested(cell);
    QCOMPARE(codeShown, u"00000000AA"_s);
    QCOMPARE(m_window->patrolView()->model()->displayText(1, 4), u"Side door"_s);
    QVERIFY(m_reporter->entries.isEmpty());
}

// A right-click on an approved file while an unapproved one is selected: the
// pop-up's states and its Delete are the clicked file's, and the deleted file
// leaves the list and the status bar.
void tst_MainViews::contextMenuFollowsThePointer()
{
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_env->root() + u"/data"_s));
    QVERIFY(writeTestFile(QDir(Workspace::approvedFolder()).filePath(u"d.tvl"_s), {}));
    m_window->Initial_tvwPatrolData();
    QTreeWidget *tree = m_window->patrolView()->tree();
    tree->setCurrentItem(node(tree, u"a.tvl"_s));
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

    bool approveOffered = true;
    m_reporter->answers = {true};
    QTimer::singleShot(0, [&] {
        approveOffered = m_window->action(u"mnuPopPatrolDataFiles_1"_s)->isEnabled();
        QApplication::activePopupWidget()->close();
        m_window->action(u"mnuPopPatrolDataFiles_0"_s)->trigger();
    });
    // As the window system delivers it: the press, then the context-menu request.
    const QPoint at = tree->viewport()->mapTo(m_window.get(), tree->visualItemRect(node(tree, u"d.tvl"_s)).center());
    QTest::mousePress(m_window->windowHandle(), Qt::RightButton, {}, at);
    QTest::mouseRelease(m_window->windowHandle(), Qt::RightButton, {}, at);
    QVERIFY(!approveOffered);
    QCOMPARE(QDir(Workspace::unapprovedFolder()).entryList(QDir::Files), QStringList{u"a.tvl"_s});
    QVERIFY(QDir(Workspace::approvedFolder()).entryList(QDir::Files).isEmpty());
    QCOMPARE(m_window->patrolView()->model()->rowCount(), 0);
    for (const QLabel *panel : m_window->findChild<QStatusBar *>()->findChildren<QLabel *>())
        QVERIFY2(!panel->text().contains(u"d.tvl"_s), qPrintable(panel->text()));
}

// A device behind a .tvl name and a FIFO: opening one names it as unreadable,
// and Approve All moves the other files and names each one it could not move.
void tst_MainViews::unreadableEntriesInTheTree()
{
    const QDir unapproved(Workspace::unapprovedFolder());
    QVERIFY(QFile::link(u"/dev/zero"_s, unapproved.filePath(u"zero.tvl"_s)));
    QCOMPARE(::mkfifo(QFile::encodeName(unapproved.filePath(u"f.tvl"_s)).constData(), 0600), 0);
    QVERIFY(writeTestFile(QDir(Workspace::approvedFolder()).filePath(u"a.tvl"_s), {}));
    m_window->Initial_tvwPatrolData();
    m_window->patrolView()->tree()->setCurrentItem(node(m_window->patrolView()->tree(), u"f.tvl"_s));
    const QString opened = m_reporter->texts().join(u'\n');
    QVERIFY2(opened.endsWith(u"f.tvl is not a regular file."_s), qPrintable(opened));
    m_reporter->clear();
    m_window->action(u"mnuPopPatrolDataFiles_2"_s)->trigger();
    const QString texts = m_reporter->texts().join(u'\n');
    QVERIFY2(texts.contains(u"a (2).tvl"_s) && texts.contains(u"f.tvl is not"_s) && texts.contains(u"zero.tvl is not"_s),
             qPrintable(texts));
    QCOMPARE(unapproved.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
             (QStringList{u"f.tvl"_s, u"zero.tvl"_s}));
}

void tst_MainViews::importShowsTheTagView()
{
    // A file of four definitions, while the list shows the three stored.
    const QString file = Workspace::path(u"four.tag"_s);
    QVERIFY(TagStore::add(u"0000000009"_s, u"Dock"_s, nullptr) == TagStore::Result::Ok);
    QVERIFY(TagFile::exportAll(file, nullptr, nullptr));
    QVERIFY(TagStore::remove(u"0000000009"_s, nullptr) == TagStore::Result::Ok);
    QCOMPARE(m_window->tagView()->list()->topLevelItemCount(), 3);
    whenModal<QFileDialog>([file](QFileDialog *dialog) {
        dialog->findChild<QLineEdit *>(u"fileNameEdit"_s)->setText(file);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    m_window->action(u"mnuFiles_5"_s)->trigger();
    QVERIFY(m_window->tagView()->isVisible() && !m_window->patrolView()->isVisible());
    QCOMPARE(m_window->tagView()->list()->topLevelItemCount(), 4);
    QVERIFY(m_reporter->entries.isEmpty());
}

void tst_MainViews::tagViewServesItsCommandsAlone()
{
    // Without a window around it the view's own pop-up commands follow its selection and work.
    m_window.reset();
    TagDefView view;
    view.show();
    view.LoadTagDefinitions();
    QAction *remove = view.findChild<QAction *>(u"mnuPopTagDefs_1"_s);
    QTreeWidget *list = view.list();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(1)).center());
    QVERIFY(remove && remove->isEnabled() && list->topLevelItem(1)->isSelected());
    m_reporter->answers = {true};
    remove->trigger();
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(TagStore::all(nullptr).size(), 2);
}

QTEST_MAIN(tst_MainViews)
#include "tst_mainviews.moc"
