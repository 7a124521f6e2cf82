#pragma once

#include <QString>

// Symbologies in their stored order: the numbers are written into forms and
// settings, so new entries only ever go at the end.
enum TBarCodeType {
    Code39,
    Code25,
    Interleaved2Of5,
    Code128,
    Codabar,
    PostNet,
    PostnetZip,
    PostNetZipPlus4,
    Postnet11,
    EAN,
    EAN8,
    EAN13,
    ITF14,
    FIMA,
    FIMB,
    FIMC,
    EAN128
};
constexpr int BarCodeTypeCount = EAN128 + 1;

// bdRight/bdLeft lay the elements along X, bdDown/bdUp along Y; bdLeft and
// bdUp give the symbol turned by half a turn.
enum TBDDirection { bdRight, bdDown, bdLeft, bdUp };

inline bool IsHorizontal(TBDDirection d)
{
    return d == bdRight || d == bdLeft;
}
inline bool IsReversed(TBDDirection d)
{
    return d == bdLeft || d == bdUp;
}

// The enumerators' own names, for tools and diagnostics.
QString BarCodeTypeName(TBarCodeType t);
QString DirectionName(TBDDirection d);
// Case-insensitive; false when the name is unknown.
bool BarCodeTypeFromName(const QString &name, TBarCodeType *out);
bool DirectionFromName(const QString &name, TBDDirection *out);
