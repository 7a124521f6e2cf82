#pragma once

// The values of an imported line, read back from the texts the export
// writes. Each parser gives nothing for a text the export would not have
// written, so the import can name the column instead of storing a guess.

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

// The spreadsheet guard of the export ("'=...") taken off again.
// A view into v: v must outlive it.
QStringView ImportUserText(QStringView v);
// Keys compare the way the export writes: its double quotes are apostrophes.
QString ImportKeyText(QStringView v);
// The same appended to a key being built, without a string of its own.
void AppendImportKey(QString &key, QStringView v);
// Whether two texts are the same key, compared in place.
bool SameImportKey(QStringView a, QStringView b);

// "yyyy-MM-dd hh:mm:ss", without the locale machinery (once per line).
QString IsoDateTimeText(const QDateTime &dt);

std::optional<bool> ParseImportBool(QStringView v);
std::optional<int> ParseImportInt(QStringView v);
// A measured value as the export formats it, back to the stored unit. The
// value found must format to the same text again, so nothing changes on
// the way through; format's texts outlive the call, trimmed.
std::optional<int> ParseImportMeasured(QStringView v, int scale, int over, int under,
                                       const std::function<QStringView(int)> &format);
// The standard as 0701 / 0702 / 0751 (0, 1, 2).
std::optional<int> ParseImportDinVde(QStringView v);
// "ja" 1, "nein" 0, "---" or nothing -1.
std::optional<int> ParseImportYesNoOther(QStringView v);
// How the insulation is measured: 0, 1 or 2.
std::optional<int> ParseImportIsolDiff(QStringView v);
