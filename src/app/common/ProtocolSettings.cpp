#include "app/common/ProtocolSettings.h"

#include "app/common/Configuration.h"

TProtocolSettings ProtocolSettingsOf(const TConfiguration &config)
{
    TProtocolSettings s;
    s.TopLine = config.TopLine;
    s.BottomLine = config.BottomLine;
    s.ServiceInterv = config.ServiceInterv;
    s.Preview = config.Preview;
    s.Signature = config.Signature;
    return s;
}
