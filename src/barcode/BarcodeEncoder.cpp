#include "barcode/BarcodeEncoder.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

using TElems = std::vector<TBarElement>;

TBarElement Element(bool bar, TElemWidth w, int modules = 1)
{
    TBarElement e;
    e.bar = bar;
    e.width = w;
    e.modules = static_cast<std::uint8_t>(modules);
    return e;
}
TBarElement Narrow(bool bar)
{
    return Element(bar, TElemWidth::Narrow);
}
TBarElement Wide(bool bar)
{
    return Element(bar, TElemWidth::Wide);
}
TBarElement Quiet()
{
    return Element(false, TElemWidth::LeadIn);
}

bool IsDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}
int DigitValue(QChar c)
{
    return IsDigit(c) ? c.unicode() - '0' : 0;
}

// Upper case for the Latin letters only: the tables know no others.
char16_t AsciiUpper(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') ? static_cast<char16_t>(u - 'a' + 'A') : u;
}

// '1' = wide, '0' = narrow; elements alternate starting with a bar.
TElems NarrowWide(const char *pattern)
{
    TElems out;
    bool bar = true;
    for (const char *p = pattern; *p; ++p, bar = !bar)
        out.push_back(*p == '1' ? Wide(bar) : Narrow(bar));
    return out;
}

// Inter-character gaps: Code 39 has one after every character, Codabar only
// between characters.
enum class TGaps { None, AfterEach, Between };

// Wraps the character groups in quiet zones. Reversal turns each group and
// the group order round, but gaps keep their place after a group in drawing
// order.
TElems Assemble(std::vector<TElems> groups, bool reversed, TGaps gaps)
{
    if (reversed) {
        std::reverse(groups.begin(), groups.end());
        for (TElems &g : groups)
            std::reverse(g.begin(), g.end());
    }
    TElems out;
    out.push_back(Quiet());
    for (size_t i = 0; i < groups.size(); ++i) {
        out.insert(out.end(), groups[i].begin(), groups[i].end());
        if (gaps == TGaps::AfterEach || (gaps == TGaps::Between && i + 1 < groups.size()))
            out.push_back(Narrow(false));
    }
    out.push_back(Quiet());
    return out;
}

TBarSymbol Bars(TElems elems, const QString &encoded, bool bearer, int trim = 0)
{
    TBarSymbol s;
    s.kind = TSymbolKind::Bars;
    s.elements = std::move(elems);
    s.encodedText = encoded;
    s.takesBearerBars = bearer;
    s.autoSizeTrimNarrow = trim;
    return s;
}

TBarSymbol Kind(TSymbolKind k)
{
    TBarSymbol s;
    s.kind = k;
    return s;
}

// ---- Code 39 ---------------------------------------------------------------

struct TCode39Entry {
    char16_t ch;
    const char *pattern; // bar, space, bar, ... ; '1' = wide
};
constexpr TCode39Entry Code39Table[] = {
    {'0', "000110100"}, {'1', "100100001"}, {'2', "001100001"}, {'3', "101100000"}, {'4', "000110001"},
    {'5', "100110000"}, {'6', "001110000"}, {'7', "000100101"}, {'8', "100100100"}, {'9', "001100100"},
    {'A', "100001001"}, {'B', "001001001"}, {'C', "101001000"}, {'D', "000011001"}, {'E', "100011000"},
    {'F', "001011000"}, {'G', "000001101"}, {'H', "100001100"}, {'I', "001001100"}, {'J', "000011100"},
    {'K', "100000011"}, {'L', "001000011"}, {'M', "101000010"}, {'N', "000010011"}, {'O', "100010010"},
    {'P', "001010010"}, {'Q', "000000111"}, {'R', "100000110"}, {'S', "001000110"}, {'T', "000010110"},
    {'U', "110000001"}, {'V', "011000001"}, {'W', "111000000"}, {'X', "010010001"}, {'Y', "110010000"},
    {'Z', "011010000"}, {'-', "010000101"}, {'.', "110000100"}, {' ', "011000100"}, {'*', "010010100"},
    {'$', "010101000"}, {'/', "010100010"}, {'+', "010001010"}, {'%', "000101010"},
};

const char *Code39Pattern(char16_t c)
{
    for (const TCode39Entry &e : Code39Table)
        if (e.ch == c) return e.pattern;
    return "000000000";
}

TBarSymbol EncodeCode39(const QString &text, bool reversed)
{
    if (text.isEmpty()) return Kind(TSymbolKind::Nothing);
    QString encoded = QStringLiteral("*");
    std::vector<TElems> groups{NarrowWide(Code39Pattern('*'))};
    for (QChar c : text) {
        const char16_t u = AsciiUpper(c);
        encoded += QChar(u);
        groups.push_back(NarrowWide(Code39Pattern(u)));
    }
    encoded += QLatin1Char('*');
    groups.push_back(NarrowWide(Code39Pattern('*')));
    return Bars(Assemble(std::move(groups), reversed, TGaps::AfterEach), encoded, true, 1);
}

// ---- 2 of 5 family ---------------------------------------------------------

constexpr const char *TwoOfFive[10] = {"00110", "10001", "01001", "11000", "00101",
                                       "10100", "01100", "00011", "10010", "01010"};

const char *TwoOfFivePattern(QChar c)
{
    return IsDigit(c) ? TwoOfFive[c.unicode() - '0'] : "00000";
}

TBarSymbol EncodeCode25(const QString &text, bool reversed)
{
    if (text.isEmpty()) return Kind(TSymbolKind::Nothing);
    std::vector<TElems> groups;
    groups.push_back({Wide(true), Narrow(false), Wide(true), Narrow(false), Narrow(true), Narrow(false)});
    for (QChar c : text) {
        TElems g;
        for (const char *p = TwoOfFivePattern(c); *p; ++p) {
            g.push_back(*p == '1' ? Wide(true) : Narrow(true));
            g.push_back(Narrow(false));
        }
        groups.push_back(std::move(g));
    }
    groups.push_back({Wide(true), Narrow(false), Narrow(true), Narrow(false), Wide(true)});
    return Bars(Assemble(std::move(groups), reversed, TGaps::None), text, true);
}

TBarSymbol EncodeInterleaved(QString text, bool reversed)
{
    if (text.isEmpty()) return Kind(TSymbolKind::Nothing);
    if (text.size() % 2 != 0) text.prepend(QLatin1Char('0'));
    std::vector<TElems> groups;
    groups.push_back({Narrow(true), Narrow(false), Narrow(true), Narrow(false)});
    for (qsizetype i = 0; i < text.size(); i += 2) {
        const char *bars = TwoOfFivePattern(text.at(i));
        const char *spaces = TwoOfFivePattern(text.at(i + 1));
        TElems g;
        for (int k = 0; k < 5; ++k) {
            g.push_back(bars[k] == '1' ? Wide(true) : Narrow(true));
            g.push_back(spaces[k] == '1' ? Wide(false) : Narrow(false));
        }
        groups.push_back(std::move(g));
    }
    groups.push_back({Wide(true), Narrow(false), Narrow(true)});
    return Bars(Assemble(std::move(groups), reversed, TGaps::None), text, true);
}

TBarSymbol EncodeItf14(const QString &text, bool reversed)
{
    if (text.size() <= 11) return Kind(TSymbolKind::EmptyBox);
    QString digits = text;
    if (text.size() == 12)
        digits = QLatin1Char('0') + text + QChar('0' + Gs1CheckDigit(text));
    else if (text.size() == 13)
        digits = QLatin1Char('0') + text;
    return EncodeInterleaved(digits, reversed);
}

// ---- Codabar ---------------------------------------------------------------

struct TCodabarEntry {
    char16_t ch;
    const char *pattern; // bar, space, ... ; '1' = wide
};
constexpr TCodabarEntry CodabarTable[] = {
    {'0', "0000011"}, {'1', "0000110"}, {'2', "0001001"}, {'3', "1100000"},
    {'4', "0010010"}, {'5', "1000010"}, {'6', "0100001"}, {'7', "0100100"},
    {'8', "0110000"}, {'9', "1001000"}, {'-', "0001100"}, {'$', "0011000"},
    {':', "1000101"}, {'/', "1010001"}, {'.', "1010100"}, {'+', "0010101"},
};
constexpr const char *CodabarStartA = "0011010";

const char *CodabarPattern(char16_t c)
{
    for (const TCodabarEntry &e : CodabarTable)
        if (e.ch == c) return e.pattern;
    return "0000000";
}

TBarSymbol EncodeCodabar(const QString &text, bool reversed)
{
    if (text.isEmpty()) return Kind(TSymbolKind::Nothing);
    QString encoded = QStringLiteral("A");
    std::vector<TElems> groups{NarrowWide(CodabarStartA)};
    for (QChar c : text) {
        const char16_t u = AsciiUpper(c);
        encoded += QChar(u);
        groups.push_back(NarrowWide(CodabarPattern(u)));
    }
    encoded += QLatin1Char('A');
    groups.push_back(NarrowWide(CodabarStartA));
    return Bars(Assemble(std::move(groups), reversed, TGaps::Between), encoded, true);
}

// ---- PostNet ---------------------------------------------------------------

constexpr const char *PostNetDigits[10] = {"11000", "00011", "00101", "00110", "01001",
                                           "01010", "01100", "10001", "10010", "10100"};

TBarSymbol EncodePostNet(QString text, int nominal, bool reversed)
{
    if (text.isEmpty()) return Kind(TSymbolKind::Nothing);
    if (text.size() <= nominal) {
        int sum = 0;
        for (QChar c : text)
            sum += c.unicode() - '0';
        text += QChar('0' + ((-sum) % 10 + 10) % 10);
    }
    // Full bars become wide bars, half bars narrow ones; a wide space follows each.
    std::vector<TElems> groups{{Wide(true), Wide(false)}};
    for (QChar c : text) {
        const char *pattern = IsDigit(c) ? PostNetDigits[c.unicode() - '0'] : "00000";
        TElems g;
        for (const char *p = pattern; *p; ++p) {
            g.push_back(*p == '1' ? Wide(true) : Narrow(true));
            g.push_back(Wide(false));
        }
        groups.push_back(std::move(g));
    }
    groups.push_back({Wide(true)});
    return Bars(Assemble(std::move(groups), reversed, TGaps::None), text, false);
}

// ---- EAN -------------------------------------------------------------------

constexpr const char *EanSetA[10] = {"0001101", "0011001", "0010011", "0111101", "0100011",
                                     "0110001", "0101111", "0111011", "0110111", "0001011"};
// Which of the six left digits of an EAN-13 take set B, by the leading digit.
constexpr const char *EanParity[10] = {"AAAAAA", "AABABB", "AABBAB", "AABBBA", "ABAABB",
                                       "ABBAAB", "ABBBAA", "ABABAB", "ABABBA", "ABBABA"};

// Module pattern of one digit; set C is set A inverted, set B set C mirrored.
std::array<bool, 7> EanModules(QChar c, char set)
{
    std::array<bool, 7> m{};
    if (!IsDigit(c)) return m;
    const char *a = EanSetA[c.unicode() - '0'];
    for (int i = 0; i < 7; ++i) {
        const bool barA = a[i] == '1';
        if (set == 'A')
            m[i] = barA;
        else if (set == 'C')
            m[i] = !barA;
        else
            m[6 - i] = !barA;
    }
    return m;
}

void EanGuard(TElems &out, const char *modules)
{
    for (const char *p = modules; *p; ++p) {
        TBarElement e = Element(*p == '1', TElemWidth::Modules);
        e.role = TElemRole::EanGuard;
        out.push_back(e);
    }
}

void EanDigit(TElems &out, QChar c, char set)
{
    const std::array<bool, 7> m = EanModules(c, set);
    for (int i = 0; i < 7; ++i) {
        TBarElement e = Element(m[i], TElemWidth::Modules);
        e.role = TElemRole::EanDigit;
        if (i == 0) e.label = c.unicode();
        out.push_back(e);
    }
}

TBarSymbol EncodeEan(const QString &text)
{
    QString digits = text;
    switch (text.size()) {
    case 7:
    case 12:
        digits += QChar('0' + Gs1CheckDigit(text));
        break;
    case 8:
    case 13:
        break;
    default:
        return Kind(TSymbolKind::EmptyBox);
    }
    const bool ean13 = digits.size() == 13;
    const int first = ean13 ? 1 : 0;
    const int half = ean13 ? 6 : 4;
    const char *parity = ean13 ? EanParity[DigitValue(digits.at(0))] : "AAAA";

    TElems out{Quiet()};
    EanGuard(out, "101");
    for (int i = 0; i < half; ++i)
        EanDigit(out, digits.at(first + i), parity[i]);
    EanGuard(out, "01010");
    for (int i = 0; i < half; ++i)
        EanDigit(out, digits.at(first + half + i), 'C');
    EanGuard(out, "101");
    out.push_back(Quiet());

    TBarSymbol s = Bars(std::move(out), digits, false);
    s.alwaysHorizontal = true;
    return s;
}

// ---- Code 128 --------------------------------------------------------------

// Module widths bar, space, bar, space, bar, space of values 0-106.
constexpr const char *Code128Widths[107] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
    "114131", "311141", "411131", "211412", "211214", "211232", "233111"};
constexpr const char *Code128Stop = "2331112";

TElems ModulePattern(const char *widths)
{
    TElems g;
    bool bar = true;
    for (const char *p = widths; *p; ++p, bar = !bar)
        g.push_back(Element(bar, TElemWidth::Modules, *p - '0'));
    return g;
}

TBarSymbol EncodeCode128(const QString &text, bool ean128, bool reversed)
{
    std::vector<int> words = Code128Codewords(text, ean128);
    // A character the symbology cannot carry would leave a symbol no scanner
    // reads (or one that reads as something else): show that nothing fits.
    if (words.empty() || std::find(words.begin(), words.end(), Code128Unencodable) != words.end())
        return Kind(TSymbolKind::EmptyBox);
    std::vector<TElems> groups;
    groups.reserve(words.size() + 1);
    for (int w : words)
        groups.push_back(w >= 0 && w <= 106 ? ModulePattern(Code128Widths[w]) : TElems{});
    groups.push_back(ModulePattern(Code128Stop));
    TBarSymbol s = Bars(Assemble(std::move(groups), reversed, TGaps::None), text, true, 1);
    s.codewords = std::move(words);
    return s;
}

// ---- FIM -------------------------------------------------------------------

TBarSymbol EncodeFim(const char *positions, bool reversed)
{
    TElems g;
    for (int i = 0; i < 9; ++i) {
        g.push_back(Narrow(positions[i] == '1'));
        g.push_back(Narrow(false));
    }
    return Bars(Assemble({g}, reversed, TGaps::None), QString(), true);
}

} // namespace

int Gs1CheckDigit(const QString &digits)
{
    int sum = 0;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i)
        sum += DigitValue(digits.at(i)) * ((n - i) % 2 == 1 ? 3 : 1);
    return (10 - sum % 10) % 10;
}

long long SymbolPixels(const TBarSymbol &s, int narrow, int wide, int leadIn)
{
    long long total = 0;
    for (const TBarElement &e : s.elements)
        total += ElementPixels(e, narrow, wide, leadIn);
    return total;
}

TBarSymbol EncodeBarcode(TBarCodeType type, const QString &text, bool reversed)
{
    switch (type) {
    case Code39:
        return EncodeCode39(text, reversed);
    case Code25:
        return EncodeCode25(text, reversed);
    case Interleaved2Of5:
        return EncodeInterleaved(text, reversed);
    case Code128:
        return EncodeCode128(text, false, reversed);
    case EAN128:
        return EncodeCode128(text, true, reversed);
    case Codabar:
        return EncodeCodabar(text, reversed);
    case PostNet: {
        const int nominal = text.size() > 9 ? 11 : text.size() > 5 ? 9 : 5;
        return EncodePostNet(text, nominal, reversed);
    }
    case PostnetZip:
        return EncodePostNet(text, 5, reversed);
    case PostNetZipPlus4:
        return EncodePostNet(text, 9, reversed);
    case Postnet11:
        return EncodePostNet(text, 11, reversed);
    case EAN:
    case EAN8:
    case EAN13:
        return EncodeEan(text);
    case ITF14:
        return EncodeItf14(text, reversed);
    case FIMA:
        return EncodeFim("110010011", reversed);
    case FIMB:
        return EncodeFim("101101101", reversed);
    case FIMC:
        return EncodeFim("110101011", reversed);
    }
    return Kind(TSymbolKind::Nothing);
}
