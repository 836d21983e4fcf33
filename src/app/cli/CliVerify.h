#pragma once

#include "CliContext.h"

// verify [--head HASH]: the patrol-data files and the ledger's chain checked,
// one tab-separated line per finding; or whether a printed head is in the chain.
int cliVerify(CliContext &context);
