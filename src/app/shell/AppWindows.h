#pragma once

class TAboutBox;
class TAuswListeDlg;
class TBarcdWahlDlg;
class TDatenabrufDlg;
class TDatenanzeigeDlg;
class TEinstellungenDlg;
class TForm1;
class TNeuKundeDlg;
class TNeuPrueflingDlg;
class TPrueflingDlg;
class TProtDaten;

// The program's dialogs. The main window makes them once, owns them to the
// end and hands them out by type; the front panel's own windows and the port
// choice belong to the panel and the window themselves.
struct TAppWindows {
    TDatenanzeigeDlg *Datenanzeige = nullptr;
    TAuswListeDlg *AuswListe = nullptr;
    TProtDaten *ProtDaten = nullptr;
    TDatenabrufDlg *Datenabruf = nullptr;
    TPrueflingDlg *Pruefling = nullptr;
    TNeuKundeDlg *NeuKunde = nullptr;
    TNeuPrueflingDlg *NeuPruefling = nullptr;
    TEinstellungenDlg *Einstellungen = nullptr;
    TBarcdWahlDlg *BarcdWahl = nullptr;
    TAboutBox *About = nullptr;
};

// Makes every dialog with the main window as parent and wires those that
// work together (the browser with its list and inspection form, the four
// entry dialogs with each other).
TAppWindows MakeAppWindows(TForm1 &main);
