#pragma once

#include "CliContext.h"

// central user add NAME --sites A,B | --all, user passwd NAME, user delete
// NAME, user list: the users of the web page. A password is read from the
// first line of standard input, never from the command line.
int cliCentralUser(CliContext &context);
