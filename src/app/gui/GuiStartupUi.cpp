#include "GuiStartupUi.h"

#include "MessageReporter.h"
#include "frmLE_SelectLanguage.h"
#include "frmPassword.h"

void GuiStartupUi::alreadyRunning(const QString &text)
{
    MessageReporter::instance().message(text, MessageReporter::Icon::Exclamation);
}

bool GuiStartupUi::selectLanguage()
{
    frmLE_SelectLanguage dialog;
    dialog.exec();
    return dialog.IsOK();
}

void GuiStartupUi::runSearchWizard()
{
}

bool GuiStartupUi::askPassword()
{
    frmPassword dialog;
    dialog.exec();
    return dialog.IsOK();
}

void GuiStartupUi::showFailure(const QString &description, int number)
{
    MessageReporter::instance().failure(description, number);
}
