#include "TerminalDialogParts.h"

#include "GuiHelpers.h"
#include "Settings.h"
#include "TerminalOptions.h"
#include "VxMaintenance.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>

namespace TerminalDialogParts {

namespace {

// A key that types a character (no Ctrl, Alt or Meta): the filters below
// judge only these. Moving, selecting, deleting and shortcuts pass.
bool typesCharacter(const QKeyEvent &key)
{
    const QString text = key.text();
    return text.size() == 1 && text.front().isPrint()
        && !(key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
}

class HexKeys : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress || !typesCharacter(*static_cast<QKeyEvent *>(event)))
            return false;
        const QChar c = static_cast<QKeyEvent *>(event)->text().front().toUpper();
        if (isHexDigit(c))
            static_cast<QLineEdit *>(watched)->insert(QString(c));
        return true;
    }
};

class MachineIdKeys : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        return typesCharacter(*key) && !VxMaintenance::isMachineIdText(key->text());
    }
};

}

void setTag(QObject *object, int textNumber)
{
    object->setProperty("tag", QString::number(textNumber));
}

QLabel *label(const QString &text, int textNumber, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    if (textNumber > 0)
        setTag(l, textNumber);
    l->setWordWrap(true);
    return l;
}

QGroupBox *group(const QString &name, const QString &title, int textNumber, QWidget *parent)
{
    auto *g = new QGroupBox(title, parent);
    g->setObjectName(name);
    setTag(g, textNumber);
    return g;
}

QPushButton *arrayButton(const QString &array, int index, const QString &text, int textNumber, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QStringLiteral("%1_%2").arg(array).arg(index));
    if (textNumber > 0)
        setTag(b, textNumber);
    b->setAutoDefault(false);
    return b;
}

QList<QPushButton *> commandButtons(QDialog *dialog, const CommandText *texts, int count,
                                    const std::function<void(int)> &onClick)
{
    QList<QPushButton *> buttons;
    for (int i = 0; i < count; ++i) {
        QPushButton *b = arrayButton(QStringLiteral("cmd"), i, QString::fromLatin1(texts[i].caption),
                                     texts[i].textNumber, dialog);
        QObject::connect(b, &QPushButton::clicked, dialog, [onClick, i] { onClick(i); });
        buttons << b;
    }
    return buttons;
}

QHBoxLayout *closeRow(QDialog *dialog)
{
    QPushButton *close = arrayButton(QStringLiteral("CmdCtrl"), 0, QStringLiteral("Close"), 7, dialog);
    close->setObjectName(QStringLiteral("CmdCtrl"));
    QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::reject);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(close);
    return row;
}

QLabel *heading(const QString &text, int textNumber)
{
    QLabel *l = label(text, textNumber);
    QFont bold = l->font();
    bold.setBold(true);
    l->setFont(bold);
    return l;
}

QGroupBox *commandGroup(const QString &name, const QString &title, int textNumber,
                        const QList<std::pair<QPushButton *, QLabel *>> &rows)
{
    QGroupBox *g = group(name, title, textNumber);
    auto *grid = new QGridLayout(g);
    for (int row = 0; row < rows.size(); ++row) {
        grid->addWidget(rows.at(row).first, row, 0);
        grid->addWidget(rows.at(row).second, row, 1);
    }
    grid->setColumnStretch(1, 1);
    return g;
}

QGroupBox *DateTimePickers::group(QPushButton *setTime, QPushButton *getTime, QPushButton *sync)
{
    date = new QDateEdit;
    date->setObjectName(QStringLiteral("dtpDate"));
    date->setCalendarPopup(true);
    date->setMinimumWidth(date->sizeHint().width() + 10);
    time = new QTimeEdit;
    time->setObjectName(QStringLiteral("dtpTime"));
    time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    time->setMinimumWidth(time->sizeHint().width() + 10);
    QGroupBox *g = TerminalDialogParts::group(QStringLiteral("fraDateTime"), QStringLiteral("Date/Time"), 176);
    auto *grid = new QGridLayout(g);
    grid->addWidget(label(QStringLiteral("Using these commands to retrieve or specify the terminal's date and time."), 137),
                    0, 0, 1, 4);
    grid->addWidget(label(QStringLiteral("Date:"), 181), 1, 0);
    grid->addWidget(date, 1, 1);
    grid->addWidget(label(QStringLiteral("Time:"), 182), 1, 2);
    grid->addWidget(time, 1, 3);
    grid->addWidget(setTime, 2, 1);
    grid->addWidget(getTime, 2, 2);
    grid->addWidget(sync, 2, 3);
    showNow();
    return g;
}

void DateTimePickers::showNow()
{
    const QDateTime now = QDateTime::currentDateTime();
    date->setDate(now.date());
    time->setTime(now.time());
}

QDateTime DateTimePickers::moment() const
{
    const QTime t = time->time();
    return QDateTime(date->date(), QTime(t.hour(), t.minute(), t.second()));
}

void fillPortList(QComboBox &combo)
{
    combo.clear();
    combo.addItems(TerminalOptions::portChoices());
    SelectComboText(combo, GetSetting(QStringLiteral("Terminal"), QStringLiteral("Comport"), QStringLiteral("COM1")));
}

void storePortList(const QComboBox &combo)
{
    SaveSetting(QStringLiteral("Terminal"), QStringLiteral("Comport"), combo.currentText());
}

void acceptHexKeysOnly(QLineEdit &edit)
{
    edit.installEventFilter(new HexKeys(&edit));
    // A paste keeps its hexadecimal digits, in upper case.
    QObject::connect(&edit, &QLineEdit::textEdited, &edit, [&edit](const QString &text) {
        QString digits;
        for (QChar c : text)
            if (isHexDigit(c.toUpper()))
                digits += c.toUpper();
        if (digits != text)
            edit.setText(digits);
    });
}

void acceptMachineIdOnly(QLineEdit &edit)
{
    edit.installEventFilter(new MachineIdKeys(&edit));
    // Only what the user changes: Get Mac ID may write "N/A" there.
    QObject::connect(&edit, &QLineEdit::textEdited, &edit, [&edit](const QString &text) {
        if (!VxMaintenance::isMachineIdText(text))
            edit.clear();
    });
}

}
