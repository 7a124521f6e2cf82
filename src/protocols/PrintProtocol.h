#pragma once

// The printed test protocol of one test: the entry point used by the main
// window ("&Drucken") and the stored data browser ("Druck").

#include "protocols/PdfSigner.h"
#include "store/Globals.h"

#include <QString>

#include <array>

class QWidget;

// The settings of section "Configuration" that the protocols print.
struct TProtocolSettings {
    std::array<QString, 5> TopLine;    // contractor's header block
    std::array<QString, 5> BottomLine; // page footer of the 0701/0702 form
    int ServiceInterv = 365;           // days to the next test; 0 = no next-test date
    bool Preview = false;              // preview window instead of printing at once
    TPdfSignatureSettings Signature;   // protocol PDFs are signed when it names a certificate
};

// Which form prints a record.
enum class TProtocolForm {
    Pruefprot,      // DIN VDE 0701/0702
    Pruefprot0751a, // 0751, one page
    Pruefprot0751b, // 0751 with the visual-inspection rows
};
TProtocolForm ProtocolFormFor(const TWerteSatz &record);

// Computes the device verdict on a copy of the record, picks the form and
// either shows the preview (Preview on; the user prints or saves a PDF from
// there) or prints at once on the default printer without a dialog. When
// printing is impossible (no printer) a German message box says so and the
// result is false.
bool PrintTestProtocol(const TWerteSatz &record, const TProtocolSettings &settings,
                       QWidget *parent = nullptr);

// The preview of the protocol whatever "Preview" says (the visual-inspection
// entry shows its result this way; the user prints from the preview).
void PreviewTestProtocol(const TWerteSatz &record, const TProtocolSettings &settings,
                         QWidget *parent = nullptr);

class TReport;
// The protocol as every PDF of it is made: PDF/A, and signed (FinishPdf)
// when the settings name a certificate.
TReport ProtocolPdfReport(const TWerteSatz &record, const TProtocolSettings &settings);

// The same protocol as a PDF/A file, signed when the settings name a
// certificate. False with a German reason in *error when the file cannot be
// written or signed; then no file is left in its place.
bool WriteTestProtocolPdf(const TWerteSatz &record, const TProtocolSettings &settings,
                          const QString &fileName, QString *error = nullptr);
