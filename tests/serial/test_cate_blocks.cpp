// How the read thread cuts the byte stream into blocks: a block ends only
// after the line was quiet for the read interval after its last byte.
#include "CateFixture.h"

#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

using gt_test::waitFor;

TEST_F(CateTest, ReadIntervalGroupsBytesIntoBlocks)
{
    TCate cate;
    record(cate);
    // A generous gap: both halves end up in one block even on a busy machine.
    cate.setReadInterval(400);
    cate.setPort(Com1);
    ASSERT_TRUE(line1.write("abc"));
    // The second half comes while the read thread already holds the first.
    ASSERT_TRUE(waitFor([&] { return line1.unreadByProgram() == 0; }));
    ASSERT_TRUE(line1.write("def"));
    ASSERT_TRUE(waitFor([&] { return received.size() >= 6; }));
    EXPECT_EQ(received, "abcdef");
    EXPECT_EQ(blockSizes, QList<int>{6});

    // Handing over at once: a block per arrival.
    received.clear();
    blockSizes.clear();
    cate.setReadInterval(0);
    ASSERT_TRUE(line1.write("ab"));
    ASSERT_TRUE(waitFor([&] { return received.size() >= 2; }));
    ASSERT_TRUE(line1.write("cd"));
    ASSERT_TRUE(waitFor([&] { return received.size() >= 4; }));
    EXPECT_EQ(blockSizes, (QList<int>{2, 2}));
}

// A block ends once the line was quiet for the interval after the last byte,
// at the latest two intervals after it, however the read thread's sleeps fell.
TEST_F(CateTest, BlockEndsAnIntervalAfterTheLastByte)
{
    TCate cate;
    record(cate);
    cate.setReadInterval(200);
    cate.setPort(Com1);
    ASSERT_TRUE(line1.write("abc"));
    ASSERT_TRUE(waitFor([&] { return line1.unreadByProgram() == 0; }));
    // The timing is this test's input: the next bytes come beyond two
    // intervals after the last ones, when a block cut any later would still
    // be open.
    ASSERT_TRUE(line1.write("def"));
    QTimer::singleShot(520, Qt::PreciseTimer, &cate, [&] { line1.write("ghi"); });
    ASSERT_TRUE(waitFor([&] { return received.size() >= 9; }));
    EXPECT_EQ(received, "abcdefghi");
    EXPECT_EQ(blockSizes, (QList<int>{6, 3}));
}

// At the tester's own short interval the read thread sleeps without watching
// the close signal: blocks still end, and a close is not held up.
TEST_F(CateTest, ShortIntervalCutsBlocksAndClosesPromptly)
{
    TCate cate;
    record(cate);
    cate.setReadInterval(10);
    cate.setPort(Com1);
    ASSERT_TRUE(line1.write(QByteArray(60, 'x')));
    ASSERT_TRUE(waitFor([&] { return received.size() >= 60; }));
    QTimer::singleShot(150, &cate, [&] { line1.write("yz"); });
    ASSERT_TRUE(waitFor([&] { return received.size() >= 62; }));
    EXPECT_EQ(blockSizes, (QList<int>{60, 2}));
    ASSERT_TRUE(line1.write("abc"));
    QElapsedTimer t;
    t.start();
    cate.setPort(NoPort);
    EXPECT_FALSE(cate.IsOpen());
    EXPECT_LT(t.elapsed(), 1000);
}

// Bytes that trickle in with gaps longer than the read thread's sleeps but
// shorter than the interval still make one block: a sleep that brought nothing
// does not end it, only a whole quiet interval after the last byte does.
TEST_F(CateTest, GapsShorterThanTheIntervalNeverSplitABlock)
{
    TCate cate;
    record(cate);
    cate.setReadInterval(400);
    cate.setPort(Com1);
    // Timing is the input here: 250 ms gaps, 150 ms short of the interval.
    ASSERT_TRUE(line1.write("a"));
    QTimer::singleShot(250, &cate, [&] { line1.write("b"); });
    QTimer::singleShot(500, &cate, [&] { line1.write("c"); });
    ASSERT_TRUE(waitFor([&] { return received.size() >= 3; }));
    EXPECT_EQ(received, "abc");
    EXPECT_EQ(blockSizes, QList<int>{3});
}

// A listener of arriving characters (the receive lamp, lit for two 100 ms
// ticks) hears of a long run more than once while it flows, not only at its
// first byte: a tester streaming without a pause keeps the lamp lit.
TEST_F(CateTest, CharReceivedRepeatsWhileALongRunFlows)
{
    TCate cate;
    record(cate);
    int chars = 0;
    QObject::connect(&cate, &TCate::charReceived, [&] { ++chars; });
    // Gaps of 20 ms against an interval of 150 ms: one run of about 800 ms.
    cate.setReadInterval(150);
    cate.setPort(Com1);
    int sent = 0;
    QTimer pace;
    QObject::connect(&pace, &QTimer::timeout, [&] {
        if (sent < 40) line1.write(QByteArray(1, char('a' + sent++ % 26)));
    });
    pace.start(20);
    ASSERT_TRUE(waitFor([&] { return received.size() >= 40; }, 5000));
    ASSERT_EQ(blockSizes.size(), 1) << "the run was cut: the test needs one run";
    EXPECT_GE(chars, 4);
}
