#pragma once

#include "app/cli/CommandLine.h"

#include <QStringList>

// Command line: "--barcode-sheet steuer|leser FILE.pdf" writes the control
// barcode sheet or the reader configuration sheet; with "--printer NAME"
// instead of FILE it prints the sheet on that queue ("": the default one). German errors on standard
// error; returns the exit code (0 success, 1 error).
int RunBarcodeSheetCommand(const QStringList &args);

// Its row of the command table.
TCommand BarcodeSheetCommand();
