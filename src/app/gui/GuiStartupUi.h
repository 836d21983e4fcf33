#pragma once

#include "StartupUi.h"

// Start-up's questions answered with the program's dialogs.
class GuiStartupUi : public StartupUi
{
public:
    void alreadyRunning(const QString &text) override;
    // Until the language editor exists the first start keeps the designed
    // language: the choice counts as confirmed.
    bool selectLanguage() override;
    // The search-terminal wizard joins with the terminal operations.
    void runSearchWizard() override;
    bool askPassword() override;
    void showFailure(const QString &description, int number) override;
};
