#include "TerminalDialogParts.h"

#include "GuiHelpers.h"
#include "Settings.h"
#include "TerminalOptions.h"
#include "VxMaintenance.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace TerminalDialogParts {

namespace {

bool isFocusKey(int key)
{
    return key == Qt::Key_Tab || key == Qt::Key_Backtab;
}

class HexKeys : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        if (isFocusKey(key->key()) || key->matches(QKeySequence::Cancel) || key->key() == Qt::Key_Return
            || key->key() == Qt::Key_Enter)
            return false;
        const QString text = key->text();
        if (text.size() == 1) {
            const QChar c = text.front().toUpper();
            if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F')) {
                static_cast<QLineEdit *>(watched)->insert(QString(c));
                return true;
            }
        }
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
        auto *key = static_cast<QKeyEvent *>(event);
        if (isFocusKey(key->key()) || key->key() == Qt::Key_Backspace || key->matches(QKeySequence::Cancel)
            || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            return false;
        const QString text = key->text();
        return !(text.size() == 1 && VxMaintenance::isMachineIdText(text));
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

BusyCursor::BusyCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor()
{
    QApplication::restoreOverrideCursor();
}

}
