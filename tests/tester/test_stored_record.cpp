#include "tester/Limits.h"
#include "tester/StoredRecord.h"

#include <gtest/gtest.h>

namespace {

// A complete record of a passed 0701 class I test with all values measured.
TSpeicherSatz GoodRecord()
{
    TSpeicherSatz s;
    auto word = [&](int offset, int v) {
        s.Bytes[size_t(offset)] = quint8(v & 0xFF);
        s.Bytes[size_t(offset + 1)] = quint8((v >> 8) & 0xFF);
    };
    s.Bytes[0] = 0;                              // A0 no barcode
    s.Bytes[1] = 0;                              // A1 Grenzwertflags
    s.Bytes[2] = mfAutomatisch | mfBeruehrstrom; // A2 Menueflags
    s.Bytes[3] = 1;                              // A3 class I, 0701
    s.Bytes[4] = maSichtBestanden;               // A4
    word(6, 120);                                // A6 earth mOhm
    word(8, 2500);                               // B0 insulation kOhm
    word(10, 35);                                // B2 leakage
    word(12, 11);                                // B4 PE current L1-N
    word(14, 12);                                // B6 PE current N-L1
    word(16, 13);                                // C0 touch L1-N
    word(18, 14);                                // C2 touch N-L1
    word(20, 300);                               // C4 limit earth
    word(22, 1000);                              // C6 limit insulation
    word(24, 350);                               // D0 limit leakage
    word(26, 50);                                // D2 limit PE current
    word(28, 25);                                // D4 limit touch
    word(30, 1000);                              // D6 limit quick cut-off
    return s;
}

} // namespace

TEST(StoredRecordBarcode, PackedDigitsLowNibbleFirst)
{
    TSpeicherSatz s = GoodRecord();
    EXPECT_EQ(DecodeBarcode(s), QString());

    s.Bytes[0] = 3;
    s.Bytes[32] = 0x21;
    s.Bytes[33] = 0x43;
    EXPECT_EQ(DecodeBarcode(s), QStringLiteral("123"));

    s.Bytes[0] = 16;
    for (int i = 0; i < 8; ++i)
        s.Bytes[size_t(32 + i)] = quint8(0x10 * ((2 * i + 1) % 10) + (2 * i) % 10);
    EXPECT_EQ(DecodeBarcode(s), QStringLiteral("0123456789012345"));

    // More digits than piece E holds: cut to the 16 that exist.
    s.Bytes[0] = 200;
    EXPECT_EQ(DecodeBarcode(s), QStringLiteral("0123456789012345"));
    EXPECT_EQ(DecodeSpeicherSatz(s).UNstrBarcode.size(), MaxBarcodeDigits);
}

TEST(StoredRecordDecode, GoodRecordMapsEveryColumn)
{
    const TUebernahmeWerte w = DecodeSpeicherSatz(GoodRecord());
    EXPECT_EQ(w.UNintMenueflags, mfAutomatisch | mfBeruehrstrom);
    EXPECT_EQ(w.UNintSchutzklasseFlags, 1);
    EXPECT_EQ(w.UNintSchutzklasse, 1);
    EXPECT_EQ(w.UNintSchutzleiterwid, 120);
    EXPECT_EQ(w.UNintIsolationswid, 2500);
    EXPECT_EQ(w.UNintAbleitstrom, 35);
    EXPECT_EQ(w.UNintSchutzlStromL1N, 11);
    EXPECT_EQ(w.UNintSchutzlStromNL1, 12);
    EXPECT_EQ(w.UNintBeruehrungsstromL1N, 13);
    EXPECT_EQ(w.UNintBeruehrungsstromNL1, 14);
    EXPECT_EQ(w.UNintGrwSchutzleiterwid, 300);
    EXPECT_EQ(w.UNintGrwIsolationswid, 1000);
    EXPECT_EQ(w.UNintGrwAbleitstrom, 350);
    EXPECT_EQ(w.UNintGrwSchutzleiterstrom, 50);
    EXPECT_EQ(w.UNintGrwBeruehrungsstrom, 25);
    EXPECT_EQ(w.UNintGrwSchnellabschaltung, 1000);
    EXPECT_EQ(w.UNintSichtpruef, 1);
    EXPECT_EQ(w.UNblnPruefungsergebnis, 1);
    EXPECT_EQ(w.UNblnAutomatisch, 1);
    EXPECT_EQ(w.UNintDINVDE, 0);
    EXPECT_EQ(w.UNintIsolDiff, 0);
    EXPECT_EQ(w.UNblnMitBeruehr, 1);
    EXPECT_EQ(w.UNblnAbgebrochen + w.UNblnSchnellabbruch + w.UNblnManuellAbbruch + w.UNblnGrenzwFehler, 0);
}

TEST(StoredRecordDecode, QuickAbortVoidsCurrentsAndFails)
{
    TSpeicherSatz s = GoodRecord();
    s.Bytes[4] = maSchnellabbruch;
    const TUebernahmeWerte w = DecodeSpeicherSatz(s);
    EXPECT_EQ(w.UNintSchutzlStromL1N, -1);
    EXPECT_EQ(w.UNintSchutzlStromNL1, -1);
    EXPECT_EQ(w.UNintBeruehrungsstromL1N, -1);
    EXPECT_EQ(w.UNintBeruehrungsstromNL1, -1);
    EXPECT_EQ(w.UNintSchutzleiterwid, 120); // the resistances stay
    EXPECT_EQ(w.UNblnSchnellabbruch, 1);
    EXPECT_EQ(w.UNblnPruefungsergebnis, 0);
    EXPECT_EQ(w.UNintMessablaufFlags, maSchnellabbruch);
}

TEST(StoredRecordDecode, ClassThreeWithoutVisualInspection)
{
    TSpeicherSatz s = GoodRecord();
    s.Bytes[3] = 0x0B;
    s.Bytes[4] = 0;
    const TUebernahmeWerte w = DecodeSpeicherSatz(s);
    EXPECT_EQ(w.UNintSchutzklasse, 3);
    EXPECT_EQ(w.UNintSchutzklasseFlags, 3); // only the class bits
    EXPECT_EQ(w.UNintSichtpruef, -1);
    EXPECT_EQ(w.UNintMenueflags & mfBeruehrstrom, 0);
    EXPECT_EQ(w.UNblnMitBeruehr, 0);
    // Not asked counts as passed for the verdict.
    EXPECT_EQ(w.UNblnPruefungsergebnis, 1);
}

TEST(StoredRecordDecode, InsulationTestClearsTouchCurrent)
{
    TSpeicherSatz s = GoodRecord();
    s.Bytes[2] = mfIsolation | mfBeruehrstrom | mfManuGrenz | mfDin0702;
    const TUebernahmeWerte w = DecodeSpeicherSatz(s);
    EXPECT_EQ(w.UNintMenueflags, mfIsolation | mfManuGrenz | mfDin0702);
    EXPECT_EQ(w.UNblnMitBeruehr, 0);
    EXPECT_EQ(w.UNintIsolDiff, 1);
    EXPECT_EQ(w.UNblnManuGrenz, 1);
    EXPECT_EQ(w.UNintDINVDE, 1);

    // Differential current without the insulation bit keeps touch current.
    s.Bytes[2] = mfIsolDiff | mfBeruehrstrom;
    EXPECT_EQ(DecodeSpeicherSatz(s).UNintIsolDiff, 2);
    EXPECT_EQ(DecodeSpeicherSatz(s).UNblnMitBeruehr, 1);
}

TEST(StoredRecordDecode, StandardAndVerdictFlags)
{
    TSpeicherSatz s = GoodRecord();
    s.Bytes[2] = mfDin0702;
    s.Bytes[3] = 2 | skDin0751 | skExternDiffStr;
    const TUebernahmeWerte w = DecodeSpeicherSatz(s);
    EXPECT_EQ(w.UNintDINVDE, 2); // 0751 wins over the 0702 bit
    EXPECT_EQ(w.UNblnExternDiffStr, 1);

    // Each failure bit of the mask fails the test; the limit-active bit does not.
    for (quint8 bit : {maAbgebrochen, maGrenzwFehler, maSchnellabbruch, maManuellAbbruch}) {
        s.Bytes[4] = maSichtBestanden | bit;
        EXPECT_EQ(DecodeSpeicherSatz(s).UNblnPruefungsergebnis, 0) << int(bit);
    }
    s.Bytes[4] = maSichtBestanden | maGrenzwertAktiv;
    EXPECT_EQ(DecodeSpeicherSatz(s).UNblnPruefungsergebnis, 1);
    // Visual inspection failed.
    s.Bytes[4] = 0;
    EXPECT_EQ(DecodeSpeicherSatz(s).UNintSichtpruef, 0);
    EXPECT_EQ(DecodeSpeicherSatz(s).UNblnPruefungsergebnis, 0);

    s.Bytes[4] = maAbgebrochen | maManuellAbbruch | maGrenzwFehler;
    const TUebernahmeWerte f = DecodeSpeicherSatz(s);
    EXPECT_EQ(f.UNblnAbgebrochen, 1);
    EXPECT_EQ(f.UNblnManuellAbbruch, 1);
    EXPECT_EQ(f.UNblnGrenzwFehler, 1);
    EXPECT_EQ(f.UNblnSchnellabbruch, 0);
}

TEST(StoredRecordDecode, PiecesLandInOrder)
{
    TSpeicherSatz s;
    quint8 piece[8];
    for (int p = 0; p < 5; ++p) {
        for (int i = 0; i < 8; ++i)
            piece[i] = quint8(p * 8 + i);
        s.setPiece(p, piece);
    }
    s.setPiece(5, piece); // ignored
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(s.Bytes[size_t(i)], i);
}
