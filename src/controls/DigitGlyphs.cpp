#include "controls/DigitGlyphs.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>

namespace {

// Geometry of the glyphs in cell units (one unit = one pixel at 100 %).
constexpr qreal Left = 2.8;    // outer edge of the left segments
constexpr qreal Right = 14.2;  // outer edge of the right segments
constexpr qreal Top = 2.6;     // outer edge of segment a
constexpr qreal Bottom = 24.4; // outer edge of segment d
constexpr qreal Thick = 2.5;   // segment thickness
constexpr qreal Gap = 0.45;    // gap between neighbouring segments
constexpr qreal Middle = (Top + Bottom) / 2;
constexpr qreal Slant = 0.07; // LCD readouts lean slightly to the right

// A segment: a bar between two points on its centre line with pointed ends.
QPolygonF Bar(QPointF from, QPointF to, qreal thick)
{
    const qreal h = thick / 2;
    if (qFuzzyCompare(from.y(), to.y())) { // horizontal
        const qreal y = from.y(), x0 = from.x(), x1 = to.x();
        return QPolygonF({QPointF(x0, y), QPointF(x0 + h, y - h), QPointF(x1 - h, y - h), QPointF(x1, y),
                          QPointF(x1 - h, y + h), QPointF(x0 + h, y + h)});
    }
    const qreal x = from.x(), y0 = from.y(), y1 = to.y();
    return QPolygonF({QPointF(x, y0), QPointF(x + h, y0 + h), QPointF(x + h, y1 - h), QPointF(x, y1),
                      QPointF(x - h, y1 - h), QPointF(x - h, y0 + h)});
}

QPainterPath SegmentPath(quint8 bits)
{
    const qreal h = Thick / 2;
    const qreal xl = Left + h, xr = Right - h; // centre lines of the vertical bars
    const qreal yt = Top + h, yb = Bottom - h, ym = Middle;
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    auto add = [&](quint8 bit, QPointF a, QPointF b) {
        if (bits & bit) path.addPolygon(Bar(a, b, Thick));
    };
    add(segA, {xl + Gap, yt}, {xr - Gap, yt});
    add(segB, {xr, yt + Gap}, {xr, ym - Gap});
    add(segC, {xr, ym + Gap}, {xr, yb - Gap});
    add(segD, {xl + Gap, yb}, {xr - Gap, yb});
    add(segE, {xl, ym + Gap}, {xl, yb - Gap});
    add(segF, {xl, yt + Gap}, {xl, ym - Gap});
    add(segG, {xl + Gap, ym}, {xr - Gap, ym});
    return path;
}

QPainterPath SpecialPath(TGlyph g)
{
    const qreal cx = (Left + Right) / 2, ym = Middle;
    const qreal dot = 2.4;
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    switch (g) {
    case TGlyph::DM:
        path.addPolygon(Bar({cx - 3.6, ym}, {cx + 3.6, ym}, Thick));
        break;
    case TGlyph::DP:
        path.addPolygon(Bar({cx - 4.2, ym}, {cx + 4.2, ym}, Thick));
        path.addPolygon(Bar({cx, ym - 4.2}, {cx, ym + 4.2}, Thick));
        break;
    case TGlyph::DK: {
        // A square dot on the base line with a wedge-shaped tail to the lower left.
        path.addRect(QRectF(cx - dot / 2, Bottom - dot, dot, dot));
        path.addPolygon(
            QPolygonF({QPointF(cx - dot / 2, Bottom - 0.01), QPointF(cx + dot / 2, Bottom - 0.01),
                       QPointF(cx - 0.3, Bottom + 2.0), QPointF(cx - dot / 2 - 0.8, Bottom + 2.0)}));
        path.closeSubpath();
        break;
    }
    case TGlyph::DDP:
        path.addRect(QRectF(cx - dot / 2, ym - 5.0 - dot / 2, dot, dot));
        path.addRect(QRectF(cx - dot / 2, ym + 5.0 - dot / 2, dot, dot));
        break;
    case TGlyph::DG:
    case TGlyph::DS: {
        const qreal w = 6.0, hgt = 5.6;
        const qreal dir = g == TGlyph::DG ? 1 : -1;
        QPainterPath line;
        line.moveTo(cx - dir * w / 2, ym - hgt);
        line.lineTo(cx + dir * w / 2, ym);
        line.lineTo(cx - dir * w / 2, ym + hgt);
        QPainterPathStroker stroker;
        stroker.setWidth(Thick);
        stroker.setJoinStyle(Qt::MiterJoin);
        stroker.setCapStyle(Qt::FlatCap);
        path = stroker.createStroke(line);
        break;
    }
    default:
        break;
    }
    return path;
}

// Built once: the front panel repaints fifty cells per report.
const QPainterPath &GlyphPath(TGlyph g)
{
    static const std::array<QPainterPath, GlyphCount> paths = [] {
        std::array<QPainterPath, GlyphCount> all;
        for (int i = 0; i < GlyphCount; ++i) {
            const TGlyph glyph = TGlyph(i);
            const quint8 bits = GlyphSegments(glyph);
            all[i] = bits ? SegmentPath(bits) : SpecialPath(glyph);
        }
        return all;
    }();
    return paths[std::clamp(int(g), 0, GlyphCount - 1)];
}

} // namespace

TGlyph GlyphForChar(QChar c)
{
    switch (c.unicode()) {
    case '0':
        return TGlyph::D0;
    case '1':
        return TGlyph::D1;
    case '2':
        return TGlyph::D2;
    case '3':
        return TGlyph::D3;
    case '4':
        return TGlyph::D4;
    case '5':
        return TGlyph::D5;
    case '6':
        return TGlyph::D6;
    case '7':
        return TGlyph::D7;
    case '8':
        return TGlyph::D8;
    case '9':
        return TGlyph::D9;
    case 'A':
    case 'a':
        return TGlyph::DA;
    case 'B':
    case 'b':
        return TGlyph::DB;
    case 'C':
    case 'c':
        return TGlyph::DC;
    case 'D':
    case 'd':
        return TGlyph::DD;
    case 'E':
    case 'e':
        return TGlyph::DE;
    case 'F':
    case 'f':
        return TGlyph::DF;
    case 'H':
    case 'h':
        return TGlyph::DH;
    case 'L':
    case 'l':
        return TGlyph::DL;
    case 'R':
    case 'r':
        return TGlyph::DR;
    case 'U':
    case 'u':
        return TGlyph::DU;
    case '-':
        return TGlyph::DM;
    case '+':
        return TGlyph::DP;
    case ',':
    case '.':
        return TGlyph::DK;
    case ':':
        return TGlyph::DDP;
    case '>':
        return TGlyph::DG;
    case '<':
        return TGlyph::DS;
    default:
        return TGlyph::D;
    }
}

TGlyph GlyphForText(const QString &text)
{
    return text.isEmpty() ? TGlyph::D : GlyphForChar(text.back());
}

QString GlyphName(TGlyph g)
{
    static const char *const names[GlyphCount] = {"D0", "D1", "D2", "D3",  "D4", "D5", "D6", "D7", "D8",
                                                  "D9", "DA", "DB", "DC",  "DD", "DE", "DF", "DH", "DL",
                                                  "DR", "DU", "DK", "DDP", "DM", "DP", "DG", "DS", "D"};
    const int i = int(g);
    return i >= 0 && i < GlyphCount ? QString::fromLatin1(names[i]) : QStringLiteral("D");
}

quint8 GlyphSegments(TGlyph g)
{
    switch (g) {
    case TGlyph::D0:
        return segA | segB | segC | segD | segE | segF;
    case TGlyph::D1:
        return segB | segC;
    case TGlyph::D2:
        return segA | segB | segD | segE | segG;
    case TGlyph::D3:
        return segA | segB | segC | segD | segG;
    case TGlyph::D4:
        return segB | segC | segF | segG;
    case TGlyph::D5:
        return segA | segC | segD | segF | segG;
    case TGlyph::D6:
        return segA | segC | segD | segE | segF | segG;
    case TGlyph::D7:
        return segA | segB | segC;
    case TGlyph::D8:
        return segA | segB | segC | segD | segE | segF | segG;
    case TGlyph::D9:
        return segA | segB | segC | segD | segF | segG;
    case TGlyph::DA:
        return segA | segB | segC | segE | segF | segG;
    case TGlyph::DB:
        return segC | segD | segE | segF | segG;
    case TGlyph::DC:
        return segA | segD | segE | segF;
    case TGlyph::DD:
        return segB | segC | segD | segE | segG;
    case TGlyph::DE:
        return segA | segD | segE | segF | segG;
    case TGlyph::DF:
        return segA | segE | segF | segG;
    case TGlyph::DH:
        return segB | segC | segE | segF | segG;
    case TGlyph::DL:
        return segD | segE | segF;
    case TGlyph::DR:
        return segE | segG;
    case TGlyph::DU:
        return segB | segC | segD | segE | segF;
    default:
        return 0;
    }
}

void PaintGlyph(QPainter &p, TGlyph g, QPointF origin, qreal scale, const QColor &background)
{
    const QPainterPath &path = GlyphPath(g);
    if (path.isEmpty()) return;

    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(origin);
    p.scale(scale, scale);
    // Lean the glyph around the middle line; the comma and colon lean with it.
    p.setTransform(QTransform(1, 0, -Slant, 1, Slant * Middle, 0), true);
    p.setPen(Qt::NoPen);
    // The segments of a reflective LCD cast a faint shadow on the backing.
    p.setBrush(background.darker(118));
    p.drawPath(path.translated(0.6, 0.7));
    p.setBrush(QColor(0x12, 0x14, 0x08));
    p.drawPath(path);
    p.restore();
}

QImage RenderGlyph(TGlyph g, const QColor &background, qreal devicePixelRatio, qreal scale)
{
    const QSize logical(qRound(GlyphWidth * scale), qRound(GlyphHeight * scale));
    QImage img(logical * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(devicePixelRatio);
    img.fill(background);
    QPainter p(&img);
    PaintGlyph(p, g, QPointF(0, 0), scale, background);
    return img;
}
