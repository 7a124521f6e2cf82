// The simulator's line logic (framing, faults, pacing), its generated
// records, its command line and its control channel.

#include "SimLine.h"
#include "SimOptions.h"

#include <QMap>

#include <gtest/gtest.h>

#include <set>

namespace {

QByteArray wire(quint8 cmd, const QByteArray &data = {}, quint8 addr = 0x61)
{
    return MsgToWire(BuildMsg(addr, cmd, data));
}

// Everything the line wants to send now, frame by frame.
QList<QByteArray> drain(SimLine &line)
{
    QList<QByteArray> out;
    while (line.hasOutput())
        out.append(line.takeFrame());
    return out;
}

bool checksumOk(const QByteArray &f)
{
    if (f.size() != 12) return false;
    int sum = 0;
    for (int i = 3; i < 12; ++i)
        sum += quint8(f[i]);
    return quint8(sum) == quint8(f[2]);
}

} // namespace

// ---- Line and faults -------------------------------------------------------------

TEST(SimLineFaults, AnswersValidFramesOnlyAndCountsBadOnes)
{
    SimTester t;
    SimLine line(t, {}, 1);
    QByteArray bad = wire(0x10);
    bad[2] = char(quint8(bad[2]) + 1);
    line.receive("xx" + bad, 0); // noise before "S" is skipped
    EXPECT_FALSE(line.hasOutput());
    EXPECT_EQ(line.badFrames(), 1);
    line.receive(wire(0x10), 1);
    const QList<QByteArray> out = drain(line);
    ASSERT_EQ(out.size(), 1);
    EXPECT_TRUE(checksumOk(out[0]));
    EXPECT_EQ(quint8(out[0][3]), 0x10);
}

TEST(SimLineFaults, AnswersGoBeforeWaitingReportsAndStaleRoundsAreReplaced)
{
    SimTester t;
    SimLine line(t, {}, 1);
    line.receive(wire(0x67, QByteArray("\x9c\x07", 2)), 0);
    line.advance(0);
    line.takeFrame(); // one report is on its way
    line.receive(wire(0x11), 1);
    EXPECT_EQ(quint8(line.takeFrame()[3]), 0x11);
    line.advance(200); // a new round replaces the six reports still waiting
    EXPECT_EQ(drain(line).size(), 7);
}

TEST(SimLineFaults, DropLosesExactlyTheKthRequestOfThatCommand)
{
    SimTester t;
    SimFaults f;
    f.drops = {{0x33, 2}};
    SimLine line(t, f, 1);
    for (int i = 0; i < 3; ++i)
        line.receive(wire(0x33), i);
    line.receive(wire(0x34), 5);
    const QList<QByteArray> out = drain(line);
    ASSERT_EQ(out.size(), 3);
    EXPECT_EQ(quint8(out[0][3]), 0x33);
    EXPECT_EQ(quint8(out[1][3]), 0x33);
    EXPECT_EQ(quint8(out[2][3]), 0x34);
    EXPECT_EQ(line.droppedRequests(), 1);

    // A lost request has no effect either.
    SimTester u;
    u.setRecords({SimRecord{}, SimRecord{}});
    SimFaults g;
    g.drops = {{0x70, 2}};
    SimLine l2(u, g, 1);
    l2.receive(wire(0x70, "T"), 0);
    l2.receive(wire(0x70, "S"), 1); // lost
    l2.receive(wire(0x70, "C"), 2);
    EXPECT_EQ(u.records().size(), 2);
}

TEST(SimLineFaults, DropAnswerActsButStaysSilent)
{
    // A repeated "S" after a lost answer moves the read pointer twice.
    SimTester t;
    t.setRecords({SimRecord{}, SimRecord{}, SimRecord{}});
    SimFaults f;
    f.answerDrops = {{0x70, 2}};
    SimLine line(t, f, 1);
    line.receive(wire(0x70, "T"), 0);
    line.receive(wire(0x70, "S"), 1);
    EXPECT_EQ(drain(line).size(), 1);
    EXPECT_EQ(t.readPointer(), 1);
    line.receive(wire(0x70, "S"), 2);
    EXPECT_EQ(drain(line).size(), 1);
    EXPECT_EQ(t.readPointer(), 2);

    // Acting while frozen: carried out, only the answer is lost.
    SimTester u;
    u.setRecords({SimRecord{}, SimRecord{}});
    f.freezeActs = true;
    SimLine acting(u, f, 1);
    for (int i = 0; i < 3; ++i)
        acting.receive(wire(0x70, i == 0 ? "T" : "S"), i);
    EXPECT_EQ(drain(acting).size(), 2);
    EXPECT_EQ(u.readPointer(), 2);
}

TEST(SimLineFaults, SilentAfterNFramesEndsAnswersAndReports)
{
    SimTester t;
    SimFaults f;
    f.silentAfter = 2;
    SimLine line(t, f, 1);
    line.receive(wire(0x67, QByteArray("\x9c\x07", 2)), 0);
    line.receive(wire(0x10), 1); // the second frame is still answered
    EXPECT_TRUE(line.silent());
    line.receive(wire(0x11), 2);
    line.advance(1000);
    const QList<QByteArray> out = drain(line);
    ASSERT_EQ(out.size(), 1);
    EXPECT_EQ(quint8(out[0][3]), 0x10);

    SimTester u;
    SimFaults none;
    none.silentAfter = 0;
    SimLine mute(u, none, 1);
    mute.receive(wire(0x10), 0);
    EXPECT_FALSE(mute.hasOutput());
}

TEST(SimLineFaults, HangupAfterNFramesAnswersTheLastOne)
{
    SimTester t;
    SimFaults f;
    f.hangupAfter = 1;
    SimLine line(t, f, 1);
    EXPECT_FALSE(line.hangupDue());
    line.receive(wire(0x10), 0);
    EXPECT_TRUE(line.hangupDue());
    line.receive(wire(0x11), 1);
    EXPECT_EQ(drain(line).size(), 1);
}

// A test stops the program on the far end at a known frame: after N answers
// the line only counts; the tester does nothing until it is thawed.
TEST(SimLineFaults, FreezeAfterNFramesCountsWithoutActingUntilThawed)
{
    SimTester t;
    t.setRecords({SimRecord{}, SimRecord{}});
    SimFaults f;
    f.freezeAfter = 2;
    SimLine line(t, f, 1);
    line.receive(wire(0x70, "T"), 0);
    line.receive(wire(0x70, "S"), 1); // the second frame is still carried out and answered
    EXPECT_TRUE(line.frozen());
    EXPECT_EQ(drain(line).size(), 2);
    line.receive(wire(0x70, "S"), 2);
    line.advance(1000);
    EXPECT_FALSE(line.hasOutput());
    EXPECT_EQ(t.readPointer(), 1) << "nothing carried out while frozen";
    EXPECT_EQ(line.framesIn(), 3);
    bool quit = false;
    EXPECT_EQ(SimControlCommand(line, QStringLiteral("thaw"), 2000, quit), QStringLiteral("ok"));
    line.receive(wire(0x70, "S"), 2001);
    EXPECT_EQ(drain(line).size(), 1);
    EXPECT_EQ(t.readPointer(), 2);

    // Acting while frozen: carried out, only the answer is lost.
    SimTester u;
    u.setRecords({SimRecord{}, SimRecord{}});
    f.freezeActs = true;
    SimLine acting(u, f, 1);
    for (int i = 0; i < 3; ++i)
        acting.receive(wire(0x70, i == 0 ? "T" : "S"), i);
    EXPECT_EQ(drain(acting).size(), 2);
    EXPECT_EQ(u.readPointer(), 2);
}

TEST(SimLineFaults, CorruptAndDropByteAffectTheirShareOfFrames)
{
    SimTester t;
    SimFaults all;
    all.corrupt = 1.0;
    SimLine c(t, all, 1);
    for (int i = 0; i < 20; ++i)
        c.receive(wire(0x34), i);
    for (const QByteArray &f : drain(c))
        EXPECT_FALSE(checksumOk(f));

    SimFaults half;
    half.corrupt = 0.5;
    SimLine h(t, half, 7);
    int bad = 0;
    for (int i = 0; i < 200; ++i) {
        h.receive(wire(0x34), i);
        bad += checksumOk(h.takeFrame()) ? 0 : 1;
    }
    EXPECT_GT(bad, 60);
    EXPECT_LT(bad, 140);

    SimFaults drop;
    drop.dropByte = 1.0;
    SimLine d(t, drop, 1);
    for (int i = 0; i < 10; ++i)
        d.receive(wire(0x34), i);
    for (const QByteArray &f : drain(d))
        EXPECT_EQ(f.size(), 11);

    SimLine clean(t, {}, 1);
    for (int i = 0; i < 50; ++i)
        clean.receive(wire(0x34), i);
    for (const QByteArray &f : drain(clean))
        EXPECT_TRUE(checksumOk(f));
}

TEST(SimLineFaults, SameSeedSameFaults)
{
    SimTester t;
    SimFaults f;
    f.corrupt = 0.3;
    f.dropByte = 0.3;
    SimLine a(t, f, 42), b(t, f, 42);
    for (int i = 0; i < 30; ++i) {
        a.receive(wire(0x34), i);
        b.receive(wire(0x34), i);
        EXPECT_EQ(a.takeFrame(), b.takeFrame()) << i;
    }
}

// ---- Pacing ---------------------------------------------------------------------------

TEST(SimPacing, BytesFollowOneAnotherAtLineSpeed)
{
    const qint64 byteUs = SimPacedQueue::byteTimeUs(9600);
    EXPECT_EQ(byteUs, 1042);
    SimPacedQueue q(byteUs);
    q.push(QByteArray(12, 'x'), 1000);
    EXPECT_EQ(q.takeDue(1000 + 11 * byteUs).size(), 11);
    EXPECT_EQ(q.usUntilNext(1000 + 11 * byteUs), byteUs);
    const auto last = q.takeDue(1000 + 12 * byteUs);
    ASSERT_EQ(last.size(), 1);
    EXPECT_EQ(last[0].second, 1000 + 12 * byteUs); // a 12-byte frame takes 12.5 ms
    // A second frame queued at once waits for the first.
    q.push(QByteArray(2, 'y'), 1000 + 12 * byteUs);
    q.push(QByteArray(1, 'z'), 1000 + 12 * byteUs);
    EXPECT_EQ(q.takeDue(1000 + 15 * byteUs - 1).size(), 2);
    EXPECT_EQ(q.usUntilNext(1000 + 15 * byteUs - 1), 1);
    // After a pause the line starts afresh.
    SimPacedQueue p(byteUs);
    p.push("a", 0);
    p.takeDue(byteUs);
    p.push("b", 100000);
    EXPECT_TRUE(p.takeDue(100000 + byteUs - 1).isEmpty());
    EXPECT_EQ(p.takeDue(100000 + byteUs).size(), 1);
}

TEST(SimPacing, WithoutPacingEverythingIsDueAtOnce)
{
    SimPacedQueue q(0);
    q.push(QByteArray(100, 'x'), 5);
    EXPECT_EQ(q.takeDue(5).size(), 100);
    EXPECT_TRUE(q.empty());
    EXPECT_EQ(q.usUntilNext(5), -1);
}

// ---- Generated records --------------------------------------------------------------

TEST(SimRecords, GeneratedMemoryCoversEverySetUpAndOutcome)
{
    std::mt19937 rng(3);
    std::set<int> classes, standards, modes, digits;
    int aborted = 0, quick = 0, limitErrors = 0, notAsked = 0;
    for (int i = 0; i < 60; ++i) {
        const SimRecord r = SimRandomRecord(i, rng);
        SimBlock b;
        b.menu = r.menu();
        b.klasse = r.klasse();
        classes.insert(b.schutzklasse());
        standards.insert(b.standard());
        modes.insert(b.isolationMode());
        digits.insert(r.bytes[0]);
        EXPECT_LE(r.bytes[0], 16);
        EXPECT_EQ(r.barcode().size(), r.bytes[0]);
        aborted += (r.ablauf() & maAbgebrochen) ? 1 : 0;
        quick += (r.ablauf() & maSchnellabbruch) ? 1 : 0;
        limitErrors += (r.ablauf() & maGrenzwFehler) ? 1 : 0;
        notAsked += b.visualAsked() ? 0 : 1;
        // The set-ups are those the PC can write.
        EXPECT_FALSE(b.standard() == 2 && b.schutzklasse() == 3) << i;
        if (b.schutzklasse() == 3) {
            EXPECT_EQ(b.isolationMode(), 1) << i;
        }

        // Limit flags agree with the stored values and limits.
        SimLimits lim;
        lim.pe = r.word(20);
        lim.iso = r.word(22);
        lim.third = r.word(24);
        lim.pec = r.word(26);
        lim.touch = r.word(28);
        const int offsets[8] = {0, 6, 8, 10, 12, 14, 16, 18};
        for (int k = 1; k <= 7; ++k)
            EXPECT_EQ(bool(r.grenzwert() & (1 << (k - 1))), SimViolates(k, r.word(offsets[k]), lim))
                << "record " << i << " step " << k;
        EXPECT_EQ(bool(r.ablauf() & maGrenzwFehler), r.grenzwert() != 0) << i;
        // Steps that do not belong to the set-up were not measured.
        const int mask = SimStepMask(b.isolationMode(), b.standard(), b.touchCurrent(), b.schutzklasse());
        for (int k = 1; k <= 7; ++k)
            if (!(mask & (1 << (k - 1)))) {
                EXPECT_EQ(r.word(offsets[k]), -1) << i << " step " << k;
            }
    }
    EXPECT_EQ(classes, (std::set<int>{1, 2, 3}));
    EXPECT_EQ(standards, (std::set<int>{0, 1, 2}));
    EXPECT_EQ(modes, (std::set<int>{0, 1, 2}));
    EXPECT_EQ(digits.size(), 17u);
    EXPECT_GT(aborted, 5);
    EXPECT_GT(quick, 2);
    EXPECT_GT(limitErrors, 0);
    EXPECT_GT(notAsked, 0);
}

TEST(SimRecords, BarcodeIsPackedLowNibbleFirst)
{
    std::array<int, 8> v;
    v.fill(-1);
    const SimRecord r = SimBuildRecord(SimBlock{}, v, 0, 0, SimLimits{}, QStringLiteral("123"));
    EXPECT_EQ(r.bytes[0], 3);
    EXPECT_EQ(r.bytes[32], 0x21);
    EXPECT_EQ(r.bytes[33], 0x03);
    const SimRecord full =
        SimBuildRecord(SimBlock{}, v, 0, 0, SimLimits{}, QStringLiteral("12345678901234567890"));
    EXPECT_EQ(full.bytes[0], 16); // piece E holds no more
    EXPECT_EQ(full.barcode(), QStringLiteral("1234567890123456"));
}

TEST(SimRecords, SameSeedSameMemory)
{
    SimOptions o;
    o.records = 25;
    o.seed = 9;
    SimTester a, b, c;
    ApplySimOptions(o, a);
    ApplySimOptions(o, b);
    o.seed = 10;
    ApplySimOptions(o, c);
    ASSERT_EQ(a.records().size(), 25);
    bool allSame = true, someDiffer = false;
    for (int i = 0; i < 25; ++i) {
        allSame = allSame && a.records()[i].bytes == b.records()[i].bytes;
        someDiffer = someDiffer || a.records()[i].bytes != c.records()[i].bytes;
    }
    EXPECT_TRUE(allSame);
    EXPECT_TRUE(someDiffer);
}

// ---- Command line -----------------------------------------------------------------

TEST(SimCommandLine, ParsesEveryOption)
{
    SimOptions o;
    QString err;
    ASSERT_TRUE(ParseSimOptions({"--device",    "/dev/ttyS9",    "--records",   "12",
                                 "--seed",      "0x10",          "--capacity",  "40",
                                 "--firmware",  "1.02.99 AB",    "--serial",    "0123456789",
                                 "--languages", "de,fr",         "--language",  "fr",
                                 "--baud",      "19200",         "--no-pacing", "--autosend-ms",
                                 "100",         "--speed",       "4",           "--silent-after",
                                 "7",           "--drop",        "$33:2",       "--drop",
                                 "0x66:1",      "--drop-answer", "70:3",        "--corrupt",
                                 "0.25",        "--drop-byte",   "0.5",         "--hangup-after",
                                 "9",           "--quit-on-eof", "--verbose"},
                                o, err))
        << err.toStdString();
    EXPECT_EQ(o.device, "/dev/ttyS9");
    EXPECT_EQ(o.records, 12);
    EXPECT_EQ(o.seed, 16u);
    EXPECT_EQ(o.capacity, 40);
    EXPECT_EQ(o.identity.firmware, QByteArray("10299AB"));
    EXPECT_EQ(o.identity.serial, QByteArray("0123456789"));
    EXPECT_EQ(o.identity.languages, (QStringList{"de", "fr"}));
    EXPECT_EQ(o.identity.language, 1);
    EXPECT_EQ(o.baud, 19200);
    EXPECT_FALSE(o.pacing);
    EXPECT_EQ(o.autosendMs, 100);
    EXPECT_DOUBLE_EQ(o.speed, 4.0);
    EXPECT_EQ(o.faults.silentAfter, 7);
    EXPECT_EQ(o.faults.drops, (QList<QPair<int, int>>{{0x33, 2}, {0x66, 1}}));
    EXPECT_EQ(o.faults.answerDrops, (QList<QPair<int, int>>{{0x70, 3}}));
    EXPECT_DOUBLE_EQ(o.faults.corrupt, 0.25);
    EXPECT_DOUBLE_EQ(o.faults.dropByte, 0.5);
    EXPECT_EQ(o.faults.hangupAfter, 9);
    EXPECT_TRUE(o.quitOnEof);
    EXPECT_TRUE(o.verbose);
}

TEST(SimCommandLine, RefusesBadValuesWithAMessage)
{
    const QList<QStringList> bad{{"--records"},
                                 {"--records", "-1"},
                                 {"--serial", "12345"},
                                 {"--serial", "12345abcde"},
                                 {"--firmware", "1.0"},
                                 {"--languages", "deu"},
                                 {"--language", "xx"},
                                 {"--drop", "33"},
                                 {"--drop", "zz:1"},
                                 {"--drop", "33:0"},
                                 {"--corrupt", "1.5"},
                                 {"--drop-byte", "x"},
                                 {"--autosend-ms", "500"},
                                 {"--speed", "0"},
                                 {"--bogus"}};
    for (const QStringList &args : bad) {
        SimOptions o;
        QString err;
        EXPECT_FALSE(ParseSimOptions(args, o, err)) << args.join(' ').toStdString();
        EXPECT_FALSE(err.isEmpty());
    }
}

TEST(SimCommandLine, HelpNamesEveryOption)
{
    const QString help = SimHelpText();
    for (const char *opt :
         {"--device",       "--records",       "--seed",         "--capacity", "--firmware",
          "--serial",       "--languages",     "--language",     "--baud",     "--no-pacing",
          "--autosend-ms",  "--speed",         "--silent-after", "--drop",     "--drop-answer",
          "--corrupt",      "--drop-byte",     "--hangup-after", "--verbose",  "--quit-on-eof",
          "--freeze-after", "--freeze-acting", "--help"})
        EXPECT_TRUE(help.contains(QLatin1String(opt))) << opt;
}

TEST(SimCommandLine, NoLanguagesMeansNoChoice)
{
    SimOptions o;
    QString err;
    ASSERT_TRUE(ParseSimOptions({"--languages", ""}, o, err));
    EXPECT_TRUE(o.identity.languages.isEmpty());
    SimTester t(o.identity);
    EXPECT_FALSE(quint8(t.blockBytes()[1]) & gfSprachwahl);
}

// ---- Control channel ---------------------------------------------------------------

namespace {
QMap<QString, QString> parseState(const QString &reply)
{
    QMap<QString, QString> m;
    for (const QString &w : reply.split(' ', Qt::SkipEmptyParts)) {
        const qsizetype eq = w.indexOf('=');
        if (eq > 0) m.insert(w.left(eq), w.mid(eq + 1));
    }
    return m;
}
} // namespace

TEST(SimControl, ButtonsDriveATestAndStateShowsIt)
{
    SimTester t;
    SimLine line(t, {}, 1);
    bool quit = false;
    EXPECT_EQ(SimControlCommand(line, "set messzeit=1 klasse=0x09", 0, quit), "ok");
    EXPECT_EQ(SimControlCommand(line, "barcode 0815", 0, quit), "ok");
    EXPECT_EQ(SimControlCommand(line, "start", 0, quit), "ok");
    EXPECT_EQ(t.phase(), apVorbereitung);
    QString reply = SimControlCommand(line, "state", 10000, quit);
    ASSERT_TRUE(reply.startsWith("state "));
    QMap<QString, QString> s = parseState(reply);
    EXPECT_EQ(s.value("phase"), "19");
    EXPECT_EQ(s.value("stage"), "storequery");
    EXPECT_EQ(s.value("barcode"), "0815");
    EXPECT_EQ(s.value("frames_in"), "0");
    EXPECT_EQ(SimControlCommand(line, "confirm", 10000, quit), "ok");
    s = parseState(SimControlCommand(line, "state", 20000, quit));
    EXPECT_EQ(s.value("phase"), "21");
    EXPECT_EQ(s.value("records"), "1");
    reply = SimControlCommand(line, "record 0", 20000, quit);
    EXPECT_TRUE(reply.startsWith("record index=0 barcode=0815 hex=")) << reply.toStdString();
    EXPECT_EQ(reply.section("hex=", 1).size(), 80);
    EXPECT_EQ(SimControlCommand(line, "abort", 20000, quit), "ok");
    EXPECT_EQ(t.phase(), apRuhezustand);
    EXPECT_FALSE(quit);
}

TEST(SimControl, SettingsDeviceValuesAndVisualVerdict)
{
    SimTester t;
    SimLine line(t, {}, 1);
    bool quit = false;
    EXPECT_EQ(SimControlCommand(line, "dut pe=900 touch_rev=12", 0, quit), "ok");
    EXPECT_EQ(t.dut().value[1], 900);
    EXPECT_EQ(t.dut().value[7], 12);
    EXPECT_EQ(SimControlCommand(line, "set lim_pe=9 lim_diff=2 menu=0x18 language=de", 0, quit), "ok");
    EXPECT_EQ(t.limits().pe, 9);
    EXPECT_EQ(t.limits().diff, 2);
    EXPECT_EQ(t.blockState().menu, 0x18);
    EXPECT_EQ(t.identity().language, 0);
    EXPECT_EQ(SimControlCommand(line, "visual yes", 0, quit), "ok");
    EXPECT_TRUE(t.blockState().ablauf & maSichtBestanden);
    EXPECT_EQ(SimControlCommand(line, "visual nein", 0, quit), "ok");
    EXPECT_FALSE(t.blockState().ablauf & maSichtBestanden);
}

TEST(SimControl, BadCommandsChangeNothing)
{
    SimTester t;
    SimLine line(t, {}, 1);
    bool quit = false;
    // One bad assignment spoils the whole line.
    EXPECT_TRUE(SimControlCommand(line, "set messzeit=5 lim_pe=10", 0, quit).startsWith("error"));
    EXPECT_EQ(t.blockState().messzeit, 30);
    EXPECT_EQ(t.limits().pe, 0);
    EXPECT_TRUE(SimControlCommand(line, "dut pe=-1", 0, quit).startsWith("error"));
    EXPECT_TRUE(SimControlCommand(line, "barcode 12a", 0, quit).startsWith("error"));
    EXPECT_TRUE(SimControlCommand(line, "record 0", 0, quit).startsWith("error"));
    EXPECT_TRUE(SimControlCommand(line, "fly", 0, quit).startsWith("error"));
    EXPECT_TRUE(SimControlCommand(line, "   ", 0, quit).isEmpty());
    EXPECT_EQ(SimControlCommand(line, "quit", 0, quit), "bye");
    EXPECT_TRUE(quit);
}
