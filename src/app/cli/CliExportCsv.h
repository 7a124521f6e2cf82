#pragma once

#include <QStringList>

// Command line: "--export-csv FILE [--test N]" (args may start with the
// program name). Uses the program's configuration file and database; German
// errors to stderr. Returns the exit code (0 success, 1 error).
int RunCsvExportCommand(const QStringList &args);
