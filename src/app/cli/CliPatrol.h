#pragma once

#include "CliContext.h"

// files: the patrol-data files in tree order, "unapproved<TAB>NAME" or
// "approved<TAB>NAME".
int cliFiles(CliContext &context);
// approve NAME | approve --all: moves files from Unapproved/ to Approved/
// (never over a file there) and prints each new name. Status 1 when NAME is
// not in Unapproved/ or a move fails.
int cliApprove(CliContext &context);
// show PATH [--iso]: the rows as the patrol list shows them, five
// tab-separated columns; --iso prints dates yyyy-MM-dd and times HH:mm:ss.
// Skipped lines are named on stderr. Status 2 when the file cannot be read.
int cliShow(CliContext &context);
// tags list | add CODE DESCRIPTION | edit OLDCODE NEWCODE DESCRIPTION |
// delete CODE...: the tag definitions, with the tag dialog's checks.
// Status 1 when a change is refused.
int cliTags(CliContext &context);
