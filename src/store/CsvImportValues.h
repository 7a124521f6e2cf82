#pragma once

// The values of an imported line, read back from the texts the export
// writes. Each parser gives nothing for a text the export would not have
// written, so the import can name the column instead of storing a guess.

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

// The spreadsheet guard of the export ("'=...") taken off again.
QString ImportUserText(const QString &v);
// Keys compare the way the export writes: its double quotes are apostrophes.
QString ImportKeyText(const QString &v);

// "yyyy-MM-dd hh:mm:ss", without the locale machinery (once per line).
QString IsoDateTimeText(const QDateTime &dt);

std::optional<bool> ParseImportBool(const QString &v);
std::optional<int> ParseImportInt(const QString &v);
// A measured value as the export formats it, back to the stored unit. The
// value found must format to the same text again, so nothing changes on
// the way through.
std::optional<int> ParseImportMeasured(const QString &v, int scale, int over, int under,
                                       const std::function<QString(int)> &format);
// The standard as 0701 / 0702 / 0751 (0, 1, 2).
std::optional<int> ParseImportDinVde(const QString &v);
// "ja" 1, "nein" 0, "---" or nothing -1.
std::optional<int> ParseImportYesNoOther(const QString &v);
// How the insulation is measured: 0, 1 or 2.
std::optional<int> ParseImportIsolDiff(const QString &v);
