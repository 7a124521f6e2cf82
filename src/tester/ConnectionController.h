#pragma once

// The link to the tester as the main window runs it: opening and closing the
// port, identifying the tester, the autosend order and its refresh, silence
// supervision, the mailbox of spontaneous reports and the status texts. No
// widgets: the window and its parts connect to the signals and mirror the state.

#include "bus/Protok.h"
#include "tester/Mailbox.h"
#include "tester/PollingGate.h"
#include "tester/SettingDelay.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QTimer;
class TCate;
class TProgramLog;
class TSynchroBus;
class TTesterCommands;
class TTickGrid;

class TConnectionController : public QObject {
    Q_OBJECT

public:
    // Follows the bus engine's signals and takes over the command set's polling hooks.
    TConnectionController(TCate *Cate, TSynchroBus *Bus, TTesterCommands *Commands,
                          QObject *parent = nullptr);
    ~TConnectionController() override;

    // ---- settings (from the configuration) -------------------------------
    int Port() const { return m_port; }
    void setPort(int Port) { m_port = Port; }
    QString COMLog() const { return m_comLog; }
    void setCOMLog(const QString &Name) { m_comLog = Name; }
    int InActiveTime() const { return m_inActiveTime; }
    void setInActiveTime(int Ticks) { m_inActiveTime = Ticks; }
    int RefreshTime() const { return m_refreshTime; }
    void setRefreshTime(int Ticks) { m_refreshTime = Ticks; }
    // The hold-off after a setting change, counted down here each Timer1 tick.
    TSettingDelay &SettingDelay() { return m_settingDelay; }
    void setSettingDelay(int Ticks) { m_settingDelay.setLength(Ticks); }
    TProgramLog *ProgramLog() const { return m_log; }
    void setProgramLog(TProgramLog *Log) { m_log = Log; }

    // ---- state ------------------------------------------------------------
    bool PortOpen() const;
    QString SerialNumber() const { return m_serialNumber; }
    QString FirmwareText() const { return m_firmwareText; }
    QString LanguageCode() const { return m_languageCode; }
    TAutosendMailbox &Mailbox() { return m_mailbox; }
    TTesterCommands *Commands() const { return m_commands; }
    TSynchroBus *Bus() const { return m_bus; }
    TCate *Cate() const { return m_cate; }

    // Tick counters (100 ms). The timers fire only for ticks that change
    // something; reading or setting a counter first counts off the quiet
    // ticks that passed meanwhile, so it reads as if every tick had run.
    int ActiveCtr();
    int RefreshCtr();
    int StartEnableCtr();
    void setStartEnableCtr(int Ticks);
    int TxLedCtr();
    void setTxLedCtr(int Ticks);
    int RxLedCtr();
    void setRxLedCtr(int Ticks);
    // Panel 5's counter: zeroed at start, at each disconnect and before each version request.
    int StatusCounter = 0;

    // The start action's enabled state, owned here because Timer1 re-enables it.
    bool StartEnabled() const { return m_startEnabled; }
    void setStartEnabled(bool On);

    QTimer *Timer1 = nullptr; // 100 ms, always running
    QTimer *Timer2 = nullptr; // 100 ms while polling
    // Program end: neither timer comes again.
    void StopTicks();

    // ---- actions ------------------------------------------------------------
    // The connect check button: checked connects, unchecked disconnects.
    void setConnected(bool Checked);
    void Connect();
    void Disconnect();
    // Polling paused while the pause lives (around every direct exchange
    // with the tester); pauses nest.
    [[nodiscard]] TPollingPause PausePolling() { return m_polling.Pause(); }
    // Polling stopped until the next connect or the last pause ends.
    void StopPolling();
    void SendRefresh();
    // Data retrieval: autosend off and polling paused while ShowDialog runs.
    void FetchData(const std::function<void()> &ShowDialog);
    // One pass of the idle step (once each time the event queue has emptied).
    void IdleStep();
    void Timer1Tick();
    void Timer2Tick();
    // Program end: autosend off, port closed, bus log off.
    void Shutdown();
    // Disconnected texts of status panels 0 and 2..5.
    void ShowDisconnectedStatus();
    // The whole disconnected look: identification forgotten, status texts,
    // language and start actions off, and resetPanel for the front panel.
    void ShowDisconnected() { resetConnectionState(); }

signals:
    void statusText(int Panel, const QString &Text);
    // The connect button's checked state (and with it "Schnittstelle wählen...").
    void connectionState(bool Connected);
    void resetPanel();
    void enablePanel();
    void clearValues();
    void leds(bool Tx, bool Rx);
    // The firmware is too old; the connection stays up after the message.
    void firmwareMismatch(const QString &Message);
    // After the first version request (the earth limit bar gets all ten positions).
    void versionRequested();
    void languageActionEnabled(bool Enabled);
    void startEnabledChanged(bool Enabled);
    // First step of every idle pass: things that follow the port state.
    void idle(bool PortOpen);
    // A mailbox slot to decode into the front panel (its pending bit is already cleared).
    void decodeSlot(int Slot, const TProtok &Msg);
    // Each Timer1 tick, after the controller's own duties.
    void timer1();

private:
    void ConnectSequence();
    void log(const QString &Text);
    void status(int Panel, const QString &Text);
    void mirrorState();
    void resetConnectionState();
    void updateLeds();
    void sendAutosendOff();
    void waitForSendQueue();
    void startPolling();

    // The ticks of Timer1 and Timer2 (ConnectionTicks.cpp).
    void setupTicks();
    void settleTicks();
    void planTicks();
    void onTimer1();
    void onTimer2();
    // The tick the grid's timer was armed for, after the quiet ones before it.
    void runArmedTick(TTickGrid &Grid, void (TConnectionController::*Tick)());
    void startRefreshTicks();
    void countOffQuietTicks1(int N);
    int ticksToChange1() const;
    int ticksToChange2() const;
    int ticksToSupervisionStep() const;
    void lightLed(int &Ctr);
    // A counter as if every tick had run; set after the passed ticks are counted off.
    int settled(const int &Ctr);
    void setCounter(int &Ctr, int Ticks);

    TCate *m_cate;
    TSynchroBus *m_bus;
    TTesterCommands *m_commands;
    TProgramLog *m_log = nullptr;
    TAutosendMailbox m_mailbox;

    int m_port = 1;
    QString m_comLog;
    int m_inActiveTime = 15;
    int m_refreshTime = 100;
    TSettingDelay m_settingDelay{6};
    int m_activeCtr = 0;
    int m_refreshCtr = 0;
    int m_startEnableCtr = 0;
    int m_txLedCtr = 0;
    int m_rxLedCtr = 0;
    std::unique_ptr<TTickGrid> m_grid1;
    std::unique_ptr<TTickGrid> m_grid2;
    bool m_inTick = false; // a tick runs (it may wait in a nested loop)
    TPollingGate m_polling{[this] { StopPolling(); }, [this] { startPolling(); }};

    QString m_serialNumber;
    QString m_firmwareText;
    QString m_languageCode;
    QByteArray m_autosendData;
    bool m_startEnabled = false;
    bool m_txLit = false;
    bool m_rxLit = false;
    bool m_connecting = false;
    bool m_autosendOrdered = false; // the tester was told to stream and not told to stop
    bool m_freigabePending = false; // $40 not yet answered
    bool m_tickWorkQueued = false;  // queued writes or $40 about to run from the loop
    void runTickWork();
};
