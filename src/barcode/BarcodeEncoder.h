#pragma once

#include "barcode/BarcodeTypes.h"

#include <QString>

#include <cstdint>
#include <vector>

// Turning a text into the sequence of bars and spaces of a symbol. Nothing in
// here draws: widths stay symbolic (narrow, wide, n modules, quiet zone) until
// the renderer applies the pixel sizes, so every symbology can be checked
// element by element.

enum class TElemWidth : std::uint8_t {
    Narrow,  // one narrow element (also one module)
    Wide,    // one wide element
    Modules, // `modules` times the narrow width (Code 128, EAN)
    LeadIn   // quiet zone
};

// Only EAN bars differ in height: guards reach further down than digit bars
// when the digits are printed below the symbol.
enum class TElemRole : std::uint8_t { Plain, EanGuard, EanDigit };

struct TBarElement {
    bool bar = false;
    TElemWidth width = TElemWidth::Narrow;
    std::uint8_t modules = 1;
    TElemRole role = TElemRole::Plain;
    char16_t label = 0; // EAN: the human-readable digit written from this module on; 0 = none

    bool operator==(const TBarElement &) const = default;
};

enum class TSymbolKind : std::uint8_t {
    Nothing,  // draw nothing at all, resize nothing
    EmptyBox, // the text cannot form this symbol: outline of the control's rectangle
    Bars      // elements below
};

struct TBarSymbol {
    TSymbolKind kind = TSymbolKind::Nothing;
    std::vector<TBarElement> elements; // in drawing order, quiet zones included
    bool takesBearerBars = false;
    bool alwaysHorizontal = false; // EAN: the direction does not turn it
    int autoSizeTrimNarrow = 0;    // narrow widths left off the AutoSize length
    QString encodedText;           // the data actually encoded (padding and check digits included)
    std::vector<int> codewords;    // Code 128: start, data, check (no stop)
};

// `reversed` gives the element order of bdLeft / bdUp.
TBarSymbol EncodeBarcode(TBarCodeType type, const QString &text, bool reversed = false);

// The one place where symbolic widths become pixels.
inline long long ElementPixels(const TBarElement &e, int narrow, int wide, int leadIn)
{
    switch (e.width) {
    case TElemWidth::Narrow:
        return narrow;
    case TElemWidth::Wide:
        return wide;
    case TElemWidth::Modules:
        return static_cast<long long>(narrow) * e.modules;
    case TElemWidth::LeadIn:
        return leadIn;
    }
    return 0;
}

// Sum of all element widths (quiet zones included), before any AutoSize trim.
long long SymbolPixels(const TBarSymbol &s, int narrow, int wide, int leadIn);

// GS1 check digit over the given digits (the rightmost one weighs 3).
// Non-digits count as 0.
int Gs1CheckDigit(const QString &digits);

// Code 128 codeword list: start (103/104/105), FNC1 for EAN 128, data, check.
// Empty when the list would need more than MaxCode128Codewords entries.
constexpr int MaxCode128Codewords = 400;
// Stands in the list for a character above code 127: the symbol cannot carry
// it, so it draws nothing, yet its value still enters the check character so
// that a scanner rejects the symbol instead of reading other data.
constexpr int Code128Unencodable = -1;
std::vector<int> Code128Codewords(const QString &text, bool ean128);
