#pragma once

#include <QString>

// Asks the user for another terminal password after the terminal refused one.
// The windowed program shows the logon dialog, the command line asks on its
// terminal, tests answer from a list.
class VxPasswordPrompt
{
public:
    virtual ~VxPasswordPrompt() = default;

    // False when the user cancelled; otherwise `password` holds the answer.
    virtual bool ask(QString &password) = 0;
};
