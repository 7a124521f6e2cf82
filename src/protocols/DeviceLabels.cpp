#include "protocols/DeviceLabels.h"

#include "barcode/DeviceBarcode.h"

#include <QDate>
#include <QRectF>

#include <algorithm>

namespace {

// Inside a label the content keeps this far from the label's edge (mm); the
// quiet zones of the barcode (ten modules of at most 0.33 mm) fit into it.
constexpr double kPadX = 4;
constexpr double kPadY = 2.5;
// Height the content is laid out for; a label cut by the safe margin sets
// everything proportionally smaller.
constexpr double kIdealHeight = 32;
constexpr double kNarrowMm = 0.33;
// Thinner modules than this are beyond what printers and scanners manage.
constexpr double kMinNarrowMm = 0.19;
constexpr double kSheetWidthMm = 210;
constexpr double kSheetHeightMm = 297;

struct TLabelPlan {
    TDueEntry device;
    QRectF box;          // millimetres, from the sheet's top-left corner
    double scale = 1;    // of fonts and spacing
    double narrowMm = 0; // 0: no bars
    TBarCodeType type = Code128;
};

TLabelPrintArea clamped(const TLabelPrintArea &a)
{
    return {std::clamp(a.OffsetXMm, -MaxLabelOffsetMm, MaxLabelOffsetMm),
            std::clamp(a.OffsetYMm, -MaxLabelOffsetMm, MaxLabelOffsetMm),
            std::clamp(a.SafeMarginMm, 0.0, MaxLabelSafeMarginMm)};
}

// The label's content box on the sheet: the label moved by the offset, less
// its padding, and nothing outside the safe margin.
QRectF contentBox(int row, int col, const TLabelPrintArea &a)
{
    const QRectF label(col * LabelWidthMm + a.OffsetXMm, LabelTopMm + row * LabelHeightMm + a.OffsetYMm,
                       LabelWidthMm, LabelHeightMm);
    const double m = a.SafeMarginMm;
    const QRectF safe(m, m, kSheetWidthMm - 2 * m, kSheetHeightMm - 2 * m);
    return label.adjusted(kPadX, kPadY, -kPadX, -kPadY).intersected(safe);
}

QString deviceName(const TDueEntry &d)
{
    return d.Bezeichnung.isEmpty()
               ? QStringLiteral("Prüfling %1").arg(d.PrueflingNr)
               : QStringLiteral("Prüfling %1 („%2“)").arg(d.PrueflingNr).arg(d.Bezeichnung);
}

TLabelPlan planLabel(const TDueEntry &d, int row, int col, const TLabelPrintArea &area, QStringList &warnings)
{
    TLabelPlan p;
    p.device = d;
    p.box = contentBox(row, col, area);
    p.scale = std::min(1.0, p.box.height() / kIdealHeight);
    const QString code = d.Barcode.trimmed();
    if (code.isEmpty()) return p;
    if (const QString why = DeviceBarcodeProblem(code); !why.isEmpty()) {
        warnings << deviceName(d) + QStringLiteral(": ") + why;
        return p;
    }
    p.type = LabelBarcodeType(code);
    const int modules = SymbolModules(p.type, code);
    const double narrow = modules > 0 ? std::min(kNarrowMm, p.box.width() / modules) : 0;
    if (narrow < kMinNarrowMm) {
        warnings << deviceName(d) +
                        QStringLiteral(": Der Barcode „%1“ ist zu lang für das Etikett; er wird nur als Text "
                                       "gedruckt.")
                            .arg(code);
        return p;
    }
    p.narrowMm = narrow;
    return p;
}

void paintLabel(TReportCanvas &c, const TLabelPlan &p, double bandTopMm)
{
    const TDueEntry &d = p.device;
    if (p.box.width() <= 0 || p.box.height() <= 0) return;
    const double s = p.scale;
    // Texts keep 1 % of the width free at each side: at a printer's
    // resolution glyphs are placed on whole dots and run a little wider
    // than measured, and the box may end right at the safe margin.
    const double w = MmToPx(p.box.width()) * 0.98;
    const double x = MmToPx(p.box.x()) + MmToPx(p.box.width()) * 0.01;
    const double height = p.box.height() / s; // in the layout's own millimetres
    auto at = [&](double mm) { return MmToPx(p.box.y() - bandTopMm + mm * s); };
    auto font = [s](double px, bool bold) { return TReportFont{px * s, bold, false}; };
    c.LabelIn(x, at(0), w, Qt::AlignLeft, d.Kunde, font(11, true));
    c.LabelIn(x, at(4), w, Qt::AlignLeft, d.Bezeichnung, font(12, false));
    if (!d.Inventarnummer.isEmpty())
        c.LabelIn(x, at(8.5), w, Qt::AlignLeft, QStringLiteral("Inv.-Nr.: ") + d.Inventarnummer,
                  font(10, false));
    const QString code = d.Barcode.trimmed();
    if (!code.isEmpty()) {
        if (p.narrowMm > 0) {
            const double narrow = MmToPx(p.narrowMm);
            const double bw = SymbolModules(p.type, code) * narrow;
            c.Barcode(x + (w - bw) / 2, at(12.5), bw, MmToPx((height - 21) * s), p.type, code, narrow);
        }
        c.LabelIn(x, at(height - 7.5), w, Qt::AlignHCenter, code, font(10, false));
    }
    // A failed device gets no next-test month: it must not look fit for use.
    if (d.Failed)
        c.LabelIn(x, at(height - 3.8), w, Qt::AlignHCenter, QStringLiteral("Prüfung nicht bestanden"),
                  font(11, true));
    else if (d.NextDue.isValid())
        c.LabelIn(x, at(height - 3.8), w, Qt::AlignHCenter,
                  QStringLiteral("Nächste Prüfung: ") + d.NextDue.toString(QStringLiteral("MM/yyyy")),
                  font(11, true));
}

} // namespace

TBarCodeType LabelBarcodeType(const QString &barcode)
{
    const TDeviceSymbology s = DeviceSymbology(barcode);
    return s.drawable ? s.type : Code128;
}

bool LoadLabelDevices(QSqlDatabase db, const TLabelChoice &choice, int serviceIntervalDays,
                      QList<TDueEntry> &out, QString *error)
{
    QList<TDueEntry> all;
    if (!LoadDueList(db, serviceIntervalDays, QDate::currentDate(), all, error)) return false;
    out.clear();
    for (TDueEntry &e : all) {
        if (choice.KundenNr != 0 && e.KundenNr != choice.KundenNr) continue;
        if (choice.PrueflingNr != 0 && e.PrueflingNr != choice.PrueflingNr) continue;
        if (choice.DueWithinDays >= 0 && !IsDueWithin(e, choice.DueWithinDays)) continue;
        out.append(std::move(e));
    }
    return true;
}

bool LoadLabelDevices(QSqlDatabase db, int kundenNr, int prueflingNr, int serviceIntervalDays,
                      QList<TDueEntry> &out, QString *error)
{
    return LoadLabelDevices(db, TLabelChoice{kundenNr, prueflingNr, -1}, serviceIntervalDays, out, error);
}

TReport DeviceLabelsReport(const QList<TDueEntry> &devices, int firstPosition, const TLabelPrintArea &area,
                           QStringList *warnings)
{
    TReport r;
    r.Title = QStringLiteral("Prüflingsetiketten");
    // The page is the sheet itself; the safe margin is kept by the content.
    r.MarginsMm = QMarginsF(0, LabelTopMm, 0, 297.0 - LabelTopMm - LabelRows * LabelHeightMm - 0.1);
    r.BandWidth = MmToPx(LabelColumns * LabelWidthMm);
    const TLabelPrintArea a = clamped(area);
    QStringList found;
    const int skip = std::clamp(firstPosition, 1, LabelsPerSheet) - 1;
    const qsizetype slotCount = skip + devices.size();
    for (qsizetype row = 0; row * LabelColumns < slotCount; ++row) {
        const int sheetRow = static_cast<int>(row % LabelRows);
        QList<TLabelPlan> plans;
        for (int col = 0; col < LabelColumns; ++col) {
            const qsizetype i = row * LabelColumns + col - skip;
            if (i < 0 || i >= devices.size()) continue;
            plans << planLabel(devices[i], sheetRow, col, a, found);
        }
        const double bandTopMm = LabelTopMm + sheetRow * LabelHeightMm;
        r.AddBand(MmToPx(LabelHeightMm), false, [plans, bandTopMm](TReportCanvas &c) {
            for (const TLabelPlan &p : plans)
                paintLabel(c, p, bandTopMm);
        });
    }
    if (warnings) *warnings = found;
    return r;
}

bool WriteDeviceLabelsPdf(const QList<TDueEntry> &devices, int firstPosition, const QString &fileName,
                          QString *error, const TLabelPrintArea &area, QStringList *warnings)
{
    return DeviceLabelsReport(devices, firstPosition, area, warnings).WritePdf(fileName, error);
}
