#pragma once

#include <QChar>
#include <QString>

#include <optional>

// Number texts of the numeric edit fields, kept apart from the widgets so the
// rules can be tested on their own.
namespace numtext {

// Decimal separator used by numeric edits that have none of their own. Starts
// as the default locale's; the main window sets it from the program's format
// settings (a comma for German).
QChar DefaultDecimalSeparator();
void SetDefaultDecimalSeparator(QChar sep);

// Formats one value with a printf-like format string of the program's own
// dialect: %[-][width][.prec]type with d u x (integers) and e f g n m (floats),
// "%%" for a percent sign. Floats use the given decimal separator; %x writes
// upper-case hexadecimal; %g without precision gives up to 15 significant digits.
QString FormatFloat(const QString &format, long double value, QChar decimalSep);
QString FormatInt(const QString &format, qint32 value);

// Strict conversions: surrounding blanks allowed, nothing else.
// Floats: sign, digits, one decimal separator, optional exponent. A full stop
// is accepted as decimal point as well, unless it is the only separator used
// together with the locale's one (so "12.5" is not read as 125 on German systems).
std::optional<long double> ParseFloat(const QString &text, QChar decimalSep);
// Integers: sign, decimal digits, or hexadecimal with a "$" or "0x" prefix; 32 bit.
std::optional<qint32> ParseInt(const QString &text);

// Reduces a typed text to its number characters using the format string:
// literal text before "%" and after the conversion letter is cut off by length.
QString ReduceFloatText(const QString &text, const QString &format, QChar decimalSep);
QString ReduceIntText(const QString &text, const QString &format);

// Range rule of the numeric edits: min = max = 0 means no range.
template <typename T> T ClampToRange(T value, T minValue, T maxValue)
{
    if (minValue == 0 && maxValue == 0) return value;
    if (value < minValue) value = minValue;
    if (value > maxValue) value = maxValue;
    return value;
}

} // namespace numtext
