#include "tester/SettingsBlock.h"

#include <gtest/gtest.h>

namespace {

TEinstellBlock Block(quint8 menue, quint8 klasseFlags, quint8 sperr = 0)
{
    TEinstellBlock b;
    b.Menueflags = menue;
    b.SchutzklasseFlags = klasseFlags;
    b.Messzeit = 30;
    b.Sperrflags = sperr;
    b.Geraeteflags = gfSprachwahl;
    b.Aktion = 0x5A; // answers carry junk here
    return b;
}

} // namespace

TEST(SettingsBlockBytes, RoundTripInWireOrder)
{
    const quint8 raw[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const TEinstellBlock b = TEinstellBlock::FromBytes(raw);
    EXPECT_EQ(b.Menueflags, 1);
    EXPECT_EQ(b.Sperrflags, 6);
    EXPECT_EQ(b.Aktion, 8);
    EXPECT_EQ(b.ToBytes(), QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08", 8));

    EXPECT_EQ(Block(mfDin0702, 2 | skDin0751).DinVde(), 2);
    EXPECT_EQ(Block(mfDin0702, 2).DinVde(), 1);
    EXPECT_EQ(Block(mfIsolation | mfIsolDiff, 1).IsolationMode(), 2);
    EXPECT_EQ(Block(mfIsolation, 1).IsolationMode(), 1);
}

TEST(ConsistencyRule, ClassChanges)
{
    // Class 3 under 0751 becomes class 2, and then class 2 without insulation
    // test gets touch current.
    TSettingWrite w = PlanSettingWrite(Block(0, 1 | skDin0751), TSettingChange::Schutzklasse(3));
    EXPECT_EQ(w.Block.Schutzklasse(), 2);
    EXPECT_TRUE(w.Block.SchutzklasseFlags & skDin0751);
    EXPECT_TRUE(w.Block.Menueflags & mfBeruehrstrom);

    // Class 2 with insulation test: touch current stays as it was.
    w = PlanSettingWrite(Block(mfIsolation, 1), TSettingChange::Schutzklasse(2));
    EXPECT_EQ(w.Block.Menueflags, mfIsolation);

    // Class 3 sets the insulation bit and clears the differential bit.
    w = PlanSettingWrite(Block(mfIsolDiff | mfAutomatisch, 1), TSettingChange::Schutzklasse(3));
    EXPECT_EQ(w.Block.Schutzklasse(), 3);
    EXPECT_EQ(w.Block.Menueflags, mfIsolation | mfAutomatisch);

    // Other class-flag bits survive a class change.
    w = PlanSettingWrite(Block(0, 1 | skSichtNichtAbgefragt | skExternDiffStr),
                         TSettingChange::Schutzklasse(3));
    EXPECT_EQ(w.Block.SchutzklasseFlags, 3 | skSichtNichtAbgefragt | skExternDiffStr);
}

TEST(ConsistencyRule, AppliesToMenuAndStandardButNotToOtherWrites)
{
    // Switching touch current off under class 2 without insulation test is
    // overruled by the rule.
    TSettingWrite w =
        PlanSettingWrite(Block(mfBeruehrstrom, 2), TSettingChange::MenueBit(mfBeruehrstrom, false));
    EXPECT_TRUE(w.Block.Menueflags & mfBeruehrstrom);

    // Choosing 0751 with class 3 set drops to class 2.
    w = PlanSettingWrite(Block(mfDin0702 | mfIsolation, 3), TSettingChange::DinVde(2));
    EXPECT_EQ(w.Block.Schutzklasse(), 2);
    EXPECT_EQ(w.Block.Menueflags & mfDin0702, 0);
    EXPECT_TRUE(w.Block.SchutzklasseFlags & skDin0751);

    w = PlanSettingWrite(Block(0, 1 | skDin0751), TSettingChange::DinVde(1));
    EXPECT_TRUE(w.Block.Menueflags & mfDin0702);
    EXPECT_EQ(w.Block.SchutzklasseFlags & skDin0751, 0);

    // A measuring-time write leaves an inconsistent block alone.
    w = PlanSettingWrite(Block(mfIsolDiff, 3), TSettingChange::Messzeit(50));
    EXPECT_EQ(w.Block.Menueflags, mfIsolDiff);
    EXPECT_EQ(w.Block.Messzeit, 50);
}

TEST(SettingWritePlan, SperrflagsAktionAndTimeouts)
{
    const quint8 sperr = spNetzspannung | 0x01;
    // Menu, standard, class and lock mark the PC write.
    for (const TSettingChange &c :
         {TSettingChange::MenueBit(mfSteuerbarcode, true), TSettingChange::DinVde(0),
          TSettingChange::Schutzklasse(1), TSettingChange::Einstellsperre(true)}) {
        const TSettingWrite w = PlanSettingWrite(Block(0, 1, sperr), c);
        EXPECT_TRUE(w.Send);
        EXPECT_TRUE(w.Block.Sperrflags & spPcSchreibt);
        EXPECT_EQ(w.Block.Aktion, 0);
        EXPECT_EQ(w.Timeout, tcReadEEPROM);
    }
    EXPECT_TRUE(PlanSettingWrite(Block(0, 1), TSettingChange::Einstellsperre(true)).Block.Sperrflags &
                spEinstellsperre);
    EXPECT_FALSE(PlanSettingWrite(Block(0, 1, spEinstellsperre), TSettingChange::Einstellsperre(false))
                     .Block.Sperrflags &
                 spEinstellsperre);

    // Measuring time leaves Sperrflags exactly as read.
    TSettingWrite w = PlanSettingWrite(Block(0, 1, sperr), TSettingChange::Messzeit(250));
    EXPECT_EQ(w.Block.Sperrflags, sperr);
    EXPECT_EQ(w.Timeout, tcReadEEPROM);

    // Actions keep only the bits $01, $02, $04, $10.
    w = PlanSettingWrite(Block(0, 1, sperr), TSettingChange::Aktion(0xFF));
    EXPECT_EQ(w.Block.Aktion, 0x17);
    EXPECT_EQ(w.Block.Sperrflags, sperr);
    EXPECT_EQ(w.Timeout, tcWriteEEPROM);

    w = PlanSettingWrite(Block(0, 1, sperr), TSettingChange::StartFreigabe());
    EXPECT_EQ(w.Block.Aktion, akStartFreigabe);
    EXPECT_EQ(w.Timeout, tcRAM);
}

TEST(SettingWritePlan, VisualInspectionWritesOnlyChanges)
{
    TEinstellBlock b = Block(0, 1);
    b.MessablaufFlags = maSichtBestanden;
    EXPECT_FALSE(PlanSettingWrite(b, TSettingChange::SichtBestanden(true)).Send);
    TSettingWrite w = PlanSettingWrite(b, TSettingChange::SichtBestanden(false));
    EXPECT_TRUE(w.Send);
    EXPECT_EQ(w.Block.MessablaufFlags, 0);
    EXPECT_EQ(w.Timeout, tcRAM);

    EXPECT_FALSE(PlanSettingWrite(b, TSettingChange::SichtNichtAbgefragt(false)).Send);
    w = PlanSettingWrite(b, TSettingChange::SichtNichtAbgefragt(true));
    EXPECT_TRUE(w.Send);
    EXPECT_EQ(w.Block.SchutzklasseFlags, 1 | skSichtNichtAbgefragt);
    EXPECT_EQ(w.Block.Sperrflags, 0);
    EXPECT_EQ(w.Block.Aktion, 0);
}

TEST(SettingWritePlan, OutOfRangeArgumentsRefused)
{
    EXPECT_FALSE(SettingChangeValid(TSettingChange::DinVde(3)));
    EXPECT_FALSE(SettingChangeValid(TSettingChange::DinVde(-1)));
    EXPECT_FALSE(SettingChangeValid(TSettingChange::Schutzklasse(0)));
    EXPECT_FALSE(SettingChangeValid(TSettingChange::Schutzklasse(4)));
    EXPECT_FALSE(SettingChangeValid(TSettingChange::Messzeit(0)));
    EXPECT_FALSE(SettingChangeValid(TSettingChange::Messzeit(251)));
    EXPECT_FALSE(SettingChangeValid(TSettingChange::MenueBit(mfDin0702, true))); // via the standard only
    EXPECT_FALSE(SettingChangeValid(TSettingChange::MenueBit(mfIsolation | mfIsolDiff, true)));
    EXPECT_TRUE(SettingChangeValid(TSettingChange::Messzeit(1)));
    EXPECT_TRUE(SettingChangeValid(TSettingChange::Messzeit(250)));
    EXPECT_TRUE(SettingChangeValid(TSettingChange::MenueBit(mfIsolDiff, true)));
}
