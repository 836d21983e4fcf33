#include "CRes.h"
#include "ComplianceChart.h"
#include "CompliancePage.h"
#include "CentralDatabase.h"
#include "CentralExceptionSource.h"
#include "CentralPush.h"
#include "CentralSchema.h"
#include "PgCluster.h"
#include "MainFormInterface.h"
#include "ExceptionTableModel.h"
#include "ExceptionsPage.h"
#include "OutcomeTotalsModel.h"
#include "PatrolDataView.h"
#include "PatrolFile.h"
#include "PlanEditor.h"
#include "PlanStore.h"
#include "RecordingReporter.h"
#include "ScheduleView.h"
#include "TagDefView.h"
#include "ucOutlookBar.h"
#include "TagStore.h"
#include "TestEnv.h"
#include "Workspace.h"
#include "frmMain.h"
#include "rptExceptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

// The schedule view, the guard column and the guard-tag mark, driven through
// their widgets. Message boxes are answered by the recording reporter.
class tst_ScheduleView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void editorSavesAndRefuses();
    void leavingAChangedPlan_data();
    void leavingAChangedPlan();
    void checkpointButtonsNewAndDelete();
    void exitWithAChangedPlan_data();
    void exitWithAChangedPlan();
    void languageSwitch();
    void keepsTheWindowWidth_data();
    void keepsTheWindowWidth();
    void guardTotalsShowEveryColumn();
    void exceptionsTable();
    void exceptionsAcrossSites();
    void guardColumnOnlyWithGuardReads();
    void guardCheckBoxStoresTheMark();
    void complianceTab();

private:
    std::unique_ptr<TestEnv> m_env;
};

namespace {

const QString kGate = u"0000000001"_s;
const QString kLobby = u"0000000002"_s;
const QString kBadge = u"00000000B1"_s;

void writeTvl(const QString &name, const QStringList &records)
{
    QFile f(QDir(Workspace::unapprovedFolder()).filePath(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    for (const QString &r : records)
        QVERIFY(WritePatrolLine(f, r));
}

template<typename T>
T *child(QWidget *parent, const char *name)
{
    T *w = parent->findChild<T *>(QLatin1String(name));
    if (!w)
        qFatal("no widget %s", name);
    return w;
}

void click(QWidget *parent, const char *button)
{
    QTest::mouseClick(child<QPushButton>(parent, button), Qt::LeftButton);
}

PatrolPlan plan(const QString &name, QList<PlanCheckpoint> points)
{
    return {name, QTime(22, 0), QTime(22, 0), 0, PatrolPlan::kEveryDay, points};
}

}

void tst_ScheduleView::init()
{
    m_env = std::make_unique<TestEnv>();
    CRes::destroyInstance();
    for (const auto &[code, name] : {std::pair{kGate, u"Gate"_s}, {kLobby, u"Lobby"_s}, {kBadge, u"Ann"_s}})
        QVERIFY(TagStore::add(code, name, nullptr) == TagStore::Result::Ok);
}

void tst_ScheduleView::cleanup()
{
    CRes::destroyInstance();
    m_env.reset();
}

void tst_ScheduleView::editorSavesAndRefuses()
{
    RecordingReporter reporter;
    ScheduleView view;
    view.show();
    PlanEditor *editor = view.planEditor();
    auto *name = child<QLineEdit>(editor, "txtPlanName");
    name->clear();
    QTest::keyClicks(name, u"Night round"_s);
    child<QTimeEdit>(editor, "dtpStart")->setTime(QTime(22, 0));
    child<QTimeEdit>(editor, "dtpEnd")->setTime(QTime(4, 0));
    child<QSpinBox>(editor, "spnInterval")->setValue(120);
    child<QCheckBox>(editor, "chkDay_6")->click();
    click(editor, "cmdAddCheckpoint");
    click(editor, "cmdAddCheckpoint");
    auto *points = child<QTableWidget>(editor, "grdCheckpoints");
    static_cast<QSpinBox *>(points->cellWidget(1, 1))->setValue(15);
    // The second tag moves to the top; the minutes stay in order.
    click(editor, "cmdMoveUp");
    click(editor, "cmdSavePlan");
    QVERIFY2(reporter.entries.isEmpty(), qPrintable(reporter.texts().join(u'\n')));
    const PatrolPlan expected{u"Night round"_s, QTime(22, 0), QTime(4, 0), 120, 0x3f, {{kLobby, 0, 5}, {kGate, 15, 5}}};
    QCOMPARE(PlanStore::all(nullptr), QList<PatrolPlan>{expected});
    QCOMPARE(child<QListWidget>(editor, "lstPlans")->currentItem()->text(), u"Night round"_s);

    // A plan without weekdays is refused: the reason shows and the editor keeps the draft.
    for (int d = 0; d < 6; ++d)
        child<QCheckBox>(editor, qPrintable(u"chkDay_%1"_s.arg(d)))->click();
    click(editor, "cmdSavePlan");
    QCOMPARE(reporter.entries.size(), 1);
    QCOMPARE(reporter.entries.first().icon, MessageReporter::Icon::Exclamation);
    QCOMPARE(editor->currentPlan().weekdays, 0);
    QVERIFY(editor->isModified());
    QCOMPARE(PlanStore::all(nullptr), QList<PatrolPlan>{expected});
    click(editor, "cmdRevertPlan");
    QCOMPARE(editor->currentPlan(), expected);
}

void tst_ScheduleView::leavingAChangedPlan_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("stored");
    QTest::newRow("yes saves") << int(MessageReporter::Answer::Yes) << "B" << QStringList{u"A2"_s, u"B"_s};
    QTest::newRow("no drops") << int(MessageReporter::Answer::No) << "B" << QStringList{u"A"_s, u"B"_s};
    QTest::newRow("cancel stays") << int(MessageReporter::Answer::Cancel) << "A2" << QStringList{u"A"_s, u"B"_s};
}

void tst_ScheduleView::leavingAChangedPlan()
{
    QFETCH(int, answer);
    QFETCH(QString, shown);
    QFETCH(QStringList, stored);
    RecordingReporter reporter;
    for (const QString &n : {u"A"_s, u"B"_s})
        QVERIFY(PlanStore::save(plan(n, {{kGate, 0, 5}}), QString(), nullptr));
    ScheduleView view;
    view.show();
    PlanEditor *editor = view.planEditor();
    child<QLineEdit>(editor, "txtPlanName")->setText(u"A2"_s);
    reporter.choices = {MessageReporter::Answer(answer)};
    auto *list = child<QListWidget>(editor, "lstPlans");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    QCOMPARE(reporter.entries.size(), 1);
    QCOMPARE(editor->currentPlan().name, shown);
    QCOMPARE(list->currentItem()->text(), shown == u"A2"_s ? u"A"_s : shown);
    QCOMPARE(editor->planNames(), stored);
}

void tst_ScheduleView::checkpointButtonsNewAndDelete()
{
    RecordingReporter reporter;
    const QString taken = CRes::instance().ResString(381) + u" 1"_s;
    QVERIFY(PlanStore::save(plan(taken, {{kGate, 0, 5}, {kLobby, 10, 2}, {kBadge, 20, 1}}), QString(), nullptr));
    ScheduleView view;
    view.show();
    PlanEditor *editor = view.planEditor();
    auto *points = child<QTableWidget>(editor, "grdCheckpoints");
    points->selectRow(2);
    QVERIFY(!child<QPushButton>(editor, "cmdMoveDown")->isEnabled());
    click(editor, "cmdMoveUp");
    click(editor, "cmdRemoveCheckpoint");
    // The tags swap places with their tolerances; the minutes keep theirs.
    QCOMPARE(editor->currentPlan().checkpoints, (QList<PlanCheckpoint>{{kGate, 0, 5}, {kLobby, 20, 2}}));
    QCOMPARE(points->currentRow(), 1);
    reporter.choices = {MessageReporter::Answer::No};
    click(editor, "cmdNewPlan");
    const QString second = CRes::instance().ResString(381) + u" 2"_s;
    QCOMPARE(editor->currentPlan().name, second);
    click(editor, "cmdAddCheckpoint");
    click(editor, "cmdSavePlan");
    QCOMPARE(editor->planNames(), (QStringList{taken, second}));
    reporter.answers = {true};
    click(editor, "cmdDeletePlan");
    QCOMPARE(reporter.entries.size(), 2);
    QCOMPARE(reporter.entries.last().text, CRes::instance().ResString(362).arg(second));
    QCOMPARE(editor->planNames(), QStringList{taken});
    QCOMPARE(PlanStore::all(nullptr).first().checkpoints.size(), 3);
    auto *filter = child<QComboBox>(view.exceptionsPage(), "cboPlan");
    QCOMPARE(filter->count(), 2);
    QCOMPARE(filter->itemText(1), taken);
}

void tst_ScheduleView::exitWithAChangedPlan_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("exits");
    QTest::newRow("cancel keeps the program") << int(MessageReporter::Answer::Cancel) << 0;
    QTest::newRow("no ends it") << int(MessageReporter::Answer::No) << 1;
}

void tst_ScheduleView::exitWithAChangedPlan()
{
    QFETCH(int, answer);
    QFETCH(int, exits);
    RecordingReporter reporter;
    frmMain window;
    window.show();
    window.SelectView(2);
    child<QLineEdit>(window.scheduleView(), "txtPlanName")->setText(u"Changed"_s);
    QSignalSpy exit(&window, &frmMain::exitRequested);
    reporter.choices = {MessageReporter::Answer(answer)};
    window.action(u"mnuFiles_10"_s)->trigger();
    QCOMPARE(reporter.entries.size(), 1);
    QCOMPARE(exit.count(), exits);
}

void tst_ScheduleView::languageSwitch()
{
    frmMain window;
    window.show();
    CRes::instance().setLanguage(u"Japanese"_s);
    SetMainFormInterface(&window);
    const QString schedule = CRes::instance().ResString(341);
    QVERIFY(schedule != u"Schedule"_s);
    QCOMPARE(window.navigationBar()->GetMenuItemCaption(2), schedule);
    QCOMPARE(window.action(u"mnuViews_2"_s)->text(), CRes::instance().ResString(342));
    QCOMPARE(window.scheduleView()->tabs()->tabText(1), CRes::instance().ResString(344));
    QCOMPARE(window.scheduleView()->tabs()->tabText(2), CRes::instance().ResString(475));
    QCOMPARE(child<QComboBox>(window.scheduleView()->compliancePage(), "cboRows")->itemText(1),
             CRes::instance().ResString(477));
    QCOMPARE(window.scheduleView()->exceptionsPage()->outcomes()->headerData(0, Qt::Horizontal).toString(),
             CRes::instance().ResString(381));
}

void tst_ScheduleView::keepsTheWindowWidth_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << u"English"_s;
    QTest::newRow("Japanese") << u"Japanese"_s;
}

// Showing either tab of the schedule view leaves the main window as wide as it
// was, and the window can still shrink to a 1280x900 screen at a scale of 1.5.
void tst_ScheduleView::keepsTheWindowWidth()
{
    QFETCH(QString, language);
    QVERIFY(PlanStore::save(plan(u"Night"_s, {{kGate, 0, 5}, {kLobby, 10, 5}}), QString(), nullptr));
    CRes::instance().setLanguage(language);
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const int width = window.width();
    for (int tab : {0, 1, 2}) {
        window.SelectView(2);
        window.scheduleView()->tabs()->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        QCOMPARE(window.width(), width);
        const QSize least = window.minimumSizeHint();
        QVERIFY2(least.width() <= 1280 / 1.5 && least.height() <= 900 / 1.5,
                 qPrintable(u"%1x%2"_s.arg(least.width()).arg(least.height())));
    }
}

// At the main window's default size the guard totals show every column whole,
// with no scroll bar.
void tst_ScheduleView::guardTotalsShowEveryColumn()
{
    RecordingReporter reporter;
    QVERIFY(PlanStore::save(plan(u"Night"_s, {{kGate, 0, 5}, {kLobby, 10, 5}}), QString(), nullptr));
    QVERIFY(TagStore::setGuard(kBadge, true, nullptr));
    writeTvl(u"20261202 080000.tvl"_s, {u"7,00000000B1,2026/12/01,21:58:00"_s, u"7,0000000001,2026/12/01,22:09:30"_s});
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.SelectView(2);
    window.scheduleView()->tabs()->setCurrentIndex(1);
    ExceptionsPage *page = window.scheduleView()->exceptionsPage();
    child<QDateEdit>(page, "dtpTo")->setDate(QDate(2026, 12, 1));
    child<QDateEdit>(page, "dtpFrom")->setDate(QDate(2026, 12, 1));
    click(page, "cmdRun");
    QCoreApplication::processEvents();
    auto *totals = child<QTableView>(page, "grdGuardTotals");
    QCOMPARE(totals->model()->rowCount(), 1);
    QVERIFY(!totals->horizontalScrollBar()->isVisible());
    QHeaderView *header = totals->horizontalHeader();
    QStyleOptionViewItem option;
    option.initFrom(totals->viewport());
    for (int c = 0; c < header->count(); ++c) {
        const QModelIndex cell = totals->model()->index(0, c);
        const int needed = qMax(header->sectionSizeHint(c), totals->itemDelegate()->sizeHint(option, cell).width());
        QVERIFY2(header->sectionSize(c) >= needed,
                 qPrintable(u"column %1: %2 < %3"_s.arg(c).arg(header->sectionSize(c)).arg(needed)));
    }
    QVERIFY(header->sectionViewportPosition(header->count() - 1) + header->sectionSize(header->count() - 1)
            <= totals->viewport()->width());
}

void tst_ScheduleView::exceptionsTable()
{
    RecordingReporter reporter;
    QVERIFY(PlanStore::save(plan(u"Night"_s, {{kGate, 0, 5}, {kLobby, 10, 5}}), QString(), nullptr));
    QVERIFY(TagStore::setGuard(kBadge, true, nullptr));
    writeTvl(u"20261202 080000.tvl"_s, {u"7,00000000B1,2026/12/01,21:58:00"_s, u"7,0000000001,2026/12/01,22:09:30"_s});
    ScheduleView view;
    view.show();
    view.tabs()->setCurrentIndex(1);
    ExceptionsPage *page = view.exceptionsPage();
    // Both ends typed in the system's short date format.
    for (const char *name : {"dtpTo", "dtpFrom"}) {
        auto *edit = child<QDateEdit>(page, name);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QLocale::system().toString(QDate(2026, 12, 1), QLocale::ShortFormat));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(edit->date(), QDate(2026, 12, 1));
    }
    child<QComboBox>(page, "cboPlan")->setCurrentIndex(1);
    click(page, "cmdRun");
    QVERIFY2(reporter.entries.isEmpty(), qPrintable(reporter.texts().join(u'\n')));
    ExceptionTableModel *model = page->outcomes();
    QCOMPARE(model->rowCount(), 2);
    using C = ExceptionTableModel;
    auto row = [&](int r) {
        return QStringList{model->displayText(r, C::Seq), model->displayText(r, C::Checkpoint),
                           model->displayText(r, C::Minutes), model->displayText(r, C::Guard)};
    };
    QCOMPARE(row(0), (QStringList{u"1"_s, u"0000000001  Gate"_s, u"+10"_s, u"Ann"_s}));
    QCOMPARE(row(1), (QStringList{u"2"_s, u"0000000002  Lobby"_s, QString(), u"Ann"_s}));
    QCOMPARE(model->data(model->index(0, C::Outcome), Qt::BackgroundRole).value<QColor>(),
             C::kindColor(CheckpointOutcome::Kind::Late));
    QCOMPARE(model->data(model->index(1, C::Outcome), Qt::BackgroundRole).value<QColor>(),
             C::kindColor(CheckpointOutcome::Kind::Missed));
    QCOMPARE(page->planTotals()->displayText(0, OutcomeTotalsModel::Late), u"1"_s);
    QCOMPARE(page->guardTotals()->displayText(0, OutcomeTotalsModel::Key), u"Ann"_s);
    QCOMPARE(page->guardTotals()->displayText(0, OutcomeTotalsModel::Missed), u"1"_s);
}

// With a central database the page reports its sites on a worker thread:
// a site filter, a site column, and a note while it runs.
void tst_ScheduleView::exceptionsAcrossSites()
{
    RecordingReporter reporter;
    PgCluster pg;
    QString error;
    QVERIFY2(pg.start(&error), qPrintable(error));
    QVERIFY(PlanStore::save(plan(u"Night"_s, {{kGate, 0, 5}, {kLobby, 10, 5}}), QString(), nullptr));
    writeTvl(u"20261202 080000.tvl"_s, {u"7,0000000001,2026/12/01,22:01:00"_s});
    {
        QSqlDatabase db = CentralDatabase::open(pg.settings(), u"push"_s, &error);
        SiteIdentity::Site site;
        CentralPush::Outcome outcome;
        QVERIFY2(db.isOpen() && CentralSchema::migrate(db, nullptr, &error) && SiteIdentity::setName(u"North Gate"_s, &error)
                     && SiteIdentity::current(&site, &error) && CentralPush::registerSite(db, site, &error)
                     && CentralPush::pushDefinitions(db, site.id, &error)
                     && CentralPush::pushFile(db, site.id, QDir(Workspace::unapprovedFolder()).filePath(u"20261202 080000.tvl"_s),
                                              {}, &outcome, &error),
                 qPrintable(error));
        db = QSqlDatabase();
        CentralDatabase::close(u"push"_s);
    }
    ScheduleView view;
    ExceptionsPage *page = view.exceptionsPage();
    page->setSource(std::make_shared<CentralExceptionSource>(pg.settings()));
    view.show();
    view.tabs()->setCurrentIndex(1);
    auto *site = child<QComboBox>(page, "cboSite");
    QVERIFY(site->isVisible());
    QTRY_COMPARE(site->count(), 2);
    QCOMPARE(site->itemText(1), u"North Gate"_s);
    site->setCurrentIndex(1);
    child<QDateEdit>(page, "dtpFrom")->setDate(QDate(2026, 12, 1));
    child<QDateEdit>(page, "dtpTo")->setDate(QDate(2026, 12, 1));
    QSignalSpy finished(page, &ExceptionsPage::runFinished);
    click(page, "cmdRun");
    // The run goes on off the window's thread: the page says so until it ends.
    QVERIFY(page->isRunning());
    QVERIFY(child<QLabel>(page, "lblRunning")->isVisible());
    QVERIFY(!child<QPushButton>(page, "cmdRun")->isEnabled());
    QVERIFY(finished.wait(30000));
    QCOMPARE(finished.first().first().toBool(), true);
    QVERIFY2(reporter.entries.isEmpty(), qPrintable(reporter.texts().join(u'\n')));
    QVERIFY(!child<QLabel>(page, "lblRunning")->isVisible());
    ExceptionTableModel *model = page->outcomes();
    QCOMPARE(model->columnCount(), ExceptionTableModel::ColumnCount + 1);
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), u"Site"_s);
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->data(model->index(0, 0)).toString(), u"North Gate"_s);
    QCOMPARE(model->data(model->index(0, 1 + ExceptionTableModel::Checkpoint)).toString(), u"0000000001  Gate"_s);
}

void tst_ScheduleView::guardColumnOnlyWithGuardReads()
{
    RecordingReporter reporter;
    QVERIFY(TagStore::setGuard(kBadge, true, nullptr));
    // An hour before b.tvl: the same tag within a minute would be flagged, and add a column.
    writeTvl(u"a.tvl"_s, {u"1,0000000001,2026/12/06,06:00:00"_s});
    writeTvl(u"b.tvl"_s, {u"1,00000000B1,2026/12/06,07:00:00"_s, u"1,0000000001,2026/12/06,07:01:00"_s,
                          u"2,0000000002,2026/12/06,07:02:00"_s});
    frmMain window;
    window.show();
    PatrolTableModel *model = window.patrolView()->model();
    window.patrolView()->OpenPatrolDataFile(QDir(Workspace::unapprovedFolder()).filePath(u"b.tvl"_s));
    QCOMPARE(model->columnCount(), 6);
    QCOMPARE(model->headerData(5, Qt::Horizontal).toString(), CRes::instance().ResString(389));
    QCOMPARE((QStringList{model->displayText(1, 5), model->displayText(2, 5)}), (QStringList{u"Ann"_s, QString()}));
    // What the search, the command line and the exports read keeps its five columns.
    QCOMPARE(model->rowText(1).count(u'\t'), 4);
    window.patrolView()->OpenPatrolDataFile(QDir(Workspace::unapprovedFolder()).filePath(u"a.tvl"_s));
    QCOMPARE(model->columnCount(), 5);
    QVERIFY(reporter.entries.isEmpty());
}

void tst_ScheduleView::guardCheckBoxStoresTheMark()
{
    RecordingReporter reporter;
    frmMain window;
    window.show();
    window.SelectView(1);
    QTreeWidget *list = window.tagView()->list();
    auto fill = [](const QString &code, bool guard) {
        QTimer::singleShot(0, [code, guard] {
            QWidget *d = QApplication::activeModalWidget();
            d->findChild<QLineEdit *>(u"txt_0"_s)->setText(code);
            d->findChild<QLineEdit *>(u"txt_1"_s)->setText(u"Bob"_s);
            QCOMPARE(d->findChild<QCheckBox *>(u"chkGuard"_s)->isChecked(), !guard);
            d->findChild<QCheckBox *>(u"chkGuard"_s)->setChecked(guard);
            QTest::mouseClick(d->findChild<QPushButton *>(u"cmdCtrl_0"_s), Qt::LeftButton);
        });
    };
    fill(u"00000000B2"_s, true);
    window.action(u"mnuPopTagDefs_0"_s)->trigger();
    QCOMPARE(TagStore::guardCodes(nullptr), QSet<QString>{u"00000000B2"_s});
    QVERIFY(!list->currentItem()->text(2).isEmpty());
    // The edit dialog shows the mark; unticked while the code changes, neither code keeps it.
    fill(u"00000000B3"_s, false);
    window.action(u"mnuPopTagDefs_2"_s)->trigger();
    QCOMPARE(TagStore::guardCodes(nullptr), QSet<QString>{});
    QVERIFY(list->currentItem()->text(2).isEmpty());
    QVERIFY(reporter.entries.isEmpty());
}

// The compliance tab charts the days of a range from the same report as the
// exceptions tab; a day's bar opens that day's exceptions, whose printed first
// page carries the chart.
void tst_ScheduleView::complianceTab()
{
    RecordingReporter reporter;
    QVERIFY(PlanStore::save(plan(u"Night"_s, {{kGate, 0, 5}, {kLobby, 10, 5}}), QString(), nullptr));
    QVERIFY(TagStore::setGuard(kBadge, true, nullptr));
    // 1 Dec late and missed, 2 Dec both on time, 3 Dec nothing read.
    writeTvl(u"20261204 080000.tvl"_s, {u"7,00000000B1,2026/12/01,21:58:00"_s, u"7,0000000001,2026/12/01,22:09:30"_s,
                                         u"7,0000000001,2026/12/02,22:01:00"_s, u"7,0000000002,2026/12/02,22:10:00"_s});
    ScheduleView view;
    view.show();
    QApplication::setActiveWindow(&view);
    QVERIFY(QTest::qWaitForWindowActive(&view));
    view.tabs()->setCurrentIndex(2);
    CompliancePage *page = view.compliancePage();
    child<QDateEdit>(page, "dtpTo")->setDate(QDate(2026, 12, 3));
    child<QDateEdit>(page, "dtpFrom")->setDate(QDate(2026, 12, 1));
    child<QComboBox>(page, "cboPlan")->setCurrentIndex(1);
    QTest::keyClick(page, Qt::Key_F5);
    QVERIFY2(reporter.entries.isEmpty(), qPrintable(reporter.texts().join(u'\n')));
    ComplianceChart *chart = page->chart();
    QStringList days;
    for (const ComplianceRow &d : chart->figures().days())
        days << u"%1 %2 %3"_s.arg(d.onTime).arg(d.earlyOrLate).arg(d.missed);
    QCOMPARE(days, (QStringList{u"0 1 1"_s, u"2 0 0"_s, u"0 0 2"_s}));
    QCOMPARE(chart->categories().size(), 3);
    child<QComboBox>(page, "cboRows")->setCurrentIndex(1);
    QVERIFY(chart->perGuard());
    QCOMPARE(chart->categories(), (QStringList{CRes::instance().ResString(398), u"Ann"_s}));

    Q_EMIT chart->dayClicked(QDate(2026, 12, 2));
    QCOMPARE(view.tabs()->currentWidget(), view.exceptionsPage());
    ExceptionsPage *exceptions = view.exceptionsPage();
    QCOMPARE(child<QDateEdit>(exceptions, "dtpFrom")->date(), QDate(2026, 12, 2));
    QCOMPARE(child<QDateEdit>(exceptions, "dtpTo")->date(), QDate(2026, 12, 2));
    QCOMPARE(child<QComboBox>(exceptions, "cboPlan")->currentText(), u"Night"_s);
    QCOMPARE(exceptions->planTotals()->displayText(0, OutcomeTotalsModel::OnTime), u"2"_s);

    // The printed first page shows the day's bar in the table's on-time colour.
    const std::shared_ptr<ReportLayout> report = exceptions->report();
    QVERIFY(report);
    QImage image(827, 1169, QImage::Format_RGB32); // A4 at 100 dpi
    image.setDotsPerMeterX(3937);
    image.setDotsPerMeterY(3937);
    report->render(image, 0);
    const QRgb onTime = ExceptionTableModel::kindColor(CheckpointOutcome::Kind::OnTime).rgb();
    int bar = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            bar += image.pixel(x, y) == onTime;
    QVERIFY2(bar > 1000, qPrintable(QString::number(bar)));
}

QTEST_MAIN(tst_ScheduleView)
#include "tst_scheduleview.moc"
