#pragma once

#include "ExceptionMatcher.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QList>
#include <QLocale>

// The outcomes of an exception report as the window's table shows them, one
// row per checkpoint outcome or extra read, in the printed report's columns,
// coloured by outcome: on time green, early and late amber, missed red, extra
// grey; an out-of-order read says so after its outcome; the flags of a read
// and the incidents found at it show in the last column. Texts are formatted
// on display; the rows hold what the matching found.
class ExceptionTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // Site shows first, and only in a report across sites (setShowSite).
    enum Column { Plan, Round, Seq, Checkpoint, Due, Outcome, Minutes, Read, MachineNo, Guard, Flags, ColumnCount, Site };

    explicit ExceptionTableModel(QObject *parent = nullptr);

    // `names` gives the description of each tag code (by ExceptionReport::nameKey).
    void setOutcomes(QList<CheckpointOutcome> outcomes, QHash<QString, QString> names);
    void setShowSite(bool show);
    bool showsSite() const { return m_showSite; }
    // The Column a column of the view shows.
    Column columnAt(int viewColumn) const;
    const QList<CheckpointOutcome> &outcomes() const { return m_outcomes; }
    QString displayText(int row, int column) const; // `column` a Column
    // Re-reads the captions (after a language change).
    void refreshHeaders();

    static QColor kindColor(CheckpointOutcome::Kind kind);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<CheckpointOutcome> m_outcomes;
    QHash<QString, QString> m_names;
    QStringList m_headers;
    QLocale m_locale;
    bool m_showSite = false;
};
