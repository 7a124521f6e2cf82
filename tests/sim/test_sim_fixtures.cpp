// The simulator against the hand-written frames and records: it must answer
// the hand-written requests with exactly the hand-written bytes, so that it
// cannot share a misreading of the protocol with the program unnoticed.

#include "fixtures/BusFrames.h"
#include "fixtures/StoredRecords.h"

#include "SimRecord.h"
#include "SimTester.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace fixtures;

namespace {

// A request as it arrives on the line: the 12 wire bytes are the record's head.
TProtok Frame(const char *hex)
{
    TProtok m;
    std::memset(&m, 0, sizeof m);
    const QByteArray b = Hex(hex);
    std::memcpy(&m, b.constData(), size_t(b.size()));
    return m;
}

QByteArray Wire(const std::optional<TProtok> &m)
{
    if (!m) return {};
    return QByteArray(reinterpret_cast<const char *>(&*m), 12);
}

SimRecord RecordOf(const TRecordFixture &r)
{
    SimRecord s;
    for (int p = 0; p < 5; ++p)
        std::memcpy(s.bytes.data() + 8 * p, Hex(r.answers[size_t(p)]).constData() + 4, 8);
    return s;
}

} // namespace

TEST(SimFixtures, AnswersIdentificationAndRecordsWithTheHandWrittenBytes)
{
    SimIdentity id;
    id.firmware = "10300ab";
    id.serial = "1234567890";
    SimTester sim(id);
    EXPECT_EQ(Wire(sim.handle(Frame(ReqVersion), 0)), Hex(AnsVersion));
    EXPECT_EQ(Wire(sim.handle(Frame(ReqSerial), 0)), Hex(AnsSerial));

    sim.setRecords({RecordOf(Record0702), RecordOf(Record0751), RecordOf(Record0701Failed)});
    const QByteArray count = Wire(sim.handle(Frame("53 61 33 33 00 00 00 00 00 00 00 00"), 0));
    ASSERT_EQ(count.size(), 12);
    EXPECT_EQ(count.left(2), Hex("53 EC"));
    EXPECT_EQ(count.mid(3, 1), Hex("33"));
    EXPECT_EQ(count.mid(4, 2), Hex("03 00")); // three records
    EXPECT_EQ(count.mid(8, 1), Hex("00"));    // not full

    ASSERT_EQ(Wire(sim.handle(Frame(ReqFetchBegin), 0)).size(), 12);
    for (const TRecordFixture *r : Records) {
        SCOPED_TRACE(r->name);
        for (int p = 0; p < 5; ++p)
            EXPECT_EQ(Wire(sim.handle(Frame(PieceRequests[size_t(p)]), 0)), Hex(r->answers[size_t(p)]))
                << "piece " << p;
        // $70 "S": 70 + 53 = 112 + 83 = 195 = C3.
        ASSERT_EQ(Wire(sim.handle(Frame("53 61 C3 70 53 00 00 00 00 00 00 00"), 0)).size(), 12);
    }
}

// The simulator's own record encoder, fed the outcome of record 2, writes
// exactly its hand-written bytes; its barcode reader reads all three.
TEST(SimFixtures, BuildsAndReadsRecordsAsWorkedOut)
{
    SimBlock b;
    b.menu = 0x58;
    b.klasse = 0x1E;
    SimLimits lim;
    lim.pe = 300;
    lim.iso = 7000;
    lim.third = 10;
    lim.pec = 50;
    lim.touch = 10;
    lim.quick = 1000;
    const std::array<int, 8> value{0, -1, 199, 7, -1, -1, 9, 11};
    const SimRecord built = SimBuildRecord(b, value, 0x00, 0x40, lim, QStringLiteral("1032547698012345"));
    EXPECT_EQ(built.bytes, RecordOf(Record0751).bytes);

    for (const TRecordFixture *r : Records)
        EXPECT_EQ(RecordOf(*r).barcode(), r->staged.UNstrBarcode) << r->name;
}
