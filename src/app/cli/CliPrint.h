#pragma once

#include "app/cli/CommandLine.h"

#include <QString>
#include <QStringList>

class TReport;

// Command line: "--print N [--printer NAME]" prints the protocol of stored
// test N, the same drawing as the preview and "--protocol-pdf", on the named
// print queue or the default one. German errors on standard error (no such
// test, no such printer with the ones there are, none at all, the print
// service not reachable); returns the exit code (0 success, 1 error).
int RunPrintCommand(const QStringList &args);
// Its row of the command table.
TCommand PrintCommand();

namespace cli {

// Prints the report on the queue `printer` (empty: the default queue) and
// says so, naming `what`; the exit code. Shared by the commands that print.
int PrintReport(const TReport &report, const QString &printer, const QString &what);

} // namespace cli
