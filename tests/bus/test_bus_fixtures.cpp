// Hand-written frames replayed through frame building, frame assembly and the
// bus engine's receive path, in the chunks a serial port may deliver them.

#include "fixtures/BusFrames.h"

#include "bus/Protok.h"
#include "bus/SyncBus.h"

#include "support/TestSupport.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <vector>

using namespace fixtures;

namespace {

QByteArray Data8(const TProtok &m)
{
    return QByteArray(reinterpret_cast<const char *>(m.Data), 8);
}

// Feeds every byte at time t and returns the frames completed, good or bad.
struct TAssembled {
    std::vector<TProtok> good;
    std::vector<TProtok> bad;
};
void FeedAt(TFrameAssembler &a, const QByteArray &in, qint64 t, TAssembled &out)
{
    for (char c : in) {
        const TFrameAssembler::TFeedResult r = a.feed(quint8(c), t);
        if (r == TFrameAssembler::FrameValid) out.good.push_back(a.frame());
        if (r == TFrameAssembler::FrameBad) out.bad.push_back(a.frame());
    }
}

// The bus engine without a port: bytes go in as the port would hand them over.
class TEngineTap {
public:
    explicit TEngineTap(TSynchroBus &bus)
    {
        bus.setWriteLog({});
        QObject::connect(&bus, &TSynchroBus::msgReceived, [this](const TProtok &m) {
            received.push_back(m);
            events << QStringLiteral("received %1").arg(m.Cmd, 2, 16, QLatin1Char('0'));
        });
        QObject::connect(&bus, &TSynchroBus::msgUnhandled, [this](const TProtok &m) {
            events << QStringLiteral("unhandled %1").arg(m.Cmd, 2, 16, QLatin1Char('0'));
        });
        QObject::connect(&bus, &TSynchroBus::badMsg, [this](const TProtok &m) {
            bad.push_back(m);
            events << QStringLiteral("bad %1").arg(m.Cmd, 2, 16, QLatin1Char('0'));
        });
        QObject::connect(&bus, &TSynchroBus::charReceived, [this](quint8, bool accepted) {
            ++chars;
            completed += accepted;
        });
    }
    std::vector<TProtok> received;
    std::vector<TProtok> bad;
    QStringList events;
    int chars = 0;     // bytes stored in a frame (dropped bytes fire nothing)
    int completed = 0; // bytes that completed a frame
};

void Deliver(TSynchroBus &bus, const QByteArray &chunk)
{
    bus.ReceiveBytes(chunk.constData(), quint16(chunk.size()));
}

} // namespace

// The fixtures themselves: 12 bytes each, and their check byte is the sum the
// comment works out (a slip in a fixture must not pass silently).
TEST(BusFixtures, FramesAreTwelveBytesWithTheirWorkedChecksums)
{
    for (const char *f : {ReqVersion, ReqSerial, ReqAutosend, ReqFetchBegin, ReqWrapping, AnsVersion,
                          AnsSerial, AnsSerialBadCheck, Rep37, TruncatedPlusSerialHead})
        EXPECT_EQ(Hex(f).size(), 12) << f;
    EXPECT_EQ(Hex(AnsVersionTruncated).size(), 7);
    EXPECT_EQ(Hex(Noise).size(), 4);
    EXPECT_TRUE(Hex("53 6").isEmpty());
    EXPECT_TRUE(Hex("53 X1").isEmpty());
}

// Building requests gives the hand-written wire bytes and log texts.
TEST(BusFixtures, RequestsAreBuiltAsWorkedOut)
{
    EXPECT_EQ(MsgToWire(BuildMsg(0x61, 0x10, {})), Hex(ReqVersion));
    EXPECT_EQ(MsgToWire(BuildMsg(0x61, 0x11, {})), Hex(ReqSerial));
    EXPECT_EQ(MsgToWire(BuildMsg(0x61, 0x67, IntToMsgData(0x079C))), Hex(ReqAutosend));
    EXPECT_EQ(IntToMsgData(0x079C), Hex("9C 07"));
    EXPECT_EQ(MsgToWire(BuildMsg(0x61, 0x70, QByteArray("T"))), Hex(ReqFetchBegin));
    EXPECT_EQ(MsgToWire(BuildMsg(0x61, 0xFF, Hex("02"))), Hex(ReqWrapping));
    // Data beyond eight bytes is cut: the ninth byte neither goes out nor counts.
    EXPECT_EQ(MsgToWire(BuildMsg(0x61, 0x67, Hex("9C 07 00 00 00 00 00 00 77"))), Hex(ReqAutosend));

    EXPECT_EQ(MsgToText(BuildMsg(0x61, 0x10, {})),
              QStringLiteral("S <$61> { 16} [$10/ 16] 00 00 00 00 00 00 00 00"));
    EXPECT_EQ(MsgToText(BuildMsg(0x61, 0x67, IntToMsgData(0x079C))),
              QStringLiteral("S <$61> { 10} [$67/103] 9C 07 00 00 00 00 00 00"));

    TFrameAssembler a;
    TAssembled got;
    FeedAt(a, Hex(AnsVersion), 1000, got);
    ASSERT_EQ(got.good.size(), 1u);
    EXPECT_EQ(MsgToText(got.good[0]), QStringLiteral("S <$EC> {199} [$10/ 16] 31 30 33 30 30 61 62 00"));
    EXPECT_EQ(MsgChecksum(got.good[0]), 0xC7);
    EXPECT_EQ(MsgDataToStr(got.good[0]), QByteArray("10300ab"));
}

// One stream, cut into reads in different ways: noise, then three frames,
// the middle one with an "S" among its data.
TEST(BusFixtures, FramesAssembleHoweverTheReadsCutThem)
{
    const QByteArray stream = Hex(Noise) + Hex(AnsVersion) + Hex(Rep37) + Hex(AnsSerial);
    ASSERT_EQ(stream.size(), 40);

    std::vector<std::vector<int>> cuts = {
        {},                       // all three frames in one read
        {1, 2, 3, 4, 5, 6, 7},    // byte by byte through the noise and the start
        {5},                      // the start byte alone at the end of a read
        {6, 7},                   // address, then checksum alone
        {8, 15},                  // cut between command and data, then inside the data
        {15, 16, 28, 29},         // last data byte alone, then a read ending in the next "S"
        {10, 20, 30},             // cut through every frame
        {4 + 12 + 6, 4 + 12 + 7}, // the "S" inside Rep37's data alone in a read
    };
    for (int n = 1; n < stream.size(); ++n)
        cuts.push_back({n}); // every single cut position

    for (const auto &cut : cuts) {
        TFrameAssembler a;
        TAssembled got;
        int from = 0;
        qint64 t = 5000;
        for (int at : cut) {
            FeedAt(a, stream.mid(from, at - from), t, got);
            from = at;
            t += 3; // reads a few milliseconds apart, well inside the character time-out
        }
        FeedAt(a, stream.mid(from), t, got);
        SCOPED_TRACE(testing::PrintToString(cut));
        ASSERT_EQ(got.good.size(), 3u);
        EXPECT_TRUE(got.bad.empty());
        EXPECT_EQ(MsgToWire(got.good[0]), Hex(AnsVersion));
        EXPECT_EQ(MsgToWire(got.good[1]), Hex(Rep37));
        EXPECT_EQ(MsgToWire(got.good[2]), Hex(AnsSerial));
        EXPECT_EQ(got.good[1].Addr, 0xEC);
        EXPECT_EQ(got.good[1].Cmd, 0x37);
        EXPECT_EQ(Data8(got.good[1]), Hex("90 01 53 13 23 00 01 00"));
        // Behind the frame the record is zero.
        EXPECT_EQ(got.good[1].Data[8], 0);
    }
}

// A wrong checksum and a broken-off frame are rejected; what follows decodes.
TEST(BusFixtures, BadAndTruncatedFramesAreRejectedAndTheNextFrameDecodes)
{
    {
        TFrameAssembler a;
        TAssembled got;
        FeedAt(a, Hex(AnsSerialBadCheck) + Hex(Rep37), 100, got);
        ASSERT_EQ(got.bad.size(), 1u);
        EXPECT_EQ(got.bad[0].Chk, 0x6B);
        EXPECT_EQ(MsgChecksum(got.bad[0]), 0x6A);
        ASSERT_EQ(got.good.size(), 1u);
        EXPECT_EQ(MsgToWire(got.good[0]), Hex(Rep37));
    }
    // Truncated, then a pause longer than the character time-out (100 ms):
    // the partial frame is discarded and the next frame decodes whole.
    {
        TFrameAssembler a(8, 100);
        TAssembled got;
        FeedAt(a, Hex(AnsVersionTruncated), 100, got);
        FeedAt(a, Hex(AnsSerial), 100 + 101, got);
        EXPECT_TRUE(got.bad.empty());
        ASSERT_EQ(got.good.size(), 1u);
        EXPECT_EQ(MsgToWire(got.good[0]), Hex(AnsSerial));
    }
    // A pause of exactly the time-out is no gap: the frame goes on with the
    // next bytes, is rejected by its checksum, and the rest of the serial
    // answer is dropped up to the next start byte, where Rep37 decodes.
    {
        TFrameAssembler a(8, 100);
        TAssembled got;
        FeedAt(a, Hex(AnsVersionTruncated), 100, got);
        FeedAt(a, Hex(AnsSerial) + Hex(Rep37), 100 + 100, got);
        ASSERT_EQ(got.bad.size(), 1u);
        EXPECT_EQ(MsgToWire(got.bad[0]), Hex(TruncatedPlusSerialHead));
        EXPECT_EQ(MsgChecksum(got.bad[0]), 0x7F);
        ASSERT_EQ(got.good.size(), 1u);
        EXPECT_EQ(MsgToWire(got.good[0]), Hex(Rep37));
    }
}

// The same streams through the bus engine's receive handler: the events a
// listener sees, per frame received outside a request.
TEST(BusFixtures, EngineDispatchesTheHandWrittenFrames)
{
    TSynchroBus bus;
    TEngineTap tap(bus);
    const QByteArray stream = Hex(Noise) + Hex(AnsVersion) + Hex(AnsSerialBadCheck) + Hex(Rep37);
    // Reads cut at awkward places: inside the noise, after a start byte,
    // inside the checksum-bad frame, through the "S" inside Rep37's data.
    for (const QByteArray &chunk :
         {stream.mid(0, 2), stream.mid(2, 3), stream.mid(5, 14), stream.mid(19, 12), stream.mid(31)})
        Deliver(bus, chunk);

    EXPECT_EQ(tap.events,
              QStringList({"received 10", "unhandled 10", "bad 11", "received 37", "unhandled 37"}));
    EXPECT_EQ(tap.chars, 36); // the four noise bytes fire nothing
    EXPECT_EQ(tap.completed, 3);
    ASSERT_EQ(tap.received.size(), 2u);
    EXPECT_EQ(MsgDataToStr(tap.received[0]), QByteArray("10300ab"));
    EXPECT_EQ(Data8(tap.received[1]), Hex("90 01 53 13 23 00 01 00"));
    ASSERT_EQ(tap.bad.size(), 1u);
    EXPECT_EQ(tap.bad[0].Chk, 0x6B);
}

// A frame that breaks off: after a real pause longer than the character
// time-out the engine starts afresh and the following frame decodes.
TEST(BusFixtures, EngineDiscardsATruncatedFrameAfterAPause)
{
    TSynchroBus bus;
    bus.setCharTimeOut(20);
    TEngineTap tap(bus);
    QElapsedTimer clock;
    clock.start();
    Deliver(bus, Hex(AnsVersionTruncated));
    ASSERT_TRUE(gt_test::waitFor([&] { return clock.elapsed() > 40; }, 2000));
    Deliver(bus, Hex(AnsSerial));
    EXPECT_EQ(tap.events, QStringList({"received 11", "unhandled 11"}));
    ASSERT_EQ(tap.received.size(), 1u);
    EXPECT_EQ(MsgToWire(tap.received[0]), Hex(AnsSerial));

    // Without the pause the broken frame swallows the next one's head (a long
    // time-out, so that no stall of a busy machine counts as a pause).
    bus.setCharTimeOut(10000);
    tap.events.clear();
    Deliver(bus, Hex(AnsVersionTruncated) + Hex(AnsSerial) + Hex(Rep37));
    EXPECT_EQ(tap.events, QStringList({"bad 10", "received 37", "unhandled 37"}));
}
