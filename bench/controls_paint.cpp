// Cost of the front panel's readouts: ten chains of five digit cells repainted
// as a report arrives, and the check of a numeric edit's text.
#include "controls/Digit.h"
#include "controls/Edits.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

void BM_TenReadoutsRepaint(benchmark::State &state)
{
    const qreal dpr = state.range(0) / 100.0;
    QWidget panel;
    panel.resize(5 * GlyphWidth, 10 * GlyphHeight);
    QList<TDigit *> chains;
    for (int i = 0; i < 10; ++i)
        chains << TDigit::CreateChain(&panel, 5, QPoint(0, i * GlyphHeight));
    QImage img(panel.size() * dpr, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    int n = 0;
    for ([[maybe_unused]] auto _ : state) {
        for (TDigit *c : chains)
            c->setData(QString::number(100 + (n++ % 900)) + QStringLiteral(",5"));
        panel.render(&img);
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(BM_TenReadoutsRepaint)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);

void BM_FloatEditCheck(benchmark::State &state)
{
    TFloatEdit e;
    e.setDecimalSeparator(QLatin1Char(','));
    e.setFormatString(QStringLiteral("%1.1f s"));
    e.setMinValue(3.0);
    e.setMaxValue(25.0);
    // Two texts in turn: an unchanged text is not checked again.
    const QString texts[2] = {QStringLiteral("12,5 s"), QStringLiteral("7,25 s")};
    int n = 0;
    for ([[maybe_unused]] auto _ : state) {
        e.setText(texts[n++ & 1]);
        benchmark::DoNotOptimize(e.Value());
    }
}
BENCHMARK(BM_FloatEditCheck)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
