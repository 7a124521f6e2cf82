#include "protocols/TextFit.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>

#include <cmath>
#include <map>
#include <mutex>
#include <utility>

namespace {

// Metrics are taken from a font 16 times the design size: large enough that
// hinting and the rounding of advances do not matter, and every half-pixel
// size is a whole number of pixels.
constexpr double Magnify = 16;
// Devices round glyph positions differently; a line is broken a little
// before the field's end so that no device sets it wider than the field.
constexpr double Slack = 0.99;

struct TFontMeasure {
    QFontMetricsF metrics;
    QHash<QChar, double> advances; // single characters, unshaped
};

// The font's metrics and character advances at the magnified size.
TFontMeasure &fontMeasure(TReportFont font)
{
    // Never destroyed: fonts must not outlive the application object.
    static auto *cache = new std::map<std::pair<int, int>, TFontMeasure>;
    const int size = static_cast<int>(std::lround(font.px * Magnify));
    const int style = (font.bold ? 1 : 0) | (font.underline ? 2 : 0);
    const auto key = std::make_pair(size, style);
    auto it = cache->find(key);
    if (it == cache->end()) {
        QFont f(QStringLiteral("Liberation Sans"));
        f.setStyleHint(QFont::SansSerif);
        f.setHintingPreference(QFont::PreferNoHinting);
        f.setPixelSize(std::max(1, size));
        f.setBold(font.bold);
        f.setUnderline(font.underline);
        it = cache->emplace(key, TFontMeasure{QFontMetricsF(f), {}}).first;
    }
    return it->second;
}

std::mutex &measureGuard()
{
    // A report may be built outside the main thread.
    static std::mutex guard;
    return guard;
}

// Whether the text is surely no wider than room: the sum of its characters'
// own advances, with a margin for kerning, answers most questions without
// shaping the text (a list of 20 000 devices asks 140 000 of them).
bool surelyFits(const QString &text, double room, TReportFont font)
{
    const std::lock_guard<std::mutex> lock(measureGuard());
    TFontMeasure &m = fontMeasure(font);
    double sum = 0;
    for (const QChar ch : text) {
        auto it = m.advances.constFind(ch);
        if (it == m.advances.cend()) it = m.advances.insert(ch, m.metrics.horizontalAdvance(ch));
        sum += it.value();
    }
    return sum / Magnify <= room * 0.95;
}

bool fits(const QString &text, double room, TReportFont font)
{
    return surelyFits(text, room, font) || TextWidth(text, font) <= room;
}

// A word too wide for a line, broken between characters; every piece but
// the last fills a line.
QStringList breakWord(const QString &word, double room, TReportFont font)
{
    QStringList pieces;
    QString piece;
    for (const QChar ch : word) {
        if (!piece.isEmpty() && !fits(piece + ch, room, font)) {
            pieces << piece;
            piece.clear();
        }
        piece += ch;
    }
    pieces << piece;
    return pieces;
}

void wrapParagraph(const QString &para, double room, TReportFont font, QStringList &lines)
{
    if (fits(para, room, font)) {
        lines << para;
        return;
    }
    QString line;
    for (const QString &word : para.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString joined = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (fits(joined, room, font)) {
            line = joined;
            continue;
        }
        if (!line.isEmpty()) lines << line;
        QStringList pieces = breakWord(word, room, font);
        line = pieces.takeLast();
        lines << pieces;
    }
    lines << line;
}

} // namespace

double TextLineHeight(TReportFont font)
{
    const std::lock_guard<std::mutex> lock(measureGuard());
    return fontMeasure(font).metrics.lineSpacing() / Magnify;
}

double TextWidth(const QString &text, TReportFont font)
{
    const std::lock_guard<std::mutex> lock(measureGuard());
    return fontMeasure(font).metrics.horizontalAdvance(text) / Magnify;
}

QStringList WrapText(const QString &text, double width, TReportFont font)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const double room = width * Slack;
    QStringList lines;
    for (const QString &para : t.split(QLatin1Char('\n')))
        wrapParagraph(para, room, font, lines);
    return lines;
}

TFittedText FitText(const QString &text, double width, double height, TReportFont font, double minPx)
{
    TFittedText fit;
    if (text.isEmpty()) {
        fit.px = font.px;
        return fit;
    }
    for (double px = font.px;; px = std::max(minPx, px - 0.5)) {
        font.px = px;
        fit.px = px;
        fit.lines = WrapText(text, width, font);
        if (fit.lines.size() * TextLineHeight(font) <= height + 0.01 || px <= minPx) break;
    }
    const auto holds = std::max<qsizetype>(1, static_cast<qsizetype>(height / TextLineHeight(font) + 0.01));
    if (fit.lines.size() > holds) {
        fit.rest = fit.lines.mid(holds);
        fit.lines = fit.lines.mid(0, holds);
    }
    return fit;
}

TFittedText FitOrFlow(const QString &text, double width, double height, TReportFont font, double minPx)
{
    TFittedText fit = FitText(text, width, height, font, minPx);
    if (fit.rest.isEmpty()) return fit;
    fit = TFittedText{};
    fit.px = font.px;
    fit.lines = WrapText(text, width, font);
    const auto holds = std::max<qsizetype>(1, static_cast<qsizetype>(height / TextLineHeight(font) + 0.01));
    fit.rest = fit.lines.mid(holds);
    fit.lines = fit.lines.mid(0, holds);
    return fit;
}

void AddContinuation(TReport &report, const QString &caption, const QStringList &lines, double x,
                     double width, TReportFont font)
{
    if (lines.isEmpty()) return;
    report.AddBand(28, false, [caption, x](TReportCanvas &c) { c.Label(x, 10, caption, Small); });
    const double h = TextLineHeight(font);
    for (const QString &line : lines)
        report.AddBand(h, false, [line, x, width, font](TReportCanvas &c) {
            c.Lines(x, 0, width, Qt::AlignLeft, {line}, font);
        });
}

void PaintLeftCentreRight(TReportCanvas &c, double y, double height, const QString &left,
                          const QString &centre, const QString &right, TReportFont font)
{
    constexpr double Gap = 8;
    const double width = c.Width();
    const double wl = TextWidth(left, font), wc = TextWidth(centre, font), wr = TextWidth(right, font);
    const bool apart = centre.isEmpty()
                           ? wl + Gap + wr <= width
                           : wl + Gap <= (width - wc) / 2 && (width + wc) / 2 + Gap <= width - wr;
    if (apart) {
        c.Label(0, y, left, font);
        c.Centred(y, centre, font);
        c.LabelRightEnd(width, y, right, font);
        return;
    }
    const QString texts[3] = {left, centre, right};
    const double natural[3] = {wl, wc, wr};
    const Qt::Alignment aligns[3] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    int used = 0;
    for (const QString &t : texts)
        used += t.isEmpty() ? 0 : 1;
    // A text shorter than an even share keeps its length; the long ones share
    // what is left in proportion to theirs.
    const double room = width - Gap * (used - 1);
    double shortOnes = 0, longOnes = 0;
    for (const double w : natural)
        (w <= room / used ? shortOnes : longOnes) += w;
    double x = 0;
    for (int i = 0; i < 3; ++i) {
        if (texts[i].isEmpty()) continue;
        const double share =
            natural[i] <= room / used ? natural[i] : (room - shortOnes) * natural[i] / longOnes;
        c.FieldIn(x, y, share, height, aligns[i], texts[i], font);
        x += share + Gap;
    }
}
