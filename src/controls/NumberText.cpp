#include "controls/NumberText.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

namespace numtext {

namespace {

QChar g_defaultSep; // null until set: then the default locale decides

// One conversion of a format string, e.g. "%-8.2f".
struct FormatSpec {
    bool leftAlign = false;
    int width = -1;
    int precision = -1;
    QChar type; // lower case; null if the format is malformed
};

// to_chars never looks at the C locale, unlike printf: the process locale of a
// Qt program follows the environment and might use a comma.
QString ToChars(long double v, std::chars_format fmt, int precision)
{
    std::array<char, 512> buf{};
    auto res = std::to_chars(buf.data(), buf.data() + buf.size(), v, fmt, precision);
    if (res.ec != std::errc()) return QStringLiteral("0");
    return QString::fromLatin1(buf.data(), int(res.ptr - buf.data()));
}

// Fixed notation rounded half away from zero on the decimal digits the user
// would write (7.25 -> 7.3), not on the binary value's expansion.
QString RoundedFixed(long double v, int precision)
{
    std::vector<char> buf(6000);
    auto res = std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::fixed);
    if (res.ec != std::errc()) return ToChars(v, std::chars_format::fixed, precision);
    QByteArray s(buf.data(), int(res.ptr - buf.data()));
    QByteArray sign;
    if (s.startsWith('-')) {
        sign = "-";
        s.remove(0, 1);
    }
    const int dot = s.indexOf('.');
    QByteArray intPart = dot < 0 ? s : s.left(dot);
    QByteArray frac = dot < 0 ? QByteArray() : s.mid(dot + 1);
    bool up = frac.size() > precision && frac.at(precision) >= '5';
    frac = frac.left(precision).leftJustified(precision, '0');
    QByteArray digits = intPart + frac;
    for (int i = digits.size() - 1; up && i >= 0; --i) {
        if (digits[i] == '9') {
            digits[i] = '0';
        } else {
            digits[i] = char(digits[i] + 1);
            up = false;
        }
    }
    if (up) digits.prepend('1');
    QByteArray out = digits.left(digits.size() - precision);
    if (precision > 0) out += '.' + digits.right(precision);
    return QString::fromLatin1(sign + out);
}

QString Pad(const QString &s, const FormatSpec &fmt)
{
    if (fmt.width <= s.size()) return s;
    const QString fill(fmt.width - s.size(), QLatin1Char(' '));
    return fmt.leftAlign ? s + fill : fill + s;
}

// Inserts thousands separators into the integer part of a plain number text.
QString GroupThousands(const QString &s, QChar decimalSep)
{
    const QChar groupSep = decimalSep == QLatin1Char(',') ? QLatin1Char('.') : QLatin1Char(',');
    int start = s.startsWith(QLatin1Char('-')) ? 1 : 0;
    int end = s.indexOf(decimalSep);
    if (end < 0) end = s.size();
    QString out = s;
    for (int i = end - 3; i > start; i -= 3)
        out.insert(i, groupSep);
    return out;
}

// Exponent with sign and at least three digits, upper-case "E".
QString FixExponent(QString s)
{
    const int e = s.indexOf(QLatin1Char('e'));
    if (e < 0) return s;
    QString mant = s.left(e);
    QString exp = s.mid(e + 1);
    QChar sign = QLatin1Char('+');
    if (exp.startsWith(QLatin1Char('+')) || exp.startsWith(QLatin1Char('-'))) {
        sign = exp.at(0);
        exp.remove(0, 1);
    }
    while (exp.size() < 3)
        exp.prepend(QLatin1Char('0'));
    return mant + QLatin1Char('E') + sign + exp;
}

QString FloatBody(long double v, const FormatSpec &fmt, QChar sep)
{
    if (std::isnan(v)) return QStringLiteral("NAN");
    if (std::isinf(v)) return v < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    QString s;
    const char t = char(fmt.type.toLatin1());
    switch (t) {
    case 'e': {
        const int digits = fmt.precision < 0 ? 15 : std::clamp(fmt.precision, 1, 30);
        s = FixExponent(ToChars(v, std::chars_format::scientific, digits - 1));
        break;
    }
    case 'g': {
        const int digits = fmt.precision < 0 ? 15 : std::clamp(fmt.precision, 1, 30);
        s = ToChars(v, std::chars_format::general, digits);
        if (s.contains(QLatin1Char('e'))) s = s.replace(QLatin1Char('e'), QLatin1Char('E'));
        break;
    }
    default: // f n m
        s = RoundedFixed(v, fmt.precision < 0 ? 2 : std::clamp(fmt.precision, 0, 30));
        break;
    }
    if (s.startsWith(QLatin1Char('-')) && s.indexOf(QRegularExpression(QStringLiteral("[1-9]"))) < 0)
        s.remove(0, 1); // no "-0,0" for values that round to zero
    s.replace(QLatin1Char('.'), sep);
    if (t == 'n' || t == 'm') s = GroupThousands(s, sep);
    if (t == 'm') s += QStringLiteral(" €");
    return s;
}

QString IntBody(qint64 v, const FormatSpec &fmt)
{
    const char t = char(fmt.type.toLatin1());
    QString digits;
    bool negative = false;
    if (t == 'x') {
        digits = QString::number(quint32(v), 16).toUpper();
    } else if (t == 'u') {
        digits = QString::number(quint32(v));
    } else {
        negative = v < 0;
        digits = QString::number(negative ? -v : v);
    }
    if (fmt.precision > digits.size())
        digits.prepend(QString(std::min(fmt.precision, 64) - digits.size(), QLatin1Char('0')));
    return negative ? QLatin1Char('-') + digits : digits;
}

// Walks the format string; each conversion is rendered by `render`.
template <typename Render> QString ApplyFormat(const QString &format, Render render)
{
    QString out;
    const int n = format.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%')) {
            out += c;
            continue;
        }
        if (i + 1 < n && format.at(i + 1) == QLatin1Char('%')) {
            out += c;
            ++i;
            continue;
        }
        FormatSpec fmt;
        int j = i + 1;
        auto readNumber = [&](int &target) {
            int v = 0;
            bool any = false;
            while (j < n && format.at(j).isDigit()) {
                v = std::min(v * 10 + format.at(j).digitValue(), 1000);
                any = true;
                ++j;
            }
            if (any) target = v;
            return any;
        };
        // An argument index "n:" has no meaning with a single value: skip it.
        {
            int save = j, dummy = 0;
            if (readNumber(dummy) && j < n && format.at(j) == QLatin1Char(':'))
                ++j;
            else
                j = save;
        }
        if (j < n && format.at(j) == QLatin1Char('-')) {
            fmt.leftAlign = true;
            ++j;
        }
        readNumber(fmt.width);
        if (j < n && format.at(j) == QLatin1Char('.')) {
            ++j;
            fmt.precision = 0;
            readNumber(fmt.precision);
        }
        if (j < n && QStringLiteral("duxefgnmDUXEFGNM").contains(format.at(j))) {
            fmt.type = format.at(j).toLower();
            out += Pad(render(fmt), fmt);
            i = j;
        } else {
            // Malformed conversion: keep it as text rather than failing.
            out += format.mid(i, j - i + (j < n ? 1 : 0));
            i = j < n ? j : n;
        }
    }
    return out;
}

bool IsFloatType(QChar t)
{
    return t == QLatin1Char('e') || t == QLatin1Char('f') || t == QLatin1Char('g') || t == QLatin1Char('n') ||
           t == QLatin1Char('m');
}

// Position (1-based) of the conversion letter after p, or 0.
int ConversionLetter(const QString &format, int p, const char *letters)
{
    for (int i = p + 1; i <= format.size(); ++i) {
        const QChar c = format.at(i - 1).toUpper();
        for (const char *l = letters; *l; ++l)
            if (c == QLatin1Char(*l)) return i;
    }
    return 0;
}

} // namespace

QChar DefaultDecimalSeparator()
{
    if (!g_defaultSep.isNull()) return g_defaultSep;
    const QString dp = QLocale().decimalPoint();
    return dp.isEmpty() ? QLatin1Char('.') : dp.at(0);
}

void SetDefaultDecimalSeparator(QChar sep)
{
    g_defaultSep = sep;
}

QString FormatFloat(const QString &format, long double value, QChar decimalSep)
{
    return ApplyFormat(format, [&](const FormatSpec &fmt) {
        if (IsFloatType(fmt.type)) return FloatBody(value, fmt, decimalSep);
        // An integer conversion for a float value: round instead of failing.
        long double r = std::nearbyint(value);
        if (!(r >= std::numeric_limits<qint32>::min())) r = std::numeric_limits<qint32>::min();
        if (r > std::numeric_limits<qint32>::max()) r = std::numeric_limits<qint32>::max();
        return IntBody(qint64(r), fmt);
    });
}

QString FormatInt(const QString &format, qint32 value)
{
    return ApplyFormat(format, [&](const FormatSpec &fmt) {
        if (IsFloatType(fmt.type)) return FloatBody(value, fmt, DefaultDecimalSeparator());
        return IntBody(value, fmt);
    });
}

std::optional<long double> ParseFloat(const QString &text, QChar decimalSep)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    QByteArray plain; // the number in C notation for from_chars
    plain.reserve(t.size());
    int i = 0;
    const int n = t.size();
    bool negative = false;
    if (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-')) {
        negative = t.at(i) == QLatin1Char('-');
        ++i;
    }
    int digits = 0;
    bool sepSeen = false;
    for (; i < n; ++i) {
        const QChar c = t.at(i);
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            plain += char(c.toLatin1());
            ++digits;
        } else if ((c == decimalSep || c == QLatin1Char('.')) && !sepSeen) {
            sepSeen = true;
            plain += '.';
        } else {
            break;
        }
    }
    if (digits == 0) return std::nullopt;
    if (i < n && (t.at(i) == QLatin1Char('e') || t.at(i) == QLatin1Char('E'))) {
        plain += 'e';
        ++i;
        if (i < n && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-')))
            plain += char(t.at(i++).toLatin1());
        int expDigits = 0;
        for (; i < n && t.at(i) >= QLatin1Char('0') && t.at(i) <= QLatin1Char('9'); ++i, ++expDigits)
            plain += char(t.at(i).toLatin1());
        if (expDigits == 0) return std::nullopt;
    }
    if (i != n) return std::nullopt;
    long double v = 0;
    const auto res = std::from_chars(plain.constData(), plain.constData() + plain.size(), v);
    if (res.ec != std::errc() || res.ptr != plain.constData() + plain.size() || !std::isfinite(v))
        return std::nullopt;
    return negative ? -v : v;
}

std::optional<qint32> ParseInt(const QString &text)
{
    QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    bool negative = false;
    if (t.at(0) == QLatin1Char('+') || t.at(0) == QLatin1Char('-')) {
        negative = t.at(0) == QLatin1Char('-');
        t.remove(0, 1);
    }
    int base = 10;
    if (t.startsWith(QLatin1Char('$'))) {
        base = 16;
        t.remove(0, 1);
    } else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        t.remove(0, 2);
    }
    if (t.isEmpty()) return std::nullopt;
    qint64 v = 0;
    for (const QChar c : t) {
        const int d = c.isDigit() && c.unicode() < 128 ? c.digitValue()
                      : base == 16 && c.toUpper() >= QLatin1Char('A') && c.toUpper() <= QLatin1Char('F')
                          ? c.toUpper().unicode() - 'A' + 10
                          : -1;
        if (d < 0) return std::nullopt;
        v = v * base + d;
        if (v > (qint64(1) << 32)) return std::nullopt;
    }
    if (base == 16 && !negative && v <= 0xFFFFFFFFLL) return qint32(quint32(v)); // $FFFFFFFF is -1
    if (negative) v = -v;
    if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max()) return std::nullopt;
    return qint32(v);
}

QString ReduceFloatText(const QString &text, const QString &format, QChar decimalSep)
{
    const int pct = format.indexOf(QLatin1Char('%'));
    const int p = pct < 0 ? 1 : pct + 1;
    const int letter = ConversionLetter(format, p, "EFGMN");
    int end = letter ? text.size() + letter - format.size() : text.size();
    end = std::min<int>(end, text.size());
    QString out;
    bool sepKept = false;
    for (int k = end; k >= p && k >= 1; --k) {
        const QChar c = text.at(k - 1);
        if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-')) {
            out.prepend(c);
        } else if (c == decimalSep && !sepKept) {
            sepKept = true;
            out.prepend(c);
        }
    }
    return out;
}

QString ReduceIntText(const QString &text, const QString &format)
{
    const int pct = format.indexOf(QLatin1Char('%'));
    const int p = pct < 0 ? 1 : pct + 1;
    const int letter = ConversionLetter(format, p, "DUX");
    int end = letter ? text.size() + letter - format.size() : text.size();
    end = std::min<int>(end, text.size());
    const bool hex = letter && format.at(letter - 1).toUpper() == QLatin1Char('X');
    QString out;
    if (hex) out += QLatin1Char('$');
    for (int k = std::max(p, 1); k <= end; ++k) {
        const QChar c = text.at(k - 1);
        const QChar u = c.toUpper();
        if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') ||
            (hex && u >= QLatin1Char('A') && u <= QLatin1Char('F')))
            out += c;
    }
    return out;
}

} // namespace numtext
