#include "protocols/PrintProtocol.h"

#include "protocols/ProtocolForms.h"
#include "core/IniFile.h"

#include <QMessageBox>

TProtocolSettings TProtocolSettings::FromIni(const TIniFile &ini)
{
    TProtocolSettings s;
    const QString sec = QStringLiteral("Configuration");
    for (int i = 0; i < 5; ++i) {
        s.TopLine[static_cast<size_t>(i)] =
            ini.ReadString(sec, QStringLiteral("TopLine%1").arg(i + 1), QString());
        s.BottomLine[static_cast<size_t>(i)] =
            ini.ReadString(sec, QStringLiteral("BottomLine%1").arg(i + 1), QString());
    }
    s.ServiceInterv = ini.ReadInteger(sec, QStringLiteral("ServiceInterv"), 365);
    s.Preview = ini.ReadBool(sec, QStringLiteral("Preview"), false);
    return s;
}

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
