#pragma once

#include "CliContext.h"

// kr [--id N] [--timeout MS] COMMAND [ARGS]: one operation of the KR link on
// the --port (or Terminal/Comport) port. Prints the result or "OK"; a link
// failure prints "ErrCode: <code>, <name>" on stderr and exits 2.
int cliKr(CliContext &context);
