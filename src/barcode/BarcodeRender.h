#pragma once

#include "barcode/BarcodeEncoder.h"

#include <QColor>
#include <QPoint>
#include <QSize>

class QPainter;

// Everything the drawing of an encoded symbol depends on. All sizes are in
// device pixels of the target; `size` is the control's rectangle, whose
// Height (horizontal) or Width (vertical) is the length of the bars.
struct TBarcodeLook {
    QColor barColor = Qt::black;
    QColor color = Qt::white;
    TBDDirection direction = bdRight;
    int narrow = 2;
    int wide = 5;
    int leadIn = 20;
    QSize size{100, 32};
    bool autoSize = true;
    bool bearerBars = false;
    int bearerBarsWidth = 3;
    bool humanReadable = true;
};

// Draws `symbol` with its top-left corner at `origin` and returns the size the
// control takes afterwards (changed only by AutoSize). The painter's state is
// left as it was found.
QSize DrawBarSymbol(QPainter &painter, QPoint origin, const TBarSymbol &symbol, const TBarcodeLook &look);

// Whether the symbol runs along X: EAN does whatever the direction.
bool SymbolIsHorizontal(const TBarSymbol &symbol, TBDDirection direction);

// The length AutoSize gives the control for this symbol (0 when it draws no bars).
long long SymbolLength(const TBarSymbol &symbol, const TBarcodeLook &look);
