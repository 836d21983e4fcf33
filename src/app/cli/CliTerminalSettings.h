#pragma once

#include "CliContext.h"

// search: the search-terminal wizard's search; prints FAMILY-NAME<TAB>COMn and
// stores them as the terminal settings, or prints text 258 and exits 3.
int cliSearch(CliContext &context);
// options [set KEY VALUE]: prints the terminal settings with their effective
// defaults, or sets one to a value the options dialog could produce.
int cliOptions(CliContext &context);
