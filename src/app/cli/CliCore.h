#pragma once

#include "CliContext.h"

// decode FILE.tvl: each record text on its own line; an undecodable line goes
// to stderr with its number and makes the status 1 at the end.
int cliDecode(CliContext &context);
// encode FILE.tvl: appends each line of standard input as an encoded line.
int cliEncode(CliContext &context);
// ports: the port names with their devices; ports map COMn DEVICE names a
// device (a USB adapter, a pseudo-terminal), ports unmap COMn forgets one.
int cliPorts(CliContext &context);
