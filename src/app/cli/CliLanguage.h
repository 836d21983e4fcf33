#pragma once

#include "CliContext.h"

// language [list] | set NAME | add NAME | delete NAME: the interface languages
// of the workspace's Res.mdb, with the language editor's rules. `list` prints
// one language a line in stored order, the current one followed by a tab and
// "current". Status 1 when a change is refused.
int cliLanguage(CliContext &context);
