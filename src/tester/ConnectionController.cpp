#include "tester/ConnectionController.h"

#include "bus/SyncBus.h"
#include "core/Logs.h"
#include "serial/Cate32.h"
#include "tester/CommandCodes.h"
#include "tester/Commands.h"
#include "tester/TickGrid.h"

#include <QTimer>

TConnectionController::TConnectionController(TCate *Cate, TSynchroBus *Bus, TTesterCommands *Commands,
                                             QObject *parent)
    : QObject(parent), m_cate(Cate), m_bus(Bus), m_commands(Commands)
{
    setObjectName(QStringLiteral("ConnectionController"));
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    setupTicks();

    connect(m_bus, &TSynchroBus::cateSend, this, [this] {
        if (PortOpen()) lightLed(m_txLedCtr);
    });
    connect(m_bus, &TSynchroBus::cateSent, this, [this](const TProtok &, bool Success) {
        if (PortOpen() && !Success) lightLed(m_txLedCtr);
    });
    // The receive lamp lights with the first byte of a run, as the port
    // reports it, and again when the run is handed over: while the tester
    // streams it stays lit instead of blinking with every block.
    connect(m_cate, &TCate::charReceived, this, [this] { lightLed(m_rxLedCtr); });
    connect(m_bus, &TSynchroBus::charsReceived, this, [this] { lightLed(m_rxLedCtr); });
    connect(m_bus, &TSynchroBus::sendMsg, this,
            [this](const TProtok &Msg) { WriteMessageLog(m_log, Msg, true); });
    connect(m_bus, &TSynchroBus::msgReceived, this, [this](const TProtok &Msg) {
        WriteMessageLog(m_log, Msg, false);
        settleTicks();
        if (m_activeCtr > 0) m_activeCtr = m_inActiveTime;
    });
    connect(m_bus, &TSynchroBus::msgUnhandled, this, [this](const TProtok &Msg) { m_mailbox.Dispatch(Msg); });

    // The command set pauses around its exchanges through our gate.
    m_commands->Polling = &m_polling;
    m_commands->PortOpen = [this] { return PortOpen(); };
    // A choice made at connecting, from the menu, or run later from the queue.
    connect(m_commands, &TTesterCommands::languageChosen, this, [this](const QString &Code) {
        m_languageCode = Code;
        status(4, Code);
    });

    // Built once: the order the tester is given at every refresh.
    m_autosendData = AutosendData(AutosendMaskeStandard);
    planTicks();
}

TConnectionController::~TConnectionController()
{
    // The command set may outlive us; leave it no dangling hooks (the
    // engine's connections go with this object).
    m_commands->Polling = nullptr;
    m_commands->PortOpen = nullptr;
}

bool TConnectionController::PortOpen() const
{
    return m_cate && m_cate->IsOpen();
}

void TConnectionController::log(const QString &Text)
{
    if (m_log) m_log->Write(Text);
}

void TConnectionController::status(int Panel, const QString &Text)
{
    emit statusText(Panel, Text);
}

void TConnectionController::setStartEnabled(bool On)
{
    if (On == m_startEnabled) return;
    m_startEnabled = On;
    emit startEnabledChanged(On);
}

void TConnectionController::updateLeds()
{
    const bool tx = m_txLedCtr != 0, rx = m_rxLedCtr != 0;
    if (tx == m_txLit && rx == m_rxLit) return;
    m_txLit = tx;
    m_rxLit = rx;
    emit leds(tx, rx);
}

void TConnectionController::ShowDisconnectedStatus()
{
    status(0, QStringLiteral("Keine Verbindung"));
    status(2, QStringLiteral("SerNo."));
    status(3, QStringLiteral("PgmVers."));
    status(4, QString());
    status(5, QString());
}

void TConnectionController::resetConnectionState()
{
    m_serialNumber.clear();
    m_firmwareText.clear();
    m_languageCode.clear();
    StatusCounter = 0;
    ShowDisconnectedStatus();
    emit languageActionEnabled(false);
    setStartEnabled(false);
    emit resetPanel();
}

void TConnectionController::mirrorState()
{
    emit connectionState(PortOpen());
}

void TConnectionController::setConnected(bool Checked)
{
    if (Checked)
        Connect();
    else
        Disconnect();
}

void TConnectionController::Connect()
{
    // The identification waits with the event loop running: a second click
    // meanwhile must not start a second sequence on top of the first.
    if (m_connecting) {
        mirrorState();
        return;
    }
    m_connecting = true;
    ConnectSequence();
    m_connecting = false;
}

void TConnectionController::ConnectSequence()
{
    log(QStringLiteral("COM wird geöffnet"));
    settleTicks();
    m_activeCtr = 2 * m_inActiveTime;
    m_cate->setLogfileName(m_comLog);
    try {
        m_cate->setPort(TPort(m_port >= 0 && m_port <= 9 ? m_port : 0));
    } catch (const std::exception &) {
        // The port component tells the reason itself; here only the state counts.
    }
    mirrorState();
    if (!PortOpen()) {
        m_activeCtr = 0;
        resetConnectionState();
        // Say why, or the user sees nothing happen.
        if (!m_cate->LastOpenErrorText().isEmpty())
            status(0, QStringLiteral("COM%1: %2").arg(m_port).arg(m_cate->LastOpenErrorText()));
        return;
    }
    emit enablePanel();
    log(QStringLiteral("COM ist verbunden"));
    status(0, QStringLiteral("Verbunden"));
    emit languageActionEnabled(true);

    // Each step below waits with the event loop running; the user or the
    // silence supervision may close the port meanwhile, which ends the sequence.
    m_serialNumber = m_commands->ReadSerialNumber();
    if (!PortOpen()) return;
    status(2, QStringLiteral("SerNo. ") + m_serialNumber);

    StatusCounter = 0;
    TFirmwareVersion version;
    const bool answered = m_commands->ReadFirmwareVersion(version);
    if (!PortOpen()) return;
    m_firmwareText = answered ? version.Text : QString();
    status(3, QStringLiteral("PgmVers. ") + m_firmwareText);
    status(5, QStringLiteral("%1").arg(StatusCounter, 2, 10, QLatin1Char('0')));
    emit versionRequested();
    if (answered && !version.Compatible()) emit firmwareMismatch(FirmwareMismatchMessage(version.Text));
    if (!PortOpen()) return;

    m_languageCode = m_commands->ReadCurrentLanguage();
    if (!PortOpen()) return;
    status(4, m_languageCode);

    QString newCode; // shown through languageChosen
    m_commands->ChooseLanguage(QStringLiteral("de"), newCode);
    if (!PortOpen()) return;

    SendRefresh();
    // Polling starts here, so the periodic refresh runs from now on.
    startRefreshTicks();
    setStartEnableCtr(8);
}

void TConnectionController::sendAutosendOff()
{
    m_autosendOrdered = false;
    m_commands->SendAutosend(0);
}

void TConnectionController::waitForSendQueue()
{
    // A message sent while an answer is awaited waits on the engine's stack;
    // give it the time to go out before the port closes under it.
    const qint64 limit = m_bus->MsgTimeOut() + 200;
    for (qint64 waited = 0; m_bus->StackedCount() > 0 && waited < limit; waited += 20)
        m_bus->DelayMs(20);
    // The bytes still have to leave the write queue: 12 bytes take 13 ms at 9600 baud.
    m_bus->DelayMs(30);
}

void TConnectionController::Disconnect()
{
    // A pause zeroes RefreshCtr but leaves the tester streaming: what counts
    // is whether streaming was ordered.
    settleTicks();
    if (PortOpen() && (m_refreshCtr > 0 || m_autosendOrdered)) {
        log(QStringLiteral("lfd. Übertragung beenden"));
        m_refreshCtr = 0;
        sendAutosendOff();
        waitForSendQueue();
    }
    log(QStringLiteral("COM wird geschlossen"));
    m_commands->ClearQueued();
    m_freigabePending = false;
    m_autosendOrdered = false;
    m_cate->setPort(NoPort);
    m_activeCtr = 0;
    m_grid2->Stop();
    mirrorState();
    resetConnectionState();
}

void TConnectionController::StopPolling()
{
    m_grid2->Stop();
    m_refreshCtr = 0;
    m_activeCtr = 0;
}

void TConnectionController::startPolling()
{
    // With the port closed there is nobody to supervise or to refresh.
    if (!PortOpen()) return;
    settleTicks();
    m_activeCtr = m_inActiveTime;
    startRefreshTicks();
    SendRefresh();
}

void TConnectionController::SendRefresh()
{
    log(QStringLiteral("Auffrischung senden"));
    settleTicks();
    m_refreshCtr = m_refreshTime;
    planTicks();
    m_autosendOrdered = true;
    m_bus->SendMsg(AddrPc, cmdAutosend, m_autosendData);
}

void TConnectionController::FetchData(const std::function<void()> &ShowDialog)
{
    if (!PortOpen()) {
        if (ShowDialog) ShowDialog();
        return;
    }
    m_grid2->Stop();
    log(QStringLiteral("Timer 2 disabled"));
    {
        const TPollingPause pause = PausePolling();
        sendAutosendOff();
        emit clearValues();
        if (ShowDialog) ShowDialog();
        if (PortOpen()) emit enablePanel();
    }
    // Only while connected: a closed port has no refresh to run.
    if (PortOpen()) startRefreshTicks();
    log(QStringLiteral("Timer 2 enabled"));
}

void TConnectionController::IdleStep()
{
    const bool open = PortOpen();
    emit idle(open);
    if (!open) {
        setStartEnabled(false);
        m_startEnableCtr = 0;
        m_mailbox.Clear();
    } else if (const int slot = m_mailbox.IdleVisit(); slot >= 0) {
        const TProtok msg = m_mailbox.Take(slot);
        emit decodeSlot(slot, msg);
    }
    // Whatever this pass or the events before it started counting gets its
    // ticks before the loop sleeps.
    planTicks();
}

void TConnectionController::Timer1Tick()
{
    if (m_txLedCtr > 0) --m_txLedCtr;
    if (m_rxLedCtr > 0) --m_rxLedCtr;
    updateLeds();

    if (PortOpen() && m_activeCtr > 0) {
        const int a = m_activeCtr--;
        if (a == 1) {
            log(QStringLiteral("Time-Out durch ActiveCtr"));
            Disconnect();
        } else if (a == m_inActiveTime / 3 + 1 || a == (m_inActiveTime / 3) * 2 + 1) {
            SendRefresh();
        }
    } else if (!PortOpen()) {
        m_activeCtr = 0;
    }

    m_settingDelay.tick();

    if (!m_startEnabled && m_startEnableCtr > 0 && --m_startEnableCtr == 0) {
        setStartEnabled(true);
        m_freigabePending = true;
    }
    // Writes queued while an exchange waited, and $40 until the tester
    // answered it. They wait for answers: outside this tick, so Timer1 keeps
    // ticking meanwhile.
    if (PortOpen() && !m_tickWorkQueued && (m_freigabePending || m_commands->QueuedCount() > 0) &&
        !m_commands->Busy() && !m_commands->InProcedure()) {
        m_tickWorkQueued = true;
        QMetaObject::invokeMethod(
            this, [this] { runTickWork(); }, Qt::QueuedConnection);
    }

    emit timer1();
}

void TConnectionController::runTickWork()
{
    m_tickWorkQueued = false;
    if (!PortOpen()) return;
    m_commands->RunQueued();
    if (m_freigabePending && m_startEnabled && !m_commands->Busy() && !m_commands->InProcedure()) {
        // Not queued here (nothing waits), so true means answered.
        if (m_commands->SendStartFreigabe()) m_freigabePending = false;
    }
}

void TConnectionController::Timer2Tick()
{
    if (!PortOpen()) {
        m_refreshCtr = 0;
        return;
    }
    if (m_refreshCtr > 0 && --m_refreshCtr == 0) SendRefresh();
}

void TConnectionController::Shutdown()
{
    StopPolling();
    if (PortOpen()) {
        sendAutosendOff();
        waitForSendQueue();
    }
    m_cate->setLogfileName(QString());
    m_cate->setPort(NoPort);
    m_bus->setLogFile(QString());
}
