#pragma once

// Device labels: A4 sheets of 3 x 8 labels of 70 x 37 mm with customer,
// designation, inventory number, the device barcode and the month of the
// next test. Printing may start at any position so that a half-used sheet
// can go through the printer again. The ink keeps inside the printer's safe
// margin; labels at the sheet's edge set their content closer together.

#include "barcode/BarcodeTypes.h"
#include "protocols/LabelPrintArea.h"
#include "protocols/Report.h"
#include "store/DueList.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

constexpr int LabelColumns = 3;
constexpr int LabelRows = 8;
constexpr int LabelsPerSheet = LabelColumns * LabelRows;
constexpr double LabelWidthMm = 70.0;
constexpr double LabelHeightMm = 37.0;
// The sheet's top edge: 297 mm less the eight rows, halved.
constexpr double LabelTopMm = 0.5;

// The symbology of a label's barcode: the one that reads back as stored
// (DeviceSymbology); Code 128 also for what no symbology holds.
TBarCodeType LabelBarcodeType(const QString &barcode);

// Which devices get labels.
struct TLabelChoice {
    int KundenNr = 0;       // 0: every customer
    int PrueflingNr = 0;    // 0: every device (of the customer)
    int DueWithinDays = -1; // -1: due or not; else only what is due within so many days
};

// The chosen devices in the due list's order (customer, designation).
bool LoadLabelDevices(QSqlDatabase db, const TLabelChoice &choice, int serviceIntervalDays,
                      QList<TDueEntry> &out, QString *error = nullptr);
// One device (prueflingNr), all of a customer (kundenNr), or all (both 0).
bool LoadLabelDevices(QSqlDatabase db, int kundenNr, int prueflingNr, int serviceIntervalDays,
                      QList<TDueEntry> &out, QString *error = nullptr);

// firstPosition: 1 (top left) … 24 (bottom right), counted row by row; the
// positions before it stay blank on the first sheet. *warnings names every
// device whose barcode is printed as text only (no symbology holds it, or it
// does not fit the label), in German.
TReport DeviceLabelsReport(const QList<TDueEntry> &devices, int firstPosition = 1,
                           const TLabelPrintArea &area = {}, QStringList *warnings = nullptr);
bool WriteDeviceLabelsPdf(const QList<TDueEntry> &devices, int firstPosition, const QString &fileName,
                          QString *error = nullptr, const TLabelPrintArea &area = {},
                          QStringList *warnings = nullptr);
