#include "TagDefView.h"

#include "CRes.h"
#include "AppIcon.h"
#include "CommandParts.h"
#include "MessageReporter.h"
#include "RowSearch.h"
#include "TagEntryRules.h"
#include "TagStore.h"
#include "frmAddTag.h"
#include "rptTagDef.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kDeleteTagsQuestion = 168;
constexpr int kNotFoundText = 171;
constexpr int kGuardColumn = 2;
const QString kGuardMark = QStringLiteral("\u2713");

// Shows why the table refused an entry; true when it took it.
bool reportStoreResult(TagStore::Result result, const QString &code, const QString &error)
{
    switch (result) {
    case TagStore::Result::Ok:
        return true;
    case TagStore::Result::Duplicate:
        MessageReporter::instance().message(TagEntryRules::duplicateMessage(code), MessageReporter::Icon::Exclamation);
        return false;
    default:
        MessageReporter::instance().message(error, MessageReporter::Icon::Critical);
        return false;
    }
}

QString res(int number, const char *english)
{
    return CRes::instance().ResString(number, QLatin1String(english));
}

}

TagDefView::TagDefView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pic_1"));
    buildCommands();
    m_title = new QLabel(QStringLiteral("Tag Definition"), this);
    m_title->setObjectName(QStringLiteral("lbl_1"));
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    m_title->setFont(titleFont);

    m_find = new QLineEdit(this);
    m_find->setObjectName(QStringLiteral("txtFindTag"));
    m_find->setMaxLength(255);
    m_find->setClearButtonEnabled(true);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lvwTagDef"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAlternatingRowColors(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setColumnCount(3);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->header()->setSectionsClickable(true);
    m_list->header()->setSortIndicatorShown(false);

    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(m_find, 1);
    searchRow->addWidget(m_toolbar);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_title);
    layout->addLayout(searchRow);
    layout->addWidget(m_list, 1);

    // A header click sorts ascending by that column; there is no descending order.
    connect(m_list->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        m_list->sortItems(column, Qt::AscendingOrder);
        m_list->header()->setSortIndicatorShown(true);
        m_list->header()->setSortIndicator(column, Qt::AscendingOrder);
    });
    connect(m_list, &QTreeWidget::itemClicked, this, [this] { listClick(); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (m_list->topLevelItemCount() > 0)
            EditTagDefinition();
    });
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        if (QTreeWidgetItem *under = m_list->itemAt(pos); under && !under->isSelected())
            selectOnly(under);
        m_menu->exec(m_list->viewport()->mapToGlobal(pos));
    });
    connect(m_find, &QLineEdit::returnPressed, this, [this] { SearchTagDefinitions(RowSearch::FindFirst); });
}

QAction *TagDefView::newCommand(const QString &name, const QString &text, int textNumber, int toolTipNumber)
{
    auto *a = new QAction(text, this);
    a->setObjectName(name);
    m_texts.add(a, textNumber, toolTipNumber);
    return a;
}

void TagDefView::buildCommands()
{
    using namespace CommandParts;
    m_add = newCommand(QStringLiteral("mnuPopTagDefs_0"), QStringLiteral("&Add"), 0, 213);
    m_add->setIcon(QIcon::fromTheme(QStringLiteral("list-add"), AppIcon::shipped(QStringLiteral("list-add.png"))));
    m_delete = newCommand(QStringLiteral("mnuPopTagDefs_1"), QStringLiteral("&Delete"), 0, 214);
    m_delete->setIcon(themedIcon(this, "list-remove", QStyle::SP_TrashIcon));
    m_edit = newCommand(QStringLiteral("mnuPopTagDefs_2"), QStringLiteral("&Edit..."), 0, 215);
    m_edit->setIcon(themedIcon(this, "document-properties", QStyle::SP_FileDialogDetailedView));
    QAction *findFirst = newCommand(QStringLiteral("tblTagDef_findfirst"), QStringLiteral("Find First"), 201, 200);
    findFirst->setIcon(themedIcon(this, "edit-find", QStyle::SP_FileDialogContentsView));
    QAction *findNext = newCommand(QStringLiteral("tblTagDef_findnext"), QStringLiteral("Find Next        F3"), 202, 0);

    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("mnuPopTagDef"));
    m_menu->addActions({m_add, m_delete, m_edit});
    m_menu->setDefaultAction(m_add);

    m_toolbar = makeToolbar(this, QStringLiteral("tblTagDef"), QStringLiteral("Tag definitions"));
    m_toolbar->addActions({m_add, m_delete, m_edit});
    auto *search = new QMenu(this);
    search->setObjectName(QStringLiteral("tblTagDef_search"));
    search->addActions({findFirst, findNext});
    addDropDownButton(m_toolbar, findFirst, search);

    auto on = [this](QAction *a, auto handler) { connect(a, &QAction::triggered, this, [handler] { run(handler); }); };
    on(m_add, [this] { AddTagDefinition(QString()); });
    on(m_delete, [this] { DeleteWithConfirmation(); });
    on(m_edit, [this] { EditTagDefinition(); });
    on(findFirst, [this] { SearchTagDefinitions(RowSearch::FindFirst); });
    on(findNext, [this] { SearchTagDefinitions(RowSearch::FindNext); });
}

std::shared_ptr<ReportLayout> TagDefView::report(QString *error)
{
    auto report = std::make_shared<rptTagDef>();
    if (!report->load(error))
        return nullptr;
    report->SetupTagDefReport();
    return report;
}

void TagDefView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_columnsSized) {
        m_columnsSized = true;
        Initial_lvwTagDef();
    }
}

void TagDefView::Initial_lvwTagDef()
{
    m_list->setHeaderLabels({res(129, "Code"), res(130, "Description"), res(369, "Guard tag")});
    const int w = m_list->viewport()->width();
    m_list->setColumnWidth(0, w / 5);
    m_list->setColumnWidth(1, 3 * w / 5);
    m_title->setText(res(124, "Tag Definition"));
}

void TagDefView::listClick()
{
    const bool rows = m_list->topLevelItemCount() > 0;
    m_delete->setEnabled(rows);
    m_edit->setEnabled(rows);
}

QTreeWidgetItem *TagDefView::addRow(const QString &code, const QString &description, bool guard)
{
    return new QTreeWidgetItem(m_list, {code, description, guard ? kGuardMark : QString()});
}

bool TagDefView::storeGuard(QTreeWidgetItem *item, const QString &code, bool guard)
{
    QString error;
    if (!TagStore::setGuard(code, guard, &error)) {
        MessageReporter::instance().message(error, MessageReporter::Icon::Critical);
        return false;
    }
    item->setText(kGuardColumn, guard ? kGuardMark : QString());
    return true;
}

void TagDefView::selectOnly(QTreeWidgetItem *item)
{
    m_list->clearSelection();
    m_list->setCurrentItem(item);
    item->setSelected(true);
    m_list->scrollToItem(item);
}

void TagDefView::LoadTagDefinitions()
{
    QString error;
    const QList<TagDef> defs = TagStore::all(&error);
    m_list->clear();
    QSet<QString> guards;
    if (error.isEmpty())
        guards = TagStore::guardCodes(&error);
    if (!error.isEmpty())
        MessageReporter::instance().message(error, MessageReporter::Icon::Critical);
    QList<QTreeWidgetItem *> items;
    items.reserve(defs.size());
    for (const TagDef &def : defs)
        items.append(new QTreeWidgetItem({def.code, def.description, guards.contains(TagStore::codeKey(def.code)) ? kGuardMark : QString()}));
    m_list->addTopLevelItems(items);
    if (!items.isEmpty())
        selectOnly(items.first());
    listClick();
}

bool TagDefView::AddTagDefinition(const QString &code)
{
    frmAddTag dialog(this);
    dialog.ClearEntries();
    dialog.setWindowTitle(res(216, "Add Tag"));
    if (!code.isEmpty())
        dialog.setTxt0Value(code);
    dialog.setStore([](const QString &newCode, const QString &description) {
        QString error;
        return reportStoreResult(TagStore::add(newCode, description, &error), newCode, error);
    });
    dialog.exec();
    if (!dialog.IsOK())
        return false;
    QTreeWidgetItem *item = addRow(dialog.txt0Value(), dialog.txt1Value(), false);
    selectOnly(item);
    listClick();
    if (dialog.guardValue())
        storeGuard(item, dialog.txt0Value(), true);
    return true;
}

void TagDefView::EditTagDefinition()
{
    QTreeWidgetItem *item = m_list->currentItem();
    if (!item || !item->isSelected()) {
        const QList<QTreeWidgetItem *> selected = m_list->selectedItems();
        item = selected.isEmpty() ? nullptr : selected.first();
    }
    if (!item)
        return;
    const QString oldCode = item->text(0);
    frmAddTag dialog(this);
    dialog.setTxt0Value(oldCode);
    dialog.setTxt1Value(item->text(1));
    const bool wasGuard = !item->text(kGuardColumn).isEmpty();
    dialog.setGuardValue(wasGuard);
    dialog.setWindowTitle(res(217, "Edit Tag"));
    dialog.setStore([&oldCode](const QString &newCode, const QString &description) {
        QString error;
        return reportStoreResult(TagStore::edit(oldCode, newCode, description, &error), newCode, error);
    });
    dialog.exec();
    if (!dialog.IsOK())
        return;
    item->setText(0, dialog.txt0Value());
    item->setText(1, dialog.txt1Value());
    // The mark belongs to the code: a new code takes it over from the old one.
    if (oldCode != dialog.txt0Value() && wasGuard)
        storeGuard(item, oldCode, false);
    if (oldCode != dialog.txt0Value() || wasGuard != dialog.guardValue())
        storeGuard(item, dialog.txt0Value(), dialog.guardValue());
}

void TagDefView::DeleteWithConfirmation()
{
    if (m_list->selectedItems().isEmpty())
        return;
    if (MessageReporter::instance().question(res(kDeleteTagsQuestion, "Delete the selected tag definitions?")))
        DeleteTagDefinitions();
}

void TagDefView::DeleteTagDefinitions()
{
    for (int row = m_list->topLevelItemCount() - 1; row >= 0; --row) {
        QTreeWidgetItem *item = m_list->topLevelItem(row);
        if (!item->isSelected())
            continue;
        QString error;
        // A code already gone from the table still leaves the list.
        if (TagStore::remove(item->text(0), &error) == TagStore::Result::Failed) {
            MessageReporter::instance().message(error, MessageReporter::Icon::Critical);
            break;
        }
        delete m_list->takeTopLevelItem(row);
    }
    listClick();
}

void TagDefView::SearchTagDefinitions(int mode)
{
    int first = -1;
    for (int row = 0; row < m_list->topLevelItemCount() && first < 0; ++row)
        if (m_list->topLevelItem(row)->isSelected())
            first = row;
    const int found = RowSearch::find(m_find->text(), m_list->topLevelItemCount(), first, mode, [this](int row) {
        const QTreeWidgetItem *item = m_list->topLevelItem(row);
        return item->text(0) + u'\t' + item->text(1);
    });
    if (found < 0) {
        MessageReporter::instance().message(res(kNotFoundText, "No matching data was found."),
                                            MessageReporter::Icon::Exclamation);
        return;
    }
    selectOnly(m_list->topLevelItem(found));
}
