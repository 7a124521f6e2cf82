#pragma once

#include <QString>

#include <array>

// The numbered measuring modes that set the tester's whole test configuration
// in one step, and the display names of the tester's languages.

struct TModeRow {
    int Code;
    const char *Schutzkl; // "I", "II", "III"
    const char *IsolDiff; // "Isol.", "Diff.", "-", "I + D"
    const char *Beruehr;  // "ja", "nein", "-"
    const char *DinVde;   // "0701", "0702", "0751"
    const char *Auto;     // "ja", "nein"
};

// What one row sends: written in this order, each only after the one before succeeded.
struct TModeSettings {
    int Schutzklasse = 1;    // 1..3
    quint8 Isolation = 0;    // insulation bit of the menu flags
    quint8 Differenz = 0;    // differential-current bit of the menu flags
    quint8 Beruehrstrom = 0; // touch current on
    int DinVde = 0;          // 0 = 0701, 1 = 0702, 2 = 0751
    quint8 Automatik = 0;    // automatic sequence
};

constexpr int ModeRowCount = 50;
extern const std::array<TModeRow, ModeRowCount> ModeRows;

// Settings of a row, derived from its columns. The 0751 rows follow the same
// reading: "Isol." is the insulation test, "Diff." the differential-current
// measurement (differential bit without insulation bit) and "-" neither.
// Row indexes outside the table give the defaults.
TModeSettings ModeSettingsForRow(int row);

// "de" -> "de (deutsch)"; a code outside the table stays bare.
QString LanguageEntryText(const QString &code);
