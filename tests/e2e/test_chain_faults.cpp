// The whole chain on a bad line: a tester that stops answering, loses single
// requests or answers, sends frames with wrong checksums or missing bytes, or
// hangs up. Procedures either succeed with the right result or fail cleanly;
// nothing hangs, and a transient fault leaves the line usable.

#include "test_chain_support.h"

#include "tester/StoredRecord.h"

#include <QElapsedTimer>

#include <functional>

using namespace chain_test;
using gt_test::waitFor;

namespace {

QStringList unpacedWith(const QStringList &more)
{
    return QStringList{QStringLiteral("--no-pacing")} + more;
}

} // namespace

namespace chain_test {

// Reads records until the tester's read pointer has passed all n: every
// record that is read whole must be the one under the tester's pointer.
class TesterChainBadLine : public TesterChain {
protected:
    void expectReadOutIntact(int n, const std::function<bool(bool)> &count)
    {
        for (int guard = 0; guard < 3 * n; ++guard) {
            const int ptr = sim.stateInt(QStringLiteral("read_ptr"));
            if (ptr < 0 || ptr >= n) break;
            TSpeicherSatz satz;
            if (count(cmds.ReadSpeicherSatz(satz))) {
                EXPECT_EQ(hexOf(satz), simRecordHex(ptr)) << "record " << ptr;
            }
            count(cmds.EepromFunktion(EepromSatzGelesen));
        }
    }
};

} // namespace chain_test

// ---- No answer ---------------------------------------------------------------

// Every procedure gives up after its attempts: three of its own, each with the
// bus engine's three tries.
TEST_F(TesterChain, SilentTesterEveryProcedureFailsAfterItsAttempts)
{
    connect(unpacedWith({QStringLiteral("--silent-after"), QStringLiteral("2"), QStringLiteral("--records"),
                         QStringLiteral("2")}));
    shortTimeouts();
    TFirmwareVersion v;
    ASSERT_TRUE(cmds.ReadFirmwareVersion(v));
    EXPECT_FALSE(cmds.ReadSerialNumber().isEmpty()); // the answer to the last frame still comes

    EXPECT_EQ(cmds.ReadCurrentLanguage(), QString());
    EXPECT_EQ(sentCount(cmdSprache), 9);

    EXPECT_FALSE(cmds.SetMesszeit(99));
    EXPECT_EQ(sentCount(cmdFlags), 9);
    EXPECT_EQ(sentCount(cmdEinstellungen), 0); // nothing written without the block read first

    EXPECT_FALSE(cmds.LimitWrite(ltIsolationswid, 2));
    EXPECT_EQ(sentCount(cmdGrenzwertIndex), 0);

    // The read-out requests are tried by the bus engine only.
    TSpeicherSatz satz;
    satz.Bytes.fill(0xAA);
    EXPECT_FALSE(cmds.ReadSpeicherSatz(satz));
    EXPECT_EQ(sentCount(cmdDatensatzA), 3);
    EXPECT_EQ(sentCount(cmdDatensatzB), 0); // gives up at the first missing piece
    EXPECT_EQ(satz.Bytes[0], 0);            // no stale bytes from before
    EXPECT_FALSE(cmds.EepromFunktion(EepromLesenBeenden));

    const QMap<QString, QString> s = sim.state();
    EXPECT_EQ(s.value(QStringLiteral("messzeit")).toInt(), 30);
    EXPECT_EQ(s.value(QStringLiteral("records")).toInt(), 2);
    EXPECT_FALSE(bus.RequestPending());
}

TEST_F(TesterChain, LostRequestsAreRetriedAndTheLineRecovers)
{
    connect(unpacedWith({QStringLiteral("--drop"), QStringLiteral("10:1"), QStringLiteral("--drop"),
                         QStringLiteral("10:2"), QStringLiteral("--drop"), QStringLiteral("10:3"),
                         QStringLiteral("--drop"), QStringLiteral("11:1"), QStringLiteral("--drop"),
                         QStringLiteral("11:2"), QStringLiteral("--drop"), QStringLiteral("11:3"),
                         QStringLiteral("--drop"), QStringLiteral("34:1"), QStringLiteral("--drop"),
                         QStringLiteral("3A:1")}));
    shortTimeouts();

    // Three lost requests exhaust one request's tries; the next one is answered.
    TProtok a;
    EXPECT_FALSE(cmds.AskTester(cmdProgrammversion, {}, tcRAM, a));
    EXPECT_EQ(sentCount(cmdProgrammversion), 3);
    EXPECT_TRUE(cmds.AskTester(cmdProgrammversion, {}, tcRAM, a));
    EXPECT_EQ(DecodeFirmwareVersion(a.Data).Text, QStringLiteral("1.04.02 R1"));

    // The procedure's second attempt gets through.
    EXPECT_EQ(cmds.ReadSerialNumber(), QStringLiteral("0612345678"));
    EXPECT_EQ(sentCount(cmdSeriennummer), 4);

    // A lost block read or index read costs one retry, the write still lands.
    ASSERT_TRUE(cmds.SetMesszeit(77));
    EXPECT_EQ(sim.stateInt(QStringLiteral("messzeit")), 77);
    EXPECT_EQ(sentCount(cmdFlags), 2);
    ASSERT_TRUE(cmds.LimitWrite(ltAbleitstrom, 11));
    EXPECT_EQ(sim.stateInt(QStringLiteral("lim_leak")), 11);
    EXPECT_EQ(sentCount(cmdMessablauf), 2);
    EXPECT_EQ(sim.stateInt(QStringLiteral("dropped")), 8);
}

// The tester acted, but its answer was lost: the retried write must leave the
// same state as one write.
TEST_F(TesterChain, LostAnswersOfWritesAreHarmless)
{
    connect(
        unpacedWith({QStringLiteral("--drop-answer"), QStringLiteral("66:1"), QStringLiteral("--drop-answer"),
                     QStringLiteral("68:1"), QStringLiteral("--drop-answer"), QStringLiteral("69:1")}));
    shortTimeouts();
    ASSERT_TRUE(cmds.SetSchutzklasse(2));
    EXPECT_EQ(sim.stateInt(QStringLiteral("class")), 2);
    EXPECT_EQ(sentCount(cmdEinstellungen), 2);
    ASSERT_TRUE(cmds.LimitWrite(ltSchutzleiterwid, 9));
    EXPECT_EQ(sim.stateInt(QStringLiteral("lim_pe")), 9);
    EXPECT_EQ(sentCount(cmdGrenzwertIndex), 2);
    QString now;
    EXPECT_EQ(cmds.ChooseLanguage(QStringLiteral("fr"), now), lcGewaehlt);
    EXPECT_EQ(now, QStringLiteral("fr"));
    EXPECT_EQ(sim.stateInt(QStringLiteral("dropped")), 3);
}

// A repeated start would be a second press of the button: sent once the test
// has left its preparation, it would answer the visual-inspection query in the
// operator's place. An action is therefore sent once; its lost answer only
// reports failure.
TEST_F(TesterChain, LostAnswerToStartDoesNotAnswerTheVisualInspection)
{
    connect(unpacedWith({QStringLiteral("--drop-answer"), QStringLiteral("66:1"), QStringLiteral("--speed"),
                         QStringLiteral("20")}));
    shortTimeouts();
    EXPECT_FALSE(cmds.SendAktion(akStart)) << "the answer was lost";
    EXPECT_TRUE(waitFor([&] { return phase() == apSichtpruefung; }, 3000))
        << "phase " << phase() << ", stage " << qPrintable(sim.state().value(QStringLiteral("stage")));
    EXPECT_EQ(sentCount(cmdEinstellungen), 1);
}

// "S" moves the tester's read pointer on: repeated after a lost answer it
// would skip a record, which "C" at the end of the read-out then removes unread.
TEST_F(TesterChain, LostAnswerToRecordAcknowledgeSkipsNoRecord)
{
    connect(unpacedWith({QStringLiteral("--records"), QStringLiteral("3"), QStringLiteral("--drop-answer"),
                         QStringLiteral("70:2")}));
    shortTimeouts();
    ASSERT_TRUE(cmds.EepromFunktion(EepromLesenBeginnen));
    TSpeicherSatz satz;
    ASSERT_TRUE(cmds.ReadSpeicherSatz(satz));
    EXPECT_EQ(hexOf(satz), simRecordHex(0));
    EXPECT_FALSE(cmds.EepromFunktion(EepromSatzGelesen)) << "the answer was lost";
    EXPECT_EQ(sentCount(cmdEepromFunktion), 2) << "T and one S, no repeat";
    ASSERT_TRUE(cmds.ReadSpeicherSatz(satz));
    EXPECT_EQ(hexOf(satz), simRecordHex(1)) << "read pointer " << sim.stateInt(QStringLiteral("read_ptr"));
}

// ---- Corrupt frames ------------------------------------------------------------

// With three frames in ten corrupted, every procedure either succeeds with the
// right result or reports failure; a corrupt answer is never taken.
TEST_F(TesterChainBadLine, CorruptFramesNeverYieldWrongResults)
{
    connect(unpacedWith({QStringLiteral("--corrupt"), QStringLiteral("0.3"), QStringLiteral("--seed"),
                         QStringLiteral("11"), QStringLiteral("--records"), QStringLiteral("6")}));
    shortTimeouts();

    int ok = 0, failed = 0;
    auto count = [&](bool r) {
        r ? ++ok : ++failed;
        return r;
    };

    TFirmwareVersion v;
    if (count(cmds.ReadFirmwareVersion(v))) {
        EXPECT_EQ(v.Text, QStringLiteral("1.04.02 R1"));
    }
    const QString serial = cmds.ReadSerialNumber();
    if (count(!serial.isEmpty())) {
        EXPECT_EQ(serial, QStringLiteral("0612345678"));
    }
    for (int t : {11, 22, 33, 44, 55}) {
        const int before = sim.stateInt(QStringLiteral("messzeit"));
        const bool done = count(cmds.SetMesszeit(t));
        const int now = sim.stateInt(QStringLiteral("messzeit"));
        EXPECT_TRUE(done ? now == t : (now == before || now == t)) << t << " written, tester has " << now;
    }
    for (int i : {4, 1, 3}) {
        if (count(cmds.LimitWrite(ltIsolationswid, i))) {
            EXPECT_EQ(sim.stateInt(QStringLiteral("lim_iso")), i);
        }
    }
    const TLanguageList list = cmds.LanguageList();
    if (count(list.Answered)) {
        // An entry may be lost after its attempts, but none is made up.
        for (const QString &c : list.Codes)
            EXPECT_TRUE(
                QStringList({QStringLiteral("de"), QStringLiteral("en"), QStringLiteral("fr")}).contains(c));
    }

    if (count(cmds.EepromFunktion(EepromLesenBeginnen))) expectReadOutIntact(6, count);

    EXPECT_GT(badMsgs, 0);
    EXPECT_EQ(sim.stateInt(QStringLiteral("bad_frames")), 0); // our frames arrive intact
    EXPECT_GT(ok, 2 * failed) << ok << " succeeded, " << failed << " failed";
    EXPECT_FALSE(bus.RequestPending());
}

// A frame short of one byte swallows the start of the next or is cut off by
// the character gap; either way nothing wrong comes out.
TEST_F(TesterChainBadLine, DroppedBytesNeverYieldWrongResults)
{
    connect(unpacedWith({QStringLiteral("--drop-byte"), QStringLiteral("0.3"), QStringLiteral("--seed"),
                         QStringLiteral("5"), QStringLiteral("--records"), QStringLiteral("4")}));
    shortTimeouts();
    int ok = 0, failed = 0;
    auto count = [&](bool r) {
        r ? ++ok : ++failed;
        return r;
    };

    for (int round = 0; round < 4; ++round) {
        const QString serial = cmds.ReadSerialNumber();
        if (count(!serial.isEmpty())) {
            EXPECT_EQ(serial, QStringLiteral("0612345678"));
        }
        if (count(cmds.SetSchutzklasse(1 + round % 3))) {
            EXPECT_EQ(sim.stateInt(QStringLiteral("class")), 1 + round % 3);
        }
    }
    if (count(cmds.EepromFunktion(EepromLesenBeginnen))) expectReadOutIntact(4, count);
    EXPECT_GT(ok, 2 * failed) << ok << " succeeded, " << failed << " failed";
}

// ---- Hang-up -----------------------------------------------------------------

TEST_F(TesterChain, HangupIsReportedAndNothingHangs)
{
    connect(unpacedWith({QStringLiteral("--hangup-after"), QStringLiteral("2")}));
    shortTimeouts();
    TFirmwareVersion v;
    ASSERT_TRUE(cmds.ReadFirmwareVersion(v));
    EXPECT_FALSE(cmds.ReadSerialNumber().isEmpty());

    ASSERT_TRUE(waitFor([&] { return hangups > 0; }, 3000)) << "no hang-up reported";
    EXPECT_TRUE(sim.waitForExit(3000));

    // The program's requests on the dead line end after their attempts.
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(cmds.SetMesszeit(12));
    EXPECT_EQ(cmds.ReadCurrentLanguage(), QString());
    EXPECT_LT(t.elapsed(), 10000);
    EXPECT_FALSE(bus.RequestPending());

    cate.setPort(NoPort);
    EXPECT_FALSE(cate.IsOpen());
    // Closed: the procedures give up at once without sending.
    const int before = int(sent.size());
    EXPECT_FALSE(cmds.SetMesszeit(12));
    EXPECT_EQ(cmds.ReadSerialNumber(), QString());
    EXPECT_EQ(sent.size(), before);

    // A tester on a new line: the same port, engine and command set carry on,
    // with nothing left over from the dead line.
    connect(unpacedWith({}));
    TFirmwareVersion again;
    EXPECT_TRUE(cmds.ReadFirmwareVersion(again));
    EXPECT_TRUE(cmds.SetMesszeit(12));
    EXPECT_EQ(sim.stateInt(QStringLiteral("messzeit")), 12);
    EXPECT_EQ(sim.stateInt(QStringLiteral("frames_in")), 3);
}

// The line goes dead while the program waits for an answer: the wait ends
// after its attempts and the hang-up is reported meanwhile.
TEST_F(TesterChain, HangupDuringARequest)
{
    connect(unpacedWith({QStringLiteral("--hangup-after"), QStringLiteral("1"), QStringLiteral("--records"),
                         QStringLiteral("1")}));
    shortTimeouts();
    TSpeicherSatz satz;
    EXPECT_FALSE(cmds.ReadSpeicherSatz(satz)); // piece A answered, B never
    EXPECT_EQ(sentCount(cmdDatensatzA), 1);
    EXPECT_GE(sentCount(cmdDatensatzB), 1);
    EXPECT_TRUE(waitFor([&] { return hangups > 0; }, 3000));
    EXPECT_FALSE(bus.RequestPending());
    cate.setPort(NoPort);
    EXPECT_FALSE(cate.IsOpen());
}
