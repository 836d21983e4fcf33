#pragma once

#include <QDateEdit>

// A date field that takes a whole date typed in its display format (the
// system's short date format), besides the arrow keys and the calendar.
// QDateEdit alone edits section by section and drops most of a typed date.
class TypedDateEdit : public QDateEdit
{
    Q_OBJECT
public:
    using QDateEdit::QDateEdit;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    QValidator::State validate(QString &input, int &pos) const override;
    QDateTime dateTimeFromText(const QString &text) const override;

private:
    QDate typedDate(const QString &text) const;
    // Takes the typed text as the date once typing ends.
    void takeTypedText();

    bool m_typing = false;
};
