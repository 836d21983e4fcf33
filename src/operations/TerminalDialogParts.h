#pragma once

#include <QObject>
#include <QString>

class QComboBox;
class QDateEdit;
class QDateTime;
class QDialog;
class QHBoxLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimeEdit;
class QWidget;

#include <QList>

#include <functional>
#include <utility>

// Pieces the terminal windows share: tagged controls (the language walk finds
// their texts by number), the port list, the key rules of the ID fields and
// the hourglass while a command runs.
namespace TerminalDialogParts {

void setTag(QObject *object, int textNumber);
QLabel *label(const QString &text, int textNumber, QWidget *parent = nullptr);
QGroupBox *group(const QString &name, const QString &title, int textNumber, QWidget *parent = nullptr);
// A button of a command array, named "<array>_<index>".
QPushButton *arrayButton(const QString &array, int index, const QString &text, int textNumber,
                         QWidget *parent = nullptr);

// A button of the "cmd" array of a maintenance dialog: its designed caption
// and its text number.
struct CommandText
{
    const char *caption;
    int textNumber;
};
// Makes the dialog's "cmd" buttons in index order; a click runs `onClick(index)`.
QList<QPushButton *> commandButtons(QDialog *dialog, const CommandText *texts, int count,
                                    const std::function<void(int)> &onClick);
// The row with the dialog's Close button (CmdCtrl).
QHBoxLayout *closeRow(QDialog *dialog);

// The bold heading of a maintenance dialog.
QLabel *heading(const QString &text, int textNumber);
// A group of command buttons, each with its description beside it.
QGroupBox *commandGroup(const QString &name, const QString &title, int textNumber,
                        const QList<std::pair<QPushButton *, QLabel *>> &rows);

// The date and time pickers of Set Time, shown at the present moment.
struct DateTimePickers
{
    QDateEdit *date = nullptr;
    QTimeEdit *time = nullptr;

    // The "Date/Time" group: description, the pickers, and the three buttons.
    QGroupBox *group(QPushButton *setTime, QPushButton *getTime, QPushButton *sync);
    void showNow();
    // The picked moment, to the second.
    QDateTime moment() const;
};

// Fills the list from the serial-port enumeration (keeping COM1..COM16 when it
// finds none) and selects the stored Terminal/Comport (the first entry when it
// is not listed).
void fillPortList(QComboBox &combo);
// Writes the list's text to Terminal/Comport, as the windows do on closing.
void storePortList(const QComboBox &combo);

// Characters typed into a hexadecimal field: 0-9 and A-F pass, a-f pass as
// upper case, every other character is dropped; editing and moving keys
// work. A paste keeps only its hexadecimal digits.
void acceptHexKeysOnly(QLineEdit &edit);
// Characters typed into a machine-ID field: letters and digits pass, editing
// and moving keys work; any other character that gets in (a paste) empties
// the field.
void acceptMachineIdOnly(QLineEdit &edit);


}
