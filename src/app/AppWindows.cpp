#include "app/AppWindows.h"

#include "app/AboutBox.h"
#include "app/ComRadio.h"
#include "app/MainWindow.h"
#include "store/SettingsDialog.h"

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

QList<TWindowEntry> &entries()
{
    static QList<TWindowEntry> list = {
        {QStringLiteral("TSchnittstelleDlg"), QStringLiteral("Schnittstelle"),
         [](TForm1 *m) { return static_cast<QWidget *>(m->SchnittstelleDlg()); }},
        {QStringLiteral("TMessmodusDlg"), QStringLiteral("Messmodus einstellen"), {}},
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
        {QStringLiteral("TSprachEinstDlg"), QStringLiteral("Sprache"), {}},
        {QStringLiteral("TNetzspgWarnWin"), QString(), {}},
        {QStringLiteral("TSpeicherungWin"), QString(), {}},
        {QStringLiteral("TSichtpruefungWin"), QString(), {}},
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
        for (const TWindowEntry &e : entries()) l << e.className;
        return l;
    }();
    return order;
}

void TAppWindows::CreateAll(TForm1 *main)
{
    made().clear();
    madeOrder().clear();
    for (const TWindowEntry &e : entries()) {
        QWidget *w = e.make ? e.make(main) : placeholder(main, e);
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
