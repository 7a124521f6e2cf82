#pragma once

// Starting, continuing and aborting a test on the tester, printing the
// current values and clearing the tester's memory: five actions with their
// buttons beside the measured values, enabled by the tester's sequence phase.

#include "store/Globals.h"

#include <QObject>

class QAction;
class QPushButton;
class QWidget;
class TConfiguration;
class TConnectionController;
class TPanelState;
class TTesterCommands;

class TTestControl : public QObject {
    Q_OBJECT

public:
    TTestControl(TConnectionController *Connection, TTesterCommands *Commands, TPanelState *State,
                 TConfiguration *Config, QObject *parent = nullptr);

    QAction *Prf_Start, *Prf_Weiter, *Prf_Abbrechen, *Prf_Drucken, *Prf_SpeicherClr;
    // objectNames BitBtn1 … BitBtn5, in this order.
    QPushButton *StartButton = nullptr, *ContinueButton = nullptr, *AbortButton = nullptr,
                *PrintButton = nullptr, *ClearMemoryButton = nullptr;

    // Puts the five buttons into `area` (a vertical column).
    void CreateButtons(QWidget *area);

    // The enabling after each phase report.
    void ApplyPhase(int Ablaufphase);
    // Panel reset: all five disabled.
    void DisableAll();

    void Start();
    void Weiter();
    void Abbrechen();
    void SpeicherClr();
    void Drucken();

    // The current values as a record to print (what "&Drucken" hands on).
    TWerteSatz PrintRecord() const;

signals:
    // "&Drucken": the current values as a record; the protocol forms print it.
    void print(const TWerteSatz &Record);

private:
    QAction *make(const char *name, const QString &caption);
    void sendActions(const QList<quint8> &codes);

    TConnectionController *m_conn;
    TTesterCommands *m_commands;
    TPanelState *m_state;
    TConfiguration *m_config;
};
