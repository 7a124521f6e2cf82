// The simulated tester in-process: answers, read-out, settings, limits, the
// test sequence and autosend, with virtual time.

#include "SimTester.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Stage = SimTester::Stage;

TProtok req(quint8 cmd, const QByteArray &data = {}, quint8 addr = 0x61)
{
    return BuildMsg(addr, cmd, data);
}

int word(const TProtok &m, int offset)
{
    return qint16(quint16(m.Data[offset] | (m.Data[offset + 1] << 8)));
}

int uword(const TProtok &m, int offset)
{
    return quint16(m.Data[offset] | (m.Data[offset + 1] << 8));
}

TProtok ask(SimTester &t, quint8 cmd, const QByteArray &data = {}, qint64 now = 0)
{
    auto a = t.handle(req(cmd, data), now);
    EXPECT_TRUE(a.has_value()) << "no answer to $" << std::hex << int(cmd);
    return a.value_or(TProtok{});
}

// A $66 block as the PC writes it: the reported block with changes.
QByteArray block(const SimTester &t, std::uint8_t action = 0)
{
    QByteArray b = t.blockBytes();
    b[7] = char(action);
    return b;
}

SimRecord makeRecord(int barcodeDigits, int pe)
{
    std::array<int, 8> v;
    v.fill(-1);
    v[1] = pe;
    SimBlock b;
    b.klasse = 1;
    return SimBuildRecord(b, v, 0, 0x40, SimLimits{}, QString(barcodeDigits, QLatin1Char('7')));
}

// Runs virtual time in 5 ms steps and records every change of stage and step.
struct Operator {
    SimTester &t;
    qint64 now = 0;
    std::vector<std::pair<Stage, int>> seen;

    explicit Operator(SimTester &tester) : t(tester) { note(); }
    void note()
    {
        const std::pair<Stage, int> s{t.stage(), t.step()};
        if (seen.empty() || seen.back() != s) seen.push_back(s);
    }
    void press(std::uint8_t action)
    {
        t.handle(req(0x66, block(t, action)), now);
        note();
    }
    // Until the tester waits in the given stage (or the time is up).
    bool until(Stage s, qint64 maxMs = 120000)
    {
        const qint64 end = now + maxMs;
        while (now < end) {
            if (t.stage() == s) return true;
            now += 5;
            t.advance(now);
            note();
        }
        return t.stage() == s;
    }
};

} // namespace

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

// ---- Test sequence --------------------------------------------------------------

TEST(SimSequence, AutomaticRunGoesThroughEveryPhaseAndStoresARecord)
{
    SimTester t;
    t.block().messzeit = 10;
    t.dut().value = {0, 150, 12000, 60, 0, 0, 0, 0};
    t.setBarcode(QStringLiteral("4711"));
    Operator run(t);
    run.press(akStart);
    EXPECT_EQ(t.phase(), apVorbereitung);
    ASSERT_TRUE(run.until(Stage::Visual, 2000));
    EXPECT_EQ(t.phase(), apSichtpruefung);
    t.setVisualPassed(true);
    run.press(akStart);
    ASSERT_TRUE(run.until(Stage::StoreQuery, 10000));
    EXPECT_EQ(t.phase(), apSpeicherAbfrage);
    run.press(akStart);
    EXPECT_EQ(t.phase(), apSpeicherung);
    ASSERT_TRUE(run.until(Stage::Display, 2000));
    EXPECT_EQ(t.phase(), apAnzeige);

    const std::vector<std::pair<Stage, int>> expected{
        {Stage::Idle, 0},    {Stage::Prep, 0},    {Stage::Visual, 0},     {Stage::Measure, 1},
        {Stage::Measure, 2}, {Stage::Measure, 3}, {Stage::Completion, 0}, {Stage::StoreQuery, 0},
        {Stage::Storing, 0}, {Stage::Display, 0}};
    EXPECT_EQ(run.seen, expected);

    // Class I, 0701, with insulation test: the program code of that set-up.
    SimTester probe;
    EXPECT_EQ(SimProgramPhase(probe.blockState()), 32);

    const TProtok m1 = t.report(0x37);
    EXPECT_EQ(word(m1, 0), 150);
    EXPECT_EQ(word(m1, 2), 12000);
    EXPECT_EQ(word(m1, 4), 60);
    EXPECT_EQ(m1.Data[6], 0);
    const TProtok m2 = t.report(0x38);
    for (int w = 0; w < 4; ++w)
        EXPECT_EQ(word(m2, 2 * w), -1) << w; // not measured

    ASSERT_EQ(t.records().size(), 1);
    const SimRecord &r = t.records().at(0);
    EXPECT_EQ(r.barcode(), QStringLiteral("4711"));
    EXPECT_EQ(r.ablauf(), maSichtBestanden);
    EXPECT_EQ(r.word(6), 150);
    EXPECT_EQ(r.word(8), 12000);
    EXPECT_EQ(r.word(12), -1);
    EXPECT_EQ(r.word(20), 300);  // limit protective earth
    EXPECT_EQ(r.word(22), 1000); // limit insulation, class I
    EXPECT_TRUE(t.barcode().isEmpty());

    // From the display phase, abort leads back to rest.
    run.press(akAbbrechen);
    EXPECT_EQ(t.phase(), apRuhezustand);
}

// The demo's operator: with nobody at the keys but the start, a whole test,
// the mains warning included, runs to a stored record.
TEST(SimSequence, AutoOperatorAnswersEveryQuestionAndTheRecordIsStored)
{
    SimTester t;
    t.setAutoOperator(3000);
    t.block().messzeit = 10;
    t.block().menu |= mfBeruehrstrom; // currents: the mains warning asks as well
    t.dut().value = {0, 150, 12000, 60, 10, 10, 0, 0};
    Operator run(t);
    run.press(akStart);
    ASSERT_TRUE(run.until(Stage::Display, 120000));
    ASSERT_EQ(t.records().size(), 1);
    EXPECT_TRUE(t.records().at(0).ablauf() & maSichtBestanden);
    // Each question waited for the operator's delay before it was answered.
    for (size_t i = 1; i < run.seen.size(); ++i)
        if (run.seen[i - 1].first == Stage::StoreQuery) {
            EXPECT_EQ(run.seen[i].first, Stage::Storing);
        }
    EXPECT_GE(run.now, 2 * 3000);
    // Nobody there by default: the tester keeps waiting.
    SimTester idle;
    Operator none(idle);
    none.press(akStart);
    EXPECT_FALSE(none.until(Stage::Completion, 20000));
    EXPECT_EQ(idle.stage(), Stage::Visual);
}

TEST(SimSequence, StepsTakeTheMeasuringTime)
{
    SimTester t;
    t.block().messzeit = 20; // 2.0 s
    t.block().klasse |= skSichtNichtAbgefragt;
    Operator run(t);
    run.press(akStart);
    ASSERT_TRUE(run.until(Stage::Measure, 2000));
    const qint64 begin = run.now;
    while (t.step() == 1) {
        run.now += 5;
        t.advance(run.now);
    }
    EXPECT_NEAR(double(run.now - begin), 2000.0, 10.0);

    SimTester fast;
    fast.setSpeed(10);
    fast.block().messzeit = 20;
    fast.block().klasse |= skSichtNichtAbgefragt;
    Operator r2(fast);
    r2.press(akStart);
    ASSERT_TRUE(r2.until(Stage::Measure, 2000));
    const qint64 b2 = r2.now;
    while (fast.step() == 1) {
        r2.now += 1;
        fast.advance(r2.now);
    }
    EXPECT_NEAR(double(r2.now - b2), 200.0, 3.0);

    // A floor keeps the sped-up phases long enough for reports to show them;
    // longer phases keep their own length.
    SimTester floored;
    floored.setSpeed(10);
    floored.setMinPhase(400);
    floored.block().messzeit = 20;
    floored.block().klasse |= skSichtNichtAbgefragt;
    Operator r3(floored);
    r3.press(akStart);
    ASSERT_EQ(floored.stage(), Stage::Prep);
    ASSERT_TRUE(r3.until(Stage::Measure, 2000));
    EXPECT_NEAR(double(r3.now), 400.0, 6.0); // the preparation, 50 ms at this speed
    const qint64 b3 = r3.now;
    while (floored.step() == 1) {
        r3.now += 1;
        floored.advance(r3.now);
    }
    EXPECT_NEAR(double(r3.now - b3), 400.0, 3.0);
}

TEST(SimSequence, CurrentsNeedMainsConfirmationAndReverseTheSocket)
{
    SimTester t;
    t.block().menu = mfAutomatisch | mfBeruehrstrom; // without insulation test, with touch current
    t.block().klasse = 1 | skSichtNichtAbgefragt;
    t.block().messzeit = 5;
    Operator run(t);
    run.press(akStart);
    ASSERT_TRUE(run.until(Stage::MainsWait, 5000));
    EXPECT_EQ(quint8(t.blockBytes()[5]) & spNetzspannung, spNetzspannung);
    run.press(akStart);
    EXPECT_EQ(quint8(t.blockBytes()[5]) & spNetzspannung, 0);
    ASSERT_TRUE(run.until(Stage::StoreQuery, 10000));
    const std::vector<std::pair<Stage, int>> expected{
        {Stage::Idle, 0},      {Stage::Prep, 0},      {Stage::Measure, 1},   {Stage::Measure, 3},
        {Stage::MainsWait, 3}, {Stage::Measure, 4},   {Stage::Switching, 5}, {Stage::Measure, 5},
        {Stage::Measure, 6},   {Stage::Switching, 7}, {Stage::Measure, 7},   {Stage::Completion, 0},
        {Stage::StoreQuery, 0}};
    EXPECT_EQ(run.seen, expected);
    EXPECT_EQ(SimProgramPhase(t.blockState()), 38);
}

TEST(SimSequence, SwitchOverIsReportedWhileTheSocketIsReversed)
{
    SimTester t;
    t.block().menu = mfAutomatisch | mfBeruehrstrom;
    t.block().klasse = 1 | skSichtNichtAbgefragt;
    t.block().messzeit = 5;
    Operator run(t);
    run.press(akStart);
    ASSERT_TRUE(run.until(Stage::MainsWait, 5000));
    run.press(akStart);
    ASSERT_TRUE(run.until(Stage::Switching, 5000));
    EXPECT_EQ(quint8(t.blockBytes()[4]), sfUmschalt);
    ASSERT_TRUE(run.until(Stage::Measure, 5000));
    EXPECT_EQ(quint8(t.blockBytes()[4]), 0);
}

TEST(SimSequence, SingleStepsWaitForContinue)
{
    SimTester t;
    t.block().menu = mfIsolation; // single steps
    t.block().klasse = 1 | skSichtNichtAbgefragt;
    t.block().messzeit = 5;
    Operator run(t);
    run.press(akStart);
    ASSERT_TRUE(run.until(Stage::StepWait, 5000));
    EXPECT_EQ(t.step(), 1);
    run.now += 3000;
    t.advance(run.now);
    EXPECT_EQ(t.stage(), Stage::StepWait); // waits however long it takes
    run.press(akStart);
    EXPECT_EQ(t.step(), 2);
    ASSERT_TRUE(run.until(Stage::StepWait, 5000));
    run.press(akStart);
    ASSERT_TRUE(run.until(Stage::Completion, 5000));
}

TEST(SimSequence, LiveValuesDuringAStepAndTheLimitBit)
{
    SimTester t;
    t.block().klasse = 1 | skSichtNichtAbgefragt;
    t.block().messzeit = 20;
    t.dut().value = {0, 100, 600, 30, 0, 0, 0, 0}; // 0.6 MOhm fails the 1.0 MOhm limit
    Operator run(t);
    run.press(akStart);
    ASSERT_TRUE(run.until(Stage::Measure, 2000));
    ASSERT_TRUE([&] {
        while (t.step() != 2 && run.now < 10000)
            t.advance(run.now += 5);
        return t.step() == 2;
    }());
    const int early = word(t.report(0x39), 4);
    t.advance(run.now += 1500);
    const int late = word(t.report(0x39), 4);
    EXPECT_LT(early, late); // insulation climbs while the device charges
    EXPECT_EQ(late, 600);
    EXPECT_EQ(t.report(0x3A).Data[1], 2);
    EXPECT_TRUE(quint8(t.blockBytes()[6]) & maGrenzwertAktiv);
    // The running step's value is not in $37 before the step ends.
    EXPECT_EQ(word(t.report(0x37), 2), -1);
    ASSERT_TRUE(run.until(Stage::StoreQuery, 10000));
    EXPECT_FALSE(quint8(t.blockBytes()[6]) & maGrenzwertAktiv);
    EXPECT_EQ(t.report(0x37).Data[6], gwIsolationswid);
    EXPECT_TRUE(quint8(t.blockBytes()[6]) & maGrenzwFehler);
}

TEST(SimSequence, AbortDuringAMeasurementAndAtTheStoreQuery)
{
    SimTester t;
    t.block().klasse = 1 | skSichtNichtAbgefragt;
    t.block().messzeit = 10;
    Operator run(t);
    run.press(akStart);
    ASSERT_TRUE(run.until(Stage::Measure, 2000));
    run.press(akAbbrechen);
    EXPECT_EQ(t.phase(), apAbschluss);
    EXPECT_EQ(quint8(t.blockBytes()[6]) & (maAbgebrochen | maManuellAbbruch),
              maAbgebrochen | maManuellAbbruch);
    ASSERT_TRUE(run.until(Stage::StoreQuery, 2000));
    run.press(akAbbrechen); // do not store
    EXPECT_EQ(t.phase(), apAnzeige);
    EXPECT_TRUE(t.records().isEmpty());
    // A new start clears the abort marks.
    run.press(akStart);
    EXPECT_EQ(quint8(t.blockBytes()[6]) & maAbgebrochen, 0);
}

TEST(SimSequence, AbortedTestCanBeStored)
{
    SimTester t;
    t.block().klasse = 1 | skSichtNichtAbgefragt;
    t.block().messzeit = 10;
    t.dut().value[1] = 77;
    Operator run(t);
    run.press(akStart);
    ASSERT_TRUE(run.until(Stage::Measure, 2000));
    while (t.step() == 1)
        t.advance(run.now += 5);
    run.press(akAbbrechen);
    ASSERT_TRUE(run.until(Stage::StoreQuery, 2000));
    run.press(akStart);
    ASSERT_TRUE(run.until(Stage::Display, 2000));
    ASSERT_EQ(t.records().size(), 1);
    EXPECT_EQ(t.records().at(0).word(6), 77);
    EXPECT_EQ(t.records().at(0).word(8), -1);
    EXPECT_EQ(t.records().at(0).ablauf() & 0x21, 0x21);
}

TEST(SimSequence, CurrentAboveQuickLimitStopsTheTest)
{
    SimTester t;
    t.block().menu = mfAutomatisch | mfBeruehrstrom;
    t.block().klasse = 1 | skSichtNichtAbgefragt;
    t.block().messzeit = 10;
    t.dut().value[4] = 1500; // 15 mA
    Operator run(t);
    run.press(akStart);
    ASSERT_TRUE(run.until(Stage::MainsWait, 5000));
    run.press(akStart);
    const qint64 begin = run.now;
    ASSERT_TRUE(run.until(Stage::Completion, 5000));
    EXPECT_LT(run.now - begin, 1000); // trips before the measuring time is over
    EXPECT_EQ(quint8(t.blockBytes()[6]) & (maAbgebrochen | maSchnellabbruch),
              maAbgebrochen | maSchnellabbruch);
    EXPECT_EQ(word(t.report(0x38), 0), 1500);
    EXPECT_EQ(word(t.report(0x38), 2), -1); // the reversed step never ran
}

TEST(SimSequence, NoVisualQueryWhenNotAskedAndStartFromDisplayBeginsAgain)
{
    SimTester t;
    t.block().klasse = 3 | skSichtNichtAbgefragt;
    t.block().messzeit = 1;
    Operator run(t);
    run.press(akStart);
    ASSERT_TRUE(run.until(Stage::StoreQuery, 5000));
    for (const auto &s : run.seen)
        EXPECT_NE(s.first, Stage::Visual);
    run.press(akStart);
    ASSERT_TRUE(run.until(Stage::Display, 5000));
    run.press(akStart);
    EXPECT_EQ(t.stage(), Stage::Prep);
    EXPECT_EQ(t.records().size(), 1);
}

TEST(SimSequence, FullMemoryStoresNothingAndClearIsRefusedDuringATest)
{
    SimTester t;
    t.setCapacity(1);
    t.setRecords({makeRecord(0, 1)});
    t.block().klasse = 1 | skSichtNichtAbgefragt;
    t.block().messzeit = 1;
    Operator run(t);
    run.press(akStart);
    run.press(akSpeicherClr);
    EXPECT_EQ(t.records().size(), 1);
    EXPECT_EQ(t.stage(), Stage::Prep);
    ASSERT_TRUE(run.until(Stage::StoreQuery, 5000));
    run.press(akStart);
    ASSERT_TRUE(run.until(Stage::Display, 5000));
    EXPECT_EQ(t.records().size(), 1);
}

TEST(SimSequence, StartEnabledActionChangesNothing)
{
    SimTester t;
    Operator run(t);
    run.press(akStartFreigabe);
    EXPECT_EQ(t.stage(), Stage::Idle);
    EXPECT_EQ(run.seen.size(), 1u);
}

TEST(SimSequence, LateAdvanceCatchesUpExactly)
{
    // One call long after the start must reach the same state as many small ones.
    SimTester a, b;
    for (SimTester *t : {&a, &b}) {
        t->block().menu = mfAutomatisch | mfIsolation;
        t->block().klasse = 1 | skSichtNichtAbgefragt;
        t->block().messzeit = 10;
        t->action(akStart, 0);
    }
    for (qint64 ms = 0; ms <= 1700; ms += 10)
        a.advance(ms);
    b.advance(1700);
    EXPECT_EQ(a.stage(), b.stage());
    EXPECT_EQ(a.step(), b.step());
    EXPECT_EQ(a.measured(1), b.measured(1));
}

// ---- Autosend -----------------------------------------------------------------------

TEST(SimAutosend, MaskSelectsReportsAndTheyRepeat)
{
    SimTester t;
    t.setAutosendPeriod(200);
    EXPECT_TRUE(t.dueReports(0).empty());
    t.handle(req(0x67, QByteArray("\x9c\x07", 2)), 100);
    std::vector<TProtok> r = t.dueReports(100);
    std::vector<int> cmds;
    for (const TProtok &m : r) {
        cmds.push_back(m.Cmd);
        EXPECT_EQ(m.Addr, 0xEC);
        EXPECT_EQ(m.Chk, MsgChecksum(m));
    }
    EXPECT_EQ(cmds, (std::vector<int>{0x32, 0x33, 0x34, 0x37, 0x38, 0x39, 0x3A}));
    EXPECT_TRUE(t.dueReports(299).empty());
    EXPECT_EQ(t.dueReports(300).size(), 7u);
    EXPECT_EQ(t.msUntilDue(300), 200);

    t.handle(req(0x67, QByteArray(1, '\0')), 350);
    EXPECT_EQ(t.autosendMask(), 0);
    EXPECT_TRUE(t.dueReports(1000).empty());

    t.handle(req(0x67, QByteArray("\x02\x00", 2)), 1000); // $31 only
    r = t.dueReports(1000);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].Cmd, 0x31);
}

TEST(SimAutosend, LimitsReportFollowsTheStandard)
{
    SimTester t;
    TProtok m = t.report(0x32);
    EXPECT_EQ(word(m, 0), 350);
    EXPECT_EQ(word(m, 2), 50);
    EXPECT_EQ(word(m, 4), 1000);
    t.block().klasse = 1 | skDin0751;
    t.block().menu = 0;
    m = t.report(0x32);
    EXPECT_EQ(word(m, 0), 100);
    EXPECT_EQ(word(m, 2), 10);
}
