#include "BarcodeTestUtil.h"

#include <gtest/gtest.h>

namespace {

using W = std::vector<int>;

int Check(const W &words)
{
    long long sum = words.front();
    for (size_t i = 1; i < words.size(); ++i)
        sum += static_cast<long long>(i) * words[i];
    return static_cast<int>(sum % 103);
}

// Appends the check character so expectations list only start and data.
W WithCheck(W words)
{
    words.push_back(Check(words));
    return words;
}

QString Ctl(const char *s)
{
    return QString::fromLatin1(s);
}

TEST(Code128, ExamplesFromTheSetSelectionRules)
{
    EXPECT_EQ(Code128Codewords("1234", false), (W{105, 12, 34, 82}));
    EXPECT_EQ(Code128Codewords("AB12345", false), (W{104, 33, 34, 99, 12, 34, 100, 21, 25}));
    EXPECT_EQ(Code128Codewords("Abc", false), (W{104, 33, 66, 67, 58}));
}

TEST(Code128, DigitRunsUseSetCOnlyFromFourDigitsOn)
{
    EXPECT_EQ(Code128Codewords("123", false), WithCheck({104, 17, 18, 19}));
    EXPECT_EQ(Code128Codewords("12345", false), WithCheck({105, 12, 34, 100, 21}));
    EXPECT_EQ(Code128Codewords("A123456", false), WithCheck({104, 33, 99, 12, 34, 56}));
    EXPECT_EQ(Code128Codewords("X1234Y", false), WithCheck({104, 56, 99, 12, 34, 100, 57}));
    EXPECT_EQ(Code128Codewords("12345678901", false), WithCheck({105, 12, 34, 56, 78, 90, 100, 17}));
}

TEST(Code128, ControlCharacterFirstStartsInSetA)
{
    EXPECT_EQ(Code128Codewords(Ctl("\tAB"), false), WithCheck({103, 73, 33, 34}));
    EXPECT_EQ(Code128Codewords(Ctl("AB\t"), false), WithCheck({103, 33, 34, 73}));
    // Lower case before the control character: set B, then a shift for the tab.
    EXPECT_EQ(Code128Codewords(Ctl("ab\t"), false), WithCheck({104, 65, 66, 98, 73}));
}

TEST(Code128, SingleCharacterOfTheOtherSetIsShifted)
{
    EXPECT_EQ(Code128Codewords(Ctl("ab\tcd"), false), WithCheck({104, 65, 66, 98, 73, 67, 68}));
    EXPECT_EQ(Code128Codewords(Ctl("\x01\x02"
                                   "a\x03"),
                               false),
              WithCheck({103, 65, 66, 98, 65, 67}));
}

TEST(Code128, RunOfTheOtherSetSwitchesInsteadOfShifting)
{
    EXPECT_EQ(Code128Codewords(Ctl("\x01"
                                   "ab"),
                               false),
              WithCheck({103, 65, 100, 65, 66}));
    EXPECT_EQ(Code128Codewords(Ctl("a\x01\x02"), false), WithCheck({104, 65, 101, 65, 66}));
    EXPECT_EQ(Code128Codewords(Ctl("\x01"
                                   "1234"
                                   "a"),
                               false),
              WithCheck({103, 65, 99, 12, 34, 100, 65}));
}

TEST(Code128, Ean128PutsFnc1AfterTheStart)
{
    EXPECT_EQ(Code128Codewords("1234", true), (W{105, 102, 12, 34, 24}));
    EXPECT_EQ(Code128Codewords("A", true), WithCheck({104, 102, 33}));
}

TEST(Code128, CharactersAbove127GiveTheEmptyBox)
{
    const W words = Code128Codewords(QString::fromUtf8("Aé"), false);
    EXPECT_EQ(words, (W{104, 33, Code128Unencodable, (104 + 33 + 2 * (0xE9 - 32)) % 103}));
    // Codes 128..138 would otherwise land on function codewords such as Code C.
    const W fn = Code128Codewords(QString(QChar(131)), false);
    EXPECT_EQ(fn[1], Code128Unencodable);
    // Drawn, such a symbol would be damaged: the box says nothing fits instead.
    for (const QString &text :
         {QString::fromUtf8("Aé"), QString(QChar(131)), QString::fromUtf8("1234€5678")}) {
        EXPECT_EQ(EncodeBarcode(Code128, text).kind, TSymbolKind::EmptyBox) << text.toStdString();
        EXPECT_EQ(EncodeBarcode(EAN128, text).kind, TSymbolKind::EmptyBox) << text.toStdString();
    }
    EXPECT_EQ(EncodeBarcode(Code128, QString(QChar(127))).kind, TSymbolKind::Bars);
}

TEST(Code128, NeverMoreThan400Codewords)
{
    // "\x01a" costs three codewords (the letter is shifted), start and check two.
    QString fits;
    for (int i = 0; i < 132; ++i)
        fits += Ctl("\x01"
                    "a");
    fits += Ctl("\x01\x01");
    EXPECT_EQ(Code128Codewords(fits, false).size(), 400u);
    EXPECT_TRUE(Code128Codewords(fits + Ctl("\x01"), false).empty());
    EXPECT_EQ(EncodeBarcode(Code128, fits + Ctl("\x01")).kind, TSymbolKind::EmptyBox);
    EXPECT_TRUE(Code128Codewords(fits, true).empty()); // FNC1 takes one more
    QString longest(280, QChar(0xE9));
    EXPECT_EQ(Code128Codewords(longest, false).size(), 282u);
}

TEST(Code128, ElementsFollowTheWidthTable)
{
    const TBarSymbol s = EncodeBarcode(Code128, "1234");
    // Start C, 12, 34, check 82, stop.
    EXPECT_EQ(Notation(s.elements), "Q211232"
                                    "112232"
                                    "131123"
                                    "121241"
                                    "2331112Q");
    EXPECT_EQ(s.autoSizeTrimNarrow, 1);
    EXPECT_TRUE(s.takesBearerBars);
    const QString fwd = Notation(EncodeBarcode(EAN128, "AB12345").elements);
    EXPECT_EQ(Notation(EncodeBarcode(EAN128, "AB12345", true).elements), Reversed(fwd));
    EXPECT_TRUE(Reversed(fwd).startsWith("Q2111332"));
}

TEST(Code128, EveryDataCodewordIsElevenModulesWithEvenBars)
{
    // All 95 printable characters, all control characters and all digit pairs.
    QString text;
    for (int c = 32; c < 127; ++c)
        text += QChar(c);
    for (int c = 0; c < 32; ++c)
        text += QChar(c);
    for (int v = 0; v < 100; ++v)
        text += QString::asprintf("%02d", v);
    const TBarSymbol s = EncodeBarcode(Code128, text);
    ASSERT_EQ(s.kind, TSymbolKind::Bars);
    const size_t words = s.codewords.size();
    ASSERT_EQ(s.elements.size(), 2 + 6 * words + 7);
    for (size_t w = 0; w < words; ++w) {
        int modules = 0, bars = 0;
        for (int k = 0; k < 6; ++k) {
            const TBarElement &e = s.elements[1 + 6 * w + k];
            modules += e.modules;
            if (e.bar) bars += e.modules;
        }
        EXPECT_EQ(modules, 11) << "codeword " << s.codewords[w];
        EXPECT_EQ(bars % 2, 0) << "codeword " << s.codewords[w];
    }
}

} // namespace
