#pragma once

// The staging columns a stored record must give, decoded by the tests from
// the simulator's own bytes rather than with the program's decoder.

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <algorithm>
#include <map>

namespace chain_test {

using Row = std::map<QString, QVariant>;

// Staging columns of one record, straight from the record description.
inline Row expectedRow(const QByteArray &rec)
{
    auto byte = [&rec](int piece, int i) { return quint8(rec[8 * piece + i]); };
    auto word = [&](int piece, int i) { return int(qint16(byte(piece, i) | (byte(piece, i + 1) << 8))); };
    const int a1 = byte(0, 1), a3 = byte(0, 3), a4 = byte(0, 4);
    int m = byte(0, 2);
    if ((a3 & 3) == 3) m &= ~0x10;
    if (m & 0x04) m &= ~0x10;
    QString barcode;
    for (int k = 1; k <= std::min<int>(byte(0, 0), 16); ++k) {
        const int b = byte(4, (k - 1) / 2);
        barcode += QChar('0' + ((k % 2) ? (b & 15) : (b >> 4)));
    }
    const bool quick = a4 & 0x08;
    const int sicht = (a3 & 0x08) ? -1 : ((a4 & 0x40) ? 1 : 0);
    Row r;
    r["UNstrBarcode"] = barcode;
    r["UNintGrenzwertflags"] = a1;
    r["UNintMenueflags"] = m;
    r["UNintSchutzklasseFlags"] = a3 & 3;
    r["UNintMessablaufFlags"] = a4;
    r["UNintSchutzleiterwid"] = word(0, 6);
    r["UNintIsolationswid"] = word(1, 0);
    r["UNintAbleitstrom"] = word(1, 2);
    r["UNintSchutzlStromL1N"] = quick ? -1 : word(1, 4);
    r["UNintSchutzlStromNL1"] = quick ? -1 : word(1, 6);
    r["UNintBeruehrungsstromL1N"] = quick ? -1 : word(2, 0);
    r["UNintBeruehrungsstromNL1"] = quick ? -1 : word(2, 2);
    r["UNintGrwSchutzleiterwid"] = word(2, 4);
    r["UNintGrwIsolationswid"] = word(2, 6);
    r["UNintGrwAbleitstrom"] = word(3, 0);
    r["UNintGrwSchutzleiterstrom"] = word(3, 2);
    r["UNintGrwBeruehrungsstrom"] = word(3, 4);
    r["UNintGrwSchnellabschaltung"] = word(3, 6);
    r["UNintSichtpruef"] = sicht;
    r["UNblnPruefungsergebnis"] = (sicht != 0 && (a4 & 0x2B) == 0) ? 1 : 0;
    r["UNintSchutzklasse"] = a3 & 3;
    r["UNblnAutomatisch"] = m & 1 ? 1 : 0;
    r["UNintDINVDE"] = (a3 & 4) ? 2 : ((m & 2) ? 1 : 0);
    r["UNblnExternDiffStr"] = (a3 & 0x10) ? 1 : 0;
    r["UNblnManuGrenz"] = (m & 8) ? 1 : 0;
    r["UNintIsolDiff"] = (m & 0x40) ? 2 : ((m & 4) ? 1 : 0);
    r["UNblnMitBeruehr"] = (m & 0x10) ? 1 : 0;
    r["UNblnAbgebrochen"] = a4 & 1;
    r["UNblnSchnellabbruch"] = quick ? 1 : 0;
    r["UNblnManuellAbbruch"] = (a4 & 0x20) ? 1 : 0;
    r["UNblnGrenzwFehler"] = (a4 & 2) ? 1 : 0;
    return r;
}

} // namespace chain_test
