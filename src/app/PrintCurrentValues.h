#pragma once

#include "protocols/PrintProtocol.h"

class TConfiguration;
class TTestControl;

// The protocol settings as the configuration holds them.
TProtocolSettings ProtocolSettingsOf(const TConfiguration &config);

// "&Drucken" of the test control prints the tester's current values with the
// protocol form their set-up calls for.
void InstallCurrentValuesPrinting(TTestControl &control, const TConfiguration &config, QWidget *parent);
