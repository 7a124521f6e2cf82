#pragma once

#include "app/cli/CommandLine.h"

#include <QStringList>

// Command line: "--verify-pdf FILE.pdf" names who signed the file and says
// whether it is unchanged since (exit 0) or not, or carries no signature
// (exit 1). German lines; args may start with the program name.
int RunVerifyPdfCommand(const QStringList &args);

// Its row of the command table.
TCommand VerifyPdfCommand();
