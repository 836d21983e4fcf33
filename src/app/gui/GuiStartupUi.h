#pragma once

#include "StartupUi.h"

// Start-up's questions answered with the program's dialogs.
class GuiStartupUi : public StartupUi
{
public:
    void alreadyRunning(const QString &text) override;
    // No language is offered yet: the stored (or default English) language
    // stays, and the choice counts as confirmed.
    bool selectLanguage() override;
    // The search-terminal wizard; what it finds becomes the terminal settings.
    void runSearchWizard() override;
    bool askPassword() override;
    void showFailure(const QString &description, int number) override;
};
