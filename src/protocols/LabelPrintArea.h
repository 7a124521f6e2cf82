#pragma once

// Where a label printer puts its ink on the sheet, in millimetres: the whole
// print moved by the offset (printers feed a little off), and nothing closer
// to the sheet's edge than the safe margin (the printer's unprintable border).

struct TLabelPrintArea {
    double OffsetXMm = 0;    // to the right
    double OffsetYMm = 0;    // downwards
    double SafeMarginMm = 5; // from every edge of the sheet

    bool operator==(const TLabelPrintArea &) const = default;
};

constexpr double MaxLabelOffsetMm = 10;
constexpr double MaxLabelSafeMarginMm = 12;
