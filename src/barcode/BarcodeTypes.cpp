#include "barcode/BarcodeTypes.h"

namespace {

constexpr const char *TypeNames[BarCodeTypeCount] = {
    "Code39",  "Code25",     "Interleaved2Of5", "Code128",   "Codabar",
    "PostNet", "PostnetZip", "PostNetZipPlus4", "Postnet11", "EAN",
    "EAN8",    "EAN13",      "ITF14",           "FIMA",      "FIMB",
    "FIMC",    "EAN128"};
constexpr const char *DirectionNames[4] = {"bdRight", "bdDown", "bdLeft", "bdUp"};

} // namespace

QString BarCodeTypeName(TBarCodeType t)
{
    const int i = static_cast<int>(t);
    return i >= 0 && i < BarCodeTypeCount ? QString::fromLatin1(TypeNames[i]) : QString();
}

QString DirectionName(TBDDirection d)
{
    const int i = static_cast<int>(d);
    return i >= 0 && i < 4 ? QString::fromLatin1(DirectionNames[i]) : QString();
}

bool BarCodeTypeFromName(const QString &name, TBarCodeType *out)
{
    for (int i = 0; i < BarCodeTypeCount; ++i)
        if (name.compare(QLatin1String(TypeNames[i]), Qt::CaseInsensitive) == 0) {
            *out = static_cast<TBarCodeType>(i);
            return true;
        }
    return false;
}

bool DirectionFromName(const QString &name, TBDDirection *out)
{
    for (int i = 0; i < 4; ++i)
        if (name.compare(QLatin1String(DirectionNames[i]), Qt::CaseInsensitive) == 0) {
            *out = static_cast<TBDDirection>(i);
            return true;
        }
    return false;
}
