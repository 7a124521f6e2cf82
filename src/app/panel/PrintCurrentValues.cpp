#include "app/panel/PrintCurrentValues.h"

#include "app/common/ProtocolSettings.h"
#include "app/panel/TestControl.h"

void InstallCurrentValuesPrinting(TTestControl &control, const TConfiguration &config, QWidget *parent)
{
    // The settings are read at each print: the settings dialog may have changed them.
    QObject::connect(&control, &TTestControl::print, &control, [&config, parent](const TWerteSatz &record) {
        PrintTestProtocol(record, ProtocolSettingsOf(config), parent);
    });
}
