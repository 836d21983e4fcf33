#pragma once

#include "VxPasswordPrompt.h"

// Asks for another password on the controlling terminal without echoing it;
// without a terminal on standard input (a script) the refusal stands.
class TerminalPasswordPrompt : public VxPasswordPrompt
{
public:
    bool ask(QString &password) override;
};
