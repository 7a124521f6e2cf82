#pragma once

#include <QColor>
#include <QImage>
#include <QString>

class QPainter;

// The 27 seven-segment glyphs of the digit cells, drawn as vectors so they stay
// sharp at any device pixel ratio.
enum class TGlyph {
    D0,
    D1,
    D2,
    D3,
    D4,
    D5,
    D6,
    D7,
    D8,
    D9,
    DA,
    DB,
    DC,
    DD,
    DE,
    DF,
    DH,
    DL,
    DR,
    DU,
    DK,  // comma (also shown for a full stop)
    DDP, // colon
    DM,  // minus
    DP,  // plus
    DG,  // greater-than sign
    DS,  // less-than sign
    D    // blank
};

constexpr int GlyphCount = 27;
constexpr int GlyphWidth = 17;
constexpr int GlyphHeight = 27;

// Segment bits: a top, b upper right, c lower right, d bottom, e lower left,
// f upper left, g middle.
enum TSegment : quint8 { segA = 1, segB = 2, segC = 4, segD = 8, segE = 16, segF = 32, segG = 64 };

TGlyph GlyphForChar(QChar c);
// The glyph of the last character of a cell's text; blank for an empty text.
TGlyph GlyphForText(const QString &text);
QString GlyphName(TGlyph g);
// Seven-segment bits of a glyph; 0 for the special glyphs (comma, colon, ...).
quint8 GlyphSegments(TGlyph g);

// Draws the glyph into the 17 x 27 cell whose top left corner is `origin`,
// scaled by `scale`. Only the ink is drawn; the caller fills the background.
void PaintGlyph(QPainter &p, TGlyph g, QPointF origin, qreal scale, const QColor &background);

// The glyph on its background as an image (for resources and previews).
QImage RenderGlyph(TGlyph g, const QColor &background, qreal devicePixelRatio = 1.0, qreal scale = 1.0);
