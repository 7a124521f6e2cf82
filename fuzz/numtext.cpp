// Input: a format string, a NUL byte, then the typed text. Checks that nothing
// crashes and that what the edits write they can read back.
#include "controls/NumberText.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace numtext;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray raw(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype cut = raw.indexOf('\0');
    const QString format = QString::fromUtf8(cut < 0 ? raw : raw.left(cut)).left(64);
    const QString text = cut < 0 ? QString() : QString::fromUtf8(raw.mid(cut + 1));
    const QChar sep = size > 0 && (data[0] & 1) ? QLatin1Char(',') : QLatin1Char('.');

    // A float the user typed, read as the float edit does.
    auto f = ParseFloat(text, sep);
    if (!f) f = ParseFloat(ReduceFloatText(text, format, sep), sep);
    if (f) {
        (void)FormatFloat(format, *f, sep);
        // Round trip through the program's own full-precision form.
        const QString g = FormatFloat(QStringLiteral("%.21g"), *f, sep);
        const auto back = ParseFloat(g, sep);
        if (!back || *back != *f) std::abort();
    }

    // An integer, read as the integer edit does.
    auto i = ParseInt(text);
    if (!i) i = ParseInt(ReduceIntText(text, format));
    if (i) {
        (void)FormatInt(format, *i);
        if (ParseInt(FormatInt(QStringLiteral("%d"), *i)) != *i) std::abort();
        if (ParseInt(QLatin1Char('$') + FormatInt(QStringLiteral("%x"), *i)) != *i) std::abort();
    }
    return 0;
}
