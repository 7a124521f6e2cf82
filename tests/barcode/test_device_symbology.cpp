// Which symbology carries a device barcode: the one that reads back exactly
// the stored text.

#include "barcode/DeviceBarcode.h"

#include <gtest/gtest.h>

namespace {

TDeviceSymbology sym(const char *utf8)
{
    return DeviceSymbology(QString::fromUtf8(utf8));
}

TEST(DeviceSymbology, EvenDigitCountsFromSixStayInterleaved)
{
    for (const char *code : {"123456", "12345678", "990000000000", "12345678901234567890"}) {
        EXPECT_TRUE(sym(code).drawable) << code;
        EXPECT_EQ(sym(code).type, Interleaved2Of5) << code;
    }
}

TEST(DeviceSymbology, WhatInterleavedWouldMisreadGoesIntoCode128)
{
    // Odd counts would gain a leading 0, short ones are not read at all,
    // other scripts' digits are no digits of the symbol.
    for (const char *code : {"1234567", "7", "0612", "12", "06A2", "ABC-123/x", "a\tb", "٠١٢٣٤٥"}) {
        const TDeviceSymbology s = sym(code);
        if (QString::fromUtf8(code).startsWith(QChar(0x0660))) {
            EXPECT_FALSE(s.drawable);
            continue;
        }
        EXPECT_TRUE(s.drawable) << code;
        EXPECT_EQ(s.type, Code128) << code;
    }
}

TEST(DeviceSymbology, TextNoSymbologyHoldsIsNamedInGerman)
{
    EXPECT_FALSE(sym("").drawable);
    EXPECT_TRUE(DeviceBarcodeProblem(QString()).isEmpty());
    EXPECT_TRUE(DeviceBarcodeProblem(QStringLiteral("1234567")).isEmpty());
    for (const char *code : {"Prüfling", "Maß 1", "x\xc2\xa0y"}) {
        EXPECT_FALSE(sym(code).drawable) << code;
        const QString why = DeviceBarcodeProblem(QString::fromUtf8(code));
        EXPECT_TRUE(why.contains(QString::fromUtf8(code))) << why.toStdString();
        EXPECT_TRUE(why.contains(QStringLiteral("nur als Text"))) << why.toStdString();
    }
    // Longer than the control holds: cutting it would print another code.
    const QString longCode(281, QLatin1Char('A'));
    EXPECT_FALSE(DeviceSymbology(longCode).drawable);
    EXPECT_TRUE(DeviceBarcodeProblem(longCode).contains(QStringLiteral("zu lang")));
    EXPECT_TRUE(DeviceSymbology(QString(280, QLatin1Char('A'))).drawable);
}

TEST(DeviceSymbology, ModulesCountTheWideElementAsThree)
{
    // Interleaved 2 of 5: start 4, stop 5, each digit pair 6 narrow + 4 wide.
    EXPECT_EQ(SymbolModules(Interleaved2Of5, QStringLiteral("12345678901234567890")), 4 + 10 * 18 + 5);
    // Code 128: start, 3 digit pairs, check: 11 modules each; stop 13.
    EXPECT_EQ(SymbolModules(Code128, QStringLiteral("123456")), 5 * 11 + 13);
    EXPECT_EQ(SymbolModules(Interleaved2Of5, QString()), 0);
}

} // namespace
