#include "OutcomeTotalsModel.h"

#include "CRes.h"
#include "ExceptionReport.h"
#include "ExceptionTableModel.h"

namespace {

constexpr int kNoGuardText = 398;
constexpr int kOutOfOrderText = 374;

}

OutcomeTotalsModel::OutcomeTotalsModel(int keyText, QObject *parent)
    : QAbstractTableModel(parent)
    , m_keyText(keyText)
{
    refreshHeaders();
}

void OutcomeTotalsModel::refreshHeaders()
{
    using Kind = CheckpointOutcome::Kind;
    m_headers = {CRes::instance().ResString(m_keyText)};
    for (Kind kind : {Kind::OnTime, Kind::Early, Kind::Late, Kind::Missed, Kind::Extra})
        m_headers << ExceptionReport::kindText(kind);
    m_headers << CRes::instance().ResString(kOutOfOrderText, QStringLiteral("Out of order"));
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0, Key), index(rowCount() - 1, Key));
}

void OutcomeTotalsModel::setTotals(const QMap<QString, OutcomeTotals> &totals)
{
    beginResetModel();
    m_rows.clear();
    for (auto it = totals.cbegin(); it != totals.cend(); ++it)
        m_rows.append({it.key(), it.value()});
    endResetModel();
}

QString OutcomeTotalsModel::displayText(int row, int column) const
{
    if (row < 0 || row >= m_rows.size())
        return QString();
    const auto &[key, t] = m_rows.at(row);
    switch (column) {
    case Key:
        return key.isEmpty() ? CRes::instance().ResString(kNoGuardText, QStringLiteral("(no guard)")) : key;
    case OnTime:
        return QString::number(t.onTime);
    case Early:
        return QString::number(t.early);
    case Late:
        return QString::number(t.late);
    case Missed:
        return QString::number(t.missed);
    case Extra:
        return QString::number(t.extra);
    case OutOfOrder:
        return QString::number(t.outOfOrder);
    default:
        return QString();
    }
}

int OutcomeTotalsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int OutcomeTotalsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant OutcomeTotalsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return displayText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole && index.column() != Key)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    // A missed checkpoint stands out in its plan's or guard's line.
    if (role == Qt::BackgroundRole && index.column() == Missed && m_rows.at(index.row()).second.missed > 0)
        return ExceptionTableModel::kindColor(CheckpointOutcome::Kind::Missed);
    if (role == Qt::ForegroundRole && index.column() == Missed && m_rows.at(index.row()).second.missed > 0)
        return QColor(Qt::black);
    return {};
}

QVariant OutcomeTotalsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_headers.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_headers.at(section);
}
