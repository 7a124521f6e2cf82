#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// One row of the visual inspection of a test.
struct TSichtPr {
    int ZeileNr = 0;    // SIintZeileNr
    int Bestanden = -1; // SIintBestanden: 1 passed, 0 failed, other not stated
    QString Pruefteil;  // STstrPruefteil
    QString Pruefung;   // STstrPruefung
};

// One test in memory: customer, device, values, limits, flags, derived
// fields and inspection rows. Also the live state of the tester. A value-
// initialised record ("TWerteSatz{}") is the zeroed record.
// Measured values: mOhm (earth), kOhm (insulation), 0.01 mA (currents);
// negative = not measured.
struct TWerteSatz {
    // customer (tblKunden)
    int KundenNr = 0;
    QString Name1, Name2, Name3;
    QString Strasse;
    QString LKZ;
    QString PLZ;
    QString Ort;
    QString Telefon, Fax;
    // device (tblPruefling)
    int PrueflingNr = 0;
    QString Bezeichnung, Typ, Inventarnummer, Hersteller, Fabrikationsnummer, Seriennummer, Barcode;
    // test (tblPruefung)
    int PruefungsNr = 0;
    QDateTime Datum;
    QString GTSeriennummer;
    int Grenzwertflags = 0;
    int Menueflags = 0;
    int SchutzklasseFlags = 0;
    int MessablaufFlags = 0;
    int Schutzleiterwid = 0;
    int Isolationswid = 0;
    int Ableitstrom = 0;
    int SchutzlStromL1N = 0;
    int SchutzlStromNL1 = 0;
    int BeruehrungsstromL1N = 0;
    int BeruehrungsstromNL1 = 0;
    int GrwSchutzleiterwid = 0;
    int GrwIsolationswid = 0;
    int GrwAbleitstrom = 0;
    int GrwSchutzleiterstrom = 0;
    int GrwBeruehrungsstrom = 0;
    int GrwSchnellabschaltung = 0;
    int Schutzklasse = 0; // 1, 2, 3
    bool Automatisch = false;
    int DINVDE = 0; // 0 = 0701, 1 = 0702, 2 = 0751
    bool ExternDiffStr = false;
    bool ManuGrenz = false;
    int IsolDiff = 0; // 0 none, 1 insulation, 2 insulation + differential
    bool MitBeruehr = false;
    bool Abgebrochen = false;
    bool Schnellabbruch = false;
    bool ManuellAbbruch = false;
    bool GrenzwFehler = false;
    int Sichtpruef = 0; // 1 passed, 0 failed, -1 not asked
    bool Pruefungsergebnis = false;
    QString Notiz, Pruefer, Bewertender;
    int Protokolltyp = 0; // 1 = three-page 0751 protocol
    QString ProtokollNr;
    int SichWied = 0;
    int FunktPruefBest = 0; // 1 yes, 0 no, other not stated
    int Gesamtbew = 0;      // device OK, always recomputed
    // The tester's current values, not a stored test: nobody has stated the
    // function test or first/repeat test, so there is no verdict either.
    bool NichtBewertet = false;
    // derived from Grenzwertflags bits 0..6
    bool SchutzleiterwidLimit = false;
    bool IsolationswidLimit = false;
    bool AbleitstromLimit = false;
    bool SchutzlStromL1NLimit = false;
    bool SchutzlStromNL1Limit = false;
    bool BeruehrungsstromL1NLimit = false;
    bool BeruehrungsstromNL1Limit = false;
    int Enables = 0;         // ComputeEnableMask
    QList<TSichtPr> Sichtpr; // in SIintZeileNr order
};

// Bits of the enable mask: which measurements apply to a set-up.
enum TEnableBit : int {
    enSchutzleiterwid = 0x01,
    enIsolationswid = 0x02,
    enAbleitstrom = 0x04,
    enSchutzlStromL1N = 0x08,
    enSchutzlStromNL1 = 0x10,
    enBeruehrungsstromL1N = 0x20,
    enBeruehrungsstromNL1 = 0x40,
    enAbleitstromLive = 0x80, // live substitute-leakage display of the main window
};

// Measurements that apply, by insulation mode (0..2), standard (0 = 0701,
// 1 = 0702, 2 = 0751), touch-current switch and protection class (1..3).
// Anything out of range gives 0.
int ComputeEnableMask(int isolDiff, int dinVde, bool mitBeruehr, int schutzklasse);

// "ja" / "nein"
QString FormatYesNo(bool b);
// The standard (0, 1, 2) as "0701", "0702", "0751"; "" for anything else.
QString FormatDinVde(int dinVde);
// The protection class (1..3) as "I", "II", "III"; "" for anything else.
QString FormatSchutzklasse(int schutzklasse);
// Value texts without unit; " --- " when not measured (negative).
QString FormatResistanceMilliohm(int v); // mOhm: "%d" up to 1000, ">1000"
QString FormatInsulationMegohm(int v);   // kOhm in, MOhm out: "<0.20", "0,20".."10,00", ">10.0"
QString FormatLeakageMilliampere(int v); // 0.01 mA in: "0,00".."20,00", ">20.0"
QString FormatCurrentMilliampere(int v); // 0.01 mA in: "0,00".."10,00", ">10.0"
// "[n/m]", or "[-/-]" when m is 0 or n <= 0.
QString FormatPosition(int n, int m);

// Fills the limit booleans and the enable mask; with fromTester also every
// field the tester reports only as flag words.
void DeriveFields(TWerteSatz &w, bool fromTester);
// Sets w.Gesamtbew (device OK 1/0; -1 for a record marked NichtBewertet).
void ComputeDeviceOk(TWerteSatz &w);
