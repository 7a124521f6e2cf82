// The pause of the tester's polling as a scope, and the hold-off after a
// setting change with its one owner.

#include "tester/PanelState.h"
#include "tester/PollingGate.h"
#include "tester/SettingDelay.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <memory>
#include <stdexcept>

namespace {

struct Polling {
    QStringList log;
    TPollingGate gate{[this] { log << QStringLiteral("stop"); }, [this] { log << QStringLiteral("start"); }};
};

const QStringList StoppedOnce{QStringLiteral("stop"), QStringLiteral("start")};

// A procedure that gives up half-way, as the tester procedures do on a missing answer.
bool exchange(TPollingGate &gate, bool answered, bool *pausedInside)
{
    const TPollingPause pause = gate.Pause();
    *pausedInside = gate.Paused();
    if (!answered) return false;
    return gate.Paused();
}

} // namespace

TEST(PollingPause, AnEarlyReturnOrAnExceptionStartsPollingAgain)
{
    Polling p;
    bool pausedInside = false;
    EXPECT_FALSE(exchange(p.gate, false, &pausedInside));
    EXPECT_TRUE(pausedInside);
    EXPECT_FALSE(p.gate.Paused());
    EXPECT_EQ(p.log, StoppedOnce);

    p.log.clear();
    EXPECT_THROW(
        {
            const TPollingPause pause = p.gate.Pause();
            throw std::runtime_error("no answer");
        },
        std::runtime_error);
    EXPECT_FALSE(p.gate.Paused());
    EXPECT_EQ(p.log, StoppedOnce);
}

TEST(PollingPause, NestedPausesStartPollingOnlyWhenTheLastEnds)
{
    Polling p;
    {
        const TPollingPause outer = p.gate.Pause();
        {
            TPollingPause inner = p.gate.Pause();
            TPollingPause moved = std::move(inner); // a moved-from pause ends nothing
        }
        EXPECT_TRUE(p.gate.Paused());
        EXPECT_EQ(p.log, QStringList{QStringLiteral("stop")});
    }
    EXPECT_EQ(p.log, StoppedOnce);

    // Ended early, a pause is not ended a second time by its scope.
    p.log.clear();
    {
        const TPollingPause outer = p.gate.Pause();
        TPollingPause inner = p.gate.Pause();
        inner.Release();
        inner.Release();
        EXPECT_TRUE(p.gate.Paused());
    }
    EXPECT_EQ(p.log, StoppedOnce);
}

TEST(PollingPause, APauseWithoutGateOrOutlivingItDoesNothing)
{
    {
        const TPollingPause none;
    }
    auto p = std::make_unique<Polling>();
    QStringList *log = &p->log;
    TPollingPause pause = p->gate.Pause();
    const QStringList seen = *log;
    p.reset(); // the controller went first
    pause.Release();
    EXPECT_EQ(seen, QStringList{QStringLiteral("stop")});
}

// A user change pauses polling around its write and starts it again whichever
// way the write ends; the hold-off then counts from the end of the write.
TEST(PollingPause, AFailedUserWriteOnThePanelStillStartsPollingAgain)
{
    Polling p;
    TSettingDelay delay(6);
    TPanelState s;
    s.SettingDelay = &delay;
    s.PausePolling = [&p] { return p.gate.Pause(); };
    int writes = 0;
    s.WriteSetting = [&](const TSettingChange &) {
        ++writes;
        EXPECT_TRUE(p.gate.Paused());
        return false;
    };
    s.UserSichtpr(2); // the first write fails, so the second is not tried
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(p.log, StoppedOnce);
    EXPECT_EQ(delay.Remaining(), 6);
    EXPECT_EQ(s.DelayCtr(), 6);
}

TEST(SettingDelay, RestartHoldsForItsLengthInTicks)
{
    TSettingDelay d(3);
    EXPECT_FALSE(d.active());
    d.restart();
    d.tick();
    d.tick();
    EXPECT_TRUE(d.active());
    d.restart(); // a second change counts from itself
    d.tick();
    d.tick();
    EXPECT_EQ(d.Remaining(), 1);
    d.tick();
    EXPECT_FALSE(d.active());
    d.tick();
    EXPECT_EQ(d.Remaining(), 0);

    d.restart();
    d.clear();
    EXPECT_FALSE(d.active());
    d.setLength(-4); // a nonsensical setting holds nothing off
    d.restart();
    EXPECT_FALSE(d.active());
}
