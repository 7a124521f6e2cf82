#include "protocols/BarcodeSheets.h"

namespace {

constexpr TReportFont Head16Bold{16, true, false};
constexpr TReportFont Head16{16, false, false};

} // namespace

namespace {

// The control codes in the order of the sheet: a table, not a procedure.
const std::array<TCode, TSteuerbarcodes::CodeCount> kCodes = {{
    {QStringLiteral("990000000000"), QStringLiteral("Schutzkl. I, mit Isol., 0701")},
    {QStringLiteral("980000000000"), QStringLiteral("Schutzkl. I, mit Isol., 0701 auto")},
    {QStringLiteral("970000000000"), QStringLiteral("Schutzkl. I, mit Isol., 0702")},
    {QStringLiteral("960000000000"), QStringLiteral("Schutzkl. I, mit Isol., 0702 auto")},
    {QStringLiteral("950000000000"), QStringLiteral("Schutzkl. I, ohne Isol., mit Berührungsstrom, 0701")},
    {QStringLiteral("940000000000"),
     QStringLiteral("Schutzkl. I, ohne Isol., mit Berührungsstrom, 0701 auto")},
    {QStringLiteral("930000000000"), QStringLiteral("Schutzkl. I, ohne Isol., mit Berührungsstrom, 0702")},
    {QStringLiteral("920000000000"),
     QStringLiteral("Schutzkl. I, ohne Isol., mit Berührungsstrom, 0702 auto")},
    {QStringLiteral("910000000000"), QStringLiteral("Schutzkl. I, ohne Isol., ohne Berührungsstrom, 0701")},
    {QStringLiteral("900000000000"),
     QStringLiteral("Schutzkl. I, ohne Isol., ohne Berührungsstrom, 0701 auto")},
    {QStringLiteral("890000000000"), QStringLiteral("Schutzkl. I, ohne Isol., ohne Berührungsstrom, 0702")},
    {QStringLiteral("880000000000"),
     QStringLiteral("Schutzkl. I, ohne Isol., ohne Berührungsstrom, 0702 auto")},
    {QStringLiteral("870000000000"), QStringLiteral("Schutzkl. II, (ohne Isol.), mit Berührungsstrom, 0701")},
    {QStringLiteral("860000000000"),
     QStringLiteral("Schutzkl. II, (ohne Isol.), mit Berührungsstrom, 0701 auto")},
    {QStringLiteral("850000000000"), QStringLiteral("Schutzkl. II, (ohne Isol.), mit Berührungsstrom, 0702")},
    {QStringLiteral("840000000000"),
     QStringLiteral("Schutzkl. II, (ohne Isol.), mit Berührungsstrom, 0702 auto")},
    {QStringLiteral("770000000000"), QStringLiteral("Schutzkl. II, (mit Isol.), 0701")},
    {QStringLiteral("760000000000"), QStringLiteral("Schutzkl. II, (mit Isol.), 0701 auto")},
    {QStringLiteral("750000000000"), QStringLiteral("Schutzkl. II, (mit Isol.), 0702")},
    {QStringLiteral("740000000000"), QStringLiteral("Schutzkl. II, (mit Isol.), 0702 auto")},
    {QStringLiteral("830000000000"), QStringLiteral("Schutzkl. III, (mit Isol.), 0701")},
    {QStringLiteral("820000000000"), QStringLiteral("Schutzkl. III, (mit Isol.), 0701 auto")},
    {QStringLiteral("810000000000"), QStringLiteral("Schutzkl. III, (mit Isol.), 0702")},
    {QStringLiteral("800000000000"), QStringLiteral("Schutzkl. III, (mit Isol.), 0702 auto")},
    {QStringLiteral("790000000000"), QStringLiteral("Einstellung blockieren")},
    {QStringLiteral("780000000000"), QStringLiteral("Einstellung entblockieren")},
    {QStringLiteral("730000000000"), QStringLiteral("Spracheinstellung durch PC blockieren")},
    {QStringLiteral("720000000000"), QStringLiteral("Spracheinstellung durch PC erlauben")},
    {QStringLiteral("710000000000"), QStringLiteral("Spracheinstellung 1 (Standard: deutsch)")},
    {QStringLiteral("700000000000"), QStringLiteral("Spracheinstellung 2 (Standard: englisch)")},
    {QStringLiteral("690000000000"), QStringLiteral("Spracheinstellung 3 (Reserve)")},
    {QStringLiteral("680000000000"), QStringLiteral("Schutzkl. I, Isol.+Diff., mit Berührungsstrom, 0701")},
    {QStringLiteral("670000000000"),
     QStringLiteral("Schutzkl. I, Isol.+Diff., mit Berührungsstrom, 0701 auto")},
    {QStringLiteral("660000000000"), QStringLiteral("Schutzkl. I, Isol.+Diff., mit Berührungsstrom, 0702")},
    {QStringLiteral("650000000000"),
     QStringLiteral("Schutzkl. I, Isol.+Diff., mit Berührungsstrom, 0702 auto")},
    {QStringLiteral("640000000000"), QStringLiteral("Schutzkl. I, Isol.+Diff., ohne Berührungsstrom, 0701")},
    {QStringLiteral("630000000000"),
     QStringLiteral("Schutzkl. I, Isol.+Diff., ohne Berührungsstrom, 0701 auto")},
    {QStringLiteral("620000000000"), QStringLiteral("Schutzkl. I, Isol.+Diff., ohne Berührungsstrom, 0702")},
    {QStringLiteral("610000000000"),
     QStringLiteral("Schutzkl. I, Isol.+Diff., ohne Berührungsstrom, 0702 auto")},
    {QStringLiteral("600000000000"), QStringLiteral("Schutzkl. II, Isol.+Diff., mit Berührungsstrom, 0701")},
    {QStringLiteral("590000000000"),
     QStringLiteral("Schutzkl. II, Isol.+Diff., mit Berührungsstrom, 0701 auto")},
    {QStringLiteral("580000000000"), QStringLiteral("Schutzkl. II, Isol.+Diff., mit Berührungsstrom, 0702")},
    {QStringLiteral("570000000000"),
     QStringLiteral("Schutzkl. II, Isol.+Diff., mit Berührungsstrom, 0702 auto")},
    {QStringLiteral("560000000000"), QStringLiteral("Schutzkl. 1, mit Isolationsprüfung, 0751")},
    {QStringLiteral("550000000000"), QStringLiteral("Schutzkl. 1, mit Isolationsprüfung, 0751 auto")},
    {QStringLiteral("540000000000"), QStringLiteral("Schutzkl. 2, mit Isolationsprüfung, 0751")},
    {QStringLiteral("530000000000"), QStringLiteral("Schutzkl. 2, mit Isolationsprüfung, 0751 auto")},
    {QStringLiteral("520000000000"), QStringLiteral("Schutzkl. 1, ohne Isolationsprüfung, 0751")},
    {QStringLiteral("510000000000"), QStringLiteral("Schutzkl. 1, ohne Isolationsprüfung, 0751 auto")},
    {QStringLiteral("500000000000"), QStringLiteral("Schutzkl. 2, ohne Isolationsprüfung, 0751")},
    {QStringLiteral("490000000000"), QStringLiteral("Schutzkl. 2, ohne Isolationsprüfung, 0751 auto")},
    {QStringLiteral("480000000000"),
     QStringLiteral("Schutzkl. 1, mit Differenzstrommessung, mit Berührungsstrom, 0751")},
    {QStringLiteral("470000000000"),
     QStringLiteral("Schutzkl. 1, mit Differenzstrommessung, mit Berührungsstrom, 0751 auto")},
    {QStringLiteral("460000000000"),
     QStringLiteral("Schutzkl. 1, mit Differenzstrommessung, ohne Berührungsstrom, 0751")},
    {QStringLiteral("450000000000"),
     QStringLiteral("Schutzkl. 1, mit Differenzstrommessung, ohne Berührungsstrom, 0751 auto")},
    {QStringLiteral("440000000000"),
     QStringLiteral("Schutzkl. 2, mit Differenzstrommessung, mit Berührungsstrom, 0751")},
    {QStringLiteral("430000000000"),
     QStringLiteral("Schutzkl. 2, mit Differenzstrommessung, mit Berührungsstrom, 0751 auto")},
}};

} // namespace

const std::array<TCode, TSteuerbarcodes::CodeCount> &TSteuerbarcodes::Codes()
{
    return kCodes;
}

TReport TSteuerbarcodes::Report() const
{
    TReport r;
    r.Title = QStringLiteral("Steuerbarcodes");
    r.PageHeaderHeight = [](int) { return 51.0; };
    r.PageHeader = [](TReportCanvas &c, int page, int pageCount) {
        c.Label(0, 0, QStringLiteral("Steuerbarcodes"), Head16Bold);
        c.Label(130, 0, QStringLiteral("zur Einstellung des Gerätetesters"), Head16);
        c.LabelRightEnd(c.Width(), 0, QStringLiteral("Seite %1 von %2").arg(page).arg(pageCount));
    };
    for (const TCode &code : Codes()) {
        r.AddBand(48, false, [code](TReportCanvas &c) {
            c.Barcode(0, 12, 151, 29, Interleaved2Of5, code.Barcode);
            c.Label(160, 20, code.Caption);
        });
    }
    return r;
}

const std::array<TCode, 5> &TConfigBarcodes::Codes()
{
    static const std::array<TCode, 5> codes = {{
        {QStringLiteral(".$/%"), QStringLiteral("1: \"Start of Configuration\"")},
        {QStringLiteral("SADF"), QStringLiteral("2: \"Set Factory Defaults\"")},
        {QStringLiteral(".$/%"), QStringLiteral("3: \"Start of Configuration\"")},
        {QStringLiteral("SE2"), QStringLiteral("4: \"Interleaved 2 of 5\"")},
        {QStringLiteral("EOCF"), QStringLiteral("5: \"End Of Configuration\"")},
    }};
    return codes;
}

TReport TConfigBarcodes::Report() const
{
    TReport r;
    r.Title = QStringLiteral("Barcodeleser-Konfiguration");
    r.PageHeaderHeight = [](int) { return 84.0; };
    r.PageHeader = [](TReportCanvas &c, int, int) {
        c.Label(0, 0, QStringLiteral("Barcodeleser-Konfiguration"), Head16Bold);
        c.Memo(0, 32, c.Width(), 48,
               QStringLiteral("Zur Neukonfigurierung des Barcodelesers schließen Sie den Barcodeleser am "
                              "Gerätetester an und scannen der Reihe nach die Barcodes auf diesem Blatt "
                              "(von oben nach unten)."));
    };
    // Image fields in millimetres as the sheet was laid out; every code as
    // high as the first field.
    r.AddBand(MmToPx(126.0), false, [](TReportCanvas &c) {
        const double tops[5] = {8.9, 34.4, 59.9, 85.3, 110.5};
        const double height = MmToPx(12.6);
        for (int i = 0; i < 5; ++i) {
            const TCode &code = Codes()[static_cast<size_t>(i)];
            const double y = MmToPx(tops[i]);
            c.Barcode(MmToPx(82.7), y, MmToPx(73.8), height, Code39, code.Barcode, 1, height);
            c.Label(MmToPx(6.9), y + (height - 15) / 2, code.Caption);
        }
    });
    return r;
}

TReport BarcodeSheetReport(TBarcodeSheet sheet)
{
    return sheet == TBarcodeSheet::Steuerbarcodes ? TSteuerbarcodes().Report() : TConfigBarcodes().Report();
}

bool WriteBarcodeSheetPdf(TBarcodeSheet sheet, const QString &fileName, QString *error)
{
    return BarcodeSheetReport(sheet).WritePdf(fileName, error);
}

void PreviewBarcodeSheet(TBarcodeSheet sheet, QWidget *parent)
{
    BarcodeSheetReport(sheet).Preview(parent);
}
