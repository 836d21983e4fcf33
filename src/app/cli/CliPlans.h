#pragma once

#include "CliContext.h"

// plans list | export FILE.json | import FILE.json: the patrol plans, kept
// under version control or moved between offices as JSON. A refused import
// changes nothing: status 2 with the file and the reason on stderr.
int cliPlans(CliContext &context);
// tags guard CODE... | unguard CODE... | guards: the guard-tag marks.
int cliGuardTags(CliContext &context);
