// The simulated tester in-process: answers, read-out, settings and limits,
// with virtual time.

#include "SimTesterSupport.h"

using namespace simtest;

// ---- Answers -----------------------------------------------------------------

TEST(SimAnswers, IdentityFirmwareSerialAndFraming)
{
    SimIdentity id;
    id.firmware = "10299ab";
    id.serial = "0612345678";
    SimTester t(id);

    const TProtok fw = ask(t, 0x10);
    EXPECT_EQ(fw.Start, 0x53);
    EXPECT_EQ(fw.Addr, 0xEC);
    EXPECT_EQ(fw.Cmd, 0x10);
    EXPECT_EQ(fw.Chk, MsgChecksum(fw));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(fw.Data), 7), QByteArray("10299ab"));

    // Two digits per byte: the first in the low nibble.
    const TProtok sn = ask(t, 0x11);
    const quint8 expected[5] = {0x60, 0x21, 0x43, 0x65, 0x87};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(sn.Data[i], expected[i]) << i;
    EXPECT_EQ(sn.Data[5], 0);
}

TEST(SimAnswers, IgnoresForeignAddressesUnknownCommandsAndAutosendOrder)
{
    SimTester t;
    EXPECT_FALSE(t.handle(req(0x10, {}, 0x62), 0).has_value());
    EXPECT_FALSE(t.handle(req(0x12), 0).has_value()); // known by name only
    EXPECT_FALSE(t.handle(req(0x71), 0).has_value());
    EXPECT_FALSE(t.handle(req(0x67, QByteArray("\x9c\x07", 2)), 0).has_value());
    EXPECT_EQ(t.autosendMask(), 0x079C);
}

TEST(SimAnswers, LanguageListCurrentLanguageAndChoice)
{
    SimIdentity id;
    id.languages = {QStringLiteral("de"), QStringLiteral("en"), QStringLiteral("fr")};
    id.language = 1;
    SimTester t(id);
    EXPECT_TRUE(quint8(t.blockBytes()[1]) & gfSprachwahl);

    const TProtok e0 = ask(t, 0x15, QByteArray(1, '\0'));
    EXPECT_NE(e0.Data[1], 0);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(e0.Data + 2), 2), QByteArray("de"));
    EXPECT_EQ(e0.Data[4], 3);
    EXPECT_EQ(e0.Data[5], 1);
    const TProtok e2 = ask(t, 0x15, QByteArray(1, '\2'));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(e2.Data + 2), 2), QByteArray("fr"));
    const TProtok e3 = ask(t, 0x15, QByteArray(1, '\3'));
    EXPECT_EQ(e3.Data[1], 0);
    EXPECT_EQ(e3.Data[2], 0);

    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(ask(t, 0x3B).Data + 1), 2), QByteArray("en"));
    ask(t, 0x69, QByteArray(1, '\0'));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(ask(t, 0x3B).Data + 1), 2), QByteArray("de"));
    ask(t, 0x69, QByteArray(1, '\7')); // no such language: stays
    EXPECT_EQ(ask(t, 0x15, QByteArray(1, '\0')).Data[5], 0);
}

TEST(SimAnswers, WithoutLanguagesNoChoiceIsOffered)
{
    SimIdentity id;
    id.languages.clear();
    SimTester t(id);
    EXPECT_FALSE(quint8(t.blockBytes()[1]) & gfSprachwahl);
    const TProtok cur = ask(t, 0x3B);
    EXPECT_EQ(cur.Data[1], 0);
    EXPECT_EQ(ask(t, 0x15, QByteArray(1, '\0')).Data[4], 0);
}

TEST(SimAnswers, MemoryCountFreeBytesAndFull)
{
    SimTester t;
    t.setCapacity(3);
    t.setRecords({makeRecord(0, 10), makeRecord(0, 20)});
    TProtok m = ask(t, 0x33);
    EXPECT_EQ(uword(m, 0), 2);
    EXPECT_EQ(uword(m, 2), 40);
    EXPECT_EQ(m.Data[4], 0);
    t.setRecords({makeRecord(0, 10), makeRecord(0, 20), makeRecord(0, 30)});
    m = ask(t, 0x33);
    EXPECT_EQ(uword(m, 0), 3);
    EXPECT_EQ(uword(m, 2), 0);
    EXPECT_NE(m.Data[4], 0);
}

// ---- Read-out ----------------------------------------------------------------

TEST(SimReadout, TStartsAtTheFirstRecordSMovesOnCRemovesWhatWasRead)
{
    SimTester t;
    t.setRecords({makeRecord(3, 111), makeRecord(0, 222), makeRecord(16, 333)});
    ask(t, 0x70, "T");
    EXPECT_EQ(word(ask(t, 0x20), 6), 111);
    EXPECT_EQ(ask(t, 0x20).Data[0], 3); // reading twice does not move on
    ask(t, 0x70, "S");
    EXPECT_EQ(word(ask(t, 0x20), 6), 222);
    ask(t, 0x70, "S");
    ask(t, 0x70, "C");
    ASSERT_EQ(t.records().size(), 1);
    EXPECT_EQ(t.records().at(0).word(6), 333);
    EXPECT_EQ(uword(ask(t, 0x33), 0), 1);
    EXPECT_FALSE(t.readoutActive());
}

TEST(SimReadout, PiecesCarryTheWholeRecord)
{
    SimTester t;
    std::mt19937 rng(5);
    const SimRecord r = SimRandomRecord(16, rng);
    t.setRecords({r});
    ask(t, 0x70, "T");
    QByteArray all;
    for (quint8 c = 0x20; c <= 0x24; ++c) {
        const TProtok p = ask(t, c);
        EXPECT_EQ(p.Cmd, c);
        all += QByteArray(reinterpret_cast<const char *>(p.Data), 8);
    }
    EXPECT_EQ(all, QByteArray(reinterpret_cast<const char *>(r.bytes.data()), 40));
}

TEST(SimReadout, UnfinishedReadoutLeavesMemoryAndARestartBeginsAgain)
{
    SimTester t;
    t.setRecords({makeRecord(0, 1), makeRecord(0, 2)});
    ask(t, 0x70, "T");
    ask(t, 0x70, "S");
    ask(t, 0x70, "T"); // a new read-out after an interrupted one
    EXPECT_EQ(word(ask(t, 0x20), 6), 1);
    ask(t, 0x70, "S");
    EXPECT_EQ(t.records().size(), 2);
    // "C" without a read-out in progress removes nothing.
    SimTester u;
    u.setRecords({makeRecord(0, 1)});
    ask(u, 0x70, "S");
    ask(u, 0x70, "C");
    EXPECT_EQ(u.records().size(), 1);
}

TEST(SimReadout, ReadingPastTheEndGivesZerosAndCStopsAtTheCount)
{
    SimTester t;
    t.setRecords({makeRecord(2, 5)});
    ask(t, 0x70, "T");
    ask(t, 0x70, "S");
    ask(t, 0x70, "S"); // one more than there is
    const TProtok p = ask(t, 0x21);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(p.Data), 8), QByteArray(8, '\0'));
    ask(t, 0x70, "C");
    EXPECT_TRUE(t.records().isEmpty());
}

TEST(SimReadout, ClearActionEmptiesTheMemory)
{
    SimTester t;
    t.setRecords({makeRecord(0, 1), makeRecord(0, 2)});
    Operator run(t);
    run.press(akSpeicherClr);
    EXPECT_EQ(t.phase(), apEepromLoeschen);
    EXPECT_TRUE(t.records().isEmpty());
    EXPECT_TRUE(run.until(Stage::Idle, 5000));
    EXPECT_EQ(t.phase(), apRuhezustand);
}

// ---- Settings and limits ---------------------------------------------------------

TEST(SimSettings, WriteMarkGatesMenuStandardClassAndLock)
{
    SimTester t;
    QByteArray b = block(t);
    b[0] = char(mfAutomatisch | mfManuGrenz);
    b[2] = char(2 | skDin0751);
    b[3] = char(55);
    b[5] = char(spEinstellsperre); // no write mark
    ask(t, 0x66, b);
    EXPECT_EQ(t.blockState().menu, mfAutomatisch | mfIsolation); // unchanged
    EXPECT_EQ(t.blockState().klasse, 1);
    EXPECT_EQ(t.blockState().messzeit, 55); // measuring time needs no mark
    EXPECT_EQ(t.blockState().sperr, 0);

    b[5] = char(spEinstellsperre | spPcSchreibt);
    ask(t, 0x66, b);
    EXPECT_EQ(t.blockState().menu, mfAutomatisch | mfManuGrenz);
    EXPECT_EQ(t.blockState().standard(), 2);
    EXPECT_EQ(t.blockState().schutzklasse(), 2);
    // The lock is kept, the write mark itself is not.
    EXPECT_EQ(quint8(t.blockBytes()[5]), spEinstellsperre);
}

TEST(SimSettings, MeasuringTimeOutsideItsRangeIsRefused)
{
    SimTester t;
    QByteArray b = block(t);
    b[3] = 0;
    ask(t, 0x66, b);
    EXPECT_EQ(t.blockState().messzeit, 30);
    b[3] = char(251);
    ask(t, 0x66, b);
    EXPECT_EQ(t.blockState().messzeit, 30);
    b[3] = char(250);
    ask(t, 0x66, b);
    EXPECT_EQ(t.blockState().messzeit, 250);
}

TEST(SimSettings, VisualInspectionBitsNeedNoMark)
{
    SimTester t;
    QByteArray b = block(t);
    b[2] = char(quint8(b[2]) | skSichtNichtAbgefragt);
    b[6] = char(maSichtBestanden);
    ask(t, 0x66, b);
    EXPECT_FALSE(t.blockState().visualAsked());
    EXPECT_EQ(quint8(t.blockBytes()[6]) & maSichtBestanden, maSichtBestanden);
    EXPECT_EQ(t.blockState().schutzklasse(), 1);
}

TEST(SimSettings, LimitIndexesAreAppliedAndReportedOutOfRangeOnesKept)
{
    SimTester t;
    ask(t, 0x68, QByteArray("\x09\x05\x11\x03", 4));
    TProtok s = ask(t, 0x3A);
    EXPECT_EQ(s.Data[2], 9);
    EXPECT_EQ(s.Data[3], 5);
    EXPECT_EQ(s.Data[4], 17);
    EXPECT_EQ(s.Data[5], 3);
    ask(t, 0x68, QByteArray("\x0a\x06\x12\x04", 4)); // one past each table
    s = ask(t, 0x3A);
    EXPECT_EQ(s.Data[2], 9);
    EXPECT_EQ(s.Data[3], 5);
    EXPECT_EQ(s.Data[4], 17);
    EXPECT_EQ(s.Data[5], 3);
}

TEST(SimSettings, LimitsFollowStandardOrManualIndexes)
{
    SimBlock b;
    b.klasse = 2;
    SimLimitIndexes idx;
    SimLimits l = SimEffectiveLimits(b, idx);
    EXPECT_EQ(l.pe, 300);
    EXPECT_EQ(l.iso, 2000);
    EXPECT_EQ(l.third, 350);
    b.menu = mfIsolation;
    EXPECT_EQ(SimEffectiveLimits(b, idx).third, 50);

    b.klasse = 1 | skDin0751;
    b.menu = mfIsolDiff;
    l = SimEffectiveLimits(b, idx);
    EXPECT_EQ(l.iso, 2000);
    EXPECT_EQ(l.third, 50);
    EXPECT_EQ(l.touch, 10);

    b.menu = mfIsolDiff | mfManuGrenz;
    idx = SimLimitIndexes{8, 5, 0, 3};
    l = SimEffectiveLimits(b, idx);
    EXPECT_EQ(l.pe, 100);
    EXPECT_EQ(l.iso, 7000);
    EXPECT_EQ(l.third, 500); // the differential table in 0751 differential mode
    b.klasse = 1;
    EXPECT_EQ(SimEffectiveLimits(b, idx).third, 10); // otherwise the leakage table
}

TEST(SimSettings, SettingsAreFrozenDuringATestButTheVisualVerdictIsTaken)
{
    SimTester t;
    Operator run(t);
    run.press(akStart);
    ASSERT_TRUE(run.until(Stage::Visual, 5000));
    QByteArray b = block(t);
    b[0] = 0;
    b[5] = char(spPcSchreibt);
    b[3] = 99;
    b[6] = char(maSichtBestanden);
    t.handle(req(0x66, b), run.now);
    EXPECT_EQ(t.blockState().menu, mfAutomatisch | mfIsolation);
    EXPECT_EQ(t.blockState().messzeit, 30);
    EXPECT_TRUE(t.blockState().ablauf & maSichtBestanden);
}
