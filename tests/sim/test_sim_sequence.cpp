// The simulated tester in-process: the test sequence and autosend, with
// virtual time.

#include "SimTesterSupport.h"

using namespace simtest;

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
