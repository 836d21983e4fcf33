#include "PlanEditor.h"

#include "ButtonKey.h"
#include "CRes.h"
#include "QtTranslations.h"
#include "MessageReporter.h"
#include "PlanStore.h"
#include "TagStore.h"
#include "WindowGeometry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

constexpr int kPlanText = 381;
constexpr int kSaveChangesQuestion = 361;
constexpr int kDeletePlanQuestion = 362;
enum PointColumn { CodeColumn, MinutesColumn, ToleranceColumn, MinimumColumn };

QString res(int number, const char *english)
{
    return CRes::instance().ResString(number, QLatin1String(english));
}

QSpinBox *minutesBox(int value)
{
    auto *box = new QSpinBox;
    box->setRange(0, PatrolPlan::kMaxMinutes);
    box->setValue(value);
    box->setFrame(false);
    return box;
}

}

PlanEditor::PlanEditor(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("picPlans"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lstPlans"));
    m_new = new QPushButton(this);
    m_new->setObjectName(QStringLiteral("cmdNewPlan"));
    m_delete = new QPushButton(this);
    m_delete->setObjectName(QStringLiteral("cmdDeletePlan"));

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("txtPlanName"));
    m_name->setMaxLength(64);
    m_start = new QTimeEdit(this);
    m_start->setObjectName(QStringLiteral("dtpStart"));
    m_end = new QTimeEdit(this);
    m_end->setObjectName(QStringLiteral("dtpEnd"));
    for (QTimeEdit *t : {m_start, m_end})
        t->setDisplayFormat(QStringLiteral("HH:mm"));
    m_interval = new QSpinBox(this);
    m_interval->setObjectName(QStringLiteral("spnInterval"));
    m_interval->setRange(0, PatrolPlan::kMaxMinutes);
    auto *days = new QHBoxLayout;
    for (int d = 0; d < 7; ++d) {
        auto *box = new QCheckBox(this);
        box->setObjectName(QStringLiteral("chkDay_%1").arg(d));
        m_days << box;
        days->addWidget(box);
    }
    days->addStretch(1);

    m_points = new QTableWidget(0, 4, this);
    m_points->setObjectName(QStringLiteral("grdCheckpoints"));
    m_points->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_points->setSelectionMode(QAbstractItemView::SingleSelection);
    m_points->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_points->horizontalHeader()->setSectionResizeMode(CodeColumn, QHeaderView::Stretch);
    m_points->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_addPoint = new QPushButton(this);
    m_addPoint->setObjectName(QStringLiteral("cmdAddCheckpoint"));
    m_removePoint = new QPushButton(this);
    m_removePoint->setObjectName(QStringLiteral("cmdRemoveCheckpoint"));
    m_up = new QPushButton(this);
    m_up->setObjectName(QStringLiteral("cmdMoveUp"));
    m_down = new QPushButton(this);
    m_down->setObjectName(QStringLiteral("cmdMoveDown"));
    m_save = new QPushButton(this);
    m_save->setObjectName(QStringLiteral("cmdSavePlan"));
    m_revert = new QPushButton(this);
    m_revert->setObjectName(QStringLiteral("cmdRevertPlan"));

    auto *listButtons = new QHBoxLayout;
    listButtons->addWidget(m_new);
    listButtons->addWidget(m_delete);
    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(m_list, 1);
    leftLayout->addLayout(listButtons);

    // One field a row, the field under its label where the label is long
    // (Japanese, a narrow window): the editor never forces the window wider.
    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    m_nameLabel = new QLabel(this);
    m_startLabel = new QLabel(this);
    m_endLabel = new QLabel(this);
    m_intervalLabel = new QLabel(this);
    m_weekdaysLabel = new QLabel(this);
    m_intervalLabel->setWordWrap(true);
    m_name->setMinimumWidth(160);
    form->addRow(m_nameLabel, m_name);
    form->addRow(m_startLabel, m_start);
    form->addRow(m_endLabel, m_end);
    form->addRow(m_intervalLabel, m_interval);
    form->addRow(m_weekdaysLabel, days);
    for (QLabel *label : {m_nameLabel, m_startLabel, m_endLabel, m_intervalLabel, m_weekdaysLabel})
        label->setObjectName(QString());

    auto *pointButtons = new QVBoxLayout;
    for (QPushButton *b : {m_addPoint, m_removePoint, m_up, m_down})
        pointButtons->addWidget(b);
    pointButtons->addStretch(1);
    m_pointsBox = new QGroupBox(this);
    m_pointsBox->setObjectName(QStringLiteral("fraCheckpoints"));
    auto *pointsLayout = new QHBoxLayout(m_pointsBox);
    pointsLayout->addWidget(m_points, 1);
    pointsLayout->addLayout(pointButtons);

    auto *saveRow = new QHBoxLayout;
    saveRow->addStretch(1);
    saveRow->addWidget(m_save);
    saveRow->addWidget(m_revert);
    auto *right = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addLayout(form);
    rightLayout->addWidget(m_pointsBox, 1);
    rightLayout->addLayout(saveRow);

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("splPlans"));
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 3);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(splitter);
    WindowGeometry::keep(splitter, QStringLiteral("PlansSplitter"));

    connect(m_list, &QListWidget::currentRowChanged, this, &PlanEditor::listRowChanged);
    ButtonKey::bind(this, m_new, QKeySequence::New, QStringLiteral("schedule_newPlan"));
    ButtonKey::bind(this, m_up, QKeySequence(Qt::ALT | Qt::Key_Up), QStringLiteral("schedule_moveUp"));
    ButtonKey::bind(this, m_down, QKeySequence(Qt::ALT | Qt::Key_Down), QStringLiteral("schedule_moveDown"));
    ButtonKey::bind(this, m_save, QKeySequence::Save, QStringLiteral("schedule_savePlan"));
    connect(m_new, &QPushButton::clicked, this, &PlanEditor::newPlan);
    connect(m_delete, &QPushButton::clicked, this, &PlanEditor::deletePlan);
    connect(m_addPoint, &QPushButton::clicked, this, &PlanEditor::addCheckpoint);
    connect(m_removePoint, &QPushButton::clicked, this, &PlanEditor::removeCheckpoint);
    connect(m_up, &QPushButton::clicked, this, [this] { moveCheckpoint(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { moveCheckpoint(1); });
    connect(m_save, &QPushButton::clicked, this, &PlanEditor::save);
    connect(m_revert, &QPushButton::clicked, this, &PlanEditor::revert);
    connect(m_name, &QLineEdit::textChanged, this, &PlanEditor::updateButtons);
    for (QTimeEdit *t : {m_start, m_end})
        connect(t, &QTimeEdit::timeChanged, this, &PlanEditor::updateButtons);
    connect(m_interval, &QSpinBox::valueChanged, this, &PlanEditor::updateButtons);
    for (QCheckBox *box : std::as_const(m_days))
        connect(box, &QCheckBox::toggled, this, &PlanEditor::updateButtons);
    connect(m_points, &QTableWidget::itemSelectionChanged, this, &PlanEditor::updateButtons);

    applyTexts();
    // Nothing is loaded until the view is first shown: an empty editor has no changes.
    m_stored = currentPlan();
}

void PlanEditor::applyTexts()
{
    m_new->setText(res(345, "&New"));
    m_delete->setText(res(204, "&Delete"));
    m_nameLabel->setText(res(14, "Name:"));
    m_startLabel->setText(res(348, "Start:"));
    m_endLabel->setText(res(349, "End:"));
    m_intervalLabel->setText(res(350, "Interval (minutes, 0 = one round):"));
    m_weekdaysLabel->setText(res(351, "Weekdays:"));
    // Day names are words of the interface language, not of the system.
    QLocale locale = QtTranslations::localeOf(CRes::instance().currentLanguage());
    if (locale.language() == QLocale::C)
        locale = QLocale::system();
    for (int d = 0; d < 7; ++d)
        m_days[d]->setText(locale.dayName(d + 1, QLocale::ShortFormat));
    m_pointsBox->setTitle(res(352, "Checkpoints"));
    m_points->setHorizontalHeaderLabels({res(129, "Code"), res(387, "Minutes"), res(360, "Tolerance"),
                                         res(474, "Min. from previous")});
    m_addPoint->setText(res(203, "&Add"));
    m_removePoint->setText(res(354, "&Remove"));
    m_up->setText(res(355, "Move &up"));
    m_down->setText(res(356, "Move do&wn"));
    m_save->setText(res(357, "&Save"));
    m_revert->setText(res(358, "Re&vert"));
}

QStringList PlanEditor::planNames() const
{
    QStringList names;
    for (const PatrolPlan &plan : m_plans)
        names << plan.name;
    return names;
}

void PlanEditor::refreshTags()
{
    QString error;
    const QList<TagDef> defs = TagStore::all(&error);
    m_tags.clear();
    for (const TagDef &def : defs)
        m_tags.append({def.code, def.description});
    // The rows keep their codes; their lists and descriptions follow the table.
    const bool modified = isModified();
    const PatrolPlan stored = m_stored;
    setCheckpoints(currentPlan().checkpoints, m_points->currentRow());
    m_stored = stored;
    if (!modified)
        m_stored.checkpoints = currentPlan().checkpoints;
    updateButtons();
}

void PlanEditor::reload()
{
    // The tags first: reading them opens the database when nothing has yet.
    refreshTags();
    QString error;
    m_plans = PlanStore::all(&error);
    if (!error.isEmpty())
        MessageReporter::instance().message(error, MessageReporter::Icon::Critical);
    const QString keep = m_storedName;
    fillList(keep);
    const QStringList names = planNames();
    if (!keep.isEmpty() && names.contains(keep))
        showPlan(m_plans.at(names.indexOf(keep)), keep);
    else if (!m_plans.isEmpty())
        showPlan(m_plans.first(), m_plans.first().name);
    else
        startNewPlan();
}

void PlanEditor::fillList(const QString &select)
{
    m_switching = true;
    m_list->clear();
    for (const PatrolPlan &plan : std::as_const(m_plans))
        m_list->addItem(plan.name);
    m_list->setCurrentRow(int(planNames().indexOf(select)));
    m_switching = false;
}

void PlanEditor::showPlan(const PatrolPlan &plan, const QString &storedName)
{
    m_name->setText(plan.name);
    m_start->setTime(plan.start);
    m_end->setTime(plan.end);
    m_interval->setValue(plan.interval);
    for (int d = 0; d < 7; ++d)
        m_days[d]->setChecked(plan.weekdays & (1 << d));
    setCheckpoints(plan.checkpoints, plan.checkpoints.isEmpty() ? -1 : 0);
    m_stored = currentPlan();
    m_storedName = storedName;
    m_switching = true;
    m_list->setCurrentRow(int(planNames().indexOf(storedName)));
    m_switching = false;
    updateButtons();
}

PatrolPlan PlanEditor::currentPlan() const
{
    PatrolPlan plan;
    plan.name = m_name->text().trimmed();
    plan.start = m_start->time();
    plan.end = m_end->time();
    plan.interval = m_interval->value();
    plan.weekdays = 0;
    for (int d = 0; d < 7; ++d)
        if (m_days[d]->isChecked())
            plan.weekdays |= 1 << d;
    for (int row = 0; row < m_points->rowCount(); ++row) {
        const auto *code = qobject_cast<QComboBox *>(m_points->cellWidget(row, CodeColumn));
        const auto *minutes = qobject_cast<QSpinBox *>(m_points->cellWidget(row, MinutesColumn));
        const auto *tolerance = qobject_cast<QSpinBox *>(m_points->cellWidget(row, ToleranceColumn));
        const auto *minimum = qobject_cast<QSpinBox *>(m_points->cellWidget(row, MinimumColumn));
        if (code && minutes && tolerance && minimum)
            plan.checkpoints << PlanCheckpoint{code->currentData().toString(), minutes->value(), tolerance->value(),
                                               minimum->value()};
    }
    return plan;
}

QComboBox *PlanEditor::codeBox(const QString &code)
{
    auto *box = new QComboBox;
    box->setFrame(false);
    for (const auto &[tagCode, description] : std::as_const(m_tags))
        box->addItem(description.isEmpty() ? tagCode : tagCode + QStringLiteral("  ") + description, tagCode);
    int index = box->findData(code);
    // A code whose definition is gone stays visible, so that saving names it.
    if (index < 0 && !code.isEmpty()) {
        box->addItem(code, code);
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
    connect(box, &QComboBox::currentIndexChanged, this, &PlanEditor::updateButtons);
    return box;
}

void PlanEditor::setCheckpoints(const QList<PlanCheckpoint> &points, int selectRow)
{
    // The rows are rebuilt whole; the buttons follow once they are complete.
    m_filling = true;
    m_points->setRowCount(0);
    m_points->setRowCount(int(points.size()));
    for (int row = 0; row < points.size(); ++row) {
        m_points->setCellWidget(row, CodeColumn, codeBox(points[row].code));
        for (int column : {MinutesColumn, ToleranceColumn, MinimumColumn}) {
            QSpinBox *box = minutesBox(column == MinutesColumn ? points[row].minutes
                                       : column == ToleranceColumn ? points[row].tolerance
                                                                   : points[row].minMinutes);
            connect(box, &QSpinBox::valueChanged, this, &PlanEditor::updateButtons);
            m_points->setCellWidget(row, column, box);
        }
    }
    m_points->resizeColumnToContents(MinutesColumn);
    m_points->resizeColumnToContents(ToleranceColumn);
    m_points->resizeColumnToContents(MinimumColumn);
    if (selectRow >= 0 && selectRow < points.size())
        m_points->selectRow(selectRow);
    m_filling = false;
    updateButtons();
}

void PlanEditor::addCheckpoint()
{
    QList<PlanCheckpoint> points = currentPlan().checkpoints;
    PlanCheckpoint point;
    // The next tag the plan does not visit yet, five minutes after the last checkpoint.
    for (const auto &tag : std::as_const(m_tags)) {
        if (std::none_of(points.cbegin(), points.cend(), [&](const PlanCheckpoint &p) { return p.code == tag.first; })) {
            point.code = tag.first;
            break;
        }
    }
    point.minutes = points.isEmpty() ? 0 : qMin(points.last().minutes + 5, PatrolPlan::kMaxMinutes);
    point.tolerance = points.isEmpty() ? 5 : points.last().tolerance;
    points << point;
    setCheckpoints(points, int(points.size()) - 1);
    m_points->cellWidget(int(points.size()) - 1, CodeColumn)->setFocus();
}

void PlanEditor::removeCheckpoint()
{
    const int row = m_points->currentRow();
    QList<PlanCheckpoint> points = currentPlan().checkpoints;
    if (row < 0 || row >= points.size())
        return;
    points.removeAt(row);
    setCheckpoints(points, qMin(row, int(points.size()) - 1));
}

void PlanEditor::moveCheckpoint(int delta)
{
    const int row = m_points->currentRow();
    QList<PlanCheckpoint> points = currentPlan().checkpoints;
    const int to = row + delta;
    if (row < 0 || to < 0 || to >= points.size())
        return;
    // The tag moves with its tolerance; the minutes and the minimum from the
    // previous checkpoint stay with the place, so that the plan stays in order
    // of time.
    std::swap(points[row].code, points[to].code);
    std::swap(points[row].tolerance, points[to].tolerance);
    setCheckpoints(points, to);
}

void PlanEditor::updateButtons()
{
    if (m_filling)
        return;
    const int row = m_points->currentRow();
    const int rows = m_points->rowCount();
    m_removePoint->setEnabled(row >= 0);
    m_up->setEnabled(row > 0);
    m_down->setEnabled(row >= 0 && row < rows - 1);
    const bool modified = isModified();
    m_save->setEnabled(modified || m_storedName.isEmpty());
    m_revert->setEnabled(modified);
}

bool PlanEditor::save()
{
    const PatrolPlan plan = currentPlan();
    QString error;
    if (!PlanStore::save(plan, m_storedName, &error)) {
        MessageReporter::instance().message(error, MessageReporter::Icon::Exclamation);
        return false;
    }
    m_storedName = plan.name;
    reload();
    Q_EMIT plansChanged();
    return true;
}

void PlanEditor::revert()
{
    showPlan(m_stored, m_storedName);
}

void PlanEditor::newPlan()
{
    if (confirmLeave())
        startNewPlan();
}

void PlanEditor::startNewPlan()
{
    PatrolPlan plan;
    const QStringList names = planNames();
    for (int n = int(names.size()) + 1;; ++n) {
        plan.name = res(kPlanText, "Plan") + u' ' + QString::number(n);
        if (!names.contains(plan.name))
            break;
    }
    plan.start = QTime(8, 0);
    plan.end = QTime(17, 0);
    plan.interval = 60;
    showPlan(plan, QString());
    m_name->setFocus();
    m_name->selectAll();
}

void PlanEditor::deletePlan()
{
    if (m_storedName.isEmpty()) {
        // A plan never stored only leaves the editor.
        m_stored = currentPlan();
        reload();
        return;
    }
    if (!MessageReporter::instance().question(res(kDeletePlanQuestion, "Delete the plan %1?").arg(m_storedName)))
        return;
    QString error;
    if (!PlanStore::remove(m_storedName, &error)) {
        MessageReporter::instance().message(error, MessageReporter::Icon::Critical);
        return;
    }
    m_storedName.clear();
    m_stored = currentPlan();
    reload();
    Q_EMIT plansChanged();
}

bool PlanEditor::confirmLeave()
{
    if (!isModified())
        return true;
    const QString name = m_storedName.isEmpty() ? currentPlan().name : m_storedName;
    switch (MessageReporter::instance().ask(
        res(kSaveChangesQuestion, "The plan %1 has changed. Save the changes?").arg(name))) {
    case MessageReporter::Answer::Yes:
        return save();
    case MessageReporter::Answer::No:
        return true;
    case MessageReporter::Answer::Cancel:
        break;
    }
    return false;
}

void PlanEditor::listRowChanged(int row)
{
    if (m_switching || row < 0 || row >= m_plans.size())
        return;
    const QString wanted = m_plans.at(row).name;
    if (wanted == m_storedName)
        return;
    if (!confirmLeave()) {
        // The draft stays; so does the list's selection of it.
        m_switching = true;
        m_list->setCurrentRow(int(planNames().indexOf(m_storedName)));
        m_switching = false;
        return;
    }
    // A save above may have renamed or added a plan: find the wanted one again.
    const QStringList names = planNames();
    if (names.contains(wanted))
        showPlan(m_plans.at(names.indexOf(wanted)), wanted);
}
