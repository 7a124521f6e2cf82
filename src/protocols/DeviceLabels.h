#pragma once

// Device labels: A4 sheets of 3 x 8 labels of 70 x 37 mm with customer,
// designation, inventory number, the device barcode and the month of the
// next test. Printing may start at any position so that a half-used sheet
// can go through the printer again.

#include "barcode/BarcodeTypes.h"
#include "protocols/Report.h"
#include "store/DueList.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

constexpr int LabelColumns = 3;
constexpr int LabelRows = 8;
constexpr int LabelsPerSheet = LabelColumns * LabelRows;
constexpr double LabelWidthMm = 70.0;
constexpr double LabelHeightMm = 37.0;
// The sheet's top edge: 297 mm less the eight rows, halved.
constexpr double LabelTopMm = 0.5;

// Interleaved 2 of 5 for an even number of digits (the compact code for the
// tester's numeric barcodes), Code 128 for everything else.
TBarCodeType LabelBarcodeType(const QString &barcode);

// The devices to label: one device (prueflingNr), all of a customer
// (kundenNr), or all (both 0); in the due list's order.
bool LoadLabelDevices(QSqlDatabase db, int kundenNr, int prueflingNr, int serviceIntervalDays,
                      QList<TDueEntry> &out, QString *error = nullptr);

// firstPosition: 1 (top left) … 24 (bottom right), counted row by row; the
// positions before it stay blank on the first sheet.
TReport DeviceLabelsReport(const QList<TDueEntry> &devices, int firstPosition = 1);
bool WriteDeviceLabelsPdf(const QList<TDueEntry> &devices, int firstPosition, const QString &fileName,
                          QString *error = nullptr);
