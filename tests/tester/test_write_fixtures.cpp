// The requests the program sends to change the tester, compared byte for
// byte with frames worked out by hand from the settings block and the
// change rules, against a far end that answers from hand-written bytes.

#include "HandTester.h"

#include "fixtures/BusFrames.h"
#include "fixtures/WriteRequests.h"

#include "bus/SyncBus.h"
#include "tester/Commands.h"

#include <gtest/gtest.h>

#include <memory>

using namespace fixtures;

namespace {

class WriteFixtures : public tester_test::HandLineTest {
protected:
    void SetUp() override
    {
        HandLineTest::SetUp();
        if (HasFatalFailure()) return;
        // $67 is not answered: a short answer time-out and tick let the second
        // order follow quickly.
        bus.setTickTime(20);
        bus.setMsgTimeOut(80);
        tester->answers[Hex(Req34)] = Hex(Ans34);
        for (const char *req :
             {Req66Messzeit, Req66Klasse2, Req66Klasse3, Req66Din0751, Req66Beruehr, Req66Start})
            tester->answers[Hex(req)] = Hex(Ans66);
        tester->answers[Hex(Req3A)] = Hex(Ans3A);
        tester->answers[Hex(Req68Isolation4)] = Hex(Ans68);
        tester->answers[Hex(Req70S)] = Hex(Ans70);
        tester->answers[Hex(Req70C)] = Hex(Ans70);
        tester->answers[Hex(ReqFetchBegin)] = Hex(Ans70);
    }

    // Runs one change and returns the requests it sent.
    QList<QByteArray> Sent(const std::function<bool()> &change)
    {
        tester->requests.clear();
        EXPECT_TRUE(change());
        return tester->requests;
    }
};

QList<QByteArray> Frames(std::initializer_list<const char *> list)
{
    QList<QByteArray> out;
    for (const char *f : list)
        out << Hex(f);
    return out;
}

} // namespace

// Each setting is written as the block read with $34, edited, with the PC's
// mark where the table asks for it, and the action byte zero.
TEST_F(WriteFixtures, SettingChangesWriteTheWorkedOutBlocks)
{
    EXPECT_EQ(Sent([&] { return cmds.SetMesszeit(50); }), Frames({Req34, Req66Messzeit}));
    EXPECT_EQ(Sent([&] { return cmds.SetSchutzklasse(2); }), Frames({Req34, Req66Klasse2}));
    EXPECT_EQ(Sent([&] { return cmds.SetSchutzklasse(3); }), Frames({Req34, Req66Klasse3}));
    EXPECT_EQ(Sent([&] { return cmds.SetDinVde(2); }), Frames({Req34, Req66Din0751}));
    EXPECT_EQ(Sent([&] { return cmds.SetMenueBit(0x10, true); }), Frames({Req34, Req66Beruehr}));
    EXPECT_EQ(Sent([&] { return cmds.SendAktion(0x01); }), Frames({Req34, Req66Start}));
}

// A limit is written as the four indexes read with $3A, one replaced.
TEST_F(WriteFixtures, ALimitChangeWritesTheFourIndexes)
{
    EXPECT_EQ(Sent([&] { return cmds.LimitWrite(ltIsolationswid, 4); }), Frames({Req3A, Req68Isolation4}));
}

// The read-out's acknowledgements and the autosend order.
TEST_F(WriteFixtures, ReadOutAndAutosendRequests)
{
    EXPECT_EQ(Sent([&] { return cmds.EepromFunktion('T'); }), Frames({ReqFetchBegin}));
    EXPECT_EQ(Sent([&] { return cmds.EepromFunktion('S'); }), Frames({Req70S}));
    EXPECT_EQ(Sent([&] { return cmds.EepromFunktion('C'); }), Frames({Req70C}));

    tester->requests.clear();
    cmds.SendAutosend(0x079C);
    cmds.SendAutosend(0);
    ASSERT_TRUE(gt_test::waitFor([&] { return tester->requests.size() >= 2; }));
    EXPECT_EQ(tester->requests, Frames({ReqAutosend, Req67Off}));
}

// The language list from three hand-written entries, and a choice: $34 shows
// the choice is offered, the list is read, $69 names the position, $3B
// reports the new code.
TEST_F(WriteFixtures, LanguageListAndChoice)
{
    tester->answers[Hex(Req15Entry0)] = Hex(Ans15Entry0);
    tester->answers[Hex(Req15Entry1)] = Hex(Ans15Entry1);
    tester->answers[Hex(Req15Entry2)] = Hex(Ans15Entry2);
    tester->answers[Hex(Req69En)] = Hex(Ans69);
    tester->answers[Hex(Req3B)] = Hex(Ans3BEn);

    const TLanguageList list = cmds.LanguageList();
    EXPECT_TRUE(list.Answered);
    EXPECT_EQ(list.Text(), QStringLiteral("de,en"));
    EXPECT_EQ(list.Count, 3);
    EXPECT_EQ(list.Current, 1);
    EXPECT_EQ(tester->requests, Frames({Req15Entry0, Req15Entry1, Req15Entry2}));

    EXPECT_EQ(cmds.ReadCurrentLanguage(), QStringLiteral("en"));

    tester->requests.clear();
    QString code;
    EXPECT_EQ(cmds.ChooseLanguage(QStringLiteral("en"), code), lcGewaehlt);
    EXPECT_EQ(code, QStringLiteral("en"));
    EXPECT_EQ(tester->requests, Frames({Req34, Req15Entry0, Req15Entry1, Req15Entry2, Req69En, Req3B}));
}
