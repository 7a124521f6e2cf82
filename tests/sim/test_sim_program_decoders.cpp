// The simulator's answers read with the program's own decoders: what one side
// writes, the other must understand, for every answer and every stored record.

#include "SimOptions.h"
#include "SimTester.h"

#include "tester/Decoders.h"
#include "tester/StoredRecord.h"

#include <gtest/gtest.h>

namespace {

TProtok ask(SimTester &t, quint8 cmd, const QByteArray &data = {})
{
    auto a = t.handle(BuildMsg(AddrPc, cmd, data), 0);
    EXPECT_TRUE(a.has_value());
    return a.value_or(TProtok{});
}

} // namespace

TEST(SimWithProgramDecoders, IdentityAnswers)
{
    SimOptions o;
    QString err;
    ASSERT_TRUE(ParseSimOptions(
        {"--firmware", "1.02.99 XY", "--serial", "0612345678", "--languages", "de,en,nl"}, o, err));
    SimTester t(o.identity);
    const TFirmwareVersion fw = DecodeFirmwareVersion(ask(t, cmdProgrammversion).Data);
    EXPECT_EQ(fw.Text, QStringLiteral("1.02.99 XY"));
    EXPECT_FALSE(fw.Compatible());
    EXPECT_EQ(DecodeSerialNumber(ask(t, cmdSeriennummer).Data), QStringLiteral("0612345678"));

    SimTester modern;
    EXPECT_TRUE(DecodeFirmwareVersion(ask(modern, cmdProgrammversion).Data).Compatible());

    const TLanguageEntry e0 = DecodeLanguageEntry(ask(t, cmdSprachEintrag, QByteArray(1, '\0')).Data);
    EXPECT_TRUE(e0.Exists);
    EXPECT_EQ(e0.Code, QStringLiteral("de"));
    EXPECT_EQ(e0.Count, 3);
    EXPECT_EQ(e0.Current, 1);
    EXPECT_EQ(DecodeLanguageEntry(ask(t, cmdSprachEintrag, QByteArray(1, '\2')).Data).Code,
              QStringLiteral("nl"));
    EXPECT_EQ(DecodeCurrentLanguage(ask(t, cmdSprache).Data), QStringLiteral("en"));
}

TEST(SimWithProgramDecoders, ReportsDuringAndAfterATest)
{
    SimTester t;
    t.setRecords({SimRecord{}, SimRecord{}});
    t.block().klasse = 1 | skSichtNichtAbgefragt;
    t.block().messzeit = 10;
    t.dut().value = {0, 420, 5000, 80, 0, 0, 0, 0};
    ask(t, cmdGrenzwertIndex, QByteArray("\x09\x02\x07\x01", 4));

    TMessablauf seq = DecodeMessablauf(t.report(cmdMessablauf).Data);
    EXPECT_EQ(seq.Ablaufphase, apRuhezustand);
    EXPECT_EQ(seq.LimitIndex[ltSchutzleiterwid], 9);
    EXPECT_EQ(seq.LimitIndex[ltIsolationswid], 2);
    EXPECT_EQ(seq.LimitIndex[ltAbleitstrom], 7);
    EXPECT_EQ(seq.LimitIndex[ltDifferenzstrom], 1);

    const TSpeicherStand mem = DecodeSpeicherStand(t.report(cmdDatensatzAnzahl).Data);
    EXPECT_EQ(mem.Anzahl, 2);
    EXPECT_FALSE(mem.Voll);

    t.action(akStart, 0);
    t.advance(600); // preparation over, step 1 running
    seq = DecodeMessablauf(t.report(cmdMessablauf).Data);
    EXPECT_EQ(seq.Messschritt, msSchutzleiterwid);
    EXPECT_EQ(seq.Ablaufphase, 32);
    EXPECT_GT(DecodeRohwert(t.report(cmdRohwert).Data), 400);

    t.advance(10000);
    const TMesswerte1 m1 = DecodeMesswerte1(t.report(cmdMesswerte1).Data);
    EXPECT_EQ(m1.Schutzleiterwid, 420);
    EXPECT_EQ(m1.Isolationswid, 5000);
    EXPECT_EQ(m1.Ableitstrom, 80);
    EXPECT_EQ(m1.Grenzwertflags, gwSchutzleiterwid); // standard limit 300 mOhm
    const TMesswerte2 m2 = DecodeMesswerte2(t.report(cmdMesswerte2).Data);
    EXPECT_EQ(m2.SchutzlStromL1N, -1);
    const TGrenzwerte2 g = DecodeGrenzwerte2(t.report(cmdGrenzwerte2).Data);
    EXPECT_EQ(g.Schutzleiterstrom, 350);
    EXPECT_EQ(g.Schnellabschaltung, 1000);
}

TEST(SimWithProgramDecoders, EveryGeneratedRecordDecodesToItsSetUp)
{
    SimOptions o;
    o.records = 120;
    o.seed = 77;
    SimTester t;
    ApplySimOptions(o, t);
    ask(t, cmdEepromFunktion, "T");
    for (int i = 0; i < o.records; ++i) {
        TSpeicherSatz s;
        for (int p = 0; p < DatensatzPieces; ++p)
            s.setPiece(p, ask(t, DatensatzCmd(p)).Data);
        const SimRecord &r = t.records().at(i);
        ASSERT_EQ(s.Bytes, r.bytes) << i;
        const TUebernahmeWerte w = DecodeSpeicherSatz(s);
        SimBlock b;
        b.menu = r.menu();
        b.klasse = r.klasse();
        EXPECT_EQ(w.UNstrBarcode, r.barcode()) << i;
        EXPECT_EQ(w.UNintSchutzklasse, b.schutzklasse()) << i;
        EXPECT_EQ(w.UNintDINVDE, b.standard()) << i;
        EXPECT_EQ(w.UNintIsolDiff, b.isolationMode()) << i;
        // Records hold only consistent set-ups, so the clean-up changes nothing.
        EXPECT_EQ(w.UNintMenueflags, r.menu()) << i;
        EXPECT_EQ(w.UNblnGrenzwFehler, (r.ablauf() & maGrenzwFehler) ? 1 : 0) << i;
        EXPECT_EQ(w.UNblnPruefungsergebnis == 1,
                  (b.visualAsked() ? bool(r.ablauf() & maSichtBestanden) : true) &&
                      !(r.ablauf() & maFehlerMaske))
            << i;
        EXPECT_EQ(w.UNintGrwSchutzleiterwid, r.word(20)) << i;
        ask(t, cmdEepromFunktion, "S");
    }
    ask(t, cmdEepromFunktion, "C");
    EXPECT_TRUE(t.records().isEmpty());
}
