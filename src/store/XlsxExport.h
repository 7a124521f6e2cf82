#pragma once

// The exports as spreadsheet files (.xlsx): texts stay texts (barcodes and
// serial numbers keep their leading zeros), measured values and limits are
// numbers with two decimals, dates are dates; the header row is frozen and
// filtered. Same columns and rows as the CSV export.

#include "store/DueList.h"
#include "store/ExportColumns.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

// All tests (no inspection rows), in the order the CSV export writes them.
bool ExportAllTestsXlsx(QSqlDatabase db, const QString &fileName, const TExportSwitches &sw,
                        QString *error = nullptr, int *count = nullptr);
// One test with its inspection rows when switched on.
bool ExportSingleTestXlsx(QSqlDatabase db, int pruefungsNr, const QString &fileName,
                          const TExportSwitches &sw, QString *error = nullptr);
// The due list (the columns of the CSV due list).
bool WriteDueXlsx(const QList<TDueEntry> &rows, const QString &fileName, QString *error = nullptr);

// True when the name ends in ".xlsx" (letter case ignored): the exports choose by it.
bool IsXlsxFileName(const QString &fileName);
