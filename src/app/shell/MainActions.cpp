#include "app/shell/MainActions.h"

#include "app/common/Pictures.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

TMainActions::TMainActions(QMainWindow *window) : QObject(window)
{
    setObjectName(QStringLiteral("ActionList1"));
    QStyle *st = window->style();

    G_Schnittstelle = make("G_Schnittstelle", QStringLiteral("Schnittstelle wählen..."),
                           QStringLiteral("Schnittstelle wählen"));
    G_Schnittstelle->setIcon(TPictures::PortIcon());
    G_Verbinden = make("G_Verbinden", QStringLiteral("mit Gerätetester verbinden"),
                       QStringLiteral("Verbindung herstellen"));
    G_Verbinden->setCheckable(true);
    G_Verbinden->setIcon(TPictures::ConnectIcon());
    G_Abrufen =
        make("G_Abrufen", QStringLiteral("Daten abrufen..."), QStringLiteral("Datenabruf vom Gerätetester"));
    G_Abrufen->setIcon(st->standardIcon(QStyle::SP_ArrowDown));
    G_Beenden = make("G_Beenden", QStringLiteral("Beenden"), QStringLiteral("Programm beenden"));
    G_Beenden->setIcon(st->standardIcon(QStyle::SP_DialogCloseButton));

    D_Oeffnen = make("D_Oeffnen", QStringLiteral("Öffnen..."), QStringLiteral("gespeicherte Daten"));
    D_Oeffnen->setIcon(st->standardIcon(QStyle::SP_DialogOpenButton));
    D_ListenDrucken = make("Listendrucken1", QStringLiteral("Listen &drucken..."), QString());
    D_ListenDrucken->setEnabled(false);
    D_ListenDrucken->setVisible(false);
    D_Barcode = make("D_Barcode", QStringLiteral("Barcode..."), QStringLiteral("Barcodes"));
    D_Barcode->setIcon(TPictures::BarcodeIcon());
    D_Prueffristen =
        make("D_Prueffristen", QStringLiteral("Prüffristen..."), QStringLiteral("fällige Prüfungen"));
    D_Archivieren = make("D_Archivieren", QStringLiteral("Protokolle archivieren..."),
                         QStringLiteral("alle Prüfprotokolle als PDF ablegen"));
    D_Import = make("D_Import", QStringLiteral("CSV importieren..."),
                    QStringLiteral("Kunden, Prüflinge und Prüfungen aus einer Exportdatei einlesen"));

    K_Einstellungen =
        make("K_Einstellungen", QStringLiteral("Einstellungen..."), QStringLiteral("Einstellungen"));
    K_Einstellungen->setIcon(st->standardIcon(QStyle::SP_FileDialogDetailedView));
    K_Hinweise = make("K_Hinweise", QStringLiteral("Hinweise"), QStringLiteral("Hinweise ein/aus"));
    K_Hinweise->setCheckable(true);
    K_Hinweise->setChecked(true);
    K_Hinweise->setIcon(st->standardIcon(QStyle::SP_MessageBoxInformation));
    K_Sprache =
        make("K_Sprache", QStringLiteral("Sprache..."), QStringLiteral("Gerätetestersprache einstellen"));
    K_Sprache->setIcon(TPictures::LanguageIcon());

    M_Einstellen =
        make("M_Einstellen", QStringLiteral("einstellen..."), QStringLiteral("Messmodus einstellen"));
    M_Einstellen->setIcon(TPictures::ModeIcon());

    H_Index = make("H_Index", QStringLiteral("Index"), QString());
    H_Benutzen = make("H_Benutzen", QStringLiteral("Hilfe benutzen"), QString());
    H_Info = make("H_Info", QStringLiteral("Info..."), QStringLiteral("Hilfe anzeigen"));
    H_Info->setIcon(st->standardIcon(QStyle::SP_DialogHelpButton));

    buildMenus(window);
    buildToolBar(window);
}

QAction *TMainActions::make(const char *name, const QString &caption, const QString &hint)
{
    auto *a = new QAction(caption, this);
    a->setObjectName(QLatin1String(name));
    if (!hint.isEmpty()) a->setToolTip(hint);
    connect(a, &QAction::triggered, this, &TMainActions::aboutToRun);
    return a;
}

void TMainActions::buildMenus(QMainWindow *w)
{
    QMenuBar *bar = w->menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu *g = bar->addMenu(QStringLiteral("&Gerätetester"));
    g->setObjectName(QStringLiteral("Gertetester1"));
    g->addAction(G_Schnittstelle);
    g->addAction(G_Verbinden);
    g->addAction(G_Abrufen);
    g->addSeparator();
    g->addAction(G_Beenden);

    QMenu *d = bar->addMenu(QStringLiteral("&Daten"));
    d->setObjectName(QStringLiteral("Daten1"));
    d->addAction(D_Oeffnen);
    d->addAction(D_ListenDrucken);
    d->addAction(D_Barcode);
    d->addSeparator();
    d->addAction(D_Prueffristen);
    d->addAction(D_Archivieren);
    d->addAction(D_Import);

    QMenu *k = bar->addMenu(QStringLiteral("Konfiguration"));
    k->setObjectName(QStringLiteral("Konfiguration1"));
    k->addAction(K_Einstellungen);
    k->addAction(K_Hinweise);
    k->addAction(K_Sprache);

    QMenu *m = bar->addMenu(QStringLiteral("Messmodus"));
    m->setObjectName(QStringLiteral("Messmodus1"));
    m->addAction(M_Einstellen);

    QMenu *h = bar->addMenu(QStringLiteral("&Hilfe"));
    h->setObjectName(QStringLiteral("Hilfe1"));
    h->addAction(H_Index);
    h->addAction(H_Benutzen);
    h->addSeparator();
    h->addAction(H_Info);
}

void TMainActions::buildToolBar(QMainWindow *w)
{
    ToolBar = w->addToolBar(QStringLiteral("Werkzeugleiste"));
    ToolBar->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar->setMovable(false);
    ToolBar->setIconSize(QSize(24, 24));
    ToolBar->addAction(G_Schnittstelle);
    ToolBar->addAction(G_Verbinden);
    ToolBar->addAction(G_Abrufen);
    ToolBar->addSeparator();
    ToolBar->addAction(D_Oeffnen);
    ToolBar->addAction(D_Barcode);
    ToolBar->addSeparator();
    ToolBar->addAction(K_Einstellungen);
    ToolBar->addAction(K_Hinweise);
    ToolBar->addAction(K_Sprache);
    ToolBar->addSeparator();
    ToolBar->addAction(M_Einstellen);
    ToolBar->addSeparator();
    ToolBar->addAction(H_Info);
    ToolBar->addAction(G_Beenden);

    // The safety picture and the logo sit at the right end.
    auto *spacer = new QWidget(ToolBar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    ToolBar->addWidget(spacer);
    auto *panel = new QWidget(ToolBar);
    panel->setObjectName(QStringLiteral("Panel1"));
    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 4, 0);
    SafetyButton = new QToolButton(panel);
    SafetyButton->setObjectName(QStringLiteral("Image2"));
    SafetyButton->setIcon(TPictures::SafetyIcon());
    SafetyButton->setIconSize(QSize(28, 28));
    SafetyButton->setAutoRaise(true);
    SafetyButton->setToolTip(QStringLiteral("Sicherheitshinweise"));
    Logo = new QLabel(panel);
    Logo->setObjectName(QStringLiteral("Image1"));
    Logo->setPixmap(TPictures::Logo(QSize(96, 28)));
    row->addWidget(SafetyButton);
    row->addWidget(Logo);
    ToolBar->addWidget(panel);
}

void TMainActions::setShowHints(bool on)
{
    // The window swallows tool-tip events while this is off.
    m_showHints = on;
    K_Hinweise->setChecked(on);
}
