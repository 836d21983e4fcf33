#pragma once

#include "CliContext.h"

// export PATH --xlsx OUT.xlsx | --text OUT.txt: the rows of a patrol-data
// file (.tvl or old .mdb) as a workbook or in the data0.txt layout.
int cliExport(CliContext &context);
// report patrol PATH --pdf OUT.pdf | report tags --pdf OUT.pdf.
int cliReport(CliContext &context);
// tags export FILE.tag | tags import FILE (.tag or .tu): status 0, or 2 with
// the reason on stderr and the definitions unchanged.
int cliTagFiles(CliContext &context);
// tags: export and import here, every other word (list, add, edit, delete)
// to cliTags.
int cliTagCommands(CliContext &context);
// True for the commands that draw (reports): they need a GUI application.
bool cliNeedsGui(const QString &command);
