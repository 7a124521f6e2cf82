#pragma once

#include "app/cli/CommandLine.h"

#include <QStringList>

// Command line: "--protocol-pdf N FILE.pdf" writes the protocol of stored test
// N (with its visual-inspection rows, the form chosen as for printing) with
// the program's configuration file and database. German errors on standard
// error; returns the exit code (0 success, 1 error). args may start with the
// program name.
int RunProtocolPdfCommand(const QStringList &args);

// Its row of the command table.
TCommand ProtocolPdfCommand();
