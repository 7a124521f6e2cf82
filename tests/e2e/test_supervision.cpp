#include "E2eSupport.h"

#include "tester/Commands.h"

#include <QElapsedTimer>
#include <QTimer>

#include <csignal>

#include <gtest/gtest.h>

using namespace gt_e2e;

namespace {

int countOf(const QStringList &l, const QString &s)
{
    return int(std::count(l.begin(), l.end(), s));
}

// Connects and waits until the start-enabled write after connecting has been
// answered, so no direct exchange (which pauses the supervision) is under way.
bool connectSettled(ConnectedFixture &f, TForm1 *w)
{
    w->Actions().G_Verbinden->trigger();
    if (!f.connected()) return false;
    return waitUntil(
        [&] {
            return w->Connection().StartEnabled() && !w->Commands().Busy() &&
                   w->Connection().ActiveCtr() > 0 &&
                   f.logTexts().contains(QStringLiteral("Empfang $66: verschiedene Einstellungen vorgeben"));
        },
        5000);
}

} // namespace

TEST(Supervision, SilentTesterGetsTwoRefreshesAndIsDroppedAfterInActiveTime)
{
    gt_test::SimProcess sim;
    ASSERT_TRUE(sim.start());
    ConnectedFixture f;
    // No periodic refresh in the window under test.
    f.configure(sim.path(), "[Timing]\nRefreshTime=1000\n");
    TForm1 *w = f.make();
    ASSERT_TRUE(connectSettled(f, w));

    const int before = f.logTexts().size();
    const qint64 pid = sim.process().processId();
    ::kill(pid_t(pid), SIGSTOP); // the tester falls silent, the line stays up
    QElapsedTimer t;
    t.start();
    const bool dropped = waitUntil([&] { return !f.connected(); }, 5000);
    const qint64 ms = t.elapsed();
    ::kill(pid_t(pid), SIGCONT);
    ASSERT_TRUE(dropped);
    EXPECT_GE(ms, 1200);
    EXPECT_LE(ms, 4000); // 15 ticks of 100 ms, with room for a busy machine

    // Counted from the last message the tester got through before it fell silent.
    const QStringList after = f.logTexts().mid(before);
    const int timeoutLine = int(after.indexOf(QStringLiteral("Time-Out durch ActiveCtr")));
    ASSERT_GE(timeoutLine, 0);
    int lastReceived = -1;
    for (int i = 0; i < timeoutLine; ++i)
        if (after[i].startsWith(QStringLiteral("Empfang"))) lastReceived = i;
    EXPECT_EQ(countOf(after.mid(lastReceived + 1, timeoutLine - lastReceived - 1),
                      QStringLiteral("Auffrischung senden")),
              2)
        << after.join(u'\n').toStdString();
    EXPECT_EQ(f.panel(0), QStringLiteral("Keine Verbindung"));
}

TEST(Supervision, TesterThatNeverAnswersIsDroppedThreeSecondsAfterOpening)
{
    gt_test::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ConnectedFixture f;
    f.configure(pty.slavePath());
    TForm1 *w = f.make();
    QElapsedTimer t;
    t.start();
    w->Actions().G_Verbinden->trigger();
    ASSERT_TRUE(waitUntil([&] { return !f.connected(); }, 8000));
    const qint64 ms = t.elapsed();
    EXPECT_GE(ms, 2800);
    EXPECT_LE(ms, 6000); // 30 ticks, with room for a busy machine
    EXPECT_TRUE(f.logTexts().contains(QStringLiteral("Time-Out durch ActiveCtr")));
    EXPECT_EQ(f.panel(2), QStringLiteral("SerNo."));
}

TEST(Supervision, SecondConnectDuringIdentificationStartsNoSecondSequence)
{
    gt_test::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ConnectedFixture f;
    f.configure(pty.slavePath());
    TForm1 *w = f.make();
    QTimer::singleShot(300, w, [w] { w->Connection().Connect(); });
    w->Actions().G_Verbinden->trigger();
    ASSERT_TRUE(waitUntil([&] { return !f.connected(); }, 8000));
    EXPECT_EQ(countOf(f.logTexts(), QStringLiteral("COM wird geöffnet")), 1);
}

// While the tester streams, the silence supervision only counts down and the
// receive lamp stays lit: Timer1 has nothing to do and does not come every
// 100 ms, while the refresh still goes out every RefreshTime ticks.
TEST(Supervision, StreamingTesterLeavesTimer1AsleepAndIsRefreshedOnTime)
{
    gt_test::SimProcess sim;
    ASSERT_TRUE(sim.start());
    ConnectedFixture f;
    f.configure(sim.path(), "[Timing]\nRefreshTime=8\n");
    TForm1 *w = f.make();
    ASSERT_TRUE(connectSettled(f, w));

    int ticks = 0;
    QObject::connect(w->Connection().Timer1, &QTimer::timeout, [&ticks] { ++ticks; });
    const int before = f.logTexts().size();
    const auto refreshes = [&] {
        return countOf(f.logTexts().mid(before), QStringLiteral("Auffrischung senden"));
    };
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(waitUntil([&] { return refreshes() >= 3; }, 10000));
    const qint64 ms = t.elapsed();
    // Three refreshes eight ticks apart: not sooner than sixteen ticks, less
    // one for the phase of the first.
    EXPECT_GE(ms, 1500);
    EXPECT_TRUE(f.connected());
    // A tick every 100 ms would be fifteen or more. Each refresh lights the
    // send lamp, which takes a tick to go out; a busy machine that delays a
    // report lets the receive lamp go out too.
    EXPECT_LT(ticks, int(ms / 100) / 3) << ticks << " ticks in " << ms << " ms";
}

// A main thread held up for longer than InActiveTime (a long print, a slow
// database) while the tester keeps streaming: the reports that arrived
// meanwhile are waiting in the queue, so the tester was never silent. The
// ticks missed during the stall must not all be run afterwards, one after
// the other, before the waiting reports are read: that would refresh twice
// and drop a streaming tester.
TEST(Supervision, StalledMainThreadDoesNotDropAStreamingTester)
{
    gt_test::SimProcess sim;
    ASSERT_TRUE(sim.start());
    ConnectedFixture f;
    f.configure(sim.path(), "[Timing]\nRefreshTime=1000\n");
    TForm1 *w = f.make();
    ASSERT_TRUE(connectSettled(f, w));

    const int before = f.logTexts().size();
    QElapsedTimer stall;
    stall.start();
    while (stall.elapsed() < 2500) {
        // the main thread is busy elsewhere; the read thread goes on
    }
    // Until the tester has been heard a few times after the stall.
    const auto received = [&] {
        const QStringList after = f.logTexts().mid(before);
        return int(std::count_if(after.begin(), after.end(),
                                 [](const QString &l) { return l.startsWith(QStringLiteral("Empfang")); }));
    };
    const int waiting = received();
    ASSERT_TRUE(waitUntil([&] { return received() >= waiting + 10 || !f.connected(); }, 5000));
    const QStringList after = f.logTexts().mid(before);
    EXPECT_TRUE(f.connected());
    EXPECT_FALSE(after.contains(QStringLiteral("Time-Out durch ActiveCtr")))
        << after.join(u'\n').toStdString();
    // The overdue tick may come before the waiting reports and refresh once;
    // running the missed ticks would refresh twice.
    EXPECT_LE(countOf(after, QStringLiteral("Auffrischung senden")), 1) << after.join(u'\n').toStdString();
}
