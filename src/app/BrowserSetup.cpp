#include "app/BrowserSetup.h"

#include "app/AppWindows.h"
#include "app/AuswListeDlg.h"
#include "app/DatenanzeigeDlg.h"
#include "app/MainWindow.h"
#include "app/ProtDaten.h"
#include "tester/ConnectionController.h"

QWidget *MakeDatenanzeigeDlg(TForm1 *m)
{
    auto *dlg = new TDatenanzeigeDlg(m, m->IniFileName());
    dlg->setConfiguration(&m->Configuration());
    dlg->setCommands(&m->Commands());
    // The list and the inspection form are made after the browser and hand themselves over then.
    // The idle step enables "Messmod." exactly while the port is open.
    QObject::connect(&m->Connection(), &TConnectionController::idle, dlg,
                     &TDatenanzeigeDlg::setMessmodEnabled);
    return dlg;
}

QWidget *MakeAuswListeDlg(TForm1 *m)
{
    auto *list = new TAuswListeDlg(m, m->IniFileName());
    if (auto *browser =
            dynamic_cast<TDatenanzeigeDlg *>(TAppWindows::Find(QStringLiteral("TDatenanzeigeDlg"))))
        browser->setListDialog(list);
    return list;
}

QWidget *MakeProtDaten(TForm1 *m)
{
    auto *form = new TProtDaten(m);
    if (auto *browser =
            dynamic_cast<TDatenanzeigeDlg *>(TAppWindows::Find(QStringLiteral("TDatenanzeigeDlg"))))
        browser->setInspectionForm(form);
    return form;
}
