#include "protocols/PrintProtocol.h"

#include "protocols/ProtocolForms.h"

#include <QMessageBox>

bool PrintTestProtocol(const TWerteSatz &record, const TProtocolSettings &settings, QWidget *parent)
{
    const TReport report = ProtocolReport(record, settings);
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
    ProtocolReport(record, settings).Preview(parent);
}

bool WriteTestProtocolPdf(const TWerteSatz &record, const TProtocolSettings &settings,
                          const QString &fileName, QString *error)
{
    return ProtocolReport(record, settings).WritePdf(fileName, error);
}
