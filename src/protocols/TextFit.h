#pragma once

// Line breaking for the reports, in design pixels. The lines are decided once,
// independent of the device, and drawn one by one, so the preview, the printer
// and a PDF break a text at the same words and no field's text is cut off.

#include "protocols/Report.h"

#include <QStringList>

// Height of one line of text (the font's line spacing) in design pixels.
double TextLineHeight(TReportFont font);
// Width of a one-line text in design pixels.
double TextWidth(const QString &text, TReportFont font);

// The text broken into lines no wider than width: at blanks, explicit line
// breaks kept (CR LF counts as one), a word wider than the width broken
// between characters. A paragraph that fits stays exactly as it was.
QStringList WrapText(const QString &text, double width, TReportFont font);

struct TFittedText {
    double px = 0;     // font height the lines are set in
    QStringList lines; // the lines that the box holds
    QStringList rest;  // the lines that it cannot hold, set in the same size
};

// The largest size from font.px down to minPx (in half pixels) at which the
// wrapped text fits width x height; failing that, the lines at minPx that the
// box holds (at least one) and the rest.
TFittedText FitText(const QString &text, double width, double height, TReportFont font, double minPx);

// A note for a box of fixed size: set smaller down to minPx when that makes
// it fit; otherwise set at its own size, the box holding the first lines and
// the rest left over to be continued elsewhere.
TFittedText FitOrFlow(const QString &text, double width, double height, TReportFont font, double minPx);

// Continues lines that did not fit their box at the end of the report: a
// caption band, then one band per line, so they flow over as many pages as
// they need. Nothing is added for no lines.
void AddContinuation(TReport &report, const QString &caption, const QStringList &lines, double x,
                     double width, TReportFont font);

// One line of up to three texts, at the left, centred and at the right, as
// far as they fit so; when they would run into each other, each gets a part
// of the width in proportion to its length and is fitted into it (FieldIn).
void PaintLeftCentreRight(TReportCanvas &canvas, double y, double height, const QString &left,
                          const QString &centre, const QString &right, TReportFont font);
