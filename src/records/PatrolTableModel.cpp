#include "PatrolTableModel.h"

#include "CRes.h"

#include <QLocale>

namespace {

struct Header
{
    int number;
    const char *english;
};
constexpr Header kHeaderTexts[] = {{127, "Date"}, {128, "Time"}, {129, "Code"}, {130, "Description"}, {389, "Guard"},
                                   {470, "Flags"}};

}

const QString PatrolTableModel::kIncidentMarker = QStringLiteral("\u26a0 ");

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
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void PatrolTableModel::setRows(QList<PatrolRow> rows, QStringList guards, QStringList flags, QStringList incidents)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_guards = guards.size() == m_rows.size() ? std::move(guards) : QStringList();
    m_flags = flags.size() == m_rows.size() ? std::move(flags) : QStringList();
    m_incidents = incidents.size() == m_rows.size() ? std::move(incidents) : QStringList();
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
        if (!d.isValid())
            return r.date;
        auto it = m_dateText.constFind(d.toJulianDay());
        if (it == m_dateText.constEnd())
            it = m_dateText.insert(d.toJulianDay(), m_locale.toString(d, m_dateFormat));
        return *it;
    }
    case 2: {
        const QTime t = r.timeValue();
        if (!t.isValid())
            return r.time;
        if (m_timeText.empty())
            m_timeText.resize(24 * 3600);
        QString &text = m_timeText[size_t(t.msecsSinceStartOfDay() / 1000)];
        if (text.isNull())
            text = formatTime(t, m_timeFormat, m_locale);
        return text;
    }
    case 3:
        return r.code;
    case 4:
        return r.description;
    default:
        if (column == flagColumn())
            return m_flags.value(row);
        if (column == kColumns)
            return m_guards.value(row);
        return QString();
    }
}

QString PatrolTableModel::rowText(int row) const
{
    QString text;
    rowText(row, &text);
    return text;
}

void PatrolTableModel::rowText(int row, QString *into) const
{
    into->resize(0);
    for (int c = 0; c < kColumns; ++c) {
        if (c)
            into->append(u'\t');
        into->append(displayText(row, c));
    }
}

QString PatrolTableModel::formatTime(const QTime &time, const QString &format, const QLocale &locale)
{
    QString out;
    out.reserve(format.size() + 4);
    const int hour = time.hour();
    const bool twelve = format.contains(u'A') || format.contains(u'a');
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = format.at(i);
        qsizetype run = 1;
        while (i + run < n && format.at(i + run) == c)
            ++run;
        auto number = [&](int value) {
            if (run >= 2 || value >= 10)
                out.append(QChar(u'0' + value / 10));
            out.append(QChar(u'0' + value % 10));
        };
        if (c == u'h' && run <= 2) {
            number(twelve ? (hour % 12 == 0 ? 12 : hour % 12) : hour);
        } else if (c == u'H' && run <= 2) {
            number(hour);
        } else if (c == u'm' && run <= 2) {
            number(time.minute());
        } else if (c == u's' && run <= 2) {
            number(time.second());
        } else if ((c == u'A' || c == u'a') && run == 1) {
            const bool upper = c == u'A';
            const QString text = hour < 12 ? locale.amText() : locale.pmText();
            // "AP" / "ap" is one marker, as is a lone "A" / "a".
            if (i + 1 < n && format.at(i + 1).toLower() == u'p')
                ++run;
            out.append(upper ? text.toUpper() : text.toLower());
        } else if (c == u'\'' || c.isLetter()) {
            // Quoted text and other parts: Qt's formatter has every rule.
            return locale.toString(time, format);
        } else {
            out.append(QString(run, c));
        }
        i += run;
    }
    return out;
}

int PatrolTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int PatrolTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumns + (m_guards.isEmpty() ? 0 : 1) + (m_flags.isEmpty() ? 0 : 1);
}

QVariant PatrolTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    if (index.column() == 4 && !m_incidents.isEmpty() && !m_incidents.at(index.row()).isEmpty())
        return kIncidentMarker + m_incidents.at(index.row());
    return displayText(index.row(), index.column());
}

QVariant PatrolTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    // The flag column's caption follows the guard's whether or not a guard column shows.
    return m_headers.at(section == flagColumn() ? kColumns + 1 : section);
}
