#pragma once

// Answer decoders of the tester's command set: bytes in, values out, no I/O.
// Every decoder reads exactly the 8 data bytes of one message (Data must hold
// at least 8 bytes), so any byte pattern is safe to decode.

#include "tester/CommandCodes.h"
#include "tester/Limits.h"

#include <QString>
#include <QtGlobal>

#include <array>
#include <cstddef>

// Little-endian words as the tester sends them.
inline qint16 MsgWord(const quint8 *Data, int offset)
{
    return qint16(quint16(Data[offset] | (quint16(Data[offset + 1]) << 8)));
}
inline quint16 MsgUWord(const quint8 *Data, int offset)
{
    return quint16(Data[offset] | (quint16(Data[offset + 1]) << 8));
}

// ---- $10 firmware version ---------------------------------------------------
struct TFirmwareVersion {
    QString Text;       // "1.03.00 xx"
    quint64 Packed = 0; // V0..V4 as hex digits, V0 in bits 32..35
    bool Compatible() const { return Packed >= MinFirmwarePacked; }
};
TFirmwareVersion DecodeFirmwareVersion(const quint8 *Data);
// The warning shown for a tester older than 1.03.00.
QString FirmwareMismatchMessage(const QString &VersionText);

// ---- $11 serial number ------------------------------------------------------
// Ten characters: per byte the low nibble, then the high nibble, each OR $30.
QString DecodeSerialNumber(const quint8 *Data);

// ---- $15 language list entry ------------------------------------------------
struct TLanguageEntry {
    bool Exists = false;
    QString Code;    // up to two characters, empty when the tester sent none
    int Count = 0;   // number of languages
    int Current = 0; // index of the current language
};
TLanguageEntry DecodeLanguageEntry(const quint8 *Data);

// ---- $3B current language ---------------------------------------------------
QString DecodeCurrentLanguage(const quint8 *Data);

// ---- $32 current limits (autosend) -----------------------------------------
struct TGrenzwerte2 {
    qint16 Schutzleiterstrom = 0;  // 10 uA
    qint16 Beruehrungsstrom = 0;   // 10 uA
    qint16 Schnellabschaltung = 0; // 10 uA
};
TGrenzwerte2 DecodeGrenzwerte2(const quint8 *Data);

// ---- $33 memory -------------------------------------------------------------
struct TSpeicherStand {
    quint16 Anzahl = 0; // stored records
    quint16 FreieBytes = 0;
    bool Voll = false;
};
TSpeicherStand DecodeSpeicherStand(const quint8 *Data);

// ---- $37 measured values (1) -----------------------------------------------
struct TMesswerte1 {
    qint16 Schutzleiterwid = 0; // mOhm
    qint16 Isolationswid = 0;   // kOhm
    qint16 Ableitstrom = 0;     // 10 uA
    quint8 Grenzwertflags = 0;
};
TMesswerte1 DecodeMesswerte1(const quint8 *Data);

// ---- $38 measured values (2) -----------------------------------------------
struct TMesswerte2 {
    qint16 SchutzlStromL1N = 0; // all 10 uA
    qint16 SchutzlStromNL1 = 0;
    qint16 BeruehrungsstromL1N = 0;
    qint16 BeruehrungsstromNL1 = 0;
};
TMesswerte2 DecodeMesswerte2(const quint8 *Data);

// ---- $39 live value of the running step -------------------------------------
inline qint16 DecodeRohwert(const quint8 *Data)
{
    return MsgWord(Data, 4);
}

// ---- $3A sequence -----------------------------------------------------------
struct TMessablauf {
    int Messschritt = 0; // 0..127, 0..7 defined
    // Indexed by TLimitTable: protective earth, insulation, leakage, differential.
    std::array<quint8, LimitTableCount> LimitIndex{};
    int Ablaufphase = 0;
};
TMessablauf DecodeMessablauf(const quint8 *Data);

// Feeds arbitrary bytes to every answer decoder (for the fuzz target).
void FuzzAllDecoders(const quint8 *data, size_t size);
