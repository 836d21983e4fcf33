#include "GuiStartupUi.h"

#include "ApplicationPassword.h"
#include "MessageReporter.h"
#include "frmLE_SelectLanguage.h"
#include "frmPassword.h"
#include "frmWizard_SearchTerminal.h"

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
    frmWizard_SearchTerminal wizard;
    wizard.exec();
}

bool GuiStartupUi::askPassword(const QString &stored)
{
    ApplicationPassword::setCurrent(stored);
    frmPassword dialog;
    dialog.exec();
    return dialog.IsOK();
}

void GuiStartupUi::showFailure(const QString &description, int number)
{
    MessageReporter::instance().failure(description, number);
}
