#pragma once

#include "ExceptionMatcher.h"

#include <QAbstractTableModel>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

// The totals of an exception report per plan or per guard: one row per key
// with its counts of on time, early, late, missed, extra and out-of-order
// outcomes. `emptyKey` names the row of the empty key (reads before any guard).
class OutcomeTotalsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Key, OnTime, Early, Late, Missed, Extra, OutOfOrder, ColumnCount };

    // `keyText` numbers the caption of the first column (plan or guard).
    explicit OutcomeTotalsModel(int keyText, QObject *parent = nullptr);

    void setTotals(const QMap<QString, OutcomeTotals> &totals);
    QString displayText(int row, int column) const;
    void refreshHeaders();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    int m_keyText;
    QList<QPair<QString, OutcomeTotals>> m_rows;
    QStringList m_headers;
};
