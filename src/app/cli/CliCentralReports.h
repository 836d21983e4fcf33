#pragma once

#include "CliContext.h"

#include <QSqlDatabase>

// central exceptions --from --to [--site NAME] [--plan NAME] [--pdf OUT]:
// the exception report of the sites of the central database, a site column first.
int cliCentralExceptions(CliContext &context);
// The site and reader roles after `central init --roles` brought the schema up to date.
int cliCentralRoles(CliContext &context, QSqlDatabase db, bool print);
