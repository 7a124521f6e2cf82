#pragma once

#include "tester/CommandCodes.h"
#include "tester/Limits.h"

#include <QByteArray>
#include <QtGlobal>

// The tester's 8-byte settings and status block: answer of $34, request of $66.
struct TEinstellBlock {
    quint8 Menueflags = 0;
    quint8 Geraeteflags = 0;
    quint8 SchutzklasseFlags = 0;
    quint8 Messzeit = 0; // 0.1 s, valid 1..250
    quint8 Schaltflags = 0;
    quint8 Sperrflags = 0;
    quint8 MessablaufFlags = 0;
    quint8 Aktion = 0; // only meaningful in requests

    // Data must hold at least 8 bytes.
    static TEinstellBlock FromBytes(const quint8 *Data);
    // The 8 bytes in wire order.
    QByteArray ToBytes() const;

    int Schutzklasse() const { return SchutzklasseFlags & skKlasseMask; }
    // 0 = 0701, 1 = 0702, 2 = 0751.
    int DinVde() const;
    // 0 without insulation test, 1 with, 2 insulation and differential current.
    int IsolationMode() const;

    bool operator==(const TEinstellBlock &) const = default;
};

// One change of a tester setting from the PC, as written by ReadModifyWrite.
enum TSettingKind {
    scMenueBit,            // Bit := Value (one of the six menu bits)
    scDinVde,              // Value 0 = 0701, 1 = 0702, 2 = 0751
    scSchutzklasse,        // Value 1..3
    scEinstellsperre,      // Value 0/1
    scMesszeit,            // Value 1..250 (0.1 s)
    scSichtNichtAbgefragt, // Value 0/1
    scSichtBestanden,      // Value 0/1
    scAktion,              // Value = action code
    scStartFreigabe,       // start enabled ($40)
};

struct TSettingChange {
    TSettingKind Kind = scAktion;
    int Value = 0;
    quint8 Bit = 0; // scMenueBit only

    static TSettingChange MenueBit(quint8 bit, bool on) { return {scMenueBit, on ? 1 : 0, bit}; }
    static TSettingChange DinVde(int index) { return {scDinVde, index, 0}; }
    static TSettingChange Schutzklasse(int klasse) { return {scSchutzklasse, klasse, 0}; }
    static TSettingChange Einstellsperre(bool on) { return {scEinstellsperre, on ? 1 : 0, 0}; }
    static TSettingChange Messzeit(int tenths) { return {scMesszeit, tenths, 0}; }
    static TSettingChange SichtNichtAbgefragt(bool on) { return {scSichtNichtAbgefragt, on ? 1 : 0, 0}; }
    static TSettingChange SichtBestanden(bool on) { return {scSichtBestanden, on ? 1 : 0, 0}; }
    static TSettingChange Aktion(quint8 code) { return {scAktion, code, 0}; }
    static TSettingChange StartFreigabe() { return {scStartFreigabe, 0, 0}; }
};

// False for arguments that must be refused before anything is sent: a menu
// bit that is not one of the six writable bits, a standard above 2, a class
// outside 1..3, a measuring time outside 1..250.
bool SettingChangeValid(const TSettingChange &Change);

// Keeps the block a combination the tester can run: no class 3 under 0751,
// touch current for class 2 without insulation test, insulation test and no
// differential current for class 3.
void ApplyConsistencyRule(TEinstellBlock &Block);

// What to send for a change, given the block just read with $34.
struct TSettingWrite {
    bool Send = false; // false: the tester already has the value, nothing to write
    TEinstellBlock Block;
    TTimeoutClass Timeout = tcReadEEPROM;
};
TSettingWrite PlanSettingWrite(const TEinstellBlock &Read, const TSettingChange &Change);
