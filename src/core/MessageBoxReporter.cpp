#include "MessageBoxReporter.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

namespace {

QWidget *ownerWindow()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

QMessageBox::Icon boxIcon(MessageReporter::Icon icon)
{
    switch (icon) {
    case MessageReporter::Icon::Information:
        return QMessageBox::Information;
    case MessageReporter::Icon::Exclamation:
        return QMessageBox::Warning;
    case MessageReporter::Icon::Critical:
        return QMessageBox::Critical;
    case MessageReporter::Icon::Question:
        return QMessageBox::Question;
    case MessageReporter::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QString titleOrApplication(const QString &title)
{
    return title.isEmpty() ? QApplication::applicationName() : title;
}

int showBox(QMessageBox::Icon icon, const QString &title, const QString &text, QMessageBox::StandardButtons buttons,
            QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, text, buttons, ownerWindow());
    box.setDefaultButton(defaultButton);
    // A box asked in the middle of a busy command (Clear Data's question, a
    // link failure) takes clicks: it shows the arrow, not the hourglass.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int answer = box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();
    return answer;
}

}

void MessageBoxReporter::failure(const QString &description, int number)
{
    // The title names the program like every other box (a bare number there
    // says nothing); the number stays with the text for whoever reads it out.
    const QString text = number == 0 ? description : description + QStringLiteral("\n\n(%1)").arg(number);
    showBox(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok, QMessageBox::Ok);
}

void MessageBoxReporter::message(const QString &text, Icon icon, const QString &title)
{
    showBox(boxIcon(icon), titleOrApplication(title), text, QMessageBox::Ok, QMessageBox::Ok);
}

bool MessageBoxReporter::question(const QString &text, const QString &title)
{
    return showBox(QMessageBox::Question, titleOrApplication(title), text, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::Yes)
        == QMessageBox::Yes;
}

bool MessageBoxReporter::confirm(const QString &text, Icon icon, const QString &title)
{
    return showBox(boxIcon(icon), titleOrApplication(title), text, QMessageBox::Ok | QMessageBox::Cancel,
                   QMessageBox::Ok)
        == QMessageBox::Ok;
}

MessageReporter::Answer MessageBoxReporter::ask(const QString &text, const QString &title)
{
    switch (showBox(QMessageBox::Question, titleOrApplication(title), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}
