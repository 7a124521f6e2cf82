#pragma once

// Addresses, command codes, the autosend mask and the answer time-out classes
// of the tester's command set. Plain C++ so that the simulator can share it.

#include <cstdint>

constexpr std::uint8_t AddrPc = 0x61;     // every message the program sends ('a')
constexpr std::uint8_t AddrTester = 0xEC; // every answer and report of the tester

constexpr int MsgDataBytes = 8; // data bytes of every frame

enum TTesterCmd : std::uint8_t {
    cmdProgrammversion = 0x10,     // firmware version, 7 characters
    cmdSeriennummer = 0x11,        // serial number, 5 bytes of two digits
    cmdStackgroessen = 0x12,       // known by name only
    cmdBelegterSpeicher = 0x13,    // known by name only
    cmdVorhandenerSpeicher = 0x14, // known by name only
    cmdSprachEintrag = 0x15,       // language list entry i
    cmdDatensatzA = 0x20,          // pieces A..E of the stored record: $20..$24
    cmdDatensatzB = 0x21,
    cmdDatensatzC = 0x22,
    cmdDatensatzD = 0x23,
    cmdDatensatzE = 0x24,
    cmdSpeicherdump = 0x25,          // known by name only
    cmdStacktiefen = 0x30,           // known by name only
    cmdGrenzwerte1 = 0x31,           // autosend only, not decoded
    cmdGrenzwerte2 = 0x32,           // current limits
    cmdDatensatzAnzahl = 0x33,       // stored records, free bytes, memory full
    cmdFlags = 0x34,                 // settings block
    cmdAdcDaten = 0x35,              // known by name only
    cmdPortleitungen = 0x36,         // known by name only
    cmdMesswerte1 = 0x37,            // earth, insulation, leakage, Grenzwertflags
    cmdMesswerte2 = 0x38,            // the four currents
    cmdRohwert = 0x39,               // live value of the running step
    cmdMessablauf = 0x3A,            // step, limit indexes, phase
    cmdSprache = 0x3B,               // current language code
    cmdSeriennummerEintragen = 0x65, // known by name only
    cmdEinstellungen = 0x66,         // settings block with action
    cmdAutosend = 0x67,              // autosend mask; one zero byte = off
    cmdGrenzwertIndex = 0x68,        // four limit indexes
    cmdSprachwahl = 0x69,            // choose language by index
    cmdEepromFunktion = 0x70,        // 'T', 'S', 'C'
    cmdEepromLesen = 0x71,           // known by name only
};

// Pieces of the stored record, in reading order.
constexpr std::uint8_t DatensatzCmd(int piece)
{
    return std::uint8_t(cmdDatensatzA + piece);
}
constexpr int DatensatzPieces = 5;

// Arguments of $70.
constexpr char EepromLesenBeginnen = 'T'; // before the first record
constexpr char EepromSatzGelesen = 'S';   // after each record
constexpr char EepromLesenBeenden = 'C';  // after the last record

// Bit i of the autosend mask selects the report $30 + i.
constexpr int AutosendBits = 11;
constexpr std::uint16_t AutosendMaskeStandard = 0x079C; // $32 $33 $34 $37 $38 $39 $3A

// Answer time-out classes and their defaults in milliseconds.
enum TTimeoutClass : int {
    tcRAM = 0,         // plain reads and RAM writes
    tcReadEEPROM = 1,  // record pieces, $68, settings writes
    tcWriteEEPROM = 2, // actions, final $70
};
constexpr std::uint32_t DefaultTimeoutRAM = 300;
constexpr std::uint32_t DefaultTimeoutReadEEPROM = 800;
constexpr std::uint32_t DefaultTimeoutWriteEEPROM = 1200;

// The firmware needs at least version 1.03.00 (packed as in the version rule).
constexpr std::uint64_t MinFirmwarePacked = 0x100030000ull;
