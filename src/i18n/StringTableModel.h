#pragma once

#include <QSqlTableModel>

// The rows of StringList sorted by the English text, for translating one
// language beside English. Only that language's column is editable; an edit
// is written to Res.mdb when the editing moves to another row (or on
// submitAll). A cleared cell is stored as NULL, so that the English text shows
// again instead of an empty caption.
class StringTableModel : public QSqlTableModel
{
    Q_OBJECT
public:
    // Texts longer than this are refused; the store holds at most 255 characters.
    static constexpr int kMaxTextLength = 255;

    // Reads StringList over the string store's connection; false with `error`
    // set when the table cannot be read.
    StringTableModel(const QString &editedLanguage, QObject *parent = nullptr);
    bool load(QString *error);

    // Column of a StringList field by name (ASCII case ignored, as SQLite
    // does), -1 when there is none.
    int columnOfField(const QString &field) const;
    int englishColumn() const { return columnOfField(QStringLiteral("English")); }
    int editedColumn() const { return columnOfField(m_language); }
    QString editedLanguage() const { return m_language; }

    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

private:
    QString m_language;
};
