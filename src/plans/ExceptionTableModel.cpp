#include "ExceptionTableModel.h"

#include "CRes.h"
#include "ExceptionReport.h"

namespace {

struct Header
{
    int number;
    const char *english;
};
// The printed report's column headings.
constexpr Header kHeaders[ExceptionTableModel::ColumnCount] = {
    {381, "Plan"}, {382, "Round"}, {383, "No."}, {384, "Checkpoint"}, {385, "Due"},
    {386, "Outcome"}, {387, "Minutes"}, {388, "Read"}, {232, "Mach#"}, {389, "Guard"}, {470, "Flags"}};
constexpr int kOutOfOrderText = 395;
constexpr Header kSiteHeader = {410, "Site"};

}

ExceptionTableModel::ExceptionTableModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_locale(QLocale::system())
{
    refreshHeaders();
}

void ExceptionTableModel::refreshHeaders()
{
    CRes &res = CRes::instance();
    m_headers.clear();
    for (const Header &h : kHeaders)
        m_headers << res.ResString(h.number, QLatin1String(h.english));
    m_headers << QString() << res.ResString(kSiteHeader.number, QLatin1String(kSiteHeader.english));
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    if (!m_outcomes.isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void ExceptionTableModel::setOutcomes(QList<CheckpointOutcome> outcomes, QHash<QString, QString> names)
{
    beginResetModel();
    m_outcomes = std::move(outcomes);
    m_names = std::move(names);
    endResetModel();
}

void ExceptionTableModel::setShowSite(bool show)
{
    if (show == m_showSite)
        return;
    beginResetModel();
    m_showSite = show;
    endResetModel();
}

ExceptionTableModel::Column ExceptionTableModel::columnAt(int viewColumn) const
{
    if (m_showSite)
        return viewColumn == 0 ? Site : Column(viewColumn - 1);
    return Column(viewColumn);
}

QColor ExceptionTableModel::kindColor(CheckpointOutcome::Kind kind)
{
    switch (kind) {
    case CheckpointOutcome::Kind::OnTime:
        return QColor(222, 242, 222);
    case CheckpointOutcome::Kind::Early:
    case CheckpointOutcome::Kind::Late:
        return QColor(255, 228, 160);
    case CheckpointOutcome::Kind::Missed:
        return QColor(250, 190, 190);
    case CheckpointOutcome::Kind::Extra:
        return QColor(222, 222, 222);
    }
    return QColor();
}

QString ExceptionTableModel::displayText(int row, int column) const
{
    if (row < 0 || row >= m_outcomes.size())
        return QString();
    const CheckpointOutcome &o = m_outcomes.at(row);
    switch (column) {
    case Site:
        return o.site;
    case Plan:
        return o.plan;
    case Round:
        return m_locale.toString(o.roundStart.date(), QLocale::ShortFormat) + u' '
            + o.roundStart.time().toString(QStringLiteral("HH:mm"));
    case Seq:
        return o.seq > 0 ? QString::number(o.seq) : QString();
    case Checkpoint: {
        const QString description = m_names.value(ExceptionReport::nameKey(o.site, o.code));
        return description.isEmpty() ? o.code : o.code + QStringLiteral("  ") + description;
    }
    case Due:
        return o.due.isValid() ? o.due.time().toString(QStringLiteral("HH:mm")) : QString();
    case Outcome:
        if (o.outOfOrder)
            return ExceptionReport::kindText(o.kind) + QStringLiteral(", ")
                + CRes::instance().ResString(kOutOfOrderText, QStringLiteral("out of order"));
        return ExceptionReport::kindText(o.kind);
    case Minutes:
        return o.minutes == 0 ? QString() : (o.minutes > 0 ? QStringLiteral("+%1") : QStringLiteral("%1")).arg(o.minutes);
    case Read:
        if (!o.read.isValid())
            return QString();
        // A read on another day than its round started (a night shift) shows its date.
        if (o.read.date() != o.roundStart.date())
            return m_locale.toString(o.read.date(), QLocale::ShortFormat) + u' '
                + o.read.time().toString(QStringLiteral("HH:mm:ss"));
        return o.read.time().toString(QStringLiteral("HH:mm:ss"));
    case MachineNo:
        return o.machineNo;
    case Guard:
        return o.guard;
    case Flags: {
        QStringList marks;
        if (!o.flags.isEmpty())
            marks << o.flags;
        for (const QString &incident : o.incidents)
            marks << QStringLiteral("\u26a0 ") + incident;
        return marks.join(QStringLiteral("; "));
    }
    default:
        return QString();
    }
}

int ExceptionTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_outcomes.size());
}

int ExceptionTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount + int(m_showSite);
}

QVariant ExceptionTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_outcomes.size())
        return {};
    const CheckpointOutcome &o = m_outcomes.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return displayText(index.row(), columnAt(index.column()));
    case Qt::BackgroundRole:
        return kindColor(o.kind);
    case Qt::ForegroundRole:
        // The light backgrounds keep dark text, also under a dark desktop theme.
        return QColor(Qt::black);
    case Qt::TextAlignmentRole:
        if (columnAt(index.column()) == Seq || columnAt(index.column()) == Minutes)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant ExceptionTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_headers.value(columnAt(section));
}
