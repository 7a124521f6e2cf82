#pragma once

// The import's one column that is no export column: a device's own test
// interval in months ("Prüfintervall"; empty: the device keeps what it has).
// It sits behind the export columns in the import's column table, so the
// CSV export stays as it is. Internal to the import.

#include "store/ExportColumns.h"

#include <QString>

namespace csvimport {

constexpr int kIntervalColumn = ecColumnCount;
constexpr int kImportColumnCount = ecColumnCount + 1;

inline QString IntervalHeader()
{
    return QStringLiteral("Prüfintervall");
}

// The header name of an import column.
inline QString ImportColumnHeader(int c)
{
    return c == kIntervalColumn ? IntervalHeader()
                                : QString::fromLatin1(kExportColumns[std::size_t(c)].header);
}

} // namespace csvimport
