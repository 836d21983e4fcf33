#include "GuiStartupUi.h"

#include "MessageReporter.h"
#include "frmPassword.h"
#include "frmWizard_SearchTerminal.h"

void GuiStartupUi::alreadyRunning(const QString &text)
{
    MessageReporter::instance().message(text, MessageReporter::Icon::Exclamation);
}

bool GuiStartupUi::selectLanguage()
{
    return true;
}

void GuiStartupUi::runSearchWizard()
{
    frmWizard_SearchTerminal wizard;
    wizard.exec();
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
