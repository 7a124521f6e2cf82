#pragma once

// Limit index tables, flag-word bits, action codes, measurement steps and
// sequence phases of the tester. Plain C++ on purpose: the front panel, the
// data dialogs and the simulator all share these numbers, and the simulator
// must not pull in the program's Qt code.

#include <array>
#include <cstdint>

// ---- Limit index tables ----------------------------------------------------

// The enumerator value is also the position of the table's index in the $68
// request (bytes 0..3) and, plus 2, in the $3A answer (bytes 2..5).
enum TLimitTable : int {
    ltSchutzleiterwid = 0, // protective-earth resistance, codes in mOhm
    ltIsolationswid = 1,   // insulation resistance, codes in kOhm
    ltAbleitstrom = 2,     // substitute leakage current, codes in 10 uA
    ltDifferenzstrom = 3,  // differential current (0751), codes in 10 uA
};
constexpr int LimitTableCount = 4;

struct TLimitEntry {
    double Display; // value as shown: mOhm, MOhm or mA
    int Code;       // value as exchanged and stored: mOhm, kOhm or 10 uA
};

// Not ascending: 100 and 200 mOhm were added behind 1000 mOhm, so the tester
// keeps its older indexes.
inline constexpr std::array<TLimitEntry, 10> SchutzleiterLimits{{{300, 300},
                                                                 {400, 400},
                                                                 {500, 500},
                                                                 {600, 600},
                                                                 {700, 700},
                                                                 {800, 800},
                                                                 {900, 900},
                                                                 {1000, 1000},
                                                                 {100, 100},
                                                                 {200, 200}}};
inline constexpr std::array<TLimitEntry, 6> IsolationLimits{
    {{0.25, 250}, {0.3, 300}, {0.5, 500}, {1.0, 1000}, {2.0, 2000}, {7.0, 7000}}};
inline constexpr std::array<TLimitEntry, 18> AbleitstromLimits{{{0.1, 10},
                                                                {0.5, 50},
                                                                {1.0, 100},
                                                                {2.0, 200},
                                                                {2.5, 250},
                                                                {3.5, 350},
                                                                {4.0, 400},
                                                                {5.0, 500},
                                                                {6.0, 600},
                                                                {7.0, 700},
                                                                {8.0, 800},
                                                                {9.0, 900},
                                                                {10.0, 1000},
                                                                {11.0, 1100},
                                                                {12.0, 1200},
                                                                {13.0, 1300},
                                                                {14.0, 1400},
                                                                {15.0, 1500}}};
inline constexpr std::array<TLimitEntry, 4> DifferenzstromLimits{
    {{0.1, 10}, {0.5, 50}, {2.5, 250}, {5.0, 500}}};

constexpr const TLimitEntry *LimitTableData(TLimitTable t)
{
    switch (t) {
    case ltSchutzleiterwid:
        return SchutzleiterLimits.data();
    case ltIsolationswid:
        return IsolationLimits.data();
    case ltAbleitstrom:
        return AbleitstromLimits.data();
    case ltDifferenzstrom:
        return DifferenzstromLimits.data();
    }
    return nullptr;
}

constexpr int LimitTableSize(TLimitTable t)
{
    switch (t) {
    case ltSchutzleiterwid:
        return int(SchutzleiterLimits.size());
    case ltIsolationswid:
        return int(IsolationLimits.size());
    case ltAbleitstrom:
        return int(AbleitstromLimits.size());
    case ltDifferenzstrom:
        return int(DifferenzstromLimits.size());
    }
    return 0;
}

constexpr bool LimitIndexValid(TLimitTable t, int index)
{
    return index >= 0 && index < LimitTableSize(t);
}

// Limit code of an index; -1 outside the table.
constexpr int LimitCode(TLimitTable t, int index)
{
    return LimitIndexValid(t, index) ? LimitTableData(t)[index].Code : -1;
}

// Display value of an index; 0 outside the table (callers show " --- " then).
constexpr double LimitDisplayValue(TLimitTable t, int index)
{
    return LimitIndexValid(t, index) ? LimitTableData(t)[index].Display : 0.0;
}

// printf-style format of the display value.
constexpr const char *LimitDisplayFormat(TLimitTable t)
{
    return t == ltSchutzleiterwid ? "%1.0f" : "%1.2f";
}

// First index whose code equals the given code, else -1. The whole table is
// scanned because it is not sorted.
constexpr int LimitIndexOfCode(TLimitTable t, int code)
{
    for (int i = 0; i < LimitTableSize(t); ++i)
        if (LimitTableData(t)[i].Code == code) return i;
    return -1;
}

// ---- Grenzwertflags: limit violated during the test ------------------------
constexpr std::uint8_t gwSchutzleiterwid = 0x01; // above limit
constexpr std::uint8_t gwIsolationswid = 0x02;   // below limit
constexpr std::uint8_t gwAbleitstrom = 0x04;     // substitute leakage / differential
constexpr std::uint8_t gwSchutzlStromL1N = 0x08;
constexpr std::uint8_t gwSchutzlStromNL1 = 0x10; // test socket reversed
constexpr std::uint8_t gwBeruehrStromL1N = 0x20;
constexpr std::uint8_t gwBeruehrStromNL1 = 0x40; // test socket reversed

// Bit of the Grenzwertflags for measurement step 1..7 (0 for other steps).
constexpr std::uint8_t GrenzwertBitForStep(int messschritt)
{
    return messschritt >= 1 && messschritt <= 7 ? std::uint8_t(1u << (messschritt - 1)) : 0;
}

// ---- Menueflags: test configuration ----------------------------------------
constexpr std::uint8_t mfAutomatisch = 0x01;   // automatic sequence, clear = single steps
constexpr std::uint8_t mfDin0702 = 0x02;       // 0702, clear = 0701 (when not 0751)
constexpr std::uint8_t mfIsolation = 0x04;     // with insulation test
constexpr std::uint8_t mfManuGrenz = 0x08;     // manual limits
constexpr std::uint8_t mfBeruehrstrom = 0x10;  // with touch current
constexpr std::uint8_t mfSteuerbarcode = 0x20; // control barcode mode
constexpr std::uint8_t mfIsolDiff = 0x40;      // insulation and differential; beats mfIsolation

// ---- Geraeteflags -----------------------------------------------------------
constexpr std::uint8_t gfSprachwahl = 0x04; // the tester offers a choice of language

// ---- SchutzklasseFlags ------------------------------------------------------
constexpr std::uint8_t skKlasseMask = 0x03;          // protection class 1..3
constexpr std::uint8_t skDin0751 = 0x04;             // DIN VDE 0751 selected
constexpr std::uint8_t skSichtNichtAbgefragt = 0x08; // visual inspection not asked
constexpr std::uint8_t skExternDiffStr = 0x10;       // external differential current

// ---- Schaltflags ------------------------------------------------------------
constexpr std::uint8_t sfUmschalt = 0x01; // switch-over in progress

// ---- Sperrflags -------------------------------------------------------------
constexpr std::uint8_t spPcSchreibt = 0x04;     // set by the PC with menu, standard, class, lock writes
constexpr std::uint8_t spEinstellsperre = 0x08; // setting lock
constexpr std::uint8_t spNetzspannung = 0x80;   // next measurement puts mains on the test socket

// ---- MessablaufFlags: sequence status ---------------------------------------
constexpr std::uint8_t maAbgebrochen = 0x01;    // test aborted
constexpr std::uint8_t maGrenzwFehler = 0x02;   // limit error
constexpr std::uint8_t maGrenzwertAktiv = 0x04; // limit currently violated
constexpr std::uint8_t maSchnellabbruch = 0x08; // quick abort / emergency stop
constexpr std::uint8_t maManuellAbbruch = 0x20; // manual abort
constexpr std::uint8_t maSichtBestanden = 0x40; // visual inspection passed
// Any of these bits fails the test.
constexpr std::uint8_t maFehlerMaske = maAbgebrochen | maGrenzwFehler | maSchnellabbruch | maManuellAbbruch;

// ---- Aktion codes of a $66 request ------------------------------------------
constexpr std::uint8_t akKeine = 0x00;         // settings only
constexpr std::uint8_t akStart = 0x01;         // start / continue the test
constexpr std::uint8_t akAbbrechen = 0x02;     // abort
constexpr std::uint8_t akSpeicherClr = 0x10;   // clear the test memory
constexpr std::uint8_t akStartFreigabe = 0x40; // the PC re-enabled its start button
// The action writer passes only these bits on.
constexpr std::uint8_t akAktionMaske = 0x01 | 0x02 | 0x04 | 0x10;

// ---- Measurement steps (byte 1 of $3A, bits 0..6) ---------------------------
enum TMessschritt : int {
    msRuhe = 0,
    msSchutzleiterwid = 1,
    msIsolationswid = 2,
    msAbleitstrom = 3,
    msSchutzlStrom = 4,
    msSchutzlStromUmgepolt = 5,
    msBeruehrStrom = 6,
    msBeruehrStromUmgepolt = 7,
};
constexpr std::uint8_t MessschrittMaske = 0x7F;

// ---- Sequence phases (byte 7 of $3A) ----------------------------------------
enum TAblaufphase : int {
    apInitialisierung = 1,
    apRuhezustand = 2,
    apEepromLoeschen = 3,
    apAllesDrucken = 4,
    apEinstellungen = 5,
    apVorbereitung = 16,
    apSichtpruefung = 17, // visual-inspection query
    apAbschluss = 18,
    apSpeicherAbfrage = 19, // store query
    apSpeicherung = 20,
    apAnzeige = 21, // display of the measured data
    // 32..55: set-up codes by standard, class and modes (texts with the panel).
    apSetupErster = 32,
    apSetupLetzter = 55,
};
