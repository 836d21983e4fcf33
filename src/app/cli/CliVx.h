#pragma once

#include "CliContext.h"

// vx [--password P] [--timeout MS] COMMAND [ARGS]: one operation of the VX link
// on the --port (or Terminal/Comport) port. Commands that change the terminal
// or read its records log on first with --password or the stored terminal
// password, asking on the terminal for another one when it is refused and
// standard input is a terminal. Prints the result or "OK"; a link failure
// prints "ErrCode: <code>, <name>" on stderr and exits 2.
int cliVx(CliContext &context);
