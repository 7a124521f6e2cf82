#pragma once

#include <QStringList>

// "geraetetester --import-csv FILE [--dry-run]": customers, devices and
// tests from a file in the export's format, all or nothing.
int RunImportCsvCommand(const QStringList &args);
