#include "barcode/BarcodeRender.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <climits>

namespace {

// Extreme property values must not wrap pixel positions round.
int ClampInt(long long v)
{
    return static_cast<int>(std::clamp<long long>(v, INT_MIN / 4, INT_MAX / 4));
}

QRect Rect(long long x, long long y, long long w, long long h)
{
    return QRect(ClampInt(x), ClampInt(y), ClampInt(w), ClampInt(h));
}

// Font size in points (taken as pixels for the bar shortening) and the font's
// pixel height on the target device.
int FontSize(const QFont &f)
{
    return f.pointSize() > 0 ? f.pointSize() : std::max(0, f.pixelSize());
}

int FontPixelHeight(const QFont &f, const QPaintDevice *device)
{
    if (f.pixelSize() > 0) return f.pixelSize();
    const int dpi = device ? device->logicalDpiY() : 96;
    return qRound(f.pointSizeF() * dpi / 72.0);
}

void DrawEmptyBox(QPainter &p, QPoint o, const TBarcodeLook &look)
{
    if (look.size.width() <= 0 || look.size.height() <= 0) return;
    p.setPen(QPen(look.barColor, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(look.color);
    p.drawRect(QRect(o, look.size).adjusted(0, 0, -1, -1));
}

} // namespace

bool SymbolIsHorizontal(const TBarSymbol &symbol, TBDDirection direction)
{
    return symbol.alwaysHorizontal || IsHorizontal(direction);
}

long long SymbolLength(const TBarSymbol &symbol, const TBarcodeLook &look)
{
    if (symbol.kind != TSymbolKind::Bars) return 0;
    return SymbolPixels(symbol, look.narrow, look.wide, std::max(0, look.leadIn)) -
           static_cast<long long>(symbol.autoSizeTrimNarrow) * look.narrow;
}

namespace {

// The digits under an EAN symbol, on opaque cells clipped to the control.
void drawEanDigits(QPainter &p, const TBarSymbol &s, const TBarcodeLook &look, const QRect &clip)
{
    const QFont font = p.font();
    const QFontMetrics fm(font, p.device());
    const long long X = clip.x(), Y = clip.y(), H = clip.height();
    const long long top = Y + H - FontPixelHeight(font, p.device());
    const int leadIn = std::max(0, look.leadIn);
    p.save();
    p.setClipRect(clip, Qt::IntersectClip);
    p.setPen(look.barColor);
    p.setBackground(look.color);
    p.setBackgroundMode(Qt::OpaqueMode);
    long long x = 0;
    for (const TBarElement &e : s.elements) {
        if (e.label)
            p.drawText(QPoint(ClampInt(X + x), ClampInt(top + fm.ascent())), QString(QChar(e.label)));
        x += ElementPixels(e, look.narrow, look.wide, leadIn);
    }
    p.restore();
}

void drawBearerBars(QPainter &p, const TBarcodeLook &look, long long X, long long Y, QSize size,
                    bool horizontal)
{
    const long long bw = look.bearerBarsWidth;
    if (horizontal) {
        p.fillRect(Rect(X, Y, size.width(), bw), look.barColor);
        p.fillRect(Rect(X, Y + size.height() - bw, size.width(), bw), look.barColor);
    } else {
        p.fillRect(Rect(X, Y, bw, size.height()), look.barColor);
        p.fillRect(Rect(X + size.width() - bw, Y, bw, size.height()), look.barColor);
    }
}

} // namespace

QSize DrawBarSymbol(QPainter &p, QPoint o, const TBarSymbol &s, const TBarcodeLook &look)
{
    if (s.kind == TSymbolKind::Nothing) return look.size;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setPen(QPen(look.color, 1, Qt::SolidLine));
    p.setBrush(look.color);
    if (s.kind == TSymbolKind::EmptyBox) {
        DrawEmptyBox(p, o, look);
        p.restore();
        return look.size;
    }

    const bool horizontal = SymbolIsHorizontal(s, look.direction);
    const long long X = o.x(), Y = o.y();
    const long long W = look.size.width(), H = look.size.height();
    const int leadIn = std::max(0, look.leadIn);

    // Printed digits shorten the EAN digit bars; guards reach half-way down.
    const bool eanText = s.alwaysHorizontal && look.humanReadable;
    long long digitH = H, guardH = H;
    if (eanText) {
        digitH = std::clamp<long long>(H - FontSize(p.font()) - 2, 0, std::max(0LL, H));
        guardH = std::clamp<long long>((H + digitH) / 2, 0, std::max(0LL, H));
    }

    long long pos = 0;
    for (const TBarElement &e : s.elements) {
        const long long w = ElementPixels(e, look.narrow, look.wide, leadIn);
        if (horizontal) {
            long long barH = H;
            if (e.role == TElemRole::EanDigit)
                barH = digitH;
            else if (e.role == TElemRole::EanGuard)
                barH = guardH;
            if (!e.bar || barH < H) p.fillRect(Rect(X + pos, Y, w, H), look.color);
            if (e.bar) p.fillRect(Rect(X + pos, Y, w, barH), look.barColor);
        } else {
            p.fillRect(Rect(X, Y + pos, W, w), e.bar ? look.barColor : look.color);
        }
        pos += w;
    }

    if (eanText) drawEanDigits(p, s, look, Rect(X, Y, std::max(W, pos), H));

    QSize size = look.size;
    if (look.autoSize) {
        const int length =
            ClampInt(std::max(0LL, pos - static_cast<long long>(s.autoSizeTrimNarrow) * look.narrow));
        if (horizontal)
            size.setWidth(length);
        else
            size.setHeight(length);
    } else if (horizontal && pos < W) {
        p.fillRect(Rect(X + pos, Y, W - pos, H), look.color);
    } else if (!horizontal && pos < H) {
        p.fillRect(Rect(X, Y + pos, W, H - pos), look.color);
    }

    if (look.bearerBars && s.takesBearerBars && look.bearerBarsWidth > 0)
        drawBearerBars(p, look, X, Y, size, horizontal);
    p.restore();
    return size;
}
