#include "app/AppWindows.h"

#include "app/AboutBox.h"
#include "app/BarcdWahlDlg.h"
#include "app/BrowserSetup.h"
#include "app/ComRadio.h"
#include "app/DatenabrufDlg.h"
#include "app/EinstellungenDlg.h"
#include "app/FrontPanel.h"
#include "app/MainWindow.h"
#include "app/MessmodusDlg.h"
#include "app/NeuKundeDlg.h"
#include "app/NeuPrueflingDlg.h"
#include "app/PrueflingDlg.h"
#include "app/WarnWindows.h"
#include "tester/ConnectionController.h"

#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

#include <functional>
#include <map>

namespace {

struct TWindowEntry {
    QString className;
    QString caption;
    std::function<QWidget *(TForm1 *)> make; // empty: placeholder
};

// The front panel brings its own stay-on-top windows (none when it is not installed).
QWidget *panelWindow(TForm1 *m, int which)
{
    const TFrontPanelParts parts = FrontPanelParts(*m);
    if (!parts.Panel) return nullptr;
    switch (which) {
    case 0:
        return static_cast<QWidget *>(parts.Panel->NetzspgWarnWin);
    case 1:
        return static_cast<QWidget *>(parts.Panel->SpeicherungWin);
    default:
        return static_cast<QWidget *>(parts.Panel->SichtpruefungWin);
    }
}

QWidget *makeDatenabruf(TForm1 *m)
{
    auto *d = new TDatenabrufDlg(m, m->IniFileName());
    TDatenabrufQuelle q;
    q.Commands = &m->Commands();
    q.PortOpen = [m] { return m->Connection().PortOpen(); };
    q.SerialNumber = [m] { return m->Connection().SerialNumber(); };
    q.Operator = [m] { return m->Configuration().Operator; };
    q.Assessor = [m] { return m->Configuration().Assessor; };
    d->setQuelle(q);
    return d;
}

// The last of the four entry dialogs tells them of each other.
QWidget *makeNeuPruefling(TForm1 *m)
{
    auto *d = new TNeuPrueflingDlg(m);
    WireEntryDialogs(qobject_cast<TDatenabrufDlg *>(TAppWindows::Find(QStringLiteral("TDatenabrufDlg"))),
                     qobject_cast<TPrueflingDlg *>(TAppWindows::Find(QStringLiteral("TPrueflingDlg"))),
                     qobject_cast<TNeuKundeDlg *>(TAppWindows::Find(QStringLiteral("TNeuKundeDlg"))), d);
    return d;
}

QList<TWindowEntry> &entries()
{
    static QList<TWindowEntry> list = {
        {QStringLiteral("TSchnittstelleDlg"), QStringLiteral("Schnittstelle"),
         [](TForm1 *m) { return static_cast<QWidget *>(m->SchnittstelleDlg()); }},
        {QStringLiteral("TMessmodusDlg"), QStringLiteral("Messmodus einstellen"),
         [](TForm1 *m) { return static_cast<QWidget *>(FrontPanelParts(*m).Messmodus); }},
        {QStringLiteral("TDatenanzeigeDlg"), QStringLiteral("Gespeicherte Daten"), MakeDatenanzeigeDlg},
        {QStringLiteral("TDatenabrufDlg"), QStringLiteral("Daten abrufen"), makeDatenabruf},
        {QStringLiteral("TPrueflingDlg"), QStringLiteral("Prüfling wählen"),
         [](TForm1 *m) { return static_cast<QWidget *>(new TPrueflingDlg(m, m->IniFileName())); }},
        {QStringLiteral("TAboutBox"), QStringLiteral("Info"),
         [](TForm1 *m) { return static_cast<QWidget *>(new TAboutBox(m)); }},
        {QStringLiteral("TEinstellungenDlg"), QStringLiteral("Einstellungen"),
         [](TForm1 *m) { return static_cast<QWidget *>(new TEinstellungenDlg(m)); }},
        {QStringLiteral("TNeuKundeDlg"), QStringLiteral("Neuer Kunde"),
         [](TForm1 *m) { return static_cast<QWidget *>(new TNeuKundeDlg(m)); }},
        {QStringLiteral("TNeuPrueflingDlg"), QStringLiteral("Neuer Prüfling"), makeNeuPruefling},
        {QStringLiteral("TBarcdWahlDlg"), QStringLiteral("Barcodes drucken"),
         [](TForm1 *m) { return static_cast<QWidget *>(new TBarcdWahlDlg(m)); }},
        {QStringLiteral("TSteuerbarcodes"), QStringLiteral("Steuerbarcodes"), {}},
        {QStringLiteral("TConfigBarcodes"), QStringLiteral("Konfigurationsbarcodes"), {}},
        {QStringLiteral("TAuswListeDlg"), QStringLiteral("Auswahl"), MakeAuswListeDlg},
        {QStringLiteral("TSprachEinstDlg"), QStringLiteral("Sprache"),
         [](TForm1 *m) { return static_cast<QWidget *>(FrontPanelParts(*m).Sprache); }},
        {QStringLiteral("TNetzspgWarnWin"), QString(), [](TForm1 *m) { return panelWindow(m, 0); }},
        {QStringLiteral("TSpeicherungWin"), QString(), [](TForm1 *m) { return panelWindow(m, 1); }},
        {QStringLiteral("TSichtpruefungWin"), QString(), [](TForm1 *m) { return panelWindow(m, 2); }},
        {QStringLiteral("TPruefprot"), QStringLiteral("Prüfprotokoll"), {}},
        {QStringLiteral("TPruefprot0751b"), QStringLiteral("Prüfprotokoll 0751"), {}},
        {QStringLiteral("TProtDaten"), QStringLiteral("Sichtprüfung"), MakeProtDaten},
        {QStringLiteral("TPruefprot0751a"), QStringLiteral("Prüfprotokoll 0751"), {}},
    };
    return list;
}

std::map<QString, QPointer<QWidget>> &made()
{
    static std::map<QString, QPointer<QWidget>> m;
    return m;
}

QStringList &madeOrder()
{
    static QStringList l;
    return l;
}

QWidget *placeholder(TForm1 *main, const TWindowEntry &e)
{
    auto *d = new QDialog(main);
    d->setWindowTitle(e.caption.isEmpty() ? QStringLiteral("Gerätetester") : e.caption);
    auto *l = new QVBoxLayout(d);
    l->addWidget(new QLabel(QStringLiteral("Diese Funktion ist noch nicht verfügbar."), d));
    return d;
}

} // namespace

const QStringList &TAppWindows::CreationOrder()
{
    static const QStringList order = [] {
        QStringList l;
        for (const TWindowEntry &e : entries())
            l << e.className;
        return l;
    }();
    return order;
}

void TAppWindows::CreateAll(TForm1 *main)
{
    made().clear();
    madeOrder().clear();
    for (const TWindowEntry &e : entries()) {
        // A window another part has made already is taken as it is.
        QWidget *w = e.make ? e.make(main) : nullptr;
        if (!w) w = placeholder(main, e);
        // Instance name as the form would have it: the class name without its "T".
        if (w->objectName().isEmpty()) w->setObjectName(e.className.mid(1));
        w->setProperty("formClass", e.className);
        made()[e.className] = w;
        madeOrder() << e.className;
    }
}

QWidget *TAppWindows::Find(const QString &className)
{
    const auto it = made().find(className);
    return it == made().end() ? nullptr : it->second.data();
}

QStringList TAppWindows::Created()
{
    return madeOrder();
}
