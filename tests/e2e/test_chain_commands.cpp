// Every command the program sends, through port, bus engine and simulator,
// with what the tester holds afterwards read back over its control channel.

#include "test_chain_support.h"

#include "tester/StoredRecord.h"

#include <QElapsedTimer>

using namespace chain_test;
using gt_test::waitFor;

namespace {

const QStringList Unpaced{QStringLiteral("--no-pacing")};

QStringList unpacedWith(const QStringList &more)
{
    return Unpaced + more;
}

} // namespace

// ---- Identification --------------------------------------------------------

// At line speed and with the program's own time-outs, as at every connect.
TEST_F(TesterChain, IdentificationAtLineSpeed)
{
    connect({QStringLiteral("--firmware"), QStringLiteral("1.03.00 R7"), QStringLiteral("--serial"),
             QStringLiteral("0612300456"), QStringLiteral("--languages"), QStringLiteral("de,en,fr"),
             QStringLiteral("--language"), QStringLiteral("fr")});
    programTimeouts();

    TFirmwareVersion v;
    ASSERT_TRUE(cmds.ReadFirmwareVersion(v));
    EXPECT_EQ(v.Text, QStringLiteral("1.03.00 R7"));
    EXPECT_TRUE(v.Compatible());
    EXPECT_EQ(cmds.ReadSerialNumber(), QStringLiteral("0612300456"));
    EXPECT_EQ(cmds.ReadCurrentLanguage(), QStringLiteral("fr"));
    // One request each: nothing was lost or retried on a clean line.
    EXPECT_EQ(sent, (QList<quint8>{cmdProgrammversion, cmdSeriennummer, cmdSprache}));
    EXPECT_EQ(badMsgs, 0);
}

TEST_F(TesterChain, OldFirmwareIsReadAndFlaggedIncompatible)
{
    connect(unpacedWith({QStringLiteral("--firmware"), QStringLiteral("1.02.99")}));
    programTimeouts();
    TFirmwareVersion v;
    ASSERT_TRUE(cmds.ReadFirmwareVersion(v));
    EXPECT_TRUE(v.Text.startsWith(QLatin1String("1.02.99"))) << qPrintable(v.Text);
    EXPECT_FALSE(v.Compatible());
}

// ---- Languages ($15, $69, $3B) -----------------------------------------------

TEST_F(TesterChain, LanguageListAndChoice)
{
    connect(unpacedWith({QStringLiteral("--languages"), QStringLiteral("de,en,fr")}));
    programTimeouts();

    const TLanguageList list = cmds.LanguageList();
    ASSERT_TRUE(list.Answered);
    EXPECT_EQ(list.Text(), QStringLiteral("de,en,fr"));
    EXPECT_EQ(list.Count, 3);
    EXPECT_EQ(list.Current, 1);
    EXPECT_EQ(list.Codes.value(list.CurrentPosition()), QStringLiteral("en"));

    QString now;
    EXPECT_EQ(cmds.ChooseLanguage(QStringLiteral("fr"), now), lcGewaehlt);
    EXPECT_EQ(now, QStringLiteral("fr"));
    EXPECT_EQ(sim.state().value(QStringLiteral("language")), QStringLiteral("fr"));
    EXPECT_EQ(sentCount(cmdSprachwahl), 1);

    // A code the tester does not offer sends no choice and changes nothing.
    now.clear();
    EXPECT_EQ(cmds.ChooseLanguage(QStringLiteral("it"), now), lcFehler);
    EXPECT_EQ(sentCount(cmdSprachwahl), 1);
    EXPECT_EQ(sim.state().value(QStringLiteral("language")), QStringLiteral("fr"));

    EXPECT_EQ(cmds.ChooseLanguage(QStringLiteral("de"), now), lcGewaehlt);
    EXPECT_EQ(now, QStringLiteral("de"));
    EXPECT_EQ(sim.stateInt(QStringLiteral("lang_index")), 0);
}

TEST_F(TesterChain, TesterWithoutLanguageChoice)
{
    connect(unpacedWith({QStringLiteral("--languages"), QString()}));
    shortTimeouts();
    QString now;
    EXPECT_EQ(cmds.ChooseLanguage(QStringLiteral("de"), now), lcKeineWahl);
    EXPECT_EQ(sentCount(cmdSprachwahl), 0);
    EXPECT_EQ(sentCount(cmdSprachEintrag), 0);
    const TLanguageList list = cmds.LanguageList();
    EXPECT_TRUE(list.Answered);
    EXPECT_TRUE(list.Codes.isEmpty());
}

// ---- Autosend ($67) ----------------------------------------------------------

// At line speed the reports and the answers share the line: a request made
// while reports stream in still gets its own answer, and the reports land in
// the mailbox.
TEST_F(TesterChain, AutosendReportsReachTheMailboxAndRequestsStillWork)
{
    connect({});
    programTimeouts();

    cmds.SendAutosend(AutosendMaskeStandard);
    EXPECT_TRUE(sim.waitForState([](const QMap<QString, QString> &s) {
        return s.value(QStringLiteral("autosend")).toInt(nullptr, 0) == 0x79C;
    }));
    quint8 expected = 0;
    for (quint8 cmd : {cmdGrenzwerte2, cmdDatensatzAnzahl, cmdFlags, cmdMesswerte1, cmdMesswerte2, cmdRohwert,
                       cmdMessablauf})
        expected |= AutosendPendingBit(AutosendSlotForCmd(cmd));
    ASSERT_TRUE(waitFor([&] { return mailbox.AutosendPending == expected; }, 3000))
        << "pending " << int(mailbox.AutosendPending);

    // The $3A report carries the tester's limit indexes.
    const TMessablauf ab = DecodeMessablauf(mailbox.Take(AutosendSlotForCmd(cmdMessablauf)).Data);
    const QMap<QString, QString> st = sim.state();
    EXPECT_EQ(ab.LimitIndex[ltSchutzleiterwid], st.value(QStringLiteral("lim_pe")).toInt());
    EXPECT_EQ(ab.LimitIndex[ltIsolationswid], st.value(QStringLiteral("lim_iso")).toInt());
    EXPECT_EQ(ab.LimitIndex[ltAbleitstrom], st.value(QStringLiteral("lim_leak")).toInt());
    EXPECT_EQ(ab.Ablaufphase, apRuhezustand);

    for (int i = 0; i < 8; ++i) {
        TFirmwareVersion v;
        ASSERT_TRUE(cmds.ReadFirmwareVersion(v)) << "request " << i;
        TSpeicherStand stand;
        ASSERT_TRUE(cmds.ReadSpeicherStand(stand)) << "request " << i;
    }
    EXPECT_EQ(badMsgs, 0);

    cmds.SendAutosend(0);
    EXPECT_TRUE(sim.waitForState([](const QMap<QString, QString> &s) {
        return s.value(QStringLiteral("autosend")).toInt(nullptr, 0) == 0;
    }));
    // A round already queued in the tester may still arrive: wait until the
    // line has been quiet for longer than a round takes; after it, silence.
    int seen = unhandled;
    QElapsedTimer quiet;
    quiet.start();
    ASSERT_TRUE(waitFor([&] {
        if (unhandled != seen) {
            seen = unhandled;
            quiet.restart();
        }
        return quiet.elapsed() >= 250;
    }));
    mailbox.Clear();
    const int before = unhandled;
    EXPECT_TRUE(gt_test::staysFalse([&] { return unhandled != before; }, 200));
    EXPECT_EQ(mailbox.AutosendPending, 0);
}

TEST_F(TesterChain, AutosendMaskSelectsTheReports)
{
    connect(unpacedWith({QStringLiteral("--autosend-ms"), QStringLiteral("20")}));
    programTimeouts();
    cmds.SendAutosend(quint16(1u << (cmdMesswerte1 - cmdStacktiefen)));
    const int slot = AutosendSlotForCmd(cmdMesswerte1);
    ASSERT_TRUE(waitFor([&] { return mailbox.IsPending(slot); }, 2000));
    ASSERT_TRUE(waitFor([&] { return unhandled >= 5; }, 2000));
    EXPECT_EQ(mailbox.AutosendPending, AutosendPendingBit(slot));
}

// The order expects no answer, so its deadline holds back the next request
// until a report arrives or the deadline passes; either way the request is
// answered within its attempts.
TEST_F(TesterChain, RequestRightAfterTheAutosendOrderIsAnswered)
{
    connect({});
    programTimeouts();
    cmds.SendAutosend(AutosendMaskeStandard);
    TFirmwareVersion v;
    ASSERT_TRUE(cmds.ReadFirmwareVersion(v));
    EXPECT_TRUE(v.Compatible());

    // Switched off again right before a read: the read still gets through.
    cmds.SendAutosend(0);
    TSpeicherStand stand;
    EXPECT_TRUE(cmds.ReadSpeicherStand(stand));
    EXPECT_TRUE(cmds.ReadSpeicherStand(stand));
}

// With no report to free the line, a read right after the order waits for
// the order's deadline, which is longer than one attempt: it must still be
// answered, and the request stacked by the failed attempt must not disturb
// the next exchange.
TEST_F(TesterChain, ReadRightAfterAutosendOffOnAQuietLine)
{
    connect({});
    programTimeouts();
    cmds.SendAutosend(0);
    TSpeicherStand stand;
    ASSERT_TRUE(cmds.ReadSpeicherStand(stand));
    EXPECT_GE(sentCount(cmdDatensatzAnzahl), 1);
    ASSERT_TRUE(cmds.EepromFunktion(EepromLesenBeginnen));
    EXPECT_EQ(sim.stateInt(QStringLiteral("read_active")), 1);
}

// ---- Settings by read-modify-write ($34 + $66) -------------------------------

TEST_F(TesterChain, EverySettingIsWrittenToTheTester)
{
    connect(Unpaced);
    programTimeouts();
    auto st = [this] { return sim.state(); };
    auto num = [](const QMap<QString, QString> &s, const char *key) {
        return s.value(QLatin1String(key)).toInt(nullptr, 0);
    };

    for (quint8 bit : {mfAutomatisch, mfManuGrenz, mfBeruehrstrom, mfSteuerbarcode}) {
        ASSERT_TRUE(cmds.SetMenueBit(bit, true)) << int(bit);
        EXPECT_TRUE(num(st(), "menu") & bit) << int(bit);
        ASSERT_TRUE(cmds.SetMenueBit(bit, false)) << int(bit);
        EXPECT_FALSE(num(st(), "menu") & bit) << int(bit);
    }
    // A bit the program may not write is refused before anything is sent.
    const int before = int(sent.size());
    EXPECT_FALSE(cmds.SetMenueBit(mfDin0702, true));
    EXPECT_EQ(sent.size(), before);

    for (int mode : {2, 0, 1}) {
        ASSERT_TRUE(cmds.SetIsolationMode(mode)) << mode;
        EXPECT_EQ(num(st(), "isolmode"), mode);
    }
    for (int din : {2, 1, 0}) {
        ASSERT_TRUE(cmds.SetDinVde(din)) << din;
        EXPECT_EQ(num(st(), "standard"), din);
    }
    for (int klasse : {2, 3, 1}) {
        ASSERT_TRUE(cmds.SetSchutzklasse(klasse)) << klasse;
        EXPECT_EQ(num(st(), "class"), klasse);
    }
    ASSERT_TRUE(cmds.SetEinstellsperre(true));
    EXPECT_TRUE(num(st(), "sperr") & spEinstellsperre);
    ASSERT_TRUE(cmds.SetEinstellsperre(false));
    EXPECT_FALSE(num(st(), "sperr") & spEinstellsperre);

    for (int t : {1, 250, 42}) {
        ASSERT_TRUE(cmds.SetMesszeit(t)) << t;
        EXPECT_EQ(num(st(), "messzeit"), t);
    }
    EXPECT_FALSE(cmds.SetMesszeit(0));
    EXPECT_FALSE(cmds.SetMesszeit(251));
    EXPECT_EQ(num(st(), "messzeit"), 42);

    ASSERT_TRUE(cmds.SetSichtNichtAbgefragt(true));
    EXPECT_TRUE(num(st(), "klasse") & skSichtNichtAbgefragt);
    ASSERT_TRUE(cmds.SetSichtNichtAbgefragt(false));
    EXPECT_FALSE(num(st(), "klasse") & skSichtNichtAbgefragt);
    ASSERT_TRUE(cmds.SetSichtBestanden(true));
    EXPECT_TRUE(num(st(), "ablauf") & maSichtBestanden);
    ASSERT_TRUE(cmds.SetSichtBestanden(false));
    EXPECT_FALSE(num(st(), "ablauf") & maSichtBestanden);

    ASSERT_TRUE(cmds.SendStartFreigabe());
    EXPECT_EQ(num(st(), "phase"), apRuhezustand); // enabling the button starts nothing
    EXPECT_EQ(badMsgs, 0);
}

// What the consistency rule writes is what the tester ends up with.
TEST_F(TesterChain, ConsistencyRuleReachesTheTester)
{
    connect(Unpaced);
    programTimeouts();
    ASSERT_TRUE(cmds.SetDinVde(2));
    ASSERT_TRUE(cmds.SetSchutzklasse(3)); // no class III under 0751
    QMap<QString, QString> s = sim.state();
    EXPECT_EQ(s.value(QStringLiteral("class")).toInt(), 2);
    EXPECT_EQ(s.value(QStringLiteral("standard")).toInt(), 2);

    ASSERT_TRUE(cmds.SetDinVde(0));
    ASSERT_TRUE(cmds.SetIsolationMode(0));
    ASSERT_TRUE(cmds.SetSchutzklasse(2)); // class II without insulation test measures touch current
    s = sim.state();
    EXPECT_TRUE(s.value(QStringLiteral("menu")).toInt(nullptr, 0) & mfBeruehrstrom);
}

// ---- Limits ($3A + $68) ------------------------------------------------------

TEST_F(TesterChain, EveryLimitIndexOfEveryTable)
{
    connect(Unpaced);
    programTimeouts();
    static const char *keys[LimitTableCount] = {"lim_pe", "lim_iso", "lim_leak", "lim_diff"};
    for (int t = 0; t < LimitTableCount; ++t) {
        const auto table = TLimitTable(t);
        for (int i = LimitTableSize(table) - 1; i >= 0; --i) {
            const QMap<QString, QString> before = sim.state();
            ASSERT_TRUE(cmds.LimitWrite(table, i)) << "table " << t << " index " << i;
            const QMap<QString, QString> after = sim.state();
            for (int o = 0; o < LimitTableCount; ++o) {
                const QString key = QLatin1String(keys[o]);
                if (o == t)
                    EXPECT_EQ(after.value(key).toInt(), i) << keys[o];
                else
                    EXPECT_EQ(after.value(key), before.value(key)) << keys[o] << " changed by table " << t;
            }
        }
    }
    // An index outside its table goes nowhere.
    const int before = int(sent.size());
    EXPECT_FALSE(cmds.LimitWrite(ltDifferenzstrom, LimitTableSize(ltDifferenzstrom)));
    EXPECT_FALSE(cmds.LimitWrite(ltSchutzleiterwid, -1));
    EXPECT_EQ(sent.size(), before);
}

// ---- Actions ($66 with an action code) ---------------------------------------

// A whole test driven from the PC: settings, start, visual inspection, store
// query; the stored record is then read out and decoded.
TEST_F(TesterChain, TestRunFromThePcIsStoredAndReadBack)
{
    connect(unpacedWith({QStringLiteral("--speed"), QStringLiteral("20")}));
    programTimeouts();
    ASSERT_EQ(sim.command(QStringLiteral("barcode 4711081500")), QStringLiteral("ok"));
    ASSERT_EQ(sim.command(QStringLiteral("dut iso=5400")), QStringLiteral("ok"));
    // Class III, 0701, insulation test only: a single measurement step.
    ASSERT_TRUE(cmds.SetDinVde(0));
    ASSERT_TRUE(cmds.SetSchutzklasse(3));
    ASSERT_TRUE(cmds.SetIsolationMode(1));
    ASSERT_TRUE(cmds.SetMenueBit(mfAutomatisch, true));
    ASSERT_TRUE(cmds.SetMesszeit(5));

    ASSERT_TRUE(cmds.SendAktion(akStart));
    ASSERT_TRUE(waitFor([&] { return phase() == apSichtpruefung; }, 5000));
    ASSERT_TRUE(cmds.SetSichtBestanden(true));
    ASSERT_TRUE(cmds.SendAktion(akStart));
    ASSERT_TRUE(waitFor([&] { return phase() == apSpeicherAbfrage; }, 5000));
    ASSERT_TRUE(cmds.SendAktion(akStart));
    ASSERT_TRUE(waitFor([&] { return sim.stateInt(QStringLiteral("records")) == 1; }, 5000));

    TSpeicherStand stand;
    ASSERT_TRUE(cmds.ReadSpeicherStand(stand));
    EXPECT_EQ(stand.Anzahl, 1);
    ASSERT_TRUE(cmds.EepromFunktion(EepromLesenBeginnen));
    TSpeicherSatz satz;
    ASSERT_TRUE(cmds.ReadSpeicherSatz(satz));
    EXPECT_EQ(hexOf(satz), simRecordHex(0));
    const TUebernahmeWerte w = DecodeSpeicherSatz(satz);
    EXPECT_EQ(w.UNstrBarcode, QStringLiteral("4711081500"));
    EXPECT_EQ(w.UNintSchutzklasse, 3);
    EXPECT_EQ(w.UNintDINVDE, 0);
    EXPECT_EQ(w.UNintIsolDiff, 1);
    EXPECT_EQ(w.UNintIsolationswid, 5400);
    EXPECT_EQ(w.UNintSichtpruef, 1);
    EXPECT_EQ(w.UNblnAbgebrochen, 0);
    EXPECT_EQ(w.UNblnPruefungsergebnis, 1);
}

TEST_F(TesterChain, AbortFromThePc)
{
    connect(unpacedWith({QStringLiteral("--speed"), QStringLiteral("20")}));
    programTimeouts();
    ASSERT_TRUE(cmds.SendAktion(akStart));
    ASSERT_TRUE(waitFor(
        [&] {
            const int p = phase();
            return p > apRuhezustand && p != apAnzeige;
        },
        3000));
    ASSERT_TRUE(cmds.SendAktion(akAbbrechen));
    TEinstellBlock b;
    ASSERT_TRUE(readBlock(b));
    EXPECT_TRUE(b.MessablaufFlags & maAbgebrochen);
    EXPECT_TRUE(b.MessablaufFlags & maManuellAbbruch);
    // The aborted test no longer measures.
    ASSERT_TRUE(waitFor(
        [&] {
            const int p = phase();
            return p >= apAbschluss && p <= apAnzeige;
        },
        3000));
}

TEST_F(TesterChain, ClearMemoryFromThePc)
{
    connect(unpacedWith(
        {QStringLiteral("--records"), QStringLiteral("7"), QStringLiteral("--speed"), QStringLiteral("20")}));
    programTimeouts();
    TSpeicherStand stand;
    ASSERT_TRUE(cmds.ReadSpeicherStand(stand));
    EXPECT_EQ(stand.Anzahl, 7);
    ASSERT_TRUE(cmds.SendAktion(akSpeicherClr));
    EXPECT_EQ(sim.stateInt(QStringLiteral("records")), 0);
    ASSERT_TRUE(waitFor([&] { return phase() == apRuhezustand; }, 3000));
    ASSERT_TRUE(cmds.ReadSpeicherStand(stand));
    EXPECT_EQ(stand.Anzahl, 0);
    EXPECT_FALSE(stand.Voll);
}

// The reports follow a test the PC runs: the steps in $3A, live values in $39
// while a step measures, and the final values with their limit flags.
TEST_F(TesterChain, AutosendFollowsATestRun)
{
    connect(unpacedWith({QStringLiteral("--speed"), QStringLiteral("10"), QStringLiteral("--autosend-ms"),
                         QStringLiteral("20")}));
    programTimeouts();
    ASSERT_EQ(sim.command(QStringLiteral("dut pe=450 iso=8000 leak=20")), QStringLiteral("ok"));
    // Class I, 0701, insulation test, no visual inspection: steps 1 to 3.
    ASSERT_TRUE(cmds.SetSichtNichtAbgefragt(true));
    ASSERT_TRUE(cmds.SetIsolationMode(1));
    cmds.SendAutosend(AutosendMaskeStandard);
    ASSERT_TRUE(cmds.SendAktion(akStart));

    const int abSlot = AutosendSlotForCmd(cmdMessablauf);
    const int liveSlot = AutosendSlotForCmd(cmdRohwert);
    const int mw1Slot = AutosendSlotForCmd(cmdMesswerte1);
    const int flagSlot = AutosendSlotForCmd(cmdFlags);
    QList<int> steps;
    int lastPhase = -1;
    int maxLive = 0;
    const bool reachedStoreQuery = waitFor(
        [&] {
            if (mailbox.IsPending(liveSlot))
                maxLive = qMax<int>(maxLive, DecodeRohwert(mailbox.Take(liveSlot).Data));
            if (mailbox.IsPending(abSlot)) {
                const TMessablauf a = DecodeMessablauf(mailbox.Take(abSlot).Data);
                if (a.Messschritt && !steps.contains(a.Messschritt)) steps << a.Messschritt;
                lastPhase = a.Ablaufphase;
            }
            return lastPhase == apSpeicherAbfrage;
        },
        8000);
    ASSERT_TRUE(reachedStoreQuery) << "last phase " << lastPhase;
    EXPECT_EQ(steps, (QList<int>{msSchutzleiterwid, msIsolationswid, msAbleitstrom}));
    EXPECT_GT(maxLive, 0);

    // Reports sent from now on show the finished test.
    mailbox.Clear();
    ASSERT_TRUE(waitFor([&] { return mailbox.IsPending(mw1Slot) && mailbox.IsPending(flagSlot); }, 2000));
    const TMesswerte1 m = DecodeMesswerte1(mailbox.Take(mw1Slot).Data);
    EXPECT_EQ(m.Schutzleiterwid, 450);
    EXPECT_EQ(m.Isolationswid, 8000);
    EXPECT_EQ(m.Ableitstrom, 20);
    EXPECT_EQ(m.Grenzwertflags, gwSchutzleiterwid);
    EXPECT_TRUE(TEinstellBlock::FromBytes(mailbox.Take(flagSlot).Data).MessablaufFlags & maGrenzwFehler);

    // Declined at the store query: nothing stored.
    ASSERT_TRUE(cmds.SendAktion(akAbbrechen));
    EXPECT_EQ(sim.stateInt(QStringLiteral("records")), 0);
    EXPECT_EQ(badMsgs, 0);
}

// ---- Read-out ($33, $70, $20..$24) -------------------------------------------

TEST_F(TesterChain, ReadOutOfGeneratedRecords)
{
    const int n = 24;
    connect(unpacedWith(
        {QStringLiteral("--records"), QString::number(n), QStringLiteral("--seed"), QStringLiteral("7")}));
    programTimeouts();
    TSpeicherStand stand;
    ASSERT_TRUE(cmds.ReadSpeicherStand(stand));
    ASSERT_EQ(stand.Anzahl, n);
    EXPECT_GT(stand.FreieBytes, 0);

    ASSERT_TRUE(cmds.EepromFunktion(EepromLesenBeginnen));
    int withBarcode = 0;
    for (int i = 0; i < n; ++i) {
        TSpeicherSatz satz;
        ASSERT_TRUE(cmds.ReadSpeicherSatz(satz)) << "record " << i;
        QString barcode;
        EXPECT_EQ(hexOf(satz), simRecordHex(i, &barcode)) << "record " << i;
        EXPECT_EQ(DecodeBarcode(satz), barcode) << "record " << i;
        withBarcode += !barcode.isEmpty();
        ASSERT_TRUE(cmds.EepromFunktion(EepromSatzGelesen));
    }
    EXPECT_GT(withBarcode, 0);
    EXPECT_EQ(sim.stateInt(QStringLiteral("read_ptr")), n);
    ASSERT_TRUE(cmds.EepromFunktion(EepromLesenBeenden));
    ASSERT_TRUE(cmds.ReadSpeicherStand(stand));
    EXPECT_EQ(stand.Anzahl, 0);
    EXPECT_EQ(badMsgs, 0);
}

// A read-out without "C" leaves the memory as it was; "C" removes only what
// was acknowledged.
TEST_F(TesterChain, PartialReadOuts)
{
    connect(unpacedWith(
        {QStringLiteral("--records"), QStringLiteral("6"), QStringLiteral("--seed"), QStringLiteral("3")}));
    programTimeouts();
    const QString first = simRecordHex(0);
    const QString fourth = simRecordHex(3);

    ASSERT_TRUE(cmds.EepromFunktion(EepromLesenBeginnen));
    TSpeicherSatz satz;
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(cmds.ReadSpeicherSatz(satz));
        ASSERT_TRUE(cmds.EepromFunktion(EepromSatzGelesen));
    }
    // Broken off: the next read-out starts at the first record again.
    ASSERT_TRUE(cmds.EepromFunktion(EepromLesenBeginnen));
    ASSERT_TRUE(cmds.ReadSpeicherSatz(satz));
    EXPECT_EQ(hexOf(satz), first);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(cmds.EepromFunktion(EepromSatzGelesen));
        ASSERT_TRUE(cmds.ReadSpeicherSatz(satz));
    }
    EXPECT_EQ(hexOf(satz), fourth);
    ASSERT_TRUE(cmds.EepromFunktion(EepromLesenBeenden));

    TSpeicherStand stand;
    ASSERT_TRUE(cmds.ReadSpeicherStand(stand));
    EXPECT_EQ(stand.Anzahl, 3);
    EXPECT_EQ(simRecordHex(0), fourth);
}
