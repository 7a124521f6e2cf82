#include "protocols/DueListReport.h"

#include "protocols/TextFit.h"

#include <QDate>

#include <algorithm>
#include <array>

namespace {

// Column starts in design pixels across the 605-pixel band.
constexpr double kCol[] = {0, 140, 290, 370, 450, 510, 570};
constexpr double kRight = 605;

double columnWidth(int i)
{
    return (i < 6 ? kCol[i + 1] : kRight) - kCol[i] - 4;
}

void columns(TReportCanvas &c, double y, const QStringList &texts, TReportFont font)
{
    for (int i = 0; i < 7; ++i)
        c.LabelIn(kCol[i], y, columnWidth(i), i == 6 ? Qt::AlignRight : Qt::AlignLeft, texts.value(i), font);
}

// A cell's text: set up to two pixels smaller when that keeps it on one
// line, else wrapped at its own size.
TFittedText cell(const QString &text, double width, TReportFont font)
{
    TFittedText fit = FitText(text, width, TextLineHeight(font), font, font.px - 2);
    if (fit.rest.isEmpty()) return fit;
    return TFittedText{font.px, WrapText(text, width, font), {}};
}

// One device: a long name or designation wraps in its column, and the row
// is as high as its longest column.
void addRow(TReport &r, const QStringList &texts, TReportFont font)
{
    std::array<TFittedText, 7> cells;
    double h = 16;
    for (int i = 0; i < 7; ++i) {
        TFittedText &c = cells[static_cast<size_t>(i)];
        c = cell(texts.value(i), columnWidth(i), font);
        h = std::max(h, TextLineHeight(font) * static_cast<double>(c.lines.size()) + 2);
    }
    r.AddBand(h, false, [cells, font](TReportCanvas &c) {
        for (int i = 0; i < 7; ++i) {
            const TFittedText &fit = cells[static_cast<size_t>(i)];
            c.Lines(kCol[i], 1, columnWidth(i), i == 6 ? Qt::AlignRight : Qt::AlignLeft, fit.lines,
                    TReportFont{fit.px, font.bold, font.underline});
        }
    });
}

} // namespace

TReport DueListReport(const QList<TDueEntry> &rows, const QString &caption)
{
    TReport r;
    r.Title = QStringLiteral("Prüffristen");
    r.MarginsMm = QMarginsF(20, 15, 15, 15);
    r.BandWidth = kRight;
    const QString printed = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
    r.PageHeaderHeight = [](int) { return 58.0; };
    r.PageHeader = [caption, printed](TReportCanvas &c, int, int) {
        c.Label(0, 0, QStringLiteral("Prüffristen"), TReportFont{18, true, false});
        c.LabelRightEnd(kRight, 4, QStringLiteral("Stand: ") + printed, Small);
        c.FieldIn(0, 24, kRight, 15, Qt::AlignLeft, caption, Small);
        columns(c, 40,
                {QStringLiteral("Kunde"), QStringLiteral("Prüfling"), QStringLiteral("Inventarnr."),
                 QStringLiteral("Barcode"), QStringLiteral("letzte"), QStringLiteral("nächste"),
                 QStringLiteral("Tage")},
                Bold);
        c.Rule(56);
    };
    r.PageFooterHeight = 16;
    r.PageFooter = [](TReportCanvas &c, int page, int pages) {
        c.Rule(0);
        c.LabelRightEnd(kRight, 3, QStringLiteral("Seite %1 von %2").arg(page).arg(pages), Small);
    };
    const QString fmt = QStringLiteral("dd.MM.yy");
    for (const TDueEntry &e : rows) {
        const TDueState st = DueStateOf(e);
        const bool overdue =
            st == TDueState::Overdue || st == TDueState::NeverTested || st == TDueState::Failed;
        addRow(r,
               {e.Kunde, e.Bezeichnung, e.Inventarnummer, e.Barcode,
                e.LastTest.isValid() ? e.LastTest.toString(fmt) : QStringLiteral("nie geprüft"),
                NextDueText(e, fmt), e.NextDue.isValid() ? QString::number(e.DaysLeft) : QString()},
               TReportFont{11, overdue, false});
    }
    r.AddBand(24, false, [n = rows.size()](TReportCanvas &c) {
        c.Rule(4);
        c.Label(0, 8, QStringLiteral("%1 Prüfling(e)").arg(n), Small);
    });
    return r;
}
