#include "app/shell/AppWindows.h"

#include "app/browser/AuswListeDlg.h"
#include "app/browser/DatenanzeigeDlg.h"
#include "app/browser/ProtDaten.h"
#include "app/extras/BarcdWahlDlg.h"
#include "app/retrieval/DatenabrufDlg.h"
#include "app/retrieval/NeuKundeDlg.h"
#include "app/retrieval/NeuPrueflingDlg.h"
#include "app/retrieval/PrueflingDlg.h"
#include "app/settings/EinstellungenDlg.h"
#include "app/shell/AboutBox.h"
#include "app/shell/MainWindow.h"
#include "tester/ConnectionController.h"

namespace {

TDatenanzeigeDlg *makeBrowser(TForm1 &m)
{
    auto *dlg = new TDatenanzeigeDlg(&m, m.IniFileName());
    dlg->setConfiguration(&m.Configuration());
    dlg->setCommands(&m.Commands());
    // The idle step enables "Messmod." exactly while the port is open.
    QObject::connect(&m.Connection(), &TConnectionController::idle, dlg,
                     &TDatenanzeigeDlg::setMessmodEnabled);
    QObject::connect(dlg, &TDatenanzeigeDlg::protocolRequested, dlg, &TDatenanzeigeDlg::PrintProtocol);
    QObject::connect(dlg, &TDatenanzeigeDlg::labelsReady, dlg,
                     [dlg](const TReport &labels) { labels.Preview(dlg); });
    return dlg;
}

TDatenabrufDlg *makeDatenabruf(TForm1 &m)
{
    auto *d = new TDatenabrufDlg(&m, m.IniFileName());
    TDatenabrufQuelle q;
    q.Commands = &m.Commands();
    q.PortOpen = [&m] { return m.Connection().PortOpen(); };
    q.SerialNumber = [&m] { return m.Connection().SerialNumber(); };
    q.Operator = [&m] { return m.Configuration().Operator; };
    q.Assessor = [&m] { return m.Configuration().Assessor; };
    d->setQuelle(q);
    return d;
}

} // namespace

TAppWindows MakeAppWindows(TForm1 &m)
{
    TAppWindows w;
    w.Datenanzeige = makeBrowser(m);
    w.Datenabruf = makeDatenabruf(m);
    w.Pruefling = new TPrueflingDlg(&m, m.IniFileName());
    w.About = new TAboutBox(&m);
    w.Einstellungen = new TEinstellungenDlg(&m);
    w.NeuKunde = new TNeuKundeDlg(&m);
    w.NeuPruefling = new TNeuPrueflingDlg(&m);
    WireEntryDialogs(w.Datenabruf, w.Pruefling, w.NeuKunde, w.NeuPruefling);
    w.BarcdWahl = new TBarcdWahlDlg(&m);
    w.AuswListe = new TAuswListeDlg(&m, m.IniFileName());
    w.Datenanzeige->setListDialog(w.AuswListe);
    w.ProtDaten = new TProtDaten(&m);
    w.Datenanzeige->setInspectionForm(w.ProtDaten);
    return w;
}
