#include "protocols/Report.h"

#include "core/AtomicFile.h"
#include "protocols/PrinterMemory.h"
#include "protocols/TextFit.h"
#include "store/DatabaseFiles.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <cmath>

namespace {

QString quoted(const QString &fileName)
{
    return QStringLiteral("\"") + QDir::toNativeSeparators(fileName) + QStringLiteral("\"");
}

// The reason in German where it is plain; the system's text otherwise.
QString whyNot(const QString &fileName, const TAtomicFile &file)
{
    const QFileInfo info(fileName);
    const QFileInfo dir(info.absolutePath());
    if (!dir.exists()) return QStringLiteral("Den Ordner %1 gibt es nicht.").arg(quoted(dir.filePath()));
    if (!dir.isWritable())
        return QStringLiteral("In den Ordner %1 darf nicht geschrieben werden.").arg(quoted(dir.filePath()));
    if (info.isDir()) return QStringLiteral("Unter diesem Namen gibt es einen Ordner.");
    return file.reason();
}

} // namespace

TReportCanvas::TReportCanvas(QPainter &painter, double scale, QPointF origin, double width, double height)
    : m_p(painter), m_scale(scale), m_origin(origin), m_width(width), m_height(height)
{
}

void TReportCanvas::setFont(const TReportFont &font)
{
    // Liberation Sans has the metrics of the layouts' Arial. Sizes in points of
    // the 96-dpi design grid, so the device's own resolution scales them.
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setPointSizeF(font.px * 72.0 / DesignDpi);
    f.setBold(font.bold);
    f.setUnderline(font.underline);
    m_p.setFont(f);
    m_p.setPen(QPen(Qt::black));
}

void TReportCanvas::setPen(double designWidth)
{
    QPen pen(Qt::black, std::max(1.0, designWidth * m_scale));
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    m_p.setPen(pen);
    m_p.setBrush(Qt::NoBrush);
}

void TReportCanvas::Label(double x, double y, const QString &text, TReportFont font)
{
    if (text.isEmpty()) return;
    setFont(font);
    const QPointF at = dev(x, y);
    m_p.drawText(QRectF(at, QSizeF(1e6, 1e6)), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
}

void TReportCanvas::LabelIn(double x, double y, double width, Qt::Alignment align, const QString &text,
                            TReportFont font)
{
    FieldIn(x, y, width, font.px + 4, align, text, font);
}

void TReportCanvas::FieldIn(double x, double y, double width, double height, Qt::Alignment align,
                            const QString &text, TReportFont font)
{
    if (text.isEmpty()) return;
    // Below this a word is no longer legible on paper; a field's text that
    // still does not fit spills below the field rather than being lost.
    constexpr double SmallestPx = 4;
    const TFittedText fit = FitText(text, width, height, font, SmallestPx);
    font.px = fit.px;
    Lines(x, y, width, align, fit.lines + fit.rest, font);
}

void TReportCanvas::Lines(double x, double y, double width, Qt::Alignment align, const QStringList &lines,
                          TReportFont font)
{
    setFont(font);
    const double step = TextLineHeight(font);
    const int flags = (align & Qt::AlignHorizontal_Mask) | Qt::AlignTop | Qt::TextDontClip;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].isEmpty()) continue;
        const QRectF box(dev(x, y + step * static_cast<double>(i)), QSizeF(width * m_scale, step * m_scale));
        m_p.drawText(box, flags, lines[i]);
    }
}

void TReportCanvas::LabelRightEnd(double xEnd, double y, const QString &text, TReportFont font)
{
    if (text.isEmpty()) return;
    setFont(font);
    const QPointF at = dev(xEnd, y);
    m_p.drawText(QRectF(at - QPointF(1e6, 0), QSizeF(1e6, 1e6)),
                 Qt::AlignRight | Qt::AlignTop | Qt::TextDontClip, text);
}

void TReportCanvas::Centred(double y, const QString &text, TReportFont font)
{
    if (text.isEmpty()) return;
    setFont(font);
    m_p.drawText(QRectF(dev(0, y), QSizeF(m_width * m_scale, 1e6)),
                 Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip, text);
}

void TReportCanvas::Memo(double x, double y, double width, double height, const QString &text,
                         TReportFont font)
{
    if (text.isEmpty()) return;
    const TFittedText fit = FitOrFlow(text, width, height, font, MinFontPx);
    font.px = fit.px;
    Lines(x, y, width, Qt::AlignLeft, fit.lines, font);
}

void TReportCanvas::HLine(double x, double y, double length)
{
    setPen(1);
    m_p.drawLine(dev(x, y), dev(x + length, y));
}

void TReportCanvas::VLine(double x, double y, double length)
{
    setPen(1);
    m_p.drawLine(dev(x, y), dev(x, y + length));
}

void TReportCanvas::Rect(double x, double y, double width, double height)
{
    setPen(1);
    m_p.drawRect(QRectF(dev(x, y), QSizeF(width * m_scale, height * m_scale)));
}

void TReportCanvas::CheckBox(double x, double y, bool checked)
{
    // A 3-wide pen on the picture's edge shows about two pixels inside the
    // 12 x 12 picture; the X runs corner to corner, clipped to the picture.
    const QRectF picture(dev(x, y), QSizeF(12 * m_scale, 12 * m_scale));
    m_p.save();
    m_p.setClipRect(picture);
    m_p.fillRect(picture, Qt::white);
    setPen(2);
    m_p.drawRect(picture.adjusted(m_scale, m_scale, -m_scale, -m_scale));
    if (checked) {
        m_p.drawLine(picture.topLeft(), picture.bottomRight());
        m_p.drawLine(picture.topRight(), picture.bottomLeft());
    }
    m_p.restore();
}

TReport::TReport()
{
    PageHeaderHeight = [](int) { return 0.0; };
}

void TReport::AddBand(double height, bool framed, TBandPaint paint)
{
    Bands.push_back(TReportBand{height, framed, std::move(paint)});
}

double TReport::PageBodyHeight() const
{
    return MmToPx(297.0 - MarginsMm.top() - MarginsMm.bottom());
}

std::vector<std::vector<TReport::Placed>> TReport::Layout() const
{
    std::vector<std::vector<Placed>> pages(1);
    const double bottom = PageBodyHeight() - PageFooterHeight + 0.01;
    double y = PageHeaderHeight(1);
    for (int i = 0; i < static_cast<int>(Bands.size()); ++i) {
        const double h = Bands[static_cast<size_t>(i)].height;
        // A band taller than a page stays where it is rather than opening
        // pages for ever.
        if (y + h > bottom && !pages.back().empty()) {
            pages.emplace_back();
            y = PageHeaderHeight(static_cast<int>(pages.size()));
        }
        pages.back().push_back(Placed{i, y});
        y += h;
    }
    return pages;
}

int TReport::PageCount() const
{
    return static_cast<int>(Layout().size());
}

void TReport::paintPage(QPainter &p, double scale, int page, int pageCount,
                        const std::vector<Placed> &bands) const
{
    const double hh = PageHeaderHeight(page);
    if (PageHeader) {
        TReportCanvas c(p, scale, QPointF(0, 0), BandWidth, hh);
        if (PageHeaderFramed) c.Frame();
        PageHeader(c, page, pageCount);
    }
    for (const Placed &pl : bands) {
        const TReportBand &band = Bands[static_cast<size_t>(pl.band)];
        TReportCanvas c(p, scale, QPointF(0, pl.y * scale), BandWidth, band.height);
        if (band.framed) c.Frame();
        if (band.paint) band.paint(c);
    }
    if (PageFooter && PageFooterHeight > 0) {
        const double y = PageBodyHeight() - PageFooterHeight;
        TReportCanvas c(p, scale, QPointF(0, y * scale), BandWidth, PageFooterHeight);
        PageFooter(c, page, pageCount);
    }
}

bool TReport::Render(QPagedPaintDevice &device) const
{
    device.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, MarginsMm, QPageLayout::Millimeter));
    QPainter p;
    if (!p.begin(&device)) return false;
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const double scale = device.logicalDpiX() / DesignDpi;
    const auto pages = Layout();
    const int count = static_cast<int>(pages.size());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !device.newPage()) return false;
        paintPage(p, scale, i + 1, count, pages[static_cast<size_t>(i)]);
    }
    return p.end();
}

QImage TReport::PageImage(int page, int dpi) const
{
    const auto pages = Layout();
    if (page < 1 || page > static_cast<int>(pages.size())) return QImage();
    const double dotsPerMm = dpi / 25.4;
    QImage img(qRound(210 * dotsPerMm), qRound(297 * dotsPerMm), QImage::Format_RGB32);
    img.setDotsPerMeterX(qRound(dotsPerMm * 1000));
    img.setDotsPerMeterY(qRound(dotsPerMm * 1000));
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.translate(MarginsMm.left() * dotsPerMm, MarginsMm.top() * dotsPerMm);
    paintPage(p, dpi / DesignDpi, page, static_cast<int>(pages.size()), pages[static_cast<size_t>(page - 1)]);
    return img;
}

bool TReport::WritePdf(const QString &fileName, QString *error) const
{
    // Written beside the target and renamed at the end: a failed run leaves an
    // older file of that name as it was.
    if (const QString why = DatabaseFileRefusal(fileName); !why.isEmpty()) {
        if (error) *error = why;
        return false;
    }
    // Made in memory first: a signature is appended to the finished file,
    // and one that cannot be made must leave no file behind.
    QByteArray pdf;
    bool ok = false;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setTitle(Title);
        writer.setCreator(QStringLiteral("Gerätetester"));
        writer.setResolution(1200);
        if (PdfA) writer.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
        ok = Render(writer);
    }
    if (!ok) {
        if (error)
            *error = QStringLiteral("Die Datei %1 kann nicht geschrieben werden.").arg(quoted(fileName));
        return false;
    }
    if (FinishPdf && !FinishPdf(pdf, error)) return false;
    TAtomicFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("Die Datei %1 kann nicht angelegt werden: %2")
                         .arg(quoted(fileName), whyNot(fileName, file));
        return false;
    }
    file.write(pdf);
    if (!file.commit()) {
        if (error)
            *error = QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2")
                         .arg(quoted(fileName), file.reason());
        return false;
    }
    return true;
}

void TReport::Preview(QWidget *parent) const
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(Title);
    printer.setCreator(QStringLiteral("Gerätetester"));
    printer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, MarginsMm, QPageLayout::Millimeter));
    RecallPrinter(printer);
    QPrintPreviewDialog dlg(&printer, parent);
    dlg.setWindowTitle(QStringLiteral("Druckvorschau"));
    QObject::connect(&dlg, &QPrintPreviewDialog::paintRequested, &dlg, [this, &dlg](QPrinter *pr) {
        QString why;
        if (!Print(*pr, &why) && !why.isEmpty()) QMessageBox::warning(&dlg, QStringLiteral("Drucken"), why);
    });
    // Accepted: printed (or saved as PDF, which KeepPrinter passes over).
    if (dlg.exec() == QDialog::Accepted) KeepPrinter(printer);
}

bool TReport::Print(QPrinter &printer, QString *error) const
{
    // The print dialog's "In PDF-Datei drucken" writes wherever it is told,
    // the database included.
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        if (const QString why = DatabaseFileRefusal(printer.outputFileName()); !why.isEmpty()) {
            if (error) *error = why;
            return false;
        }
        // A file saved from the preview is the same file WritePdf makes (the
        // preview's own drawing goes through another engine).
        const QPaintEngine *engine = printer.paintEngine();
        if ((PdfA || FinishPdf) && !printer.outputFileName().isEmpty() && engine &&
            engine->type() == QPaintEngine::Pdf)
            return WritePdf(printer.outputFileName(), error);
    }
    if (Render(printer)) return true;
    if (error)
        *error = printer.outputFileName().isEmpty()
                     ? QStringLiteral("Der Drucker \"%1\" kann nicht angesprochen werden.")
                           .arg(printer.printerName())
                     : QStringLiteral("Die Datei %1 kann nicht geschrieben werden.")
                           .arg(quoted(printer.outputFileName()));
    return false;
}

bool TReport::PrintDirect(QString *error) const
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        if (error)
            *error = QStringLiteral("Es ist kein Drucker eingerichtet. Der Ausdruck ist nicht möglich.");
        return false;
    }
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(Title);
    printer.setCreator(QStringLiteral("Gerätetester"));
    printer.setCopyCount(1);
    if (!Render(printer)) {
        if (error)
            *error =
                QStringLiteral("Der Drucker \"%1\" kann nicht angesprochen werden.").arg(info.printerName());
        return false;
    }
    return true;
}
