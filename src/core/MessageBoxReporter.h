#pragma once

#include "MessageReporter.h"

// Shows every message as a modal message box over the active window. The GUI
// program installs it; logic code keeps talking to MessageReporter.
class MessageBoxReporter : public MessageReporter
{
public:
    // Failures: the description as text and the number as title, OK only.
    void failure(const QString &description, int number) override;
    void message(const QString &text, Icon icon, const QString &title) override;
    bool question(const QString &text, const QString &title) override;
    bool confirm(const QString &text, Icon icon, const QString &title) override;
    Answer ask(const QString &text, const QString &title) override;
};
