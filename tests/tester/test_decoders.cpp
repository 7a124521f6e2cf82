#include "tester/CommandNames.h"
#include "tester/Decoders.h"
#include "tester/Limits.h"
#include "tester/SettingsBlock.h"
#include "tester/StoredRecord.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct Data8 {
    quint8 b[8] = {};
    Data8(std::initializer_list<int> bytes)
    {
        int i = 0;
        for (int v : bytes)
            b[i++] = quint8(v);
    }
    static Data8 Text(const char *text)
    {
        Data8 d{};
        for (int i = 0; i < 8 && text[i]; ++i)
            d.b[i] = quint8(text[i]);
        return d;
    }
};

} // namespace

TEST(FirmwareVersion, TextAndCompatibilityRule)
{
    const Data8 v10300 = Data8::Text("10300AB");
    const TFirmwareVersion ok = DecodeFirmwareVersion(v10300.b);
    EXPECT_EQ(ok.Text, QStringLiteral("1.03.00 AB"));
    EXPECT_EQ(ok.Packed, MinFirmwarePacked);
    EXPECT_TRUE(ok.Compatible());

    const TFirmwareVersion old = DecodeFirmwareVersion(Data8::Text("10299xy").b);
    EXPECT_EQ(old.Text, QStringLiteral("1.02.99 xy"));
    EXPECT_FALSE(old.Compatible());

    // The first digit weighs more than all others together.
    EXPECT_TRUE(DecodeFirmwareVersion(Data8::Text("20000  ").b).Compatible());
    // Hex digits count as such; anything else counts as 0.
    EXPECT_TRUE(DecodeFirmwareVersion(Data8::Text("1A000  ").b).Compatible());
    EXPECT_FALSE(DecodeFirmwareVersion(Data8::Text("1xx99  ").b).Compatible());
    EXPECT_TRUE(DecodeFirmwareVersion(Data8::Text("1f0zz  ").b).Compatible());
}

TEST(FirmwareVersion, MismatchMessageCarriesVersion)
{
    const QString msg = FirmwareMismatchMessage(QStringLiteral("1.02.99 xy"));
    EXPECT_TRUE(msg.startsWith(
        QStringLiteral("Der angeschlossene Gerätetester mit Firmwareversion 1.02.99 xy passt")));
    EXPECT_TRUE(msg.endsWith(QStringLiteral("ab Version 1.03.00 an.")));
}

TEST(FirmwareVersion, MissingCharactersLeaveNoNul)
{
    const TFirmwareVersion v = DecodeFirmwareVersion(Data8({'1', '0', '3', '0', '0'}).b);
    EXPECT_EQ(v.Text, QStringLiteral("1.03.00 "));
    EXPECT_FALSE(v.Text.contains(QChar(0)));
}

TEST(SerialNumber, LowNibbleFirst)
{
    EXPECT_EQ(DecodeSerialNumber(Data8({0x21, 0x43, 0x65, 0x87, 0x09}).b), QStringLiteral("1234567890"));
    EXPECT_EQ(DecodeSerialNumber(Data8({0, 0, 0, 0, 0}).b), QStringLiteral("0000000000"));
}

TEST(Language, EntryAndCurrentCode)
{
    const TLanguageEntry e = DecodeLanguageEntry(Data8({0, 1, 'e', 'n', 5, 2}).b);
    EXPECT_TRUE(e.Exists);
    EXPECT_EQ(e.Code, QStringLiteral("en"));
    EXPECT_EQ(e.Count, 5);
    EXPECT_EQ(e.Current, 2);

    const TLanguageEntry none = DecodeLanguageEntry(Data8({0, 0, 0, 0, 3, 0}).b);
    EXPECT_FALSE(none.Exists);
    EXPECT_TRUE(none.Code.isEmpty());

    EXPECT_EQ(DecodeCurrentLanguage(Data8({'x', 'd', 'e', 'q'}).b), QStringLiteral("de"));
    EXPECT_TRUE(DecodeCurrentLanguage(Data8({'x', 0, 'e'}).b).isEmpty());
}

TEST(Reports, MemoryAndValues)
{
    // $33: counts are unsigned; "full" is any non-zero byte 4.
    const TSpeicherStand s = DecodeSpeicherStand(Data8({0x2C, 0x01, 0xFF, 0xFF, 0x80}).b);
    EXPECT_EQ(s.Anzahl, 300);
    EXPECT_EQ(s.FreieBytes, 65535);
    EXPECT_TRUE(s.Voll);

    // $37: signed words, negative = not measured.
    const TMesswerte1 m1 = DecodeMesswerte1(Data8({0x2C, 0x01, 0xFF, 0xFF, 0x5E, 0x01, 0x05, 0x99}).b);
    EXPECT_EQ(m1.Schutzleiterwid, 300);
    EXPECT_EQ(m1.Isolationswid, -1);
    EXPECT_EQ(m1.Ableitstrom, 350);
    EXPECT_EQ(m1.Grenzwertflags, gwSchutzleiterwid | gwAbleitstrom);

    const TMesswerte2 m2 = DecodeMesswerte2(Data8({1, 0, 2, 0, 3, 0, 0x00, 0x80}).b);
    EXPECT_EQ(m2.SchutzlStromL1N, 1);
    EXPECT_EQ(m2.SchutzlStromNL1, 2);
    EXPECT_EQ(m2.BeruehrungsstromL1N, 3);
    EXPECT_EQ(m2.BeruehrungsstromNL1, -32768);

    const TGrenzwerte2 g = DecodeGrenzwerte2(Data8({50, 0, 25, 0, 0xE8, 0x03}).b);
    EXPECT_EQ(g.Schutzleiterstrom, 50);
    EXPECT_EQ(g.Beruehrungsstrom, 25);
    EXPECT_EQ(g.Schnellabschaltung, 1000);

    // $39: only bytes 4-5 carry the live value.
    EXPECT_EQ(DecodeRohwert(Data8({9, 9, 9, 9, 0xFE, 0xFF, 9, 9}).b), -2);
}

TEST(Reports, SequenceMasksStepBitSeven)
{
    const TMessablauf m = DecodeMessablauf(Data8({0xAA, 0x83, 9, 5, 17, 3, 0xBB, 19}).b);
    EXPECT_EQ(m.Messschritt, 3);
    EXPECT_EQ(m.LimitIndex[ltSchutzleiterwid], 9);
    EXPECT_EQ(m.LimitIndex[ltIsolationswid], 5);
    EXPECT_EQ(m.LimitIndex[ltAbleitstrom], 17);
    EXPECT_EQ(m.LimitIndex[ltDifferenzstrom], 3);
    EXPECT_EQ(m.Ablaufphase, apSpeicherAbfrage);
}

TEST(LimitTables, CodesAndLookups)
{
    EXPECT_EQ(LimitTableSize(ltSchutzleiterwid), 10);
    EXPECT_EQ(LimitTableSize(ltIsolationswid), 6);
    EXPECT_EQ(LimitTableSize(ltAbleitstrom), 18);
    EXPECT_EQ(LimitTableSize(ltDifferenzstrom), 4);

    // The protective-earth table is not sorted: 100 and 200 sit at the end.
    EXPECT_EQ(LimitCode(ltSchutzleiterwid, 8), 100);
    EXPECT_EQ(LimitCode(ltSchutzleiterwid, 9), 200);
    EXPECT_EQ(LimitIndexOfCode(ltSchutzleiterwid, 200), 9);
    EXPECT_EQ(LimitIndexOfCode(ltSchutzleiterwid, 450), -1);
    EXPECT_EQ(LimitCode(ltSchutzleiterwid, 10), -1);
    EXPECT_EQ(LimitCode(ltSchutzleiterwid, -1), -1);

    EXPECT_EQ(LimitCode(ltIsolationswid, 5), 7000);
    EXPECT_DOUBLE_EQ(LimitDisplayValue(ltIsolationswid, 0), 0.25);
    EXPECT_EQ(LimitIndexOfCode(ltAbleitstrom, 350), 5);
    EXPECT_EQ(LimitIndexOfCode(ltAbleitstrom, 1500), 17);
    EXPECT_EQ(LimitIndexOfCode(ltDifferenzstrom, 250), 2);
    EXPECT_EQ(LimitIndexOfCode(ltDifferenzstrom, 350), -1);
    EXPECT_STREQ(LimitDisplayFormat(ltSchutzleiterwid), "%1.0f");
    EXPECT_STREQ(LimitDisplayFormat(ltDifferenzstrom), "%1.2f");

    // Every code is the display value in its unit.
    for (const TLimitEntry &e : IsolationLimits)
        EXPECT_EQ(e.Code, qRound(e.Display * 1000));
    for (const TLimitEntry &e : AbleitstromLimits)
        EXPECT_EQ(e.Code, qRound(e.Display * 100));
    for (const TLimitEntry &e : DifferenzstromLimits)
        EXPECT_EQ(e.Code, qRound(e.Display * 100));
}

TEST(MessageLog, NamesAndUnknownCodes)
{
    const Data8 none{};
    EXPECT_EQ(MessageLogText(true, 0x10, none.b),
              QStringLiteral("Sendung $10: Programmversionsnummer holen"));
    EXPECT_EQ(MessageLogText(false, 0x10, none.b),
              QStringLiteral("Empfang $10: Programmversionsnummer holen"));
    EXPECT_EQ(MessageLogText(false, 0x3A, none.b), QStringLiteral("Empfang $3A: Meßablaufflags abfragen"));
    EXPECT_EQ(MessageLogText(true, 0x22, none.b), QStringLiteral("Sendung $22: akt. Datensatz lesen (3)"));
    EXPECT_EQ(MessageLogText(true, 0x15, none.b), QStringLiteral("Sendung $15: unbekannt"));
    EXPECT_EQ(MessageLogText(false, 0x3B, none.b), QStringLiteral("Empfang $3B: unbekannt"));
    EXPECT_EQ(MessageLogText(true, 0x69, none.b), QStringLiteral("Sendung $69: unbekannt"));
    EXPECT_EQ(MessageLogText(false, 0xFE, none.b), QStringLiteral("Empfang $FE: unbekannt"));
}

TEST(MessageLog, AutosendMask)
{
    EXPECT_EQ(MessageLogText(true, 0x67, Data8({0x9C, 0x07}).b),
              QStringLiteral("Sendung $67: Autosend-Funktionen festlegen: $32 $33 $34 $37 $38 $39 $3A"));
    EXPECT_EQ(MessageLogText(true, 0x67, Data8({0x00}).b),
              QStringLiteral("Sendung $67: Autosend-Funktionen löschen"));
    EXPECT_EQ(MessageLogText(true, 0x67, Data8({0x01, 0x04}).b),
              QStringLiteral("Sendung $67: Autosend-Funktionen festlegen: $30 $3A"));
    // Received $67 is named by the command alone.
    EXPECT_EQ(MessageLogText(false, 0x67, Data8({0x9C, 0x07}).b),
              QStringLiteral("Empfang $67: Autosend-Funktionen festlegen"));
}

// Whatever bytes arrive, the decoded values stay inside their domains: the
// store and the panel rely on that without checking again.
TEST(AnyBytes, DecodeIntoValuesTheRestOfTheProgramCanTrust)
{
    std::mt19937 rng(4711);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < 20000; ++i) {
        // Mostly random, sometimes all ones or zeros, where edge values hide.
        const int fill = i % 7 == 0 ? 0xFF : i % 11 == 0 ? 0x00 : -1;
        std::array<quint8, 40> buf{};
        for (quint8 &b : buf)
            b = quint8(fill >= 0 ? fill : byte(rng));
        const quint8 *d = buf.data();
        SCOPED_TRACE(QByteArray(reinterpret_cast<const char *>(d), 40).toHex().toStdString());

        const QString serial = DecodeSerialNumber(d);
        ASSERT_EQ(serial.size(), 10);
        for (QChar c : serial)
            ASSERT_TRUE(c.unicode() >= 0x30 && c.unicode() <= 0x3F);
        ASSERT_LE(DecodeLanguageEntry(d).Code.size(), 2);
        ASSERT_LE(DecodeCurrentLanguage(d).size(), 2);
        ASSERT_LT(DecodeFirmwareVersion(d).Packed, quint64(1) << 36);

        // The settings block goes back to the tester byte for byte.
        const TEinstellBlock block = TEinstellBlock::FromBytes(d);
        ASSERT_EQ(block.ToBytes(), QByteArray(reinterpret_cast<const char *>(d), 8));
        TEinstellBlock once = block;
        ApplyConsistencyRule(once);
        TEinstellBlock twice = once;
        ApplyConsistencyRule(twice);
        ASSERT_EQ(twice.ToBytes(), once.ToBytes());
        if (once.Schutzklasse() == 3) {
            ASSERT_FALSE(once.SchutzklasseFlags & skDin0751);
            ASSERT_TRUE(once.Menueflags & mfIsolation);
            ASSERT_FALSE(once.Menueflags & mfIsolDiff);
        }

        TSpeicherSatz satz;
        for (int p = 0; p < DatensatzPieces; ++p)
            satz.setPiece(p, d + 8 * p);
        const TUebernahmeWerte w = DecodeSpeicherSatz(satz);
        ASSERT_EQ(w.UNstrBarcode.size(), qMin(int(buf[0]), MaxBarcodeDigits));
        for (QChar c : w.UNstrBarcode) // a nibble, even one that is no BCD digit
            ASSERT_TRUE(c.unicode() >= 0x30 && c.unicode() <= 0x3F) << w.UNstrBarcode.toStdString();
        for (int flag : {w.UNblnPruefungsergebnis, w.UNblnAutomatisch, w.UNblnExternDiffStr, w.UNblnManuGrenz,
                         w.UNblnMitBeruehr, w.UNblnAbgebrochen, w.UNblnSchnellabbruch, w.UNblnManuellAbbruch,
                         w.UNblnGrenzwFehler})
            ASSERT_TRUE(flag == 0 || flag == 1);
        ASSERT_TRUE(w.UNintSichtpruef >= -1 && w.UNintSichtpruef <= 1);
        ASSERT_TRUE(w.UNintDINVDE >= 0 && w.UNintDINVDE <= 2);
        ASSERT_TRUE(w.UNintIsolDiff >= 0 && w.UNintIsolDiff <= 2);

        // Every log line names the direction and the command it was about.
        const quint8 cmd = buf[39];
        const QString hex = QStringLiteral("$%1: ").arg(cmd, 2, 16, QLatin1Char('0')).toUpper();
        ASSERT_TRUE(MessageLogText(true, cmd, d).startsWith(QStringLiteral("Sendung ") + hex));
        ASSERT_TRUE(MessageLogText(false, cmd, d).startsWith(QStringLiteral("Empfang ") + hex));
    }
}
