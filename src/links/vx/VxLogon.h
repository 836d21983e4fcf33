#pragma once

#include <QString>

class ucVX700;
class VxPasswordPrompt;

// The terminal password until one is stored (setting Terminal/Password).
inline constexpr const char *kDefaultTerminalPassword = "7391";

// The stored terminal password, or the default.
QString StoredTerminalPassword();

// Logs `link` on with `password` (normally the stored Terminal/Password). While
// the terminal refuses the password it asks `prompt` for another one (with no
// prompt the refusal ends the logon); the accepted password is stored in Terminal/Password.
// Any other error is shown once by its name and ends the logon. True when the
// terminal accepted a password; after false, link.ErrCode() tells why.
bool VxLogon(const QString &password, ucVX700 &link, VxPasswordPrompt *prompt = nullptr);
