// What signing costs: one 0702 protocol written as a plain PDF, as PDF/A,
// and as a signed PDF/A (RSA 2048, the certificate read each time as the
// program reads it), and the signature of such a file checked. The
// certificate is made with the openssl command in a temporary folder.
#include "core/FormatSettings.h"
#include "protocols/PdfSigner.h"
#include "protocols/PrintProtocol.h"
#include "protocols/ProtocolForms.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

TWerteSatz sample()
{
    TWerteSatz w;
    w.Name1 = QStringLiteral("Pflegeheim Am Park");
    w.Bezeichnung = QStringLiteral("Bohrmaschine");
    w.Barcode = QStringLiteral("4711081500");
    w.Datum = QDateTime(QDate(2026, 12, 9), QTime(9, 30));
    w.DINVDE = 1;
    w.Schutzklasse = 1;
    w.Schutzleiterwid = 87;
    w.Isolationswid = 10001;
    w.Ableitstrom = 12;
    w.GrwSchutzleiterwid = 300;
    w.GrwIsolationswid = 1000;
    w.GrwAbleitstrom = 350;
    w.Pruefungsergebnis = true;
    w.Pruefer = QStringLiteral("M. Schneider");
    DeriveFields(w, false);
    return w;
}

void run(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("openssl"), args);
    p.waitForFinished(60000);
}

// The certificate folder lives as long as the program.
const QTemporaryDir &certDir()
{
    static const QTemporaryDir dir;
    return dir;
}

TPdfSignatureSettings signature()
{
    const QString key = certDir().filePath(QStringLiteral("k.pem"));
    const QString cert = certDir().filePath(QStringLiteral("c.pem"));
    const QString p12 = certDir().filePath(QStringLiteral("s.p12"));
    if (!QFile::exists(p12)) {
        run({QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
             QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"), key,
             QStringLiteral("-out"), cert, QStringLiteral("-subj"), QStringLiteral("/CN=Bench")});
        run({QStringLiteral("pkcs12"), QStringLiteral("-export"), QStringLiteral("-inkey"), key,
             QStringLiteral("-in"), cert, QStringLiteral("-out"), p12, QStringLiteral("-passout"),
             QStringLiteral("pass:x")});
    }
    return {p12, QStringLiteral("x")};
}

void write(benchmark::State &state, const TReport &report)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("p.pdf"));
    QString error;
    for ([[maybe_unused]] auto _ : state) {
        if (!report.WritePdf(file, &error)) state.SkipWithError(error.toUtf8().constData());
    }
    state.counters["bytes"] = double(QFileInfo(file).size());
}

void BM_PlainPdf(benchmark::State &state)
{
    write(state, ProtocolReport(sample(), TProtocolSettings{}));
}
BENCHMARK(BM_PlainPdf)->Unit(benchmark::kMillisecond);

void BM_PdfA(benchmark::State &state)
{
    write(state, ProtocolPdfReport(sample(), TProtocolSettings{}));
}
BENCHMARK(BM_PdfA)->Unit(benchmark::kMillisecond);

void BM_SignedPdfA(benchmark::State &state)
{
    TProtocolSettings s;
    s.Signature = signature();
    write(state, ProtocolPdfReport(sample(), s));
}
BENCHMARK(BM_SignedPdfA)->Unit(benchmark::kMillisecond);

void BM_CheckSignature(benchmark::State &state)
{
    TProtocolSettings s;
    s.Signature = signature();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("p.pdf"));
    QString error;
    if (!ProtocolPdfReport(sample(), s).WritePdf(file, &error))
        state.SkipWithError(error.toUtf8().constData());
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    for ([[maybe_unused]] auto _ : state) {
        if (!CheckPdfSignature(bytes).unchanged) state.SkipWithError("Unterschrift ungültig");
    }
}
BENCHMARK(BM_CheckSignature)->Unit(benchmark::kMillisecond);

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
