#pragma once

#include "app/panel/FrontPanelParts.h"

class TForm1;

// Creates the panel and the test control, puts them into the window and
// connects them to the connection controller's signals. The panel runs
// "Messmodus einstellen..." and "Sprache..." as well.
TFrontPanelParts InstallFrontPanel(TForm1 &form);
// The parts installed into a window (empty when none).
TFrontPanelParts FrontPanelParts(const TForm1 &form);
