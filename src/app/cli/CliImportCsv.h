#pragma once

#include <QStringList>

// "geraetetester --import-csv FILE [--dry-run] [--column COLUMN=FIELD]...":
// customers, devices and tests from a file in the export's format, all or
// nothing; columns read as the window's remembered mapping and the options say.
int RunImportCsvCommand(const QStringList &args);
