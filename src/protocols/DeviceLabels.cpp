#include "protocols/DeviceLabels.h"

#include "barcode/BarcodeEncoder.h"

#include <QDate>

#include <algorithm>

namespace {

// Width of a symbol in narrow modules (the wide element is three).
int symbolModules(const TBarSymbol &s)
{
    int n = 0;
    for (const TBarElement &e : s.elements) {
        switch (e.width) {
        case TElemWidth::Narrow:
            n += 1;
            break;
        case TElemWidth::Wide:
            n += 3;
            break;
        case TElemWidth::Modules:
            n += e.modules;
            break;
        case TElemWidth::LeadIn:
            break;
        }
    }
    return n;
}

void paintLabel(TReportCanvas &c, double x0, const TDueEntry &d)
{
    const double w = MmToPx(LabelWidthMm);
    const double pad = MmToPx(5);
    const double inner = w - 2 * pad;
    c.LabelIn(x0 + pad, MmToPx(3), inner, Qt::AlignLeft, d.Kunde, TReportFont{11, true, false});
    c.LabelIn(x0 + pad, MmToPx(7), inner, Qt::AlignLeft, d.Bezeichnung, TReportFont{12, false, false});
    if (!d.Inventarnummer.isEmpty())
        c.LabelIn(x0 + pad, MmToPx(11.5), inner, Qt::AlignLeft,
                  QStringLiteral("Inv.-Nr.: ") + d.Inventarnummer, TReportFont{10, false, false});
    const QString code = d.Barcode.trimmed();
    if (!code.isEmpty()) {
        const TBarCodeType type = LabelBarcodeType(code);
        const TBarSymbol symbol = EncodeBarcode(type, code);
        const int modules = symbolModules(symbol);
        if (symbol.kind == TSymbolKind::Bars && modules > 0) {
            // A narrow module of 0.33 mm where it fits; the quiet zones of
            // ten modules on both sides stay inside the label.
            const double narrow = std::min(MmToPx(0.33), (w - 2 * MmToPx(3)) / (modules + 20));
            const double bw = modules * narrow;
            // The module is rounded to whole device pixels, so the symbol may
            // come out a little wider than bw: the field leaves room for it.
            const double left = x0 + (w - bw) / 2;
            c.Barcode(left, MmToPx(16), std::min(x0 + w - left, bw * 1.1 + 4), MmToPx(11), type, code,
                      narrow);
        }
        c.LabelIn(x0 + pad, MmToPx(27.5), inner, Qt::AlignHCenter, code, TReportFont{10, false, false});
    }
    // A failed device gets no next-test month: it must not look fit for use.
    if (d.Failed)
        c.LabelIn(x0 + pad, MmToPx(31.5), inner, Qt::AlignHCenter, QStringLiteral("Prüfung nicht bestanden"),
                  TReportFont{11, true, false});
    else if (d.NextDue.isValid())
        c.LabelIn(x0 + pad, MmToPx(31.5), inner, Qt::AlignHCenter,
                  QStringLiteral("Nächste Prüfung: ") + d.NextDue.toString(QStringLiteral("MM/yyyy")),
                  TReportFont{11, true, false});
}

} // namespace

TBarCodeType LabelBarcodeType(const QString &barcode)
{
    const bool digits = !barcode.isEmpty() && std::all_of(barcode.begin(), barcode.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
    return digits && barcode.size() % 2 == 0 ? Interleaved2Of5 : Code128;
}

bool LoadLabelDevices(QSqlDatabase db, int kundenNr, int prueflingNr, int serviceIntervalDays,
                      QList<TDueEntry> &out, QString *error)
{
    QList<TDueEntry> all;
    if (!LoadDueList(db, serviceIntervalDays, QDate::currentDate(), all, error)) return false;
    out.clear();
    for (TDueEntry &e : all)
        if ((kundenNr == 0 || e.KundenNr == kundenNr) && (prueflingNr == 0 || e.PrueflingNr == prueflingNr))
            out.append(std::move(e));
    return true;
}

TReport DeviceLabelsReport(const QList<TDueEntry> &devices, int firstPosition)
{
    TReport r;
    r.Title = QStringLiteral("Prüflingsetiketten");
    // The labels reach the sheet's edges; the printer's own unprintable
    // border is the user's to check with a test print.
    r.MarginsMm = QMarginsF(0, LabelTopMm, 0, 297.0 - LabelTopMm - LabelRows * LabelHeightMm - 0.1);
    r.BandWidth = MmToPx(LabelColumns * LabelWidthMm);
    const int skip = std::clamp(firstPosition, 1, LabelsPerSheet) - 1;
    const qsizetype slotCount = skip + devices.size();
    for (qsizetype row = 0; row * LabelColumns < slotCount; ++row) {
        QList<TDueEntry> cells;
        QList<int> columns;
        for (int col = 0; col < LabelColumns; ++col) {
            const qsizetype i = row * LabelColumns + col - skip;
            if (i < 0 || i >= devices.size()) continue;
            cells << devices[i];
            columns << col;
        }
        r.AddBand(MmToPx(LabelHeightMm), false, [cells, columns](TReportCanvas &c) {
            for (qsizetype k = 0; k < cells.size(); ++k)
                paintLabel(c, columns[k] * MmToPx(LabelWidthMm), cells[k]);
        });
    }
    return r;
}

bool WriteDeviceLabelsPdf(const QList<TDueEntry> &devices, int firstPosition, const QString &fileName,
                          QString *error)
{
    return DeviceLabelsReport(devices, firstPosition).WritePdf(fileName, error);
}
