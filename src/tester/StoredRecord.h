#pragma once

// The tester's stored test record, read as five 8-byte pieces ($20..$24),
// and the staging-table values derived from it.

#include "store/StagingValues.h"

#include <QString>
#include <QtGlobal>

#include <array>

struct TSpeicherSatz {
    // Pieces A..E in reading order; piece p holds bytes 8p..8p+7.
    std::array<quint8, 40> Bytes{};

    // Data must hold at least 8 bytes. Pieces outside 0..4 are ignored.
    void setPiece(int piece, const quint8 *Data);
    const quint8 *Piece(int piece) const { return Bytes.data() + 8 * piece; }
    void Clear() { Bytes.fill(0); }
};

// Most barcode digits piece E can hold.
constexpr int MaxBarcodeDigits = 16;

// Barcode of the record: A0 digits of packed BCD from piece E, low nibble
// first. A digit count above 16 is cut to the 16 digits piece E holds.
QString DecodeBarcode(const TSpeicherSatz &Satz);

// All staging values of the record, with the clean-up applied.
TUebernahmeWerte DecodeSpeicherSatz(const TSpeicherSatz &Satz);
