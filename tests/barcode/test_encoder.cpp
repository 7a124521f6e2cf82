#include "BarcodeTestUtil.h"

#include <gtest/gtest.h>

namespace {

QString Encode(TBarCodeType t, const QString &text, bool reversed = false)
{
    return Notation(EncodeBarcode(t, text, reversed).elements);
}

// Published Code 39 patterns (bar first) of the characters used below.
const QString C39Star = "NwNnWnWnN";
const QString C39A = "WnNnNwNnW";
const QString C39B = "NnWnNwNnW";
const QString C39Dash = "NwNnNnWnW";
const QString C39One = "WnNwNnNnW";

TEST(Code39, EncodesUpperCaseBetweenStarsWithGapsAndNoCheckCharacter)
{
    const TBarSymbol s = EncodeBarcode(Code39, "ab-1");
    EXPECT_EQ(s.encodedText, "*AB-1*");
    EXPECT_EQ(Notation(s.elements),
              "Q" + C39Star + "n" + C39A + "n" + C39B + "n" + C39Dash + "n" + C39One + "n" + C39Star + "nQ");
    EXPECT_EQ(s.autoSizeTrimNarrow, 1);
    EXPECT_TRUE(s.takesBearerBars);
}

TEST(Code39, ReversedMirrorsCharactersButKeepsGapAfterEach)
{
    EXPECT_EQ(Encode(Code39, "A", true),
              "Q" + Reversed(C39Star) + "n" + Reversed(C39A) + "n" + Reversed(C39Star) + "nQ");
}

TEST(Code39, CharacterOutsideTableIsNineNarrowAndEmptyTextDrawsNothing)
{
    EXPECT_EQ(Encode(Code39, "#"), "Q" + C39Star + "nNnNnNnNnNn" + C39Star + "nQ");
    EXPECT_EQ(Encode(Code39, QString::fromUtf8("ä")), "Q" + C39Star + "nNnNnNnNnNn" + C39Star + "nQ");
    EXPECT_EQ(EncodeBarcode(Code39, "").kind, TSymbolKind::Nothing);
}

TEST(Code25, StartDigitsStopFromTheTwoOfFiveTable)
{
    // 0 = n n w w n, 5 = w n w n n; every bar followed by a narrow space.
    EXPECT_EQ(Encode(Code25, "05"), "QWnWnNn"
                                    "NnNnWnWnNn"
                                    "WnNnWnNnNn"
                                    "WnNnWQ");
    EXPECT_EQ(Encode(Code25, "x"), "QWnWnNnNnNnNnNnNnWnNnWQ");
    EXPECT_EQ(EncodeBarcode(Code25, "").kind, TSymbolKind::Nothing);
    EXPECT_EQ(Encode(Code25, "05", true), Reversed(Encode(Code25, "05")));
}

TEST(Interleaved2Of5, OddTextGetsLeadingZeroAndDigitsInterleave)
{
    const TBarSymbol s = EncodeBarcode(Interleaved2Of5, "123");
    EXPECT_EQ(s.encodedText, "0123");
    // Pair 0/1: bars 0 = nnwwn, spaces 1 = wnnnw; pair 2/3: bars 01001, spaces 11000.
    EXPECT_EQ(Notation(s.elements), "QNnNn"
                                    "NwNnWnWnNw"
                                    "NwWwNnNnWn"
                                    "WnNQ");
    EXPECT_EQ(Encode(Interleaved2Of5, "123", true), Reversed(Notation(s.elements)));
}

TEST(Interleaved2Of5, NonDigitGivesNarrowElementsAndEmptyDrawsNothing)
{
    // "1x": bars of 1 (wnnnw), spaces all narrow.
    EXPECT_EQ(Encode(Interleaved2Of5, "1x"), "QNnNnWnNnNnNnWnWnNQ");
    EXPECT_EQ(EncodeBarcode(Interleaved2Of5, "").kind, TSymbolKind::Nothing);
}

TEST(Itf14, TextLengthDecidesCheckDigitAndPadding)
{
    EXPECT_EQ(EncodeBarcode(ITF14, "123456789012").encodedText, "01234567890128");
    EXPECT_EQ(EncodeBarcode(ITF14, "1234567890128").encodedText, "01234567890128");
    EXPECT_EQ(EncodeBarcode(ITF14, "12345678901234").encodedText, "12345678901234");
    EXPECT_EQ(EncodeBarcode(ITF14, "123456789012345").encodedText, "0123456789012345");
    EXPECT_EQ(EncodeBarcode(ITF14, "12345678901").kind, TSymbolKind::EmptyBox);
    EXPECT_EQ(EncodeBarcode(ITF14, "").kind, TSymbolKind::EmptyBox);
    EXPECT_EQ(Encode(ITF14, "123456789012"), Encode(Interleaved2Of5, "01234567890128"));
}

TEST(Codabar, StartAndStopAWithGapsBetweenCharacters)
{
    // A = 0011010, 1 = 0000110, 2 = 0001001 (bar first, 1 = wide).
    const QString a = "NnWwNwN", one = "NnNnWwN", two = "NnNwNnW";
    const TBarSymbol s = EncodeBarcode(Codabar, "12");
    EXPECT_EQ(s.encodedText, "A12A");
    EXPECT_EQ(Notation(s.elements), "Q" + a + "n" + one + "n" + two + "n" + a + "Q");
    EXPECT_EQ(Encode(Codabar, "12", true),
              "Q" + Reversed(a) + "n" + Reversed(two) + "n" + Reversed(one) + "n" + Reversed(a) + "Q");
}

TEST(Codabar, StartStopLettersAndOthersAreSevenNarrow)
{
    const QString a = "NnWwNwN", narrow7 = "NnNnNnN";
    for (const char *t : {"A", "d", "x", "*"})
        EXPECT_EQ(Encode(Codabar, t), "Q" + a + "n" + narrow7 + "n" + a + "Q") << t;
    EXPECT_EQ(EncodeBarcode(Codabar, "").kind, TSymbolKind::Nothing);
}

TEST(PostNet, CheckDigitAndFullBarsAsWideBars)
{
    const TBarSymbol s = EncodeBarcode(PostnetZip, "12345");
    EXPECT_EQ(s.encodedText, "123455");
    EXPECT_FALSE(s.takesBearerBars);
    // Digit 1 = half half half full full; each bar followed by a wide space.
    const QString n = Notation(s.elements);
    EXPECT_TRUE(n.startsWith("QWwNwNwNwWwWw")) << n.toStdString();
    EXPECT_TRUE(n.endsWith("WQ"));
    EXPECT_EQ(n.size(), 1 + 2 + 6 * 10 + 1 + 1);
    EXPECT_EQ(Encode(PostnetZip, "12345", true), Reversed(n));
}

TEST(PostNet, NominalLengthDecidesWhetherCheckDigitIsAdded)
{
    EXPECT_EQ(EncodeBarcode(PostnetZip, "123456").encodedText, "123456");
    EXPECT_EQ(EncodeBarcode(PostNetZipPlus4, "123456789").encodedText, "1234567895");
    EXPECT_EQ(EncodeBarcode(Postnet11, "12345678901").encodedText, "123456789014");
    EXPECT_EQ(EncodeBarcode(PostNet, "12345").encodedText, "123455");
    EXPECT_EQ(EncodeBarcode(PostNet, "123456").encodedText, "1234569");
    EXPECT_EQ(EncodeBarcode(PostNet, "1234567890").encodedText, "12345678905");
    EXPECT_EQ(EncodeBarcode(PostNet, "123456789012").encodedText, "123456789012");
    EXPECT_EQ(EncodeBarcode(PostNet, "").kind, TSymbolKind::Nothing);
}

TEST(Ean, SevenDigitsGiveEan8WithCheckDigit)
{
    const TBarSymbol s = EncodeBarcode(EAN, "1234567");
    EXPECT_EQ(s.encodedText, "12345670");
    EXPECT_TRUE(s.alwaysHorizontal);
    EXPECT_FALSE(s.takesBearerBars);
    EXPECT_EQ(ModuleBits(s.elements), "101"
                                      "0011001"
                                      "0010011"
                                      "0111101"
                                      "0100011"
                                      "01010"
                                      "1001110"
                                      "1010000"
                                      "1000100"
                                      "1110010"
                                      "101");
    EXPECT_EQ(s.elements.front().width, TElemWidth::LeadIn);
    EXPECT_EQ(s.elements.back().width, TElemWidth::LeadIn);
}

TEST(Ean, ThirteenDigitsTakeParityFromTheFirstDigit)
{
    EXPECT_EQ(EncodeBarcode(EAN13, "400638133393").encodedText, "4006381333931");
    EXPECT_EQ(EncodeBarcode(EAN13, "978030640615").encodedText, "9780306406157");
    // Leading 4: A B A A B B for 0 0 6 3 8 1.
    const TBarSymbol s = EncodeBarcode(EAN8, "4006381333931");
    EXPECT_EQ(s.encodedText, "4006381333931");
    EXPECT_TRUE(ModuleBits(s.elements)
                    .startsWith("101"
                                "0001101"
                                "0100111"
                                "0101111"
                                "0111101"
                                "0001001"
                                "0110011"
                                "01010"));
    EXPECT_EQ(ModuleBits(s.elements).size(), 95);
}

TEST(Ean, LabelsAndBarRoles)
{
    const TBarSymbol s13 = EncodeBarcode(EAN13, "4006381333931");
    QString labels;
    for (const TBarElement &e : s13.elements)
        if (e.label) labels += QChar(e.label);
    EXPECT_EQ(labels, "006381333931"); // the leading digit is not written
    int guards = 0;
    for (const TBarElement &e : s13.elements)
        guards += e.role == TElemRole::EanGuard;
    EXPECT_EQ(guards, 3 + 5 + 3);
}

TEST(Ean, OtherLengthsGiveEmptyBoxAndNonDigitsSpaceModules)
{
    for (const char *t : {"", "12345", "123456", "123456789", "12345678901", "12345678901234"})
        EXPECT_EQ(EncodeBarcode(EAN13, t).kind, TSymbolKind::EmptyBox) << t;
    const TBarSymbol s = EncodeBarcode(EAN8, "1x345670");
    EXPECT_EQ(ModuleBits(s.elements).mid(3 + 7, 7), "0000000");
}

TEST(Ean, DirectionDoesNotTurnTheSymbol)
{
    EXPECT_EQ(Encode(EAN13, "400638133393", true), Encode(EAN13, "400638133393"));
}

TEST(Fim, PositionsByLetterAndTextIgnored)
{
    EXPECT_EQ(Encode(FIMA, "egal"), "QNnNnnnnnNnnnnnNnNnQ");
    EXPECT_EQ(Encode(FIMB, ""), "QNnnnNnNnnnNnNnnnNnQ");
    EXPECT_EQ(Encode(FIMC, "1"), "QNnNnnnNnnnNnnnNnNnQ");
    EXPECT_EQ(Encode(FIMC, "", true), Reversed(Encode(FIMC, "")));
}

TEST(Gs1, CheckDigitWeightsRightmostDigitThree)
{
    EXPECT_EQ(Gs1CheckDigit("1234567"), 0);
    EXPECT_EQ(Gs1CheckDigit("400638133393"), 1);
    EXPECT_EQ(Gs1CheckDigit("0123456789012"), 8);
    EXPECT_EQ(Gs1CheckDigit("0000000"), 0);
}

TEST(TypeNames, RoundTrip)
{
    for (int i = 0; i < BarCodeTypeCount; ++i) {
        TBarCodeType t = Code39;
        ASSERT_TRUE(BarCodeTypeFromName(BarCodeTypeName(static_cast<TBarCodeType>(i)).toLower(), &t));
        EXPECT_EQ(t, i);
    }
    TBarCodeType t;
    EXPECT_FALSE(BarCodeTypeFromName("QR", &t));
    TBDDirection d;
    ASSERT_TRUE(DirectionFromName("bdUp", &d));
    EXPECT_EQ(d, bdUp);
}

} // namespace
