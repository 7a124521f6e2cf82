#include "protocols/InspectionRows.h"

#include "protocols/TextFit.h"

#include <algorithm>

void AddInspectionRow(TReport &report, const TSichtPr &row)
{
    const QStringList part = WrapText(row.Pruefteil, 185, Normal);
    const QStringList test = WrapText(row.Pruefung, 289, Normal);
    const auto lines = static_cast<double>(std::max(part.size(), test.size()));
    const double h = std::max(32.0, 8 + TextLineHeight(Normal) * lines + 6);
    const QString yes = row.Bestanden == 1 ? QStringLiteral("X") : QString();
    const QString no = row.Bestanden == 0 ? QStringLiteral("X") : QString();
    report.AddBand(h, true, [row, part, test, h, yes, no](TReportCanvas &c) {
        c.LabelIn(0, 8, 49, Qt::AlignHCenter, QString::number(row.ZeileNr));
        c.Lines(56, 8, 185, Qt::AlignLeft, part);
        c.Lines(248, 8, 289, Qt::AlignLeft, test);
        c.Rect(536, 0, 34, h + 1);
        c.Rect(569, 0, 36, h + 1);
        c.LabelIn(536, 8, 34, Qt::AlignHCenter, yes, Bold);
        c.LabelIn(569, 8, 36, Qt::AlignHCenter, no, Bold);
    });
}

void AddTableClosing(TReport &report)
{
    const auto pages = report.Layout();
    const auto &last = pages.back().back();
    const double bottom = report.Bands[static_cast<size_t>(last.band)].height + last.y;
    const double room = std::min(40.0, report.PageBodyHeight() - report.PageFooterHeight - bottom);
    if (room >= 1) report.AddBand(room, false, [](TReportCanvas &c) { c.Rule(0); });
}
