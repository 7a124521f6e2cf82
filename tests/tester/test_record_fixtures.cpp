// Hand-written answers of the tester replayed through the code the fetch and
// the connection use: requests over a real bus engine and port, answers from
// the fixtures, decoded by the record and answer decoders.

#include "HandTester.h"

#include "fixtures/BusFrames.h"
#include "fixtures/StoredRecords.h"

#include "bus/SyncBus.h"
#include "tester/Commands.h"
#include "tester/Decoders.h"
#include "tester/StoredRecord.h"

#include <gtest/gtest.h>

#include <memory>

using namespace fixtures;

namespace {

using RecordFixtures = tester_test::HandLineTest;

TSpeicherSatz PiecesOf(const TRecordFixture &r)
{
    TSpeicherSatz s;
    for (int p = 0; p < 5; ++p)
        s.setPiece(p, reinterpret_cast<const quint8 *>(Hex(r.answers[size_t(p)]).constData() + 4));
    return s;
}

} // namespace

TEST(RecordFixturesOffline, FixturesAreWellFormed)
{
    for (const TRecordFixture *r : Records)
        for (int p = 0; p < 5; ++p) {
            const QByteArray f = Hex(r->answers[size_t(p)]);
            ASSERT_EQ(f.size(), 12) << r->name << " piece " << p;
            EXPECT_EQ(quint8(f[3]), 0x20 + p) << r->name << " piece " << p;
            EXPECT_EQ(quint8(f[1]), 0xEC) << r->name << " piece " << p;
        }
}

// The decoder alone, from the data bytes of the five answers.
TEST(RecordFixturesOffline, PiecesDecodeToTheWorkedOutStagingValues)
{
    for (const TRecordFixture *r : Records) {
        SCOPED_TRACE(r->name);
        const TSpeicherSatz s = PiecesOf(*r);
        const TUebernahmeWerte w = DecodeSpeicherSatz(s);
        EXPECT_EQ(w.UNstrBarcode, r->staged.UNstrBarcode);
        EXPECT_EQ(DecodeBarcode(s), r->staged.UNstrBarcode);
        EXPECT_EQ(w.UNintGrenzwertflags, r->staged.UNintGrenzwertflags);
        EXPECT_EQ(w.UNintMenueflags, r->staged.UNintMenueflags);
        EXPECT_EQ(w.UNintSchutzklasseFlags, r->staged.UNintSchutzklasseFlags);
        EXPECT_EQ(w.UNintMessablaufFlags, r->staged.UNintMessablaufFlags);
        EXPECT_EQ(w.UNintSchutzleiterwid, r->staged.UNintSchutzleiterwid);
        EXPECT_EQ(w.UNintIsolationswid, r->staged.UNintIsolationswid);
        EXPECT_EQ(w.UNintAbleitstrom, r->staged.UNintAbleitstrom);
        EXPECT_EQ(w.UNintSchutzlStromL1N, r->staged.UNintSchutzlStromL1N);
        EXPECT_EQ(w.UNintSchutzlStromNL1, r->staged.UNintSchutzlStromNL1);
        EXPECT_EQ(w.UNintBeruehrungsstromL1N, r->staged.UNintBeruehrungsstromL1N);
        EXPECT_EQ(w.UNintBeruehrungsstromNL1, r->staged.UNintBeruehrungsstromNL1);
        EXPECT_EQ(w.UNintGrwSchutzleiterwid, r->staged.UNintGrwSchutzleiterwid);
        EXPECT_EQ(w.UNintGrwIsolationswid, r->staged.UNintGrwIsolationswid);
        EXPECT_EQ(w.UNintGrwAbleitstrom, r->staged.UNintGrwAbleitstrom);
        EXPECT_EQ(w.UNintGrwSchutzleiterstrom, r->staged.UNintGrwSchutzleiterstrom);
        EXPECT_EQ(w.UNintGrwBeruehrungsstrom, r->staged.UNintGrwBeruehrungsstrom);
        EXPECT_EQ(w.UNintGrwSchnellabschaltung, r->staged.UNintGrwSchnellabschaltung);
        EXPECT_EQ(w.UNblnPruefungsergebnis, r->staged.UNblnPruefungsergebnis);
        EXPECT_EQ(w.UNintSichtpruef, r->staged.UNintSichtpruef);
        EXPECT_EQ(w.UNintSchutzklasse, r->staged.UNintSchutzklasse);
        EXPECT_EQ(w.UNblnAutomatisch, r->staged.UNblnAutomatisch);
        EXPECT_EQ(w.UNintDINVDE, r->staged.UNintDINVDE);
        EXPECT_EQ(w.UNblnExternDiffStr, r->staged.UNblnExternDiffStr);
        EXPECT_EQ(w.UNblnManuGrenz, r->staged.UNblnManuGrenz);
        EXPECT_EQ(w.UNintIsolDiff, r->staged.UNintIsolDiff);
        EXPECT_EQ(w.UNblnMitBeruehr, r->staged.UNblnMitBeruehr);
        EXPECT_EQ(w.UNblnAbgebrochen, r->staged.UNblnAbgebrochen);
        EXPECT_EQ(w.UNblnSchnellabbruch, r->staged.UNblnSchnellabbruch);
        EXPECT_EQ(w.UNblnManuellAbbruch, r->staged.UNblnManuellAbbruch);
        EXPECT_EQ(w.UNblnGrenzwFehler, r->staged.UNblnGrenzwFehler);
        // Every field at once, so that a field added later cannot be forgotten here.
        EXPECT_TRUE(w == r->staged);
    }
}

// The fetch's own reading: $33 for the count, then $20..$24 per record over
// the bus, each request exactly the hand-written bytes, each answer decoded.
TEST_F(RecordFixtures, FetchReadsTheCountAndEveryRecordFromHandWrittenAnswers)
{
    tester->answers[Hex("53 61 33 33 00 00 00 00 00 00 00 00")] = Hex(AnsCountThree);
    TSpeicherStand stand;
    ASSERT_TRUE(cmds.ReadSpeicherStand(stand));
    EXPECT_EQ(stand.Anzahl, 3);
    EXPECT_EQ(stand.FreieBytes, 4660);
    EXPECT_FALSE(stand.Voll);

    for (const TRecordFixture *r : Records) {
        SCOPED_TRACE(r->name);
        tester->requests.clear();
        for (int p = 0; p < 5; ++p)
            tester->answers[Hex(PieceRequests[size_t(p)])] = Hex(r->answers[size_t(p)]);
        TSpeicherSatz s;
        ASSERT_TRUE(cmds.ReadSpeicherSatz(s));
        ASSERT_EQ(tester->requests.size(), 5);
        for (int p = 0; p < 5; ++p)
            EXPECT_EQ(tester->requests[p], Hex(PieceRequests[size_t(p)])) << "piece " << p;
        EXPECT_EQ(s.Bytes, PiecesOf(*r).Bytes);
        EXPECT_TRUE(DecodeSpeicherSatz(s) == r->staged);
    }
}

// A piece whose answer has a wrong checksum is not taken: the record is not
// read (the fetch then stores nothing).
TEST_F(RecordFixtures, APieceWithAWrongChecksumIsNotTaken)
{
    cmds.setTimeout(tcReadEEPROM, 150);
    for (int p = 0; p < 5; ++p)
        tester->answers[Hex(PieceRequests[size_t(p)])] = Hex(Record0702.answers[size_t(p)]);
    // Piece C with its check byte 36 turned into 37.
    tester->answers[Hex(PieceRequests[2])] = Hex("53 EC 37 22 FF FF FF FF 2C 01 E8 03");
    TSpeicherSatz s;
    EXPECT_FALSE(cmds.ReadSpeicherSatz(s));
    EXPECT_EQ(tester->requests.count(Hex(PieceRequests[3])), 0); // stopped at piece C
}

// Identification at connect: the version and serial-number answers.
TEST_F(RecordFixtures, VersionAndSerialNumberFromHandWrittenAnswers)
{
    tester->answers[Hex(ReqVersion)] = Hex(AnsVersion);
    tester->answers[Hex(ReqSerial)] = Hex(AnsSerial);
    TFirmwareVersion v;
    ASSERT_TRUE(cmds.ReadFirmwareVersion(v));
    EXPECT_EQ(v.Text, QStringLiteral("1.03.00 ab"));
    EXPECT_EQ(v.Packed, 0x100030000ull);
    EXPECT_TRUE(v.Compatible());
    EXPECT_EQ(cmds.ReadSerialNumber(), QStringLiteral("1234567890"));
    EXPECT_EQ(tester->requests, QList<QByteArray>({Hex(ReqVersion), Hex(ReqSerial)}));
}

// Version and serial-number answers at their edges, decoded from the frames.
TEST(RecordFixturesOffline, VersionAndSerialNumberEdges)
{
    auto frameOf = [](const char *hex) {
        TFrameAssembler a;
        TProtok m{};
        for (char c : Hex(hex))
            if (a.feed(quint8(c), 0) == TFrameAssembler::FrameValid) m = a.frame();
        return m;
    };
    const TFirmwareVersion old = DecodeFirmwareVersion(frameOf(AnsVersionOld).Data);
    EXPECT_EQ(old.Text, QStringLiteral("1.02.99 xy"));
    EXPECT_EQ(old.Packed, 0x100020909ull);
    EXPECT_FALSE(old.Compatible());
    EXPECT_EQ(
        FirmwareMismatchMessage(old.Text),
        QStringLiteral("Der angeschlossene Gerätetester mit Firmwareversion 1.02.99 xy passt nicht zu dieser "
                       "Programmversion. Bitte verwenden Sie das dazu passende Programm, oder schließen Sie "
                       "einen Gerätetester ab Version 1.03.00 an."));

    const TFirmwareVersion hex = DecodeFirmwareVersion(frameOf(AnsVersionHexDigits).Data);
    EXPECT_EQ(hex.Text, QStringLiteral("1.a3.g0 xy"));
    EXPECT_EQ(hex.Packed, 0x10A030000ull);
    EXPECT_TRUE(hex.Compatible());

    EXPECT_EQ(DecodeSerialNumber(frameOf(AnsSerialNonDecimal).Data), QStringLiteral("12345678:?"));
}
