#pragma once

#include <QObject>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;
class QToolButton;
class QLabel;

// The main window's actions, menus and tool bar. Every action carries its
// component name as objectName so it can be found and triggered by name.
class TMainActions : public QObject {
    Q_OBJECT

public:
    explicit TMainActions(QMainWindow *window);

    QAction *G_Schnittstelle, *G_Verbinden, *G_Abrufen, *G_Beenden;
    QAction *D_Oeffnen, *D_ListenDrucken, *D_Barcode, *D_Prueffristen, *D_Archivieren, *D_Import;
    QAction *K_Einstellungen, *K_Hinweise, *K_Sprache;
    QAction *M_Einstellen;
    QAction *H_Index, *H_Benutzen, *H_Info;

    QToolBar *ToolBar = nullptr;
    QToolButton *SafetyButton = nullptr; // picture with the hint "Sicherheitshinweise"
    QLabel *Logo = nullptr;

    // Tool tips of the window on or off (the K_Hinweise check mark).
    void setShowHints(bool on);
    bool ShowHints() const { return m_showHints; }

signals:
    // Before any action runs (connected first): pending edits are committed.
    void aboutToRun();

private:
    QAction *make(const char *name, const QString &caption, const QString &hint);
    void buildMenus(QMainWindow *w);
    void buildToolBar(QMainWindow *w);

    bool m_showHints = true;
};
