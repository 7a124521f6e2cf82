// Time to write printed protocols as PDF: one 0702 protocol (one page), the
// 0751 protocol with 200 inspection rows (ten pages), the control barcode
// sheet (three pages), the due list of 20 000 devices. GT_BENCH_KEEP=DIR
// keeps one PDF of each protocol and sheet in DIR.
#include "core/FormatSettings.h"
#include "protocols/BarcodeSheets.h"
#include "protocols/DueListReport.h"
#include "protocols/ProtocolForms.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

TWerteSatz sample(int dinVde, int protokolltyp, int rows)
{
    TWerteSatz w;
    w.Name1 = QStringLiteral("Pflegeheim Am Park");
    w.Name2 = QStringLiteral("Haustechnik");
    w.Strasse = QStringLiteral("Parkallee 12");
    w.LKZ = QStringLiteral("D");
    w.PLZ = QStringLiteral("12345");
    w.Ort = QStringLiteral("Berlin");
    w.Bezeichnung = dinVde == 2 ? QStringLiteral("Pflegebett") : QStringLiteral("Bohrmaschine");
    w.Typ = QStringLiteral("PB 2000");
    w.Inventarnummer = QStringLiteral("INV-0042");
    w.Hersteller = QStringLiteral("Medizintechnik AG");
    w.Fabrikationsnummer = QStringLiteral("F-77812");
    w.Seriennummer = QStringLiteral("S-100234");
    w.Barcode = QStringLiteral("4711081500");
    w.Datum = QDateTime(QDate(2026, 12, 9), QTime(9, 30));
    w.GTSeriennummer = QStringLiteral("0402117");
    w.Schutzklasse = 1;
    w.DINVDE = dinVde;
    w.IsolDiff = 1;
    w.MitBeruehr = true;
    w.Schutzleiterwid = 87;
    w.Isolationswid = 10001;
    w.Ableitstrom = 12;
    w.SchutzlStromL1N = 8;
    w.SchutzlStromNL1 = 9;
    w.GrwSchutzleiterwid = 300;
    w.GrwIsolationswid = 1000;
    w.GrwAbleitstrom = 350;
    w.GrwSchutzleiterstrom = 350;
    w.GrwBeruehrungsstrom = 50;
    w.Sichtpruef = 1;
    w.FunktPruefBest = 1;
    w.Pruefungsergebnis = true;
    w.SichWied = 1;
    w.Protokolltyp = protokolltyp;
    w.ProtokollNr = QStringLiteral("2026-0815");
    w.Pruefer = QStringLiteral("M. Schneider");
    w.Bewertender = QStringLiteral("Dr. K. Weber");
    w.Notiz = QStringLiteral("Netzkabel am Knickschutz erneuert.\nGehäuse gereinigt.");
    const QString parts[] = {QStringLiteral("Netzkabel"), QStringLiteral("Handschalter"),
                             QStringLiteral("Liegefläche"), QStringLiteral("Seitengitter"),
                             QStringLiteral("Rollen und Bremsen")};
    const QString checks[] = {QStringLiteral("Isolierung unbeschädigt, Knickschutz vorhanden"),
                              QStringLiteral("Gehäuse dicht, Tasten gängig"),
                              QStringLiteral("Verstellung ohne Ruckeln"),
                              QStringLiteral("Verriegelung rastet ein"), QStringLiteral("Bremsen halten")};
    for (int i = 0; i < rows; ++i)
        w.Sichtpr << TSichtPr{i + 1, i % 17 == 16 ? 0 : 1, parts[i % 5], checks[i % 5]};
    DeriveFields(w, false);
    return w;
}

TProtocolSettings settings()
{
    TProtocolSettings s;
    s.TopLine = {QStringLiteral("Elektro Kunz GmbH"), QStringLiteral("Meisterbetrieb"),
                 QStringLiteral("Werkstattweg 1"), QStringLiteral("99999 Prüfstadt"),
                 QStringLiteral("Tel. 0123 45678")};
    s.BottomLine = {QStringLiteral("Elektro Kunz GmbH"), QStringLiteral("Werkstattweg 1, 99999 Prüfstadt"),
                    QStringLiteral("Geprüft nach DIN VDE"), QStringLiteral("Tel. 0123 45678"),
                    QStringLiteral("www.elektro-kunz.example")};
    return s;
}

// With GT_BENCH_KEEP the PDF and a picture of its first two pages stay behind.
void keep(const TReport &r, const char *name)
{
    const QString dir = qEnvironmentVariable("GT_BENCH_KEEP");
    if (dir.isEmpty()) return;
    const QString pdf = QDir(dir).filePath(QString::fromLatin1(name));
    r.WritePdf(pdf);
    for (int page = 1; page <= std::min(2, r.PageCount()); ++page)
        r.PageImage(page, 100)
            .convertToFormat(QImage::Format_Grayscale8)
            .save(QString(pdf).replace(QStringLiteral(".pdf"), QStringLiteral("-%1.png").arg(page)));
}

void runReport(benchmark::State &state, const TReport &report, const char *name)
{
    keep(report, name);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("b.pdf"));
    const int pages = report.PageCount();
    for ([[maybe_unused]] auto _ : state) {
        if (!report.WritePdf(file)) state.SkipWithError("PDF nicht geschrieben");
    }
    state.counters["pages"] = pages;
}

void BM_Protocol0702(benchmark::State &state)
{
    runReport(state, ProtocolReport(sample(1, 0, 0), settings()), "pruefprot.pdf");
}
BENCHMARK(BM_Protocol0702)->Unit(benchmark::kMillisecond);

void BM_Protocol0751a(benchmark::State &state)
{
    runReport(state, ProtocolReport(sample(2, 0, 0), settings()), "pruefprot0751a.pdf");
}
BENCHMARK(BM_Protocol0751a)->Unit(benchmark::kMillisecond);

void BM_Protocol0751b200Rows(benchmark::State &state)
{
    runReport(state, ProtocolReport(sample(2, 1, 200), settings()), "pruefprot0751b.pdf");
}
BENCHMARK(BM_Protocol0751b200Rows)->Unit(benchmark::kMillisecond);

void BM_ControlBarcodeSheet(benchmark::State &state)
{
    runReport(state, BarcodeSheetReport(TBarcodeSheet::Steuerbarcodes), "steuerbarcodes.pdf");
    keep(BarcodeSheetReport(TBarcodeSheet::ConfigBarcodes), "configbarcodes.pdf");
}
BENCHMARK(BM_ControlBarcodeSheet)->Unit(benchmark::kMillisecond);

// The due list of 20 000 devices: lines are broken when the report is
// built, so building counts as well as writing.
void BM_DueList20000(benchmark::State &state)
{
    QList<TDueEntry> rows;
    for (int i = 0; i < 20000; ++i) {
        TDueEntry e;
        e.Kunde = i % 10 == 0 ? QStringLiteral("Wohn- und Pflegeheim Sankt Marien am Rosengarten gGmbH")
                              : QStringLiteral("Pflegeheim Am Park");
        e.Bezeichnung = i % 7 == 0 ? QStringLiteral("Tischkreissäge mit Absaugung und Schiebeschlitten")
                                   : QStringLiteral("Bohrmaschine");
        e.Inventarnummer = QStringLiteral("INV-%1").arg(i);
        e.Barcode = QString::number(4711000000 + i);
        if (i % 13 != 0) {
            e.LastTest = QDate(2026, 1, 1).addDays(i % 300);
            e.NextDue = e.LastTest.addDays(365);
            e.DaysLeft = i % 300 - 30;
        }
        rows << e;
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("f.pdf"));
    int pages = 0;
    for ([[maybe_unused]] auto _ : state) {
        const TReport r = DueListReport(rows, QStringLiteral("alle Kunden"));
        pages = r.PageCount();
        if (!r.WritePdf(file)) state.SkipWithError("PDF nicht geschrieben");
    }
    state.counters["pages"] = pages;
}
BENCHMARK(BM_DueList20000)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitFormatSettings();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
