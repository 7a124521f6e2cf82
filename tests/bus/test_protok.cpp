#include "bus/Protok.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray b;
    for (int v : list)
        b.append(char(v));
    return b;
}

// Feeds all bytes at the given times and collects the results.
std::vector<TFrameAssembler::TFeedResult> feedAll(TFrameAssembler &a, const QByteArray &in, qint64 t0,
                                                  qint64 step = 1)
{
    std::vector<TFrameAssembler::TFeedResult> r;
    qint64 t = t0;
    for (char c : in) {
        r.push_back(a.feed(quint8(c), t));
        t += step;
    }
    return r;
}

} // namespace

TEST(FrameBuild, RequestWithoutDataHasTheDocumentedWireBytes)
{
    const TProtok m = BuildMsg(0x61, 0x10, QByteArray());
    EXPECT_EQ(MsgToWire(m), bytes({0x53, 0x61, 0x10, 0x10, 0, 0, 0, 0, 0, 0, 0, 0}));
    // Nothing but the wire bytes is set.
    for (int i = 8; i < 256; ++i)
        ASSERT_EQ(m.Data[i], 0) << i;
    EXPECT_EQ(MsgToText(m), QStringLiteral("S <$61> { 16} [$10/ 16] 00 00 00 00 00 00 00 00"));
}

TEST(FrameBuild, ChecksumWrapsAndLeavesStartAndAddressOut)
{
    EXPECT_EQ(BuildMsg(0x61, 0xFF, bytes({0x02})).Chk, 0x01);
    EXPECT_EQ(BuildMsg(0xEC, 0xFF, bytes({0x02})).Chk, 0x01);
    // 0x80 * 8 + 0x80 = 0x480: only the low byte counts.
    EXPECT_EQ(BuildMsg(0x61, 0x80, QByteArray(8, char(0x80))).Chk, 0x80);
    // The checksum covers only DataBytes data bytes.
    TProtok m = BuildMsg(0x61, 0x01, bytes({1, 2, 3, 4, 5, 6, 7, 8}));
    m.Data[8] = 0x55;
    EXPECT_EQ(MsgChecksum(m), 0x01 + 36);
    EXPECT_EQ(MsgChecksum(m, 9), (0x01 + 36 + 0x55) & 0xFF);
}

TEST(FrameBuild, DataIsCutOrPaddedToDataBytes)
{
    const TProtok m = BuildMsg(0x61, 0x22, bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(MsgToWire(m), bytes({0x53, 0x61, 0x22 + 36, 0x22, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(m.Data[8], 0);
    const TProtok s = BuildMsg(0x61, 0x22, bytes({1, 2, 3, 4, 5}), 3);
    EXPECT_EQ(MsgToWire(s, 3), bytes({0x53, 0x61, 0x22 + 6, 0x22, 1, 2, 3}));
    EXPECT_EQ(s.Data[3], 0);
}

TEST(FrameText, UpperCaseHexAndRightAlignedDecimals)
{
    const TProtok m = BuildMsg(0xEC, 0xAB, bytes({0x0F, 0xA0, 0, 0xFF}));
    EXPECT_EQ(MsgToText(m), QStringLiteral("S <$EC> {%1} [$AB/171] 0F A0 00 FF 00 00 00 00")
                                .arg(int(m.Chk), 3, 10, QLatin1Char(' ')));
    EXPECT_EQ(MsgToText(BuildMsg(0x61, 0x05, {}), 2), QStringLiteral("S <$61> {  5} [$05/  5] 00 00"));
}

TEST(FrameData, OnlyTrailingZerosAreRemoved)
{
    EXPECT_EQ(MsgDataToStr(BuildMsg(0xEC, 1, bytes({0x41, 0x42, 0, 0x43}))), bytes({0x41, 0x42, 0, 0x43}));
    EXPECT_TRUE(MsgDataToStr(BuildMsg(0xEC, 1, {})).isEmpty());
    EXPECT_EQ(MsgDataToStr(BuildMsg(0xEC, 1, QByteArray(8, 'x'))), QByteArray(8, 'x'));
}

TEST(FrameData, IntToMsgDataIsLittleEndianWithoutTrailingZeros)
{
    EXPECT_EQ(IntToMsgData(0x0000079C), bytes({0x9C, 0x07}));
    EXPECT_TRUE(IntToMsgData(0).isEmpty());
    EXPECT_EQ(IntToMsgData(0x00010000), bytes({0, 0, 1}));
    EXPECT_EQ(IntToMsgData(-1), bytes({0xFF, 0xFF, 0xFF, 0xFF}));
    // Round trip through a frame.
    EXPECT_EQ(MsgDataToStr(BuildMsg(0x61, 0x67, IntToMsgData(0x079C))), bytes({0x9C, 0x07}));
}

TEST(FrameAssembly, WholeFrameYieldsTheMessage)
{
    TFrameAssembler a;
    const TProtok sent = BuildMsg(0xEC, 0x37, bytes({1, 2, 3, 4, 5, 6, 7, 8}));
    const auto r = feedAll(a, MsgToWire(sent), 1000);
    ASSERT_EQ(r.size(), 12u);
    for (size_t i = 0; i + 1 < r.size(); ++i)
        EXPECT_EQ(r[i], TFrameAssembler::Stored) << i;
    EXPECT_EQ(r.back(), TFrameAssembler::FrameValid);
    EXPECT_EQ(MsgToWire(a.frame()), MsgToWire(sent));
    EXPECT_EQ(a.rxLen(), 0);
}

TEST(FrameAssembly, BytesBeforeStartAreDroppedAndStartInsideIsData)
{
    TFrameAssembler a;
    const TProtok sent = BuildMsg(0xEC, 0x53, bytes({0x53, 0x53, 0, 0x53}));
    const QByteArray in = bytes({0x00, 0xFF, 0x61}) + MsgToWire(sent);
    const auto r = feedAll(a, in, 0);
    EXPECT_EQ(r[0], TFrameAssembler::Dropped);
    EXPECT_EQ(r[1], TFrameAssembler::Dropped);
    EXPECT_EQ(r[2], TFrameAssembler::Dropped);
    EXPECT_EQ(r.back(), TFrameAssembler::FrameValid);
    EXPECT_EQ(MsgToWire(a.frame()), MsgToWire(sent));
}

TEST(FrameAssembly, GapLongerThanCharTimeOutDiscardsThePartialFrame)
{
    TFrameAssembler a(8, 100);
    const QByteArray wire = MsgToWire(BuildMsg(0xEC, 0x10, bytes({1})));
    feedAll(a, wire.left(5), 0);
    EXPECT_EQ(a.rxLen(), 5);
    // A gap of exactly CharTimeOut still counts as one frame.
    EXPECT_EQ(a.feed(quint8(wire[5]), 4 + 100), TFrameAssembler::Stored);
    EXPECT_EQ(a.rxLen(), 6);
    // 101 ms later: discarded, and the next byte must again be a start byte.
    EXPECT_EQ(a.feed(quint8(wire[6]), 104 + 101), TFrameAssembler::Dropped);
    EXPECT_EQ(a.rxLen(), 0);
    const auto r = feedAll(a, wire, 300);
    EXPECT_EQ(r.back(), TFrameAssembler::FrameValid);
}

TEST(FrameAssembly, GapResynchronisesOnAFreshStart)
{
    // A frame broken off and followed by a whole frame after a pause: only the
    // whole frame comes out, with the right content.
    TFrameAssembler a;
    const TProtok good = BuildMsg(0xEC, 0x39, bytes({9, 8, 7}));
    feedAll(a, MsgToWire(BuildMsg(0xEC, 0x33, {})).left(7), 0);
    const auto r = feedAll(a, MsgToWire(good), 500);
    EXPECT_EQ(r.back(), TFrameAssembler::FrameValid);
    EXPECT_EQ(a.frame().Cmd, 0x39);
}

TEST(FrameAssembly, WrongChecksumIsReportedAsBadFrame)
{
    TFrameAssembler a;
    QByteArray wire = MsgToWire(BuildMsg(0xEC, 0x37, bytes({1, 2})));
    wire[2] = char(wire[2] + 1);
    const auto r = feedAll(a, wire, 0);
    EXPECT_EQ(r.back(), TFrameAssembler::FrameBad);
    EXPECT_EQ(a.frame().Cmd, 0x37);
    // The assembler is ready for the next frame right away.
    EXPECT_EQ(feedAll(a, MsgToWire(BuildMsg(0xEC, 0x37, {})), 20).back(), TFrameAssembler::FrameValid);
}

TEST(FrameAssembly, OtherFrameLengthsAndBytesBehindTheFrame)
{
    TFrameAssembler a(2, 100);
    const auto r =
        feedAll(a, bytes({0x53, 0xEC, 0x03, 0x01, 0x02, 0x00, 0x53, 0xEC, 0x01, 0x01, 0x00, 0x00}), 0);
    EXPECT_EQ(r[5], TFrameAssembler::FrameValid);
    EXPECT_EQ(r[11], TFrameAssembler::FrameValid);
    EXPECT_EQ(a.frame().Cmd, 1);
    for (int i = 2; i < 256; ++i)
        ASSERT_EQ(a.frame().Data[i], 0);
    a.setDataBytes(0);
    a.setDataBytes(256);
    EXPECT_EQ(a.dataBytes(), 2);
    a.setDataBytes(255);
    QByteArray longFrame = MsgToWire(BuildMsg(0xEC, 0x20, QByteArray(255, char(0x53)), 255), 255);
    EXPECT_EQ(longFrame.size(), 259);
    EXPECT_EQ(feedAll(a, longFrame, 100).back(), TFrameAssembler::FrameValid);
}
