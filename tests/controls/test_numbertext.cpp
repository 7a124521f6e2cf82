#include "QtPrinters.h"
#include "controls/NumberText.h"

#include <gtest/gtest.h>

using namespace numtext;

namespace {
const QChar Comma = QLatin1Char(',');
const QChar Stop = QLatin1Char('.');
} // namespace

TEST(NumberFormat, FloatConversionsUseTheGivenSeparator)
{
    EXPECT_EQ(FormatFloat(QStringLiteral("%1.1f"), 25, Comma), QStringLiteral("25,0"));
    EXPECT_EQ(FormatFloat(QStringLiteral("%1.1f"), 3, Stop), QStringLiteral("3.0"));
    EXPECT_EQ(FormatFloat(QStringLiteral("%1.1f s"), 12.5L, Comma), QStringLiteral("12,5 s"));
    EXPECT_EQ(FormatFloat(QStringLiteral("%f"), 2, Comma), QStringLiteral("2,00")); // default precision 2
    EXPECT_EQ(FormatFloat(QStringLiteral("%g"), 0.1L, Comma), QStringLiteral("0,1"));
    EXPECT_EQ(FormatFloat(QStringLiteral("%g"), 12.5L, Comma), QStringLiteral("12,5"));
    EXPECT_EQ(FormatFloat(QStringLiteral("%g"), 0, Comma), QStringLiteral("0"));
    EXPECT_EQ(FormatFloat(QStringLiteral("%e"), 1, Comma), QStringLiteral("1,00000000000000E+000"));
    EXPECT_EQ(FormatFloat(QStringLiteral("%.3e"), -1234.5L, Stop), QStringLiteral("-1.23E+003"));
    EXPECT_EQ(FormatFloat(QStringLiteral("%n"), 1234567.891L, Comma), QStringLiteral("1.234.567,89"));
    EXPECT_EQ(FormatFloat(QStringLiteral("%.0n"), -1234, Stop), QStringLiteral("-1,234"));
}

TEST(NumberFormat, WidthAlignmentLiteralsAndOddFormats)
{
    EXPECT_EQ(FormatFloat(QStringLiteral("%8.2f"), 12.5L, Comma), QStringLiteral("   12,50"));
    EXPECT_EQ(FormatFloat(QStringLiteral("[%-6.1f]"), 12.5L, Comma), QStringLiteral("[12,5  ]"));
    EXPECT_EQ(FormatFloat(QStringLiteral("%1.1f %%"), 50, Comma), QStringLiteral("50,0 %"));
    // A value that rounds to zero shows no minus sign.
    EXPECT_EQ(FormatFloat(QStringLiteral("%1.1f"), -0.04L, Comma), QStringLiteral("0,0"));
    // An integer conversion given a float rounds instead of failing.
    EXPECT_EQ(FormatFloat(QStringLiteral("%d"), 2.6L, Comma), QStringLiteral("3"));
    // A broken conversion stays as text.
    EXPECT_EQ(FormatFloat(QStringLiteral("%q"), 1, Comma), QStringLiteral("%q"));
    EXPECT_EQ(FormatFloat(QStringLiteral("abc %"), 1, Comma), QStringLiteral("abc %"));
}

TEST(NumberFormat, IntegerConversions)
{
    EXPECT_EQ(FormatInt(QStringLiteral("%d"), -42), QStringLiteral("-42"));
    EXPECT_EQ(FormatInt(QStringLiteral("%5d"), 42), QStringLiteral("   42"));
    EXPECT_EQ(FormatInt(QStringLiteral("%.3d"), -7), QStringLiteral("-007"));
    EXPECT_EQ(FormatInt(QStringLiteral("%x"), 31), QStringLiteral("1F"));
    EXPECT_EQ(FormatInt(QStringLiteral("%.4x"), 31), QStringLiteral("001F"));
    EXPECT_EQ(FormatInt(QStringLiteral("%x"), -1), QStringLiteral("FFFFFFFF"));
    EXPECT_EQ(FormatInt(QStringLiteral("%u"), -1), QStringLiteral("4294967295"));
    EXPECT_EQ(FormatInt(QStringLiteral("alle %d Monate"), 12), QStringLiteral("alle 12 Monate"));
}

TEST(NumberParse, Floats)
{
    EXPECT_EQ(ParseFloat(QStringLiteral("12,5"), Comma), 12.5L);
    EXPECT_EQ(ParseFloat(QStringLiteral("  30 "), Comma), 30.0L);
    EXPECT_EQ(ParseFloat(QStringLiteral("-3,0E2"), Comma), -300.0L);
    EXPECT_EQ(ParseFloat(QStringLiteral("+,5"), Comma), 0.5L);
    // A full stop typed on a German system still means a decimal point.
    EXPECT_EQ(ParseFloat(QStringLiteral("12.5"), Comma), 12.5L);
    for (const char *bad :
         {"", " ", ",", "-", "abc", "12,5 s", "1.000,5", "1,2,3", "1e", "1e+", "12a", "--1"})
        EXPECT_FALSE(ParseFloat(QString::fromLatin1(bad), Comma)) << bad;
    // With a full stop as separator a comma is no number character.
    EXPECT_FALSE(ParseFloat(QStringLiteral("12,5"), Stop));
}

TEST(NumberParse, Integers)
{
    EXPECT_EQ(ParseInt(QStringLiteral("42")), 42);
    EXPECT_EQ(ParseInt(QStringLiteral(" -7 ")), -7);
    EXPECT_EQ(ParseInt(QStringLiteral("$1F")), 31);
    EXPECT_EQ(ParseInt(QStringLiteral("$1f")), 31);
    EXPECT_EQ(ParseInt(QStringLiteral("0x1F")), 31);
    EXPECT_EQ(ParseInt(QStringLiteral("-2147483648")), std::numeric_limits<qint32>::min());
    EXPECT_EQ(ParseInt(QStringLiteral("$FFFFFFFF")), -1);
    for (const char *bad : {"", "1F", "$", "$G", "12.0", "2147483648", "-2147483649", "$100000000", "1 2"})
        EXPECT_FALSE(ParseInt(QString::fromLatin1(bad))) << bad;
}

TEST(NumberReduce, FloatTextLosesSuffixPrefixAndExtraSeparators)
{
    // The suffix " s" of the format is cut off by length, then the number kept.
    EXPECT_EQ(ReduceFloatText(QStringLiteral("12,5 s"), QStringLiteral("%1.1f s"), Comma),
              QStringLiteral("12,5"));
    // The literal prefix is skipped the same way.
    EXPECT_EQ(ReduceFloatText(QStringLiteral("t=12,5"), QStringLiteral("t=%1.1f"), Comma),
              QStringLiteral("12,5"));
    // Only the separator nearest the end survives.
    EXPECT_EQ(ReduceFloatText(QStringLiteral("1,2,5"), QStringLiteral("%g"), Comma), QStringLiteral("12,5"));
    EXPECT_EQ(ReduceFloatText(QStringLiteral("ca. -4,5V"), QStringLiteral("%g"), Comma),
              QStringLiteral("-4,5"));
    EXPECT_EQ(ReduceFloatText(QStringLiteral("abc"), QStringLiteral("%g"), Comma), QString());
    // A text shorter than the format's literals leaves nothing, and reads nothing outside the text.
    EXPECT_EQ(ReduceFloatText(QStringLiteral("5"), QStringLiteral("%1.1f Sekunden"), Comma), QString());
    EXPECT_EQ(ReduceFloatText(QString(), QStringLiteral("xx%1.1f"), Comma), QString());
}

TEST(NumberReduce, IntegerTextAndHexadecimal)
{
    EXPECT_EQ(ReduceIntText(QStringLiteral("1F"), QStringLiteral("%x")), QStringLiteral("$1F"));
    EXPECT_EQ(ReduceIntText(QStringLiteral("1f"), QStringLiteral("%X")), QStringLiteral("$1f"));
    EXPECT_EQ(ReduceIntText(QStringLiteral("12 Tage"), QStringLiteral("%d Tage")), QStringLiteral("12"));
    // Without a hex conversion letters are dropped.
    EXPECT_EQ(ReduceIntText(QStringLiteral("1F"), QStringLiteral("%d")), QStringLiteral("1"));
    EXPECT_EQ(ReduceIntText(QStringLiteral("- 12"), QStringLiteral("%d")), QStringLiteral("-12"));
    EXPECT_EQ(ReduceIntText(QStringLiteral("7"), QStringLiteral("Nr. %d")), QString());
    EXPECT_EQ(ParseInt(ReduceIntText(QStringLiteral("1F"), QStringLiteral("%x"))), 31);
}

TEST(NumberClamp, RangeRule)
{
    EXPECT_EQ(ClampToRange(30.0, 0.0, 0.0), 30.0); // 0..0 = no range
    EXPECT_EQ(ClampToRange(-5, 0, 0), -5);
    EXPECT_EQ(ClampToRange(30.0, 3.0, 25.0), 25.0);
    EXPECT_EQ(ClampToRange(2.0, 3.0, 25.0), 3.0);
    EXPECT_EQ(ClampToRange(12, 3, 25), 12);
    EXPECT_EQ(ClampToRange(5, -10, 0), 0); // only one bound zero is a range
}
