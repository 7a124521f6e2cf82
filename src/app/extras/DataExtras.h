#pragma once

// The main window's "Daten" jobs beyond the browser: the due list and the
// protocol archive. Kept out of the main window, which only wires the menu.

#include <QObject>

#include <functional>

class QWidget;
class TConfiguration;
class TDatenanzeigeDlg;

class TDataExtras : public QObject {
    Q_OBJECT
public:
    // browser: the program's browser window (made on first need).
    TDataExtras(QWidget *window, TConfiguration *config, std::function<TDatenanzeigeDlg *()> browser);

    // "Prüffristen...": the due list; a double click opens the browser on the device.
    void OpenDueDates();
    // "Protokolle archivieren...": a folder chosen, then every missing
    // protocol written with a progress dialog that can cancel.
    void ArchiveProtocols();

    // "CSV importieren...": a file chosen, its preview, then the import.
    void ImportCsv();

    // Shows the browser standing on the device (its newest test).
    void OpenBrowserAt(int kundenNr, int prueflingNr);

private:
    QWidget *m_window;
    TConfiguration *m_config;
    std::function<TDatenanzeigeDlg *()> m_browser;
};
