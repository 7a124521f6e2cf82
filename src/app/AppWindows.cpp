#include "app/AppWindows.h"

#include "app/AboutBox.h"
#include "app/ComRadio.h"
#include "app/EinstellungenDlg.h"
#include "app/FrontPanel.h"
#include "app/MainWindow.h"
#include "app/MessmodusDlg.h"
#include "app/WarnWindows.h"

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

QList<TWindowEntry> &entries()
{
    static QList<TWindowEntry> list = {
        {QStringLiteral("TSchnittstelleDlg"), QStringLiteral("Schnittstelle"),
         [](TForm1 *m) { return static_cast<QWidget *>(m->SchnittstelleDlg()); }},
        {QStringLiteral("TMessmodusDlg"), QStringLiteral("Messmodus einstellen"),
         [](TForm1 *m) { return static_cast<QWidget *>(FrontPanelParts(*m).Messmodus); }},
        {QStringLiteral("TDatenanzeigeDlg"), QStringLiteral("Gespeicherte Daten"), {}},
        {QStringLiteral("TDatenabrufDlg"), QStringLiteral("Daten abrufen"), {}},
        {QStringLiteral("TPrueflingDlg"), QStringLiteral("Prüfling wählen"), {}},
        {QStringLiteral("TAboutBox"), QStringLiteral("Info"),
         [](TForm1 *m) { return static_cast<QWidget *>(new TAboutBox(m)); }},
        {QStringLiteral("TEinstellungenDlg"), QStringLiteral("Einstellungen"),
         [](TForm1 *m) { return static_cast<QWidget *>(new TEinstellungenDlg(m)); }},
        {QStringLiteral("TNeuKundeDlg"), QStringLiteral("Neuer Kunde"), {}},
        {QStringLiteral("TNeuPrueflingDlg"), QStringLiteral("Neuer Prüfling"), {}},
        {QStringLiteral("TBarcdWahlDlg"), QStringLiteral("Barcode"), {}},
        {QStringLiteral("TSteuerbarcodes"), QStringLiteral("Steuerbarcodes"), {}},
        {QStringLiteral("TConfigBarcodes"), QStringLiteral("Konfigurationsbarcodes"), {}},
        {QStringLiteral("TAuswListeDlg"), QStringLiteral("Auswahl"), {}},
        {QStringLiteral("TSprachEinstDlg"), QStringLiteral("Sprache"),
         [](TForm1 *m) { return static_cast<QWidget *>(FrontPanelParts(*m).Sprache); }},
        {QStringLiteral("TNetzspgWarnWin"), QString(), [](TForm1 *m) { return panelWindow(m, 0); }},
        {QStringLiteral("TSpeicherungWin"), QString(), [](TForm1 *m) { return panelWindow(m, 1); }},
        {QStringLiteral("TSichtpruefungWin"), QString(), [](TForm1 *m) { return panelWindow(m, 2); }},
        {QStringLiteral("TPruefprot"), QStringLiteral("Prüfprotokoll"), {}},
        {QStringLiteral("TPruefprot0751b"), QStringLiteral("Prüfprotokoll 0751"), {}},
        {QStringLiteral("TProtDaten"), QStringLiteral("Protokolldaten"), {}},
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
