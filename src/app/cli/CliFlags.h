#pragma once

#include "CliContext.h"

// tavrel-cli flags --from --to [--rule R]: the suspicious reads.
int cliFlags(CliContext &context);
// tavrel-cli incidents --from --to: the incident reads and their checkpoints.
int cliIncidents(CliContext &context);
// tavrel-cli tags incident CODE TEXT | unincident CODE | incidents.
int cliIncidentTags(CliContext &context);
