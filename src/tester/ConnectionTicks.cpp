// The two 100 ms timers of the connection. While the tester streams, nearly
// every tick only counts down (the silence supervision, the refresh, a lit
// lamp): a timer firing ten times a second for that cost more than the rest
// of the idle program. So each timer is armed for the next tick that changes
// something, and the quiet ticks before it are counted off when that tick
// comes or when a counter is read or set.

#include "tester/Commands.h"
#include "tester/ConnectionController.h"
#include "tester/TickGrid.h"

#include <QMetaMethod>
#include <QTimer>

#include <algorithm>

namespace {

// A timer with nothing to count still comes by this often: it stays enabled.
constexpr int MaxQuietTicks = 50;
constexpr int TickMs = 100;

} // namespace

void TConnectionController::setupTicks()
{
    m_grid1 = std::make_unique<TTickGrid>(Timer1, TickMs);
    m_grid2 = std::make_unique<TTickGrid>(Timer2, TickMs);
    connect(Timer1, &QTimer::timeout, this, [this] { onTimer1(); });
    connect(Timer2, &QTimer::timeout, this, [this] { onTimer2(); });
    m_grid1->Start();
}

void TConnectionController::StopTicks()
{
    m_grid1->Stop();
    m_grid2->Stop();
}

void TConnectionController::startRefreshTicks()
{
    m_grid2->Start();
    planTicks();
}

int TConnectionController::settled(const int &Ctr)
{
    settleTicks();
    return Ctr;
}

void TConnectionController::setCounter(int &Ctr, int Ticks)
{
    settleTicks();
    Ctr = Ticks;
    updateLeds();
    planTicks();
}

int TConnectionController::ActiveCtr()
{
    return settled(m_activeCtr);
}

int TConnectionController::RefreshCtr()
{
    return settled(m_refreshCtr);
}

int TConnectionController::StartEnableCtr()
{
    return settled(m_startEnableCtr);
}

void TConnectionController::setStartEnableCtr(int Ticks)
{
    setCounter(m_startEnableCtr, Ticks);
}

int TConnectionController::TxLedCtr()
{
    return settled(m_txLedCtr);
}

void TConnectionController::setTxLedCtr(int Ticks)
{
    setCounter(m_txLedCtr, Ticks);
}

int TConnectionController::RxLedCtr()
{
    return settled(m_rxLedCtr);
}

void TConnectionController::setRxLedCtr(int Ticks)
{
    setCounter(m_rxLedCtr, Ticks);
}

void TConnectionController::lightLed(int &Ctr)
{
    setCounter(Ctr, 2);
}

// The tick (1: the next) at which the silence supervision refreshes or gives
// up: the tick that sees ActiveCtr at a acts when a is 1, InActiveTime div 3
// + 1 or (InActiveTime div 3) x 2 + 1.
int TConnectionController::ticksToSupervisionStep() const
{
    const int a = m_activeCtr;
    const int third = m_inActiveTime / 3;
    int ticks = a;
    for (const int step : {third + 1, third * 2 + 1})
        if (step >= 1 && step <= a) ticks = std::min(ticks, a - step + 1);
    return ticks;
}

// How many ticks ahead Timer1 next does more than count down (1: the next).
int TConnectionController::ticksToChange1() const
{
    const bool open = PortOpen();
    // Read between ticks by others, or acted on at every tick.
    if (m_settingDelay.active() ||
        isSignalConnected(QMetaMethod::fromSignal(&TConnectionController::timer1)) ||
        (open && (m_freigabePending || m_commands->QueuedCount() > 0)))
        return 1;
    int ticks = MaxQuietTicks;
    const auto until = [&ticks](int n) {
        if (n > 0) ticks = std::min(ticks, n);
    };
    until(m_txLedCtr); // a lamp goes out when its counter reaches 0
    until(m_rxLedCtr);
    if (!m_startEnabled) until(m_startEnableCtr);
    if (open && m_activeCtr > 0) until(ticksToSupervisionStep());
    return ticks;
}

int TConnectionController::ticksToChange2() const
{
    return PortOpen() && m_refreshCtr > 0 ? std::min(m_refreshCtr, MaxQuietTicks) : MaxQuietTicks;
}

// N ticks of Timer1 that change nothing but the counters (fewer than
// ticksToChange1() said when the timer was armed).
void TConnectionController::countOffQuietTicks1(int N)
{
    const auto down = [N](int &c) { c = std::max(0, c - N); };
    down(m_txLedCtr);
    down(m_rxLedCtr);
    if (!m_startEnabled) down(m_startEnableCtr);
    if (!PortOpen())
        m_activeCtr = 0;
    else
        down(m_activeCtr);
}

void TConnectionController::settleTicks()
{
    // A tick that waits in a nested loop counts itself off when it returns.
    if (m_inTick || !m_grid1) return;
    if (const int n = m_grid1->Passed(m_grid1->Armed() - 1); n > 0) {
        countOffQuietTicks1(n);
        m_grid1->Advance(n);
    }
    if (const int n = m_grid2->Passed(m_grid2->Armed() - 1); n > 0) {
        m_refreshCtr = PortOpen() ? std::max(0, m_refreshCtr - n) : 0;
        m_grid2->Advance(n);
    }
}

void TConnectionController::planTicks()
{
    if (m_inTick || !m_grid1) return;
    settleTicks();
    m_grid1->ArmIn(ticksToChange1());
    m_grid2->ArmIn(ticksToChange2());
}

void TConnectionController::onTimer1()
{
    runArmedTick(*m_grid1, &TConnectionController::Timer1Tick);
}

void TConnectionController::onTimer2()
{
    runArmedTick(*m_grid2, &TConnectionController::Timer2Tick);
}

void TConnectionController::runArmedTick(TTickGrid &Grid, void (TConnectionController::*Tick)())
{
    if (m_inTick) return;
    const int armed = Grid.Armed();
    if (Grid.Passed(armed) == armed) {
        settleTicks(); // the quiet ticks before the armed one
        Grid.Advance(1);
        // After a stall the reports that came meanwhile wait in the queue:
        // running every missed tick before them would count a streaming
        // tester silent and drop it.
        Grid.SkipMissed();
        m_inTick = true;
        (this->*Tick)();
        m_inTick = false;
    }
    planTicks();
}
