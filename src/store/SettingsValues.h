#pragma once

#include "store/ExportColumns.h"

#include <QString>

#include <array>

// The settings the settings dialog edits. The program's configuration hands
// them in and takes them back; keys and defaults as in the configuration file
// (section "Configuration", the export switches in section "Export").
struct TSettingsValues {
    std::array<QString, 5> TopLine;    // "TopLine1".."TopLine5"
    std::array<QString, 5> BottomLine; // "BottomLine1".."BottomLine5"
    bool Preview = false;              // "Preview"
    QString Operator;                  // "Operator"
    QString Assessor;                  // "Assessor"
    int ServiceInterv = 365;           // "ServiceInterv", days
    int ExportFile = 0;                // "ExportFile": 0 ask, 1 always ExportFileName
    QString ExportFileName;            // "ExportFileName"
    TExportSwitches Export;            // section "Export"

    bool operator==(const TSettingsValues &) const = default;
};
