#include "app/PrintCurrentValues.h"

#include "app/Configuration.h"
#include "app/TestControl.h"

TProtocolSettings ProtocolSettingsOf(const TConfiguration &config)
{
    TProtocolSettings s;
    s.TopLine = config.TopLine;
    s.BottomLine = config.BottomLine;
    s.ServiceInterv = config.ServiceInterv;
    s.Preview = config.Preview;
    return s;
}

void InstallCurrentValuesPrinting(TTestControl &control, const TConfiguration &config, QWidget *parent)
{
    // The settings are read at each print: the settings dialog may have changed them.
    QObject::connect(&control, &TTestControl::print, &control, [&config, parent](const TWerteSatz &record) {
        PrintTestProtocol(record, ProtocolSettingsOf(config), parent);
    });
}
