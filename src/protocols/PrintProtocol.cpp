#include "protocols/PrintProtocol.h"

#include "protocols/ProtocolForms.h"

#include <QMessageBox>

// Every PDF of a protocol is archival and, with a certificate, signed: the
// file written directly as well as the one saved from the preview.
TReport ProtocolPdfReport(const TWerteSatz &record, const TProtocolSettings &settings)
{
    TReport report = ProtocolReport(record, settings);
    report.PdfA = true;
    if (settings.Signature.Enabled()) {
        report.FinishPdf = [signature = settings.Signature](QByteArray &pdf, QString *error) {
            QString why;
            if (SignPdfAsConfigured(signature, pdf, &why)) return true;
            if (error) *error = QStringLiteral("Das Protokoll kann nicht unterschrieben werden: ") + why;
            return false;
        };
    }
    return report;
}

bool PrintTestProtocol(const TWerteSatz &record, const TProtocolSettings &settings, QWidget *parent)
{
    const TReport report = ProtocolPdfReport(record, settings);
    if (settings.Preview) {
        report.Preview(parent);
        return true;
    }
    QString error;
    if (report.PrintDirect(&error)) return true;
    QMessageBox::warning(parent, QStringLiteral("Gerätetester"), error);
    return false;
}

void PreviewTestProtocol(const TWerteSatz &record, const TProtocolSettings &settings, QWidget *parent)
{
    ProtocolPdfReport(record, settings).Preview(parent);
}

bool WriteTestProtocolPdf(const TWerteSatz &record, const TProtocolSettings &settings,
                          const QString &fileName, QString *error)
{
    return ProtocolPdfReport(record, settings).WritePdf(fileName, error);
}
