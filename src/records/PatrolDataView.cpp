#include "PatrolDataView.h"

#include "CRes.h"
#include "GuiHelpers.h"
#include "CommandParts.h"
#include "MessageReporter.h"
#include "GuardTracker.h"
#include "IncidentTracker.h"
#include "PatrolDataLoader.h"
#include "RowSearch.h"
#include "StatusNote.h"
#include "TagStore.h"
#include "rptPatrolData.h"
#include "Workspace.h"
#include "WindowGeometry.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSplitter>
#include <QSignalBlocker>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kUnapprovedRootText = 125;
constexpr int kApprovedRootText = 126;
constexpr int kDeleteFileQuestion = 169;
constexpr int kApprovedNote = 78;
constexpr int kApprovedAllNote = 79;
constexpr int kNotFoundText = 171;
constexpr int kSkippedLinesText = 281;
constexpr int kApprovedAsText = 282;
constexpr int kKeyRole = Qt::UserRole;

QString res(int number, const char *english)
{
    return CRes::instance().ResString(number, QLatin1String(english));
}

}

PatrolDataView::PatrolDataView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pic_0"));
    buildCommands();
    m_title = new QLabel(QStringLiteral("Patrol Data"), this);
    m_title->setObjectName(QStringLiteral("lbl_0"));
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    m_title->setFont(titleFont);

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("tvwPatrolData"));
    m_tree->setHeaderHidden(true);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);

    m_find = new QLineEdit(this);
    m_find->setObjectName(QStringLiteral("txtFindPatrolData"));
    m_find->setMaxLength(255);
    m_find->setClearButtonEnabled(true);

    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("lvwPatrolData"));
    m_list->setModel(&m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSortingEnabled(false);
    m_list->setShowGrid(false);
    m_list->setAlternatingRowColors(true);
    m_list->setWordWrap(false);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    m_list->horizontalHeader()->setHighlightSections(false);
    m_list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);

    auto *right = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(m_find, 1);
    searchRow->addWidget(m_toolbar);
    rightLayout->addLayout(searchRow);
    rightLayout->addWidget(m_list, 1);

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(m_tree);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({250, 650});
    splitter->setChildrenCollapsible(false);
    splitter->setObjectName(QStringLiteral("splPatrolData"));
    WindowGeometry::keep(splitter, QStringLiteral("PatrolDataSplitter"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_title);
    layout->addWidget(splitter, 1);

    // A click opens its node, also when the node is already selected; the
    // keyboard opens the node it moves to.
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (!m_rebuilding && QApplication::mouseButtons() == Qt::NoButton)
            nodeClick(item);
    });
    connect(m_tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) { nodeClick(item); });
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) {
        const QString path = m_library.path(item->data(0, kKeyRole).toString());
        if (!path.isEmpty())
            Q_EMIT previewRequested(path);
    });
    connect(m_tree, &QWidget::customContextMenuRequested, this, &PatrolDataView::treeContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, &PatrolDataView::listContextMenu);
    connect(m_find, &QLineEdit::returnPressed, this, [this] { SearchPatrolData(RowSearch::FindFirst); });
}

QAction *PatrolDataView::newCommand(const QString &name, const QString &text, int textNumber, int toolTipNumber)
{
    auto *a = new QAction(text, this);
    a->setObjectName(name);
    m_texts.add(a, textNumber, toolTipNumber);
    return a;
}

void PatrolDataView::buildCommands()
{
    using namespace CommandParts;
    m_delete = newCommand(QStringLiteral("mnuPopPatrolDataFiles_0"), QStringLiteral("&Delete"), 0, 197);
    m_delete->setIcon(themedIcon(this, "edit-delete", QStyle::SP_TrashIcon));
    m_approve = newCommand(QStringLiteral("mnuPopPatrolDataFiles_1"), QStringLiteral("&Approve"), 0, 198);
    m_approve->setIcon(themedIcon(this, "dialog-ok-apply", QStyle::SP_DialogApplyButton));
    m_approveAll = newCommand(QStringLiteral("mnuPopPatrolDataFiles_2"), QStringLiteral("Approve A&ll"), 0, 0);
    m_defineTag = newCommand(QStringLiteral("mnuPopDefineTags_0"), QStringLiteral("&Define Tag..."), 0, 0);
    m_findFirst = newCommand(QStringLiteral("tblPatrolData_findfirst"), QStringLiteral("Find First"), 201, 200);
    m_findFirst->setIcon(themedIcon(this, "edit-find", QStyle::SP_FileDialogContentsView));
    m_findNext = newCommand(QStringLiteral("tblPatrolData_findnext"), QStringLiteral("Find Next        F3"), 202, 0);

    m_fileMenu = new QMenu(this);
    m_fileMenu->setObjectName(QStringLiteral("mnuPopPatrolDataFile"));
    m_fileMenu->addActions({m_delete, m_approve, m_approveAll});
    m_fileMenu->setDefaultAction(m_delete);
    m_defineTagMenu = new QMenu(this);
    m_defineTagMenu->setObjectName(QStringLiteral("mnuPopDefineTag"));
    m_defineTagMenu->addAction(m_defineTag);

    m_toolbar = makeToolbar(this, QStringLiteral("tblPatrolData"), QStringLiteral("Patrol data"));
    auto *search = new QMenu(this);
    search->setObjectName(QStringLiteral("tblPatrolData_search"));
    search->addActions({m_findFirst, m_findNext});
    addDropDownButton(m_toolbar, m_findFirst, search);

    auto on = [this](QAction *a, auto handler) { connect(a, &QAction::triggered, this, [handler] { run(handler); }); };
    on(m_delete, [this] { DeletePatrolDataFile(); });
    on(m_approve, [this] { ApprovePatrolDataFile(); });
    on(m_approveAll, [this] { ApproveAllPatrolDataFiles(); });
    on(m_defineTag, [this] {
        Q_EMIT defineTagRequested(m_defineTagCode);
        // The record's new description shows once the file is read again.
        ReopenSelectedFile();
    });
    on(m_findFirst, [this] { SearchPatrolData(RowSearch::FindFirst); });
    on(m_findNext, [this] { SearchPatrolData(RowSearch::FindNext); });
}

std::shared_ptr<ReportLayout> PatrolDataView::report(QString *error)
{
    auto report = std::make_shared<rptPatrolData>();
    if (!report->load(m_model.rows(), error))
        return nullptr;
    report->SetupPatrolDataReport();
    return report;
}

void PatrolDataView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Column widths follow the list's width when it is first shown.
    if (!m_columnsSized) {
        m_columnsSized = true;
        Initial_lvwPatrolData();
    }
}

void PatrolDataView::Initial_lvwPatrolData()
{
    m_model.refreshHeaders();
    const int w = m_list->viewport()->width();
    // The guard and flag columns, when a file has them, take their width from the description's.
    const int five[] = {w / 10, w / 5, w / 5, w / 5, w / 2};
    const int six[] = {w / 12, w / 7, w / 7, w / 6, w / 4, w / 5};
    const int seven[] = {w / 12, w / 8, w / 8, w / 7, w / 4, w / 7, w / 9};
    const int columns = m_model.columnCount();
    for (int c = 0; c < columns; ++c)
        m_list->setColumnWidth(c, columns == 7 ? seven[c] : columns == 6 ? six[c] : five[c]);
    m_title->setText(res(123, "Patrol Data"));
}

void PatrolDataView::Initial_tvwPatrolData()
{
    BusyCursor busy;
    const QString selected = selectedKey();
    m_library.refresh();
    rebuildTree(selected);
}

QString PatrolDataView::selectedKey() const
{
    const QTreeWidgetItem *item = m_tree->currentItem();
    return item ? item->data(0, kKeyRole).toString() : QString();
}

QTreeWidgetItem *PatrolDataView::itemForKey(const QString &key) const
{
    for (int r = 0; r < m_tree->topLevelItemCount(); ++r) {
        QTreeWidgetItem *root = m_tree->topLevelItem(r);
        if (root->data(0, kKeyRole).toString() == key)
            return root;
        for (int c = 0; c < root->childCount(); ++c)
            if (root->child(c)->data(0, kKeyRole).toString() == key)
                return root->child(c);
    }
    return nullptr;
}

void PatrolDataView::rebuildTree(const QString &selectKey)
{
    m_rebuilding = true;
    m_tree->clear();
    QStyle *s = style();
    auto *unapproved = new QTreeWidgetItem(m_tree, {res(kUnapprovedRootText, "Unapproved")});
    unapproved->setData(0, kKeyRole, QStringLiteral("unapproved"));
    unapproved->setIcon(0, s->standardIcon(QStyle::SP_DirOpenIcon));
    auto *approved = new QTreeWidgetItem(m_tree, {res(kApprovedRootText, "Approved")});
    approved->setData(0, kKeyRole, QStringLiteral("approved"));
    approved->setIcon(0, s->standardIcon(QStyle::SP_DialogApplyButton));
    for (const LibraryFile &f : m_library.files()) {
        auto *node = new QTreeWidgetItem(f.approved ? approved : unapproved, {f.name});
        node->setData(0, kKeyRole, f.key);
        node->setIcon(0, s->standardIcon(QStyle::SP_FileIcon)); // the folder says whether it is approved
        if (!f.approved) {
            QFont bold = node->font(0);
            bold.setBold(true);
            node->setFont(0, bold);
        }
    }
    unapproved->setExpanded(true);
    approved->setExpanded(true);
    if (QTreeWidgetItem *item = itemForKey(selectKey)) {
        m_tree->setCurrentItem(item);
        m_tree->scrollToItem(item);
    }
    m_rebuilding = false;
    updateFileCommands(selectedKey());
}

void PatrolDataView::updateFileCommands(const QString &key)
{
    m_approve->setEnabled(PatrolLibrary::isUnapprovedKey(key));
    m_delete->setEnabled(PatrolLibrary::isUnapprovedKey(key) || PatrolLibrary::isApprovedKey(key));
    bool anyUnapproved = false;
    for (const LibraryFile &f : m_library.files())
        anyUnapproved = anyUnapproved || !f.approved;
    m_approveAll->setEnabled(anyUnapproved);
}

void PatrolDataView::nodeClick(QTreeWidgetItem *item)
{
    BusyCursor busy;
    const QString key = item ? item->data(0, kKeyRole).toString() : QString();
    updateFileCommands(key);
    const QString path = m_library.path(key);
    if (!path.isEmpty())
        OpenPatrolDataFile(path);
    m_currentFilePath = path;
}

void PatrolDataView::OpenPatrolDataFile(const QString &path)
{
    BusyCursor busy;
    m_model.clear();
    QString error;
    const QHash<QString, QString> descriptions = TagStore::descriptionMap(&error);
    if (!error.isEmpty())
        showFailure(error);
    PatrolLoadResult result = PatrolDataLoader::load(path, descriptions);
    // The guard column shows only for a file that holds guard-tag reads; it
    // is an addition, so a guard table that cannot be read only leaves it out.
    QString guardError;
    const QSet<QString> guardCodes = TagStore::guardCodes(&guardError);
    QStringList guards;
    if (GuardTracker::hasGuardReads(result.rows, guardCodes))
        guards = GuardTracker::guards(result.rows, guardCodes, descriptions);
    // The flags and incidents are additions in the same way.
    const QStringList flags = m_rowMarks ? m_rowMarks->marks(path, result.rows) : QStringList();
    const QStringList incidents = incidentTexts(result.rows, guardCodes, descriptions);
    const int hadColumns = m_model.columnCount();
    m_model.setRows(std::move(result.rows), std::move(guards), flags, incidents);
    if (m_model.columnCount() != hadColumns && m_columnsSized)
        Initial_lvwPatrolData();
    if (!result.ok) {
        showFailure(result.error);
        return;
    }
    m_currentFilePath = path;
    Q_EMIT fileOpened(path);
    if (!result.skippedLines.isEmpty())
        MessageReporter::instance().message(
            PatrolDataLoader::skippedText(result.skippedLines,
                                          res(kSkippedLinesText, "%1 lines of the patrol data file could not be read and were "
                                                                 "skipped (lines %2).")),
            MessageReporter::Icon::Exclamation);
}

QStringList PatrolDataView::incidentTexts(const QList<PatrolRow> &rows, const QSet<QString> &guardCodes,
                                          const QHash<QString, QString> &descriptions)
{
    QString error;
    const QHash<QString, QString> incidents = TagStore::incidentTexts(&error);
    const QList<qsizetype> attached = IncidentTracker::attach(rows, incidents, guardCodes, IncidentTracker::windowSeconds());
    QStringList texts(rows.size());
    bool any = false;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (attached.at(i) == IncidentTracker::kNoIncident)
            continue;
        QString &text = texts[i];
        text = incidents.value(TagStore::codeKey(rows.at(i).code));
        // The checkpoint it was found at, by its name where it has one.
        if (attached.at(i) >= 0) {
            const PatrolRow &at = rows.at(attached.at(i));
            const QString name = descriptions.value(TagStore::codeKey(at.code));
            text += QStringLiteral(" (") + (name.isEmpty() ? at.code : name) + QLatin1Char(')');
        }
        any = true;
    }
    return any ? texts : QStringList();
}

void PatrolDataView::ReopenSelectedFile()
{
    nodeClick(m_tree->currentItem());
}

void PatrolDataView::ClearList()
{
    m_model.clear();
}

void PatrolDataView::SearchPatrolData(int mode)
{
    QItemSelectionModel *selection = m_list->selectionModel();
    int first = -1;
    for (const QModelIndex &index : selection->selectedRows())
        first = first < 0 ? index.row() : qMin(first, index.row());
    const int found = RowSearch::findInto(m_find->text(), m_model.rowCount(), first, mode,
                                          [this](int row, QString *into) { m_model.rowText(row, into); });
    if (found < 0) {
        MessageReporter::instance().message(res(kNotFoundText, "No matching data was found."),
                                            MessageReporter::Icon::Exclamation);
        return;
    }
    const QModelIndex index = m_model.index(found, 0);
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_list->scrollTo(index);
}

void PatrolDataView::ApprovePatrolDataFile()
{
    const QString key = selectedKey();
    if (!PatrolLibrary::isUnapprovedKey(key))
        return;
    const QString oldName = m_library.find(key)->name;
    QString newKey;
    QString error;
    if (!m_library.approve(key, &newKey, &error)) {
        showFailure(error);
        return;
    }
    rebuildTree(newKey);
    nodeClick(m_tree->currentItem());
    const QString newName = m_library.find(newKey)->name;
    StatusNote::post(res(kApprovedNote, "Approved: %1").arg(QDir::toNativeSeparators(m_library.path(newKey))));
    if (newName != oldName)
        MessageReporter::instance().message(
            res(kApprovedAsText, "Approved already holds a file named %1; this file was approved as %2.")
                .arg(oldName, newName),
            MessageReporter::Icon::Information);
}

void PatrolDataView::ApproveAllPatrolDataFiles()
{
    // The same file stays selected when it moves.
    const QString selected = selectedKey();
    // A file keeps its number when it moves: "UU7" becomes "AA7".
    QHash<QString, QString> oldNames;
    for (const LibraryFile &f : m_library.files())
        if (!f.approved)
            oldNames.insert(f.key.mid(2), f.name);
    QStringList newKeys;
    QString error;
    const bool ok = m_library.approveAll(&newKeys, &error);
    QString select = selected;
    if (PatrolLibrary::isUnapprovedKey(selected))
        select = QStringLiteral("AA") + selected.mid(2);
    if (!m_library.find(select) && !newKeys.isEmpty())
        select = newKeys.last();
    rebuildTree(select);
    if (!newKeys.isEmpty()) {
        nodeClick(m_tree->currentItem());
        StatusNote::post(res(kApprovedAllNote, "Approved %1 files into %2")
                             .arg(newKeys.size())
                             .arg(QDir::toNativeSeparators(Workspace::approvedFolder())));
    }
    QStringList renamed;
    for (const QString &key : std::as_const(newKeys)) {
        const QString oldName = oldNames.value(key.mid(2));
        const QString newName = m_library.find(key)->name;
        if (newName != oldName)
            renamed << res(kApprovedAsText, "Approved already holds a file named %1; this file was approved as %2.")
                           .arg(oldName, newName);
    }
    if (!renamed.isEmpty())
        MessageReporter::instance().message(renamed.join(u'\n'), MessageReporter::Icon::Information);
    if (!ok)
        showFailure(error);
}

void PatrolDataView::DeletePatrolDataFile()
{
    const QString key = selectedKey();
    if (!PatrolLibrary::isUnapprovedKey(key) && !PatrolLibrary::isApprovedKey(key))
        return;
    // The question names the file: a slip of the mouse in the tree shows here.
    const QString question = res(kDeleteFileQuestion, "Delete the selected patrol data file?") + QStringLiteral("\n\n")
        + m_library.find(key)->name;
    if (!MessageReporter::instance().question(question))
        return;
    ClearList();
    // The node below takes the selection, else the one above.
    QTreeWidgetItem *item = m_tree->currentItem();
    QTreeWidgetItem *next = m_tree->itemBelow(item);
    if (!next || next->parent() != item->parent())
        next = m_tree->itemAbove(item);
    const QString nextKey = next ? next->data(0, kKeyRole).toString() : QString();
    QString error;
    if (!m_library.remove(key, &error)) {
        showFailure(error);
        return;
    }
    // The status bar stops naming the file at once; the node selected next
    // names its own file when it has one.
    m_currentFilePath.clear();
    Q_EMIT fileOpened(QString());
    rebuildTree(nextKey);
    nodeClick(m_tree->currentItem());
}

void PatrolDataView::RefreshAfterMaintenance()
{
    Initial_tvwPatrolData();
    QString last;
    for (const LibraryFile &f : m_library.files())
        if (!f.approved)
            last = f.key;
    if (last.isEmpty())
        return;
    rebuildTree(last);
    nodeClick(m_tree->currentItem());
}

void PatrolDataView::AddDownloadedFile(const QString &name)
{
    const QString key = m_library.addDownloaded(name);
    rebuildTree(key);
    nodeClick(m_tree->currentItem());
}

void PatrolDataView::treeContextMenu(const QPoint &pos)
{
    // The menu acts on the node under the pointer. A right press makes it
    // current without opening it (a click opens on release): select and open
    // it here, so that its states, the list and the status bar all follow it.
    QTreeWidgetItem *item = m_tree->itemAt(pos);
    if (!item)
        item = m_tree->currentItem();
    const QString key = item ? item->data(0, kKeyRole).toString() : QString();
    if (!PatrolLibrary::isUnapprovedKey(key) && !PatrolLibrary::isApprovedKey(key))
        return;
    if (item != m_tree->currentItem() || m_library.path(key) != m_currentFilePath) {
        {
            const QSignalBlocker once(m_tree); // opened below, not twice
            m_tree->setCurrentItem(item);
        }
        nodeClick(item);
    }
    // Approving is for unapproved files only, from this menu.
    const bool unapproved = PatrolLibrary::isUnapprovedKey(key);
    m_approveAll->setEnabled(unapproved);
    m_fileMenu->exec(m_tree->viewport()->mapToGlobal(pos));
    updateFileCommands(selectedKey());
}

void PatrolDataView::listContextMenu(const QPoint &pos)
{
    const QModelIndex under = m_list->indexAt(pos);
    if (!under.isValid())
        return;
    if (!m_list->selectionModel()->isRowSelected(under.row(), QModelIndex()))
        m_list->selectionModel()->setCurrentIndex(under, QItemSelectionModel::ClearAndSelect
                                                             | QItemSelectionModel::Rows);
    const int row = m_list->selectionModel()->currentIndex().row();
    // Only a record whose code has no definition offers to define it.
    if (!m_model.displayText(row, 4).isEmpty())
        return;
    m_defineTagCode = m_model.displayText(row, 3);
    m_defineTagMenu->exec(m_list->viewport()->mapToGlobal(pos));
}

void PatrolDataView::showFailure(const QString &text)
{
    MessageReporter::instance().message(text, MessageReporter::Icon::Critical);
}
