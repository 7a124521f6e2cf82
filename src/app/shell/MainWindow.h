#pragma once

#include "app/common/Configuration.h"
#include "app/panel/FrontPanelParts.h"
#include "app/shell/AppWindows.h"
#include "core/Logs.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class QDialog;
class QVBoxLayout;
class TCate;
class TConnectionController;
class THelpWindow;
class TMainActions;
class TMainStatusBar;
class TSchnittstelleDlg;
class TSynchroBus;
class TTesterCommands;

// Where the main window finds its files; the defaults are those beside the program.
struct TForm1Setup {
    QString IniFile;    // empty: the program's own INI file
    QString ProgramDir; // empty: the program's folder (the database file lies there)
};

// The main window. It owns the serial port, the bus engine, the command set and
// the connection controller for the whole run and composes the parts of the
// window (actions and menus, status bar, front panel) as classes of their own.
class TForm1 : public QMainWindow {
public:
    // Private message that opens the database once the event loop runs.
    static constexpr int ConnectDatabaseEvent = 1024 + 1000;

    explicit TForm1(const TForm1Setup &setup = {}, QWidget *parent = nullptr);
    ~TForm1() override;

    TConfiguration &Configuration() { return m_config; }
    const QString &IniFileName() const { return m_iniFile; }
    TProgramLog &ProgramLog() { return m_pgmLog; }

    // The parts the window composes. They live as long as the window; the
    // window alone makes and replaces them, so callers get references.
    TCate &Cate1() const { return *m_cate; }
    TSynchroBus &SynchroBus1() const { return *m_bus; }
    TTesterCommands &Commands() const { return *m_commands; }
    TConnectionController &Connection() const { return *m_connection; }
    TMainActions &Actions() const { return *m_actions; }
    TMainStatusBar &StatusBar1() const { return *m_statusBar; }

    // The place of the front panel and the test control below the tool bar.
    QWidget *FrontPanelArea() const { return m_frontArea; }
    void setFrontPanel(QWidget *panel);
    QWidget *FrontPanel() const { return m_frontPanel; }
    // The front panel, its test control and its dialogs.
    const TFrontPanelParts &FrontParts() const { return m_frontParts; }

    // The program's dialogs, made on first need (the program asks right after
    // making the window, so they stand before the first click).
    const TAppWindows &Windows();
    TSchnittstelleDlg *SchnittstelleDlg();
    THelpWindow *HelpWindow();

    // The splash screen is freed by Timer1 after SplashCtr ticks.
    void setSplash(QWidget *splash);
    int SplashCtr = 8;

    // Steps of the window that tests and the program entry use.
    void ConnectDatabase();
    // The configured database, or the file beside the program.
    QString DatabaseConnectionString() const;
    void IdleStep();
    void ChoosePort();
    void EditSettings();
    void ShowSafetyNotes();
    // Ends the program in order: modal dialogs are closed first.
    void RequestClose();
    // The orderly end (also run by the destructor if not yet done).
    void FormDestroy();

protected:
    bool event(QEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    void FormCreate();
    void ReadConfiguration();
    void WriteConfiguration();
    void wireActions();
    void wireController();
    void showPortInStatus();
    void execDialog(QDialog *dialog);

    TForm1Setup m_setup;
    QString m_iniFile;
    TConfiguration m_config;
    TProgramLog m_pgmLog;
    TCate *m_cate = nullptr;
    TSynchroBus *m_bus = nullptr;
    std::unique_ptr<TTesterCommands> m_commands;
    TConnectionController *m_connection = nullptr;
    TMainActions *m_actions = nullptr;
    TMainStatusBar *m_statusBar = nullptr;
    QWidget *m_frontArea = nullptr;
    QVBoxLayout *m_frontLayout = nullptr;
    QPointer<QWidget> m_frontPanel;
    TFrontPanelParts m_frontParts;
    QPointer<QWidget> m_splash;
    QMetaObject::Connection m_splashTicks;
    TAppWindows m_windows;
    bool m_windowsMade = false;
    TSchnittstelleDlg *m_portDlg = nullptr;
    THelpWindow *m_help = nullptr;
    bool m_destroyed = false;
};
