#pragma once

#include "StartupUi.h"

// Start-up's questions answered with the program's dialogs.
class GuiStartupUi : public StartupUi
{
public:
    void alreadyRunning(const QString &text) override;
    // frmLE_SelectLanguage: every language of the store, the first selected.
    bool selectLanguage() override;
    // The search-terminal wizard; what it finds becomes the terminal settings.
    void runSearchWizard() override;
    bool askPassword(const QString &stored) override;
    void showFailure(const QString &description, int number) override;
};
