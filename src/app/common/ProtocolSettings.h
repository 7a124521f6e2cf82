#pragma once

#include "protocols/PrintProtocol.h"

class TConfiguration;

// The protocol settings as the configuration holds them.
TProtocolSettings ProtocolSettingsOf(const TConfiguration &config);
