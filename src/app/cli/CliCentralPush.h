#pragma once

#include "CliContext.h"

// central push [--all]: sends the waiting downloads and changed definitions;
// --all first queues every patrol-data file not yet queued or pushed.
int centralPush(CliContext &context);
// central status: each site of the central database, and this workspace's outbox.
int centralStatus(CliContext &context);
