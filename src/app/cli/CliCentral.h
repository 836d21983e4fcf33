#pragma once

#include "CliContext.h"

// site [set NAME]: this workspace's id and name as a site of the central database.
int cliSite(CliContext &context);
// central SUBCOMMAND ...: the central database (see kCentralCommands).
int cliCentral(CliContext &context);
