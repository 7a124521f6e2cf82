#pragma once

// The two barcode sheets: control barcodes that set the tester up through its
// barcode reader, and the codes that configure the reader itself.

#include "protocols/Report.h"

#include <QString>

#include <array>

// One control barcode: twelve digits and what it sets.
struct TCode {
    QString Barcode;
    QString Caption;
};

class TSteuerbarcodes {
public:
    static constexpr int CodeCount = 57;
    // The table in print order (entry 1 first).
    static const std::array<TCode, CodeCount> &Codes();
    TReport Report() const;
};

class TConfigBarcodes {
public:
    // Code 39 texts and captions, scanned top to bottom.
    static const std::array<TCode, 5> &Codes();
    TReport Report() const;
};

enum class TBarcodeSheet { Steuerbarcodes, ConfigBarcodes };
TReport BarcodeSheetReport(TBarcodeSheet sheet);
// The sheet as PDF; false with a German reason in *error.
bool WriteBarcodeSheetPdf(TBarcodeSheet sheet, const QString &fileName, QString *error = nullptr);
// The sheet in the preview window, from where the user prints.
void PreviewBarcodeSheet(TBarcodeSheet sheet, QWidget *parent = nullptr);
