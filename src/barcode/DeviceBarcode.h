#pragma once

// The symbology that carries a device's barcode on paper. A scanner must read
// back exactly the stored text: Interleaved 2 of 5 holds only an even number
// of digits (an odd count would gain a leading 0) and scanners refuse it
// below six digits, so everything else goes into Code 128, which holds every
// ASCII character. What neither holds is printed as text only.

#include "barcode/BarcodeTypes.h"

#include <QString>

struct TDeviceSymbology {
    bool drawable = false;       // false: empty, or no symbology holds the text
    TBarCodeType type = Code128; // valid when drawable
};

TDeviceSymbology DeviceSymbology(const QString &barcode);

// Why a non-empty barcode is printed without bars, in German; empty when it
// can be drawn (or is empty).
QString DeviceBarcodeProblem(const QString &barcode);

// Width of the symbol in narrow modules when the wide element is three
// narrow ones, quiet zones left out; 0 when it draws no bars.
int SymbolModules(TBarCodeType type, const QString &text);
