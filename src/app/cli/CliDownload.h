#pragma once

#include "CliContext.h"

// download [--auto]: downloads the terminal of the settings (family
// Terminal/Model, port Terminal/Comport) into Unapproved/, as the download
// dialog does. Prints the saved file's name on stdout. Exit status: 0 saved,
// 3 no records, 2 link failure (the partial file, if any, is still named),
// 4 the file could not be written, 1 any other failure.
int cliDownload(CliContext &context);
