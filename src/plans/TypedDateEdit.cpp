#include "TypedDateEdit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QSignalBlocker>

void TypedDateEdit::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    const bool typed = text.size() == 1 && text.at(0).isPrint()
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    const bool erases = event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete;
    if (typed || (m_typing && erases)) {
        // Straight into the text: the date edit would reformat every section
        // as it is typed.
        const QSignalBlocker quiet(lineEdit());
        if (typed)
            lineEdit()->insert(text);
        else if (event->key() == Qt::Key_Backspace)
            lineEdit()->backspace();
        else
            lineEdit()->del();
        m_typing = true;
        return;
    }
    takeTypedText();
    QDateEdit::keyPressEvent(event);
}

void TypedDateEdit::focusOutEvent(QFocusEvent *event)
{
    takeTypedText();
    QDateEdit::focusOutEvent(event);
}

void TypedDateEdit::takeTypedText()
{
    if (!m_typing)
        return;
    m_typing = false;
    // A text that is no date gives the date shown before back.
    const QDate date = typedDate(lineEdit()->text());
    setDate(date.isValid() ? date : this->date());
    lineEdit()->setText(textFromDateTime(dateTime()));
}

QValidator::State TypedDateEdit::validate(QString &input, int &pos) const
{
    if (typedDate(input).isValid())
        return QValidator::Acceptable;
    // Part of a date being typed stays as typed: the date edit's own check
    // would rewrite it.
    QString copy = input;
    const QValidator::State state = QDateEdit::validate(copy, pos);
    return state == QValidator::Acceptable && copy == input ? state : QValidator::Intermediate;
}

QDateTime TypedDateEdit::dateTimeFromText(const QString &text) const
{
    const QDate date = typedDate(text);
    return date.isValid() ? date.startOfDay() : QDateEdit::dateTimeFromText(text);
}

QDate TypedDateEdit::typedDate(const QString &text) const
{
    const QLocale locale = QLocale::system();
    QDate date = locale.toDate(text.trimmed(), displayFormat());
    // A four-digit year where the format shows two.
    if (!date.isValid() && displayFormat().contains(QLatin1String("yy"))
        && !displayFormat().contains(QLatin1String("yyyy")))
        date = locale.toDate(text.trimmed(), QString(displayFormat()).replace(QLatin1String("yy"), QLatin1String("yyyy")));
    return date.isValid() && date >= minimumDate() && date <= maximumDate() ? date : QDate();
}
