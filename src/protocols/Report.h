#pragma once

// A small banded report layer over QPainter. A report is an A4 page with
// margins in millimetres, a page header and footer, and a list of body bands
// (title, one detail band per row, summary) that flow over as many pages as
// they need. Positions and sizes are given in pixels of a 96-dpi design grid
// and mapped to the device's units when drawn, so one description serves the
// preview, the printer and PDF alike. Barcodes are drawn by the barcode
// component, a widget: rendering needs a QApplication.

#include "barcode/BarcodeTypes.h"

#include <QMarginsF>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QByteArray;
class QImage;
class QPagedPaintDevice;
class QPainter;
class QPrinter;
class QWidget;

constexpr double DesignDpi = 96.0;
// Millimetres to design pixels (for layouts given in millimetres).
constexpr double MmToPx(double mm)
{
    return mm * DesignDpi / 25.4;
}

struct TReportFont {
    double px = 13; // height in design pixels
    bool bold = false;
    bool underline = false;
};
constexpr TReportFont Normal{13, false, false};
constexpr TReportFont Bold{13, true, false};
constexpr TReportFont BoldLined{13, true, true};
constexpr TReportFont Small{11, false, false};

// Drawing inside one band: every coordinate is relative to the band's
// top-left corner, in design pixels.
class TReportCanvas {
public:
    TReportCanvas(QPainter &painter, double scale, QPointF origin, double width, double height);

    double Width() const { return m_width; }
    double Height() const { return m_height; }

    // Text with its top at y, starting at x.
    void Label(double x, double y, const QString &text, TReportFont font = Normal);
    // Smallest font a note is set in to keep it inside its box; below it the
    // note continues elsewhere at its own size (Memo).
    static constexpr double MinFontPx = 8;

    // Text aligned (left, right or centre) inside [x, x + width]: a field one
    // line (font.px + 4) high, filled as FieldIn fills it.
    void LabelIn(double x, double y, double width, Qt::Alignment align, const QString &text,
                 TReportFont font = Normal);
    // Text aligned inside the box: set smaller as far as needed, wrapped into
    // more lines where one line would need a smaller font than two, never
    // cut (below 4 px the lines run on under the box).
    void FieldIn(double x, double y, double width, double height, Qt::Alignment align, const QString &text,
                 TReportFont font = Normal);
    // Lines one under the other at the font's line spacing, each aligned in
    // [x, x + width], as they are (see TextFit.h).
    void Lines(double x, double y, double width, Qt::Alignment align, const QStringList &lines,
               TReportFont font = Normal);
    // Text whose right end is at xEnd.
    void LabelRightEnd(double xEnd, double y, const QString &text, TReportFont font = Normal);
    // Text centred across the band.
    void Centred(double y, const QString &text, TReportFont font = Normal);
    // Word-wrapped text, line breaks kept; set smaller (down to MinFontPx)
    // when that makes it fit the box. Otherwise the box holds the first lines
    // at the font's own size and FitOrFlow (TextFit.h) gives the rest, which
    // the report continues elsewhere.
    void Memo(double x, double y, double width, double height, const QString &text,
              TReportFont font = Normal);

    void HLine(double x, double y, double length);
    void VLine(double x, double y, double length);
    void Rect(double x, double y, double width, double height);
    // A line along the band's full width.
    void Rule(double y) { HLine(0, y, m_width); }
    // The band's outline.
    void Frame() { Rect(0, 0, m_width, m_height); }

    // 12 x 12 box: a frame of pen width 3 and, when checked, an X of pen width 2
    // from corner to corner (pen widths in design pixels).
    void CheckBox(double x, double y, bool checked);

    // An image field cleared to white with a barcode drawn into it at the
    // device's own resolution: the narrow module is `narrow` design pixels in
    // whole device pixels, fewer where the symbol would not fit the field
    // otherwise (a symbol is never cut), the wide one three times that, the
    // bars as high as the field. No quiet zone. Empty text: the white field
    // only. False when the symbol does not fit even so (nothing drawn).
    bool Barcode(double x, double y, double width, double height, TBarCodeType type, const QString &text,
                 double narrow = 1, double barHeight = -1);
    // A device's barcode in the symbology that reads back as stored
    // (DeviceSymbology); a text no symbology holds, or one too long for the
    // field, gets a short note in the field instead of bars.
    void DeviceBarcode(double x, double y, double width, double height, const QString &text);

    QPainter &Painter() { return m_p; }
    double Scale() const { return m_scale; }

private:
    QPointF dev(double x, double y) const { return m_origin + QPointF(x, y) * m_scale; }
    void setFont(const TReportFont &font);
    void setPen(double designWidth);

    QPainter &m_p;
    double m_scale;
    QPointF m_origin;
    double m_width;
    double m_height;
};

using TBandPaint = std::function<void(TReportCanvas &canvas)>;
using TPageBandPaint = std::function<void(TReportCanvas &canvas, int page, int pageCount)>;

struct TReportBand {
    double height = 0;
    bool framed = false;
    TBandPaint paint;
};

class TReport {
public:
    TReport();

    QString Title; // document title of the PDF / print job
    // Margins in millimetres: left, top, right, bottom.
    QMarginsF MarginsMm{30.0, 25.0, 20.0, 15.0};
    double BandWidth = 605;

    // Page header: its height may differ per page (1-based).
    std::function<double(int page)> PageHeaderHeight;
    bool PageHeaderFramed = false;
    TPageBandPaint PageHeader;
    // Page footer at the bottom of every page's printable area.
    double PageFooterHeight = 0;
    TPageBandPaint PageFooter;

    // Body bands in order; each goes onto the current page if it fits below
    // what is there, else it opens the next page.
    std::vector<TReportBand> Bands;
    void AddBand(double height, bool framed, TBandPaint paint);

    // Height of the printable area in design pixels.
    double PageBodyHeight() const;
    // Pages the bands need (at least one).
    int PageCount() const;

    // Draws every page on a device that is ready for painting; the page
    // size and margins are set here. False when the device cannot be painted on.
    bool Render(QPagedPaintDevice &device) const;

    // One page (1-based) as a picture at the given resolution; null when
    // there is no such page. The same drawing as on paper.
    QImage PageImage(int page, int dpi) const;

    // Archival PDF (PDF/A-1b: fonts embedded, XMP metadata naming the standard).
    bool PdfA = false;
    // Applied to the finished PDF before it is written, by WritePdf and by a
    // print to a PDF file (the preview's save); false with a German reason
    // writes nothing.
    std::function<bool(QByteArray &pdf, QString *error)> FinishPdf;

    // PDF file; false with a German reason in *error.
    bool WritePdf(const QString &fileName, QString *error = nullptr) const;
    // Preview window (German) from which the user prints or saves a PDF.
    void Preview(QWidget *parent = nullptr) const;
    // Prints on a printer the user set up; false with a German reason when the
    // job cannot be started or its output file is a database.
    bool Print(QPrinter &printer, QString *error = nullptr) const;
    // Prints at once on the default printer; false with a German reason when
    // there is no printer or the job cannot be started.
    bool PrintDirect(QString *error = nullptr) const;

    // The bands of each page (indices into Bands) and the y of each band.
    struct Placed {
        int band;
        double y;
    };
    std::vector<std::vector<Placed>> Layout() const;

private:
    void paintPage(QPainter &p, double scale, int page, int pageCount,
                   const std::vector<Placed> &bands) const;
};
