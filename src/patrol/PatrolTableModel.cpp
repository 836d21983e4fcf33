#include "PatrolTableModel.h"

#include "CRes.h"

#include <QLocale>

namespace {

struct Header
{
    int number;
    const char *english;
};
constexpr Header kHeaderTexts[] = {{127, "Date"}, {128, "Time"}, {129, "Code"}, {130, "Description"}};

}

PatrolTableModel::PatrolTableModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_locale(QLocale::system())
    , m_dateFormat(m_locale.dateFormat(QLocale::ShortFormat))
    , m_timeFormat(longTimeFormatWithoutZone())
{
    refreshHeaders();
}

QString PatrolTableModel::longTimeFormatWithoutZone()
{
    const QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    // Drop the zone letters (t, tt, tttt) outside quoted text and the blanks
    // they leave at either end.
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't')
            continue;
        out.append(c);
    }
    return out.simplified();
}

void PatrolTableModel::refreshHeaders()
{
    CRes &res = CRes::instance();
    m_headers = {QStringLiteral("ID")};
    for (const Header &h : kHeaderTexts)
        m_headers << res.ResString(h.number, QLatin1String(h.english));
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
}

void PatrolTableModel::setRows(QList<PatrolRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void PatrolTableModel::clear()
{
    setRows({});
}

QString PatrolTableModel::displayText(int row, int column) const
{
    if (row < 0 || row >= m_rows.size())
        return QString();
    const PatrolRow &r = m_rows.at(row);
    switch (column) {
    case 0:
        return r.machineNo;
    case 1: {
        const QDate d = r.dateValue();
        return d.isValid() ? m_locale.toString(d, m_dateFormat) : r.date;
    }
    case 2: {
        const QTime t = r.timeValue();
        return t.isValid() ? m_locale.toString(t, m_timeFormat) : r.time;
    }
    case 3:
        return r.code;
    case 4:
        return r.description;
    default:
        return QString();
    }
}

QString PatrolTableModel::rowText(int row) const
{
    QString text;
    for (int c = 0; c < kColumns; ++c) {
        if (c)
            text.append(u'\t');
        text.append(displayText(row, c));
    }
    return text;
}

int PatrolTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int PatrolTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant PatrolTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return displayText(index.row(), index.column());
}

QVariant PatrolTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_headers.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_headers.at(section);
}
