#include "tester/CommandCodes.h"
#include "tester/Decoders.h"
#include "tester/Mailbox.h"

#include <QList>

#include <gtest/gtest.h>

namespace {

TProtok Report(quint8 cmd, quint8 first, quint8 addr = AddrTester)
{
    return BuildMsg(addr, cmd, QByteArray(1, char(first)));
}

} // namespace

TEST(Mailbox, SlotTable)
{
    const quint8 cmds[] = {0x31, 0x32, 0x33, 0x34, 0x37, 0x38, 0x39, 0x3A};
    for (int i = 0; i < AutosendSlotCount; ++i) {
        EXPECT_EQ(AutosendSlotForCmd(cmds[i]), i);
        EXPECT_EQ(AutosendSlotCmd(i), cmds[i]);
        EXPECT_EQ(AutosendPendingBit(i), 1 << i);
    }
    for (quint8 c : {0x30, 0x35, 0x36, 0x10, 0x66, 0x3B})
        EXPECT_EQ(AutosendSlotForCmd(c), -1);
}

TEST(Mailbox, DispatchKeepsOnlyTesterReports)
{
    TAutosendMailbox box;
    EXPECT_FALSE(box.Dispatch(Report(0x37, 1, AddrPc))); // wrong address
    EXPECT_FALSE(box.Dispatch(Report(0x10, 1)));         // not a report
    EXPECT_FALSE(box.Dispatch(Report(0x35, 1)));
    EXPECT_EQ(box.AutosendPending, 0);

    EXPECT_TRUE(box.Dispatch(Report(0x3A, 7)));
    EXPECT_TRUE(box.Dispatch(Report(0x31, 8)));
    EXPECT_EQ(box.AutosendPending, 0x81);
    EXPECT_EQ(box.Slot(7).Data[0], 7);
    EXPECT_EQ(box.Slot(0).Data[0], 8);
}

TEST(Mailbox, TwoReportsBeforeIdleStepDecodeOnlyTheNewest)
{
    TAutosendMailbox box;
    box.Dispatch(Report(0x37, 1));
    box.Dispatch(Report(0x37, 2));

    // One full round of the idle step finds slot 4 once, with the second report.
    QList<int> decoded;
    QList<int> values;
    for (int pass = 0; pass < 2 * AutosendSlotCount; ++pass) {
        const int slot = box.IdleVisit();
        if (slot < 0) continue;
        decoded << slot;
        values << box.Take(slot).Data[0];
    }
    EXPECT_EQ(decoded, QList<int>{4});
    EXPECT_EQ(values, QList<int>{2});
    EXPECT_EQ(box.AutosendPending, 0);
}

TEST(Mailbox, IdleStepVisitsOneSlotPerPassInOrder)
{
    TAutosendMailbox box;
    box.Dispatch(Report(0x39, 0));
    box.Dispatch(Report(0x32, 0));
    box.IdleSlot = 3;
    QList<int> seen;
    for (int pass = 0; pass < AutosendSlotCount; ++pass) {
        const int slot = box.IdleVisit();
        seen << slot;
        if (slot >= 0) box.Take(slot);
    }
    EXPECT_EQ(seen, (QList<int>{-1, -1, -1, 6, -1, -1, 1, -1}));
    EXPECT_EQ(box.IdleSlot, 3);

    box.Dispatch(Report(0x33, 0));
    box.Clear();
    EXPECT_EQ(box.AutosendPending, 0);
    EXPECT_EQ(box.IdleSlot, 0);
}
