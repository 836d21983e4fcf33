#pragma once

#include "CliContext.h"

// report send: the exception report of a period by mail (see ReportMail).
int cliReportSend(CliContext &context);
