#pragma once

#include "CliContext.h"

// exceptions --from yyyy-MM-dd --to yyyy-MM-dd [--plan NAME] [--pdf OUT.pdf]:
// one tab-separated line per checkpoint outcome and extra read; status 0, or
// kMissed when any checkpoint was missed, so that a scheduled job can alert.
// Unreadable files and lines are named on stderr. Status 2 for an unknown plan,
// a database that cannot be read or a PDF that cannot be written.
int cliExceptions(CliContext &context);
