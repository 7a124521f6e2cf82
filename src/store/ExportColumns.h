#pragma once

#include <QString>

#include <array>

class TIniFile;

// The CSV export columns, in column order, which is also the order of their
// switches in section "Export" of the configuration file.
enum TExportColumn : int {
    ecKundenNr,
    ecPrueflingNr,
    ecPruefungsNr,
    ecName1,
    ecName2,
    ecName3,
    ecKdStr,
    ecKdLKZ,
    ecKdPLZ,
    ecKdOrt,
    ecTelefon,
    ecFax,
    ecBezeichnung,
    ecTyp,
    ecInventarnummer,
    ecFabrikationsnummer,
    ecSeriennummer,
    ecBarcode,
    ecDatum,
    ecGTSeriennummer,
    ecGrenzwertflags,
    ecMenueflags,
    ecSchutzklasse,
    ecSichtpruefung,
    ecMessablauf,
    ecSchutzleiterwid,
    ecIsolationswid,
    ecAbleitstrom,
    ecSchutzlStromL1N,
    ecSchutzlStromNL1,
    ecBeruehrungsstromL1N,
    ecBeruehrungsstromNL1,
    ecGrwSchutzleiterwid,
    ecGrwIsolationswid,
    ecGrwAbleitstrom,
    ecGrwSchutzleiterstrom,
    ecGrwBeruehrungsstrom,
    ecGrwSchnellabschaltung,
    ecPruefungsergebnis,
    ecNotiz,
    ecPruefer,
    ecBewertender,
    ecSchutzleiterwidLimit,
    ecIsolationswidLimit,
    ecAbleitstromLimit,
    ecSchutzlStromL1NLimit,
    ecSchutzlStromNL1Limit,
    ecBeruehrungsstromL1NLimit,
    ecBeruehrungsstromNL1Limit,
    ecSchnellabschaltung,
    ecAutomatisch,
    ecDINVDE,
    ecMitIsol,
    ecManuGrenz,
    ecMitBeruehr,
    ecAbgebrochen,
    ecEnables,
    ecColumnCount
};

struct TExportColumnDef {
    const char *key;     // switch key in section "Export"
    const char *header;  // header text in the CSV file
    const char *caption; // check box text in the settings dialog (UTF-8)
    bool def;            // default of the switch
};

// 56 column switches in file order, then "Enables".
extern const std::array<TExportColumnDef, ecColumnCount> kExportColumns;

inline const QString kExportSection = QStringLiteral("Export");
inline const QString kSichtprZeilenKey = QStringLiteral("SichtprZeilen");

// Which columns the export writes.
struct TExportSwitches {
    std::array<bool, ecColumnCount> Column{};
    bool SichtprZeilen = false; // visual-inspection rows (single export only)

    TExportSwitches(); // the defaults
    bool operator==(const TExportSwitches &) const = default;

    bool on(TExportColumn c) const { return Column[std::size_t(c)]; }
    void set(TExportColumn c, bool v) { Column[std::size_t(c)] = v; }

    // Section "Export"; a missing key or an unreadable value gives the default.
    void Read(const TIniFile &ini);
    // Every key in file order, "SichtprZeilen" last.
    void Write(TIniFile &ini) const;
};
