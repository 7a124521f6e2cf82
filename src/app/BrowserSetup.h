#pragma once

// The stored-data browser and its two helper windows as the main window makes
// them at start.

class QWidget;
class TForm1;

QWidget *MakeDatenanzeigeDlg(TForm1 *main);
QWidget *MakeAuswListeDlg(TForm1 *main);
QWidget *MakeProtDaten(TForm1 *main);
