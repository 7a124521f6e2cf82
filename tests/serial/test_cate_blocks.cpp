// How the read thread cuts the byte stream into blocks: a block ends only
// after the line was quiet for the read interval after its last byte.
#include "CateFixture.h"

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
// not after a whole interval-long sleep that happened to bring nothing.
TEST_F(CateTest, BlockEndsAnIntervalAfterTheLastByte)
{
    TCate cate;
    record(cate);
    cate.setReadInterval(250);
    cate.setPort(Com1);
    ASSERT_TRUE(line1.write("abc"));
    ASSERT_TRUE(waitFor([&] { return line1.unreadByProgram() == 0; }));
    ASSERT_TRUE(line1.write("def"));
    ASSERT_TRUE(waitFor([&] { return line1.unreadByProgram() == 0; }));
    // The timing is this test's input: the next bytes come well beyond the
    // interval after the last ones but short of two intervals, when a block
    // ended by whole intervals would still be open.
    QTimer::singleShot(420, &cate, [&] { line1.write("ghi"); });
    ASSERT_TRUE(waitFor([&] { return received.size() >= 9; }));
    EXPECT_EQ(received, "abcdefghi");
    EXPECT_EQ(blockSizes, (QList<int>{6, 3}));
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
