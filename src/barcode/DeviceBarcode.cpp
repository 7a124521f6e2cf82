#include "barcode/DeviceBarcode.h"

#include "barcode/Barcd4.h"
#include "barcode/BarcodeEncoder.h"

#include <algorithm>

namespace {

// Interleaved 2 of 5 below this many digits is not read by common scanners:
// a short code is too easily found inside a partial scan of a longer one.
constexpr int kMinInterleavedDigits = 6;

bool asciiDigits(const QString &s)
{
    return std::all_of(s.begin(), s.end(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

// Code 128 holds ASCII; NUL is left out because scanners hand it on as the
// end of the text.
bool code128Holds(const QString &s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() >= 1 && c.unicode() <= 127; });
}

} // namespace

TDeviceSymbology DeviceSymbology(const QString &barcode)
{
    if (barcode.isEmpty() || barcode.size() > TPrintBarcode::MaxTextLength) return {};
    // Even digit counts stay Interleaved 2 of 5: the tester's reader and the
    // labels already stuck on devices read them that way.
    if (asciiDigits(barcode) && barcode.size() % 2 == 0 && barcode.size() >= kMinInterleavedDigits)
        return {true, Interleaved2Of5};
    if (code128Holds(barcode)) return {true, Code128};
    return {};
}

QString DeviceBarcodeProblem(const QString &barcode)
{
    if (barcode.isEmpty() || DeviceSymbology(barcode).drawable) return QString();
    if (barcode.size() > TPrintBarcode::MaxTextLength)
        return QStringLiteral("Der Barcode „%1…“ ist mit %2 Zeichen zu lang für einen Strichcode "
                              "(höchstens %3); er wird nur als Text gedruckt.")
            .arg(barcode.left(20))
            .arg(barcode.size())
            .arg(TPrintBarcode::MaxTextLength);
    return QStringLiteral("Der Barcode „%1“ enthält Zeichen, die kein Strichcode darstellen kann "
                          "(Umlaute, ß und andere Zeichen außerhalb von ASCII); er wird nur als Text "
                          "gedruckt.")
        .arg(barcode);
}

int SymbolModules(TBarCodeType type, const QString &text)
{
    const TBarSymbol symbol = EncodeBarcode(type, text);
    if (symbol.kind != TSymbolKind::Bars) return 0;
    const long long n = SymbolPixels(symbol, 1, 3, 0);
    return static_cast<int>(std::min<long long>(n, 1 << 24));
}
