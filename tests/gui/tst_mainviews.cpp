#include "CRes.h"
#include "PatrolDataView.h"
#include "PatrolFile.h"
#include "RecordingReporter.h"
#include "TagDefView.h"
#include "TagStore.h"
#include "TestEnv.h"
#include "Workspace.h"
#include "frmAddTag.h"
#include "frmMain.h"
#include "ucOutlookBar.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;

// The main window's views driven as a user would: tree clicks, pop-ups, the
// tag dialog, F3. Message boxes are answered through the recording reporter.
class tst_MainViews : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void selectViewSwitchesFileCommands();
    void rootClickKeepsRows();
    void deleteAnsweredNo();
    void f3SearchesTheCurrentView_data();
    void f3SearchesTheCurrentView();
    void tagDialogChecks_data();
    void tagDialogChecks();
    void duplicateAddAndDeleteThreeRows();
    void defineTagFromARecord();

private:
    std::unique_ptr<TestEnv> m_env;
};

namespace {

void writeTvl(const QString &name, const QStringList &records)
{
    QFile f(QDir(Workspace::unapprovedFolder()).filePath(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    for (const QString &r : records)
        QVERIFY(WritePatrolLine(f, r));
}

// Runs `step` on the next modal dialog or pop-up once `trigger` has opened it.
void withModal(const std::function<void()> &trigger, const std::function<void(QWidget *)> &step)
{
    QTimer::singleShot(0, [step] {
        QWidget *w = QApplication::activePopupWidget();
        if (!w)
            w = QApplication::activeModalWidget();
        step(w);
    });
    trigger();
}

QTreeWidgetItem *node(QTreeWidget *tree, const QString &text)
{
    const QList<QTreeWidgetItem *> found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

void fillDialog(QWidget *dialog, const QString &code, const QString &description)
{
    auto *txt0 = dialog->findChild<QLineEdit *>(u"txt_0"_s);
    txt0->clear();
    QTest::keyClicks(txt0, code);
    dialog->findChild<QLineEdit *>(u"txt_1"_s)->setText(description);
    QTest::mouseClick(dialog->findChild<QPushButton *>(u"cmdCtrl_0"_s), Qt::LeftButton);
}

}

void tst_MainViews::init()
{
    m_env = std::make_unique<TestEnv>();
    CRes::destroyInstance();
}

void tst_MainViews::cleanup()
{
    CRes::destroyInstance();
    m_env.reset();
}

void tst_MainViews::selectViewSwitchesFileCommands()
{
    frmMain window;
    window.show();
    QAction *open = window.action(u"mnuFiles_0"_s);
    QVERIFY(open->isEnabled());
    // The navigation bar's second item is the tag view.
    QWidget *tags = window.navigationBar()->iconWidget(1);
    QTest::mouseMove(tags);
    QTest::mousePress(tags, Qt::LeftButton);
    QTest::mouseRelease(tags, Qt::LeftButton);
    QCOMPARE(window.CurrentView(), 1);
    QVERIFY(!open->isEnabled());
    QVERIFY(!window.action(u"save"_s)->isEnabled());
    window.action(u"mnuViews_0"_s)->trigger();
    QCOMPARE(window.CurrentView(), 0);
    QVERIFY(open->isEnabled());
}

void tst_MainViews::rootClickKeepsRows()
{
    RecordingReporter reporter;
    writeTvl(u"20261206 072252.tvl"_s, {u"1,0004A1B2C3,2026/12/06,07:22:52"_s});
    frmMain window;
    window.show();
    QTreeWidget *tree = window.patrolView()->tree();
    QTreeWidgetItem *file = node(tree, u"20261206 072252.tvl"_s);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(file).center());
    QCOMPARE(window.patrolModel()->rowCount(), 1);
    // A second click on the same file reads it again.
    writeTvl(u"20261206 072252.tvl"_s, {u"1,0004A1B2C3,2026/12/06,07:22:52"_s, u"1,0004A1B2C4,2026/12/06,07:23:00"_s});
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(file).center());
    QCOMPARE(window.patrolModel()->rowCount(), 2);
    QVERIFY(window.action(u"mnuPopPatrolDataFiles_1"_s)->isEnabled());
    tree->setCurrentItem(tree->topLevelItem(0));
    QCOMPARE(window.patrolModel()->rowCount(), 2);
    QVERIFY(window.CurrentFilePath().isEmpty());
    QVERIFY(!window.action(u"mnuPopPatrolDataFiles_1"_s)->isEnabled());
    QVERIFY(!window.action(u"mnuPopPatrolDataFiles_0"_s)->isEnabled());
    QVERIFY(reporter.entries.isEmpty());
}

void tst_MainViews::deleteAnsweredNo()
{
    RecordingReporter reporter;
    writeTvl(u"a.tvl"_s, {u"1,0004A1B2C3,2026/12/06,07:22:52"_s});
    frmMain window;
    window.show();
    QTreeWidget *tree = window.patrolView()->tree();
    tree->setCurrentItem(node(tree, u"a.tvl"_s));
    reporter.answers = {false};
    window.action(u"mnuPopPatrolDataFiles_0"_s)->trigger();
    QCOMPARE(reporter.texts(), QStringList{CRes::instance().ResString(169)});
    QVERIFY(QFile::exists(QDir(Workspace::unapprovedFolder()).filePath(u"a.tvl"_s)));
    QVERIFY(node(tree, u"a.tvl"_s));
    QCOMPARE(window.patrolModel()->rowCount(), 1);
}

void tst_MainViews::f3SearchesTheCurrentView_data()
{
    QTest::addColumn<int>("view");
    QTest::newRow("patrol data") << 0;
    QTest::newRow("tags") << 1;
}

void tst_MainViews::f3SearchesTheCurrentView()
{
    QFETCH(int, view);
    RecordingReporter reporter;
    for (const char *code : {"0000000001", "0000000002", "0000000003"})
        QVERIFY(TagStore::add(QLatin1String(code), u"Gate"_s, nullptr) == TagStore::Result::Ok);
    writeTvl(u"a.tvl"_s, {u"1,0000000001,2026/12/06,07:00:00"_s, u"1,0000000009,2026/12/06,07:01:00"_s,
                          u"1,0000000003,2026/12/06,07:02:00"_s});
    frmMain window;
    window.show();
    QTreeWidget *tree = window.patrolView()->tree();
    tree->setCurrentItem(node(tree, u"a.tvl"_s));
    for (auto *box : {window.patrolView()->searchBox(), window.tagView()->searchBox()})
        box->setText(u"Gate"_s);
    window.SelectView(view);
    QApplication::setActiveWindow(&window);
    auto patrolRows = [&] {
        QList<int> rows;
        for (const QModelIndex &i : window.patrolView()->list()->selectionModel()->selectedRows())
            rows << i.row();
        return rows;
    };
    auto tagRows = [&] {
        QList<int> rows;
        for (int r = 0; r < window.tagView()->list()->topLevelItemCount(); ++r)
            if (window.tagView()->list()->topLevelItem(r)->isSelected())
                rows << r;
        return rows;
    };
    const QList<int> otherBefore = view == 0 ? tagRows() : patrolRows();
    // The first tag row is selected after loading; the patrol list has none.
    const QList<QList<int>> expected = view == 0 ? QList<QList<int>>{{0}, {2}} : QList<QList<int>>{{1}, {2}};
    for (const QList<int> &rows : expected) {
        QTest::keyClick(&window, Qt::Key_F3);
        QCOMPARE(view == 0 ? patrolRows() : tagRows(), rows);
    }
    QVERIFY(reporter.entries.isEmpty());
    QTest::keyClick(&window, Qt::Key_F3);
    QCOMPARE(reporter.texts(), QStringList{CRes::instance().ResString(171)});
    QCOMPARE(view == 0 ? tagRows() : patrolRows(), otherBefore);
}

void tst_MainViews::tagDialogChecks_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("description");
    QTest::addColumn<int>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("lower case cannot be typed") << "12345abcdeABCDE" << "" << "Gate" << 0 << "";
    QTest::newRow("pasted lower case") << "" << "12345abcde" << "Gate" << 164 << "txt_0";
    QTest::newRow("pasted dash empties") << "" << "12-34" << "Gate" << 163 << "txt_0";
    QTest::newRow("nine characters") << "1234ABCDE" << "" << "Gate" << 163 << "txt_0";
    QTest::newRow("all empty") << "" << "" << "" << 165 << "txt_1";
}

void tst_MainViews::tagDialogChecks()
{
    QFETCH(QString, typed);
    QFETCH(QString, pasted);
    QFETCH(QString, description);
    QFETCH(int, message);
    QFETCH(QString, focus);
    RecordingReporter reporter;
    frmAddTag dialog;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    auto *txt0 = dialog.findChild<QLineEdit *>(u"txt_0"_s);
    QTest::keyClicks(txt0, typed);
    if (!pasted.isEmpty())
        txt0->insert(pasted);
    dialog.findChild<QLineEdit *>(u"txt_1"_s)->setText(description);
    QTest::mouseClick(dialog.findChild<QPushButton *>(u"cmdCtrl_0"_s), Qt::LeftButton);
    QCOMPARE(dialog.IsOK(), message == 0);
    if (message == 0) {
        QCOMPARE(dialog.txt0Value(), u"12345ABCDE"_s);
        return;
    }
    QCOMPARE(reporter.entries.size(), 1);
    QVERIFY(reporter.texts().first().startsWith(CRes::instance().ResString(message)));
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
}

void tst_MainViews::duplicateAddAndDeleteThreeRows()
{
    RecordingReporter reporter;
    for (const char *code : {"0000000001", "0000000002", "0000000003", "0000000004"})
        QVERIFY(TagStore::add(QLatin1String(code), u"x"_s, nullptr) == TagStore::Result::Ok);
    frmMain window;
    window.show();
    window.SelectView(1);
    QTreeWidget *list = window.tagView()->list();
    withModal([&] { window.action(u"mnuPopTagDefs_0"_s)->trigger(); },
              [](QWidget *d) { fillDialog(d, u"0000000002"_s, u"again"_s); });
    QCOMPARE(reporter.texts(), QStringList{u"0000000002\n\n"_s + CRes::instance().ResString(170)});
    QCOMPARE(list->topLevelItemCount(), 4);

    // A code that left the table meanwhile still leaves the list.
    QVERIFY(TagStore::remove(u"0000000003"_s, nullptr) == TagStore::Result::Ok);
    list->clearSelection();
    for (int r : {0, 2, 3})
        list->topLevelItem(r)->setSelected(true);
    reporter.clear();
    reporter.answers = {true};
    window.action(u"mnuPopTagDefs_1"_s)->trigger();
    QCOMPARE(reporter.texts(), QStringList{CRes::instance().ResString(168)});
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(list->topLevelItem(0)->text(0), u"0000000002"_s);
    QCOMPARE(TagStore::all(nullptr).size(), 1);
}

void tst_MainViews::defineTagFromARecord()
{
    RecordingReporter reporter;
    writeTvl(u"a.tvl"_s, {u"1,00000000AA,2026/12/06,07:00:00"_s});
    frmMain window;
    window.show();
    QTreeWidget *tree = window.patrolView()->tree();
    tree->setCurrentItem(node(tree, u"a.tvl"_s));
    QTableView *list = window.patrolView()->list();
    const QPoint cell = list->visualRect(window.patrolModel()->index(0, 4)).center();
    // The pop-up offers Define Tag; its dialog comes with the code filled in.
    QString codeShown;
    withModal([&] { Q_EMIT list->customContextMenuRequested(cell); },
              [&](QWidget *popup) {
                  QVERIFY(popup && popup->objectName() == QLatin1String("mnuPopDefineTag"));
                  withModal([&] { static_cast<QMenu *>(popup)->actions().first()->trigger(); popup->close(); },
                            [&](QWidget *d) {
                                codeShown = d->findChild<QLineEdit *>(u"txt_0"_s)->text();
                                fillDialog(d, codeShown, u"Side door"_s);
                            });
              });
    QCOMPARE(codeShown, u"00000000AA"_s);
    QCOMPARE(window.patrolModel()->displayText(0, 4), u"Side door"_s);
    QVERIFY(reporter.entries.isEmpty());
}

QTEST_MAIN(tst_MainViews)
#include "tst_mainviews.moc"
