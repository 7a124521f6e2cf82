#include "store/ExportColumns.h"

#include "core/IniFile.h"

const std::array<TExportColumnDef, ecColumnCount> kExportColumns = {{
    {"KundenNr", "KundenNr", "KundenNr", false},
    {"PrueflingNr", "PrueflingNr", "PrueflingNr", false},
    {"PruefungsNr", "PruefungsNr", "PruefungsNr", false},
    {"Name1", "Name1", "Name1", true},
    {"Name2", "Name2", "Name2", true},
    {"Name3", "Name3", "Name3", true},
    {"KdStr", "KdStr", "KdStr", true},
    {"KdLKZ", "KdLKZ", "KdLKZ", true},
    {"KdPLZ", "KdPLZ", "KdPLZ", true},
    {"KdOrt", "KdOrt", "KdOrt", true},
    {"Telefon", "Telefon", "Telefon", true},
    {"Fax", "Fax", "Fax", true},
    {"Bezeichnung", "Bezeichnung", "Bezeichnung", true},
    {"Typ", "Typ", "Typ", true},
    {"Inventarnummer", "Inventarnummer", "Inventarnummer", true},
    {"Fabrikationsnummer", "Fabrikationsnummer", "Fabrikationsnummer", true},
    {"Seriennummer", "Seriennummer", "Seriennummer", true},
    {"Barcode", "Barcode", "Barcode", true},
    {"Datum", "Datum", "Datum", true},
    {"GTSeriennummer", "GTSeriennummer", "GTSeriennummer", true},
    {"Grenzwertflags", "Grenzwertflags", "Grenzwertflags", false},
    {"Menueflags", "Menueflags", "Menueflags", false},
    {"Schutzklasse", "Schutzklasse", "Schutzklasse", true},
    {"Sichtpruefung", "SichtpruefungBestanden", "Sichtprüfung", true},
    {"Messablauf", "Messablauf", "Messablauf", false},
    {"Schutzleiterwid", "Schutzleiterwid", "Schutzleiterwid", true},
    {"Isolationswid", "Isolationswid", "Isolationswid", true},
    {"Ableitstrom", "Ableitstrom", "Ableitstrom", true},
    {"SchutzlStromL1N", "SchutzlStromL1N", "SchutzlStromL1N", true},
    {"SchutzlStromNL1", "SchutzlStromNL1", "SchutzlStromNL1", true},
    {"BeruehrungsstromL1N", "BeruehrungsstromL1N", "BeruehrungsstromL1N", true},
    {"BeruehrungsstromNL1", "BeruehrungsstromNL1", "BeruehrungsstromNL1", true},
    {"GrwSchutzleiterwid", "GrwSchutzleiterwid", "GrwSchutzleiterwid", true},
    {"GrwIsolationswid", "GrwIsolationswid", "GrwIsolationswid", true},
    {"GrwAbleitstrom", "GrwAbleitstrom", "GrwAbleitstrom", true},
    {"GrwSchutzleiterstrom", "GrwSchutzleiterstrom", "GrwSchutzleiterstrom", true},
    {"GrwBeruehrungsstrom", "GrwBeruehrungsstrom", "GrwBeruehrungsstrom", true},
    {"GrwSchnellabschaltung", "GrwSchnellabschaltung", "GrwSchnellabschaltung", true},
    {"Pruefungsergebnis", "Pruefungsergebnis", "Pruefungsergebnis", true},
    {"Notiz", "Notiz", "Notiz", true},
    {"Pruefer", "Pruefer", "Pruefer", true},
    {"Bewertender", "Bewertender", "Bewertender", true},
    {"SchutzleiterwidLimit", "SchutzleiterwidLimit", "SchutzleiterwidLimit", true},
    {"IsolationswidLimit", "IsolationswidLimit", "IsolationswidLimit", true},
    {"AbleitstromLimit", "AbleitstromLimit", "AbleitstromLimit", true},
    {"SchutzlStromL1NLimit", "SchutzlStromL1NLimit", "SchutzlStromL1NLimit", true},
    {"SchutzlStromNL1Limit", "SchutzlStromNL1Limit", "SchutzlStromNL1Limit", true},
    {"BeruehrungsstromL1NLimit", "BeruehrungsstromL1NLimit", "BeruehrungsstromL1NLimit", true},
    {"BeruehrungsstromNL1Limit", "BeruehrungsstromNL1Limit", "BeruehrungsstromNL1Limit", true},
    {"Schnellabschaltung", "Schnellabschaltung", "Schnellabschaltung", true},
    {"automatisch", "automatisch", "automatisch", false},
    {"DINVDE", "DINVDE", "DINVDE", true},
    {"mitIsol", "mitIsol", "mitIsol", true},
    {"manuGrenz", "manuGrenz", "manuGrenz", true},
    {"mitBeruehr", "mitBeruehr", "mitBeruehr", true},
    {"abgebrochen", "abgebrochen", "abgebrochen", true},
    {"Enables", "Enables", "Enables", false},
}};

TExportSwitches::TExportSwitches()
{
    for (std::size_t i = 0; i < kExportColumns.size(); ++i)
        Column[i] = kExportColumns[i].def;
}

void TExportSwitches::Read(const TIniFile &ini)
{
    for (std::size_t i = 0; i < kExportColumns.size(); ++i)
        Column[i] = ini.ReadBool(kExportSection, QLatin1String(kExportColumns[i].key), kExportColumns[i].def);
    SichtprZeilen = ini.ReadBool(kExportSection, kSichtprZeilenKey, false);
}

void TExportSwitches::Write(TIniFile &ini) const
{
    for (std::size_t i = 0; i < kExportColumns.size(); ++i)
        ini.WriteBool(kExportSection, QLatin1String(kExportColumns[i].key), Column[i]);
    ini.WriteBool(kExportSection, kSichtprZeilenKey, SichtprZeilen);
}
