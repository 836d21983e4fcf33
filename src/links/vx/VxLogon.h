#pragma once

#include <QString>

class ucVX700;
class VxPasswordPrompt;

// Logs `link` on with `password` (normally the stored Terminal/Password). While
// the terminal refuses the password it asks `prompt` (the installed prompt when
// null) for another one; the accepted password is stored in Terminal/Password.
// Any other error is shown once by its name and ends the logon. True when the
// terminal accepted a password; after false, link.ErrCode() tells why.
bool VxLogon(const QString &password, ucVX700 &link, VxPasswordPrompt *prompt = nullptr);
