#pragma once

#include <QStringList>

// "geraetetester --export-xlsx FILE [--test N]": the CSV export's columns
// and rows as a spreadsheet file.
int RunXlsxExportCommand(const QStringList &args);
