#pragma once

class TFrontPanel;
class TMessmodusDlg;
class TSprachEinstDlg;
class TTestControl;

// Everything the front panel adds to the main window.
struct TFrontPanelParts {
    TFrontPanel *Panel = nullptr;
    TTestControl *Control = nullptr;
    TMessmodusDlg *Messmodus = nullptr;
    TSprachEinstDlg *Sprache = nullptr;
};
