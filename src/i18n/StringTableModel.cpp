#include "StringTableModel.h"

#include "CRes.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlRecord>

StringTableModel::StringTableModel(const QString &editedLanguage, QObject *parent)
    : QSqlTableModel(parent, QSqlDatabase::database(CRes::connectionName(), false))
    , m_language(editedLanguage)
{
    setEditStrategy(QSqlTableModel::OnRowChange);
}

bool StringTableModel::load(QString *error)
{
    setTable(QStringLiteral("StringList"));
    const int english = englishColumn();
    if (english < 0) {
        *error = QStringLiteral("The table StringList cannot be read: %1").arg(lastError().text());
        return false;
    }
    setSort(english, Qt::AscendingOrder);
    if (!select()) {
        *error = QStringLiteral("The table StringList cannot be read: %1").arg(lastError().text());
        return false;
    }
    // All rows at once: the statement is released, so that the store may add
    // or drop a column afterwards.
    while (canFetchMore())
        fetchMore();
    return true;
}

int StringTableModel::columnOfField(const QString &field) const
{
    const QSqlRecord fields = record();
    for (int i = 0; i < fields.count(); ++i)
        if (QString::compare(fields.fieldName(i), field, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

Qt::ItemFlags StringTableModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QSqlTableModel::flags(index);
    if (index.column() != editedColumn() || editedColumn() == englishColumn())
        flags &= ~Qt::ItemIsEditable;
    return flags;
}

bool StringTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const QString text = value.toString();
    if (text.size() > kMaxTextLength)
        return false;
    return QSqlTableModel::setData(index, text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text),
                                   role);
}
