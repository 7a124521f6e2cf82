// The connection's 100 ms ticks fire only when a tick changes something;
// the quiet ones are counted off so the counters read as if each had run.

#include "bus/SyncBus.h"
#include "serial/Cate32.h"
#include "tester/Commands.h"
#include "tester/ConnectionController.h"
#include "tester/TickGrid.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

namespace {

struct Controller {
    TCate cate;
    TSynchroBus bus;
    TTesterCommands commands{&bus};
    TConnectionController conn{&cate, &bus, &commands};
    Controller() { bus.setCate(&cate); }
};

// A listener of the tick keeps Timer1 on every tick.
void listen(Controller &c, int &heard)
{
    QObject::connect(&c.conn, &TConnectionController::timer1, [&heard] { ++heard; });
    c.conn.setRxLedCtr(0); // plans again with the listener in place
}

} // namespace

TEST(TickGrid, FiresAtTheArmedTickAndCountsEveryPeriodThatPassed)
{
    QTimer timer;
    TTickGrid grid(&timer, 40);
    int fired = 0;
    QObject::connect(&timer, &QTimer::timeout, [&fired] { ++fired; });
    QElapsedTimer t;
    t.start();
    grid.Start();
    grid.ArmIn(3);
    ASSERT_TRUE(gt_test::waitFor([&] { return fired == 1; }, 3000));
    EXPECT_GE(t.elapsed(), 3 * 40 - 1); // never early
    const int passed = grid.Passed(100);
    EXPECT_GE(passed, 3);
    EXPECT_EQ(grid.Passed(2), 2); // at most what is asked
    grid.Advance(2);
    EXPECT_EQ(grid.Passed(100), passed - 2);
    grid.Stop();
    EXPECT_FALSE(timer.isActive());
    EXPECT_EQ(grid.Passed(100), 0);
}

TEST(ConnectionTicks, NothingCountingLetsTimer1SleepAndALampWakesItForItsLastTick)
{
    Controller c;
    // Port closed, nothing counts down: the timer stays enabled but far off.
    ASSERT_TRUE(c.conn.Timer1->isActive());
    EXPECT_GT(c.conn.Timer1->remainingTime(), 1000);

    QList<bool> rx;
    QObject::connect(&c.conn, &TConnectionController::leds, [&rx](bool, bool Rx) { rx << Rx; });
    QElapsedTimer t;
    t.start();
    c.conn.setRxLedCtr(2);
    ASSERT_EQ(rx, QList<bool>{true});
    EXPECT_LE(c.conn.Timer1->remainingTime(), 200);
    // Out at the second tick, not before the first has passed.
    ASSERT_TRUE(gt_test::waitFor([&] { return rx.size() == 2; }, 3000));
    EXPECT_EQ(rx.at(1), false);
    EXPECT_GE(t.elapsed(), 100);
    EXPECT_EQ(c.conn.RxLedCtr(), 0);
    EXPECT_GT(c.conn.Timer1->remainingTime(), 1000);
}

TEST(ConnectionTicks, ACounterReadsAsIfEveryTickHadRun)
{
    Controller c;
    c.conn.setStartEnableCtr(4);
    EXPECT_EQ(c.conn.StartEnableCtr(), 4);
    // The timer is armed for the tick that enables the start action, so the
    // ticks before it pass unseen; reading counts them off.
    EXPECT_GE(c.conn.Timer1->remainingTime(), 300);
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(gt_test::waitFor([&] { return c.conn.StartEnableCtr() <= 2; }, 3000));
    EXPECT_GE(t.elapsed(), 100); // two ticks: the first may come at once
    EXPECT_FALSE(c.conn.StartEnabled());
    ASSERT_TRUE(gt_test::waitFor([&] { return c.conn.StartEnabled(); }, 3000));
    EXPECT_GE(t.elapsed(), 300);
    EXPECT_EQ(c.conn.StartEnableCtr(), 0);
}

TEST(ConnectionTicks, AListenerOfTheTickHearsEveryTick)
{
    Controller c;
    int heard = 0;
    listen(c, heard);
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(gt_test::waitFor([&] { return heard >= 3; }, 3000));
    EXPECT_GE(t.elapsed(), 200);
}

TEST(ConnectionTicks, TicksMissedWhileTheLoopWasHeldUpAreDroppedNotRunInABurst)
{
    // As at program start, when the windows are made after the timers: the
    // splash screen must still stand for its eight ticks once the loop runs.
    Controller c;
    int heard = 0;
    listen(c, heard);
    QElapsedTimer stall;
    stall.start();
    while (stall.elapsed() < 1000) {
        // the loop is held up for ten ticks
    }
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(gt_test::waitFor([&] { return heard >= 3; }, 3000));
    // The overdue tick comes at once, the next ones keep their 100 ms.
    EXPECT_GE(t.elapsed(), 100);
}
