#pragma once

#include <QString>

// What start-up asks of the user. The GUI answers with its dialogs; tests
// answer from a script.
class StartupUi
{
public:
    virtual ~StartupUi() = default;

    // Another copy runs: show `text` (exclamation icon, OK only).
    virtual void alreadyRunning(const QString &text) = 0;
    // First start: the interface language; true when the user confirmed one.
    virtual bool selectLanguage() = 0;
    // First start: the search-terminal wizard; its result is not read.
    virtual void runSearchWizard() = 0;
    // The application password prompt for the `stored` password (it becomes
    // the current one); true when it was accepted.
    virtual bool askPassword(const QString &stored) = 0;
    // A failure that stops start-up: the description as text, the number as title.
    virtual void showFailure(const QString &description, int number) = 0;
};
