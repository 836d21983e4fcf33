#pragma once

#include "PatrolRow.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QLocale>
#include <QString>

#include <vector>

// The rows of the patrol list, in the file's order, formatted on display:
// column 0 machine number, 1 date (the system's short date), 2 time (its long
// time without a time zone), 3 code, 4 description. A date or time that is not
// one is shown as the file held it. Reports and exports read the rows through
// this model, as displayed. A file with guard-tag reads shows a column more,
// the guard of each row, and a file with flagged reads one with the flags of
// each row; an incident read shows its incident text with a marker in the
// description column. rowText, displayText, the reports and the exports keep
// the five columns as the file and the tag table give them.
class PatrolTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int kColumns = 5;

    explicit PatrolTableModel(QObject *parent = nullptr);

    // Marks an incident read's description in the list.
    static const QString kIncidentMarker;

    // `guards` holds the guard of every row, or nothing for a file without
    // guard reads; `flags` the flag codes of every row, or nothing for a file
    // without flags; `incidents` the incident text of every row (empty for
    // other reads), or nothing.
    void setRows(QList<PatrolRow> rows, QStringList guards = {}, QStringList flags = {}, QStringList incidents = {});
    bool hasGuardColumn() const { return !m_guards.isEmpty(); }
    bool hasFlagColumn() const { return !m_flags.isEmpty(); }
    // The column of the flags, or -1.
    int flagColumn() const { return hasFlagColumn() ? kColumns + (hasGuardColumn() ? 1 : 0) : -1; }
    void clear();
    const QList<PatrolRow> &rows() const { return m_rows; }

    QString displayText(int row, int column) const;
    // The five display texts joined by tabs: what the search looks in.
    QString rowText(int row) const;
    // The same written into `into`, keeping its capacity.
    void rowText(int row, QString *into) const;

    // Re-reads the header captions (after a language change).
    void refreshHeaders();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The system's long time format with its time-zone part taken out.
    static QString longTimeFormatWithoutZone();
    // A time in a format of hour, minute, second and AM/PM parts (as every
    // long time format is), without Qt's general formatter; falls back to it
    // for any other part.
    static QString formatTime(const QTime &time, const QString &format, const QLocale &locale);

private:
    QList<PatrolRow> m_rows;
    QStringList m_guards;
    QStringList m_flags;
    QStringList m_incidents;
    QLocale m_locale;
    QString m_dateFormat;
    QString m_timeFormat;
    QStringList m_headers;
    // Formatting is the cost of showing and searching rows; each distinct
    // date and each second of the day is formatted once.
    mutable QHash<qint64, QString> m_dateText;
    mutable std::vector<QString> m_timeText;
};
