#include "tester/MeasuringModes.h"
#include "tester/PanelRules.h"

#include <gtest/gtest.h>

TEST(PanelRules, PhaseHintsAreWrittenOutInFull)
{
    EXPECT_EQ(PhaseHint(17), "Ablaufphase: Sichtprüfung abfragen");
    EXPECT_EQ(PhaseHint(32), "Schutzklasse 1, nach 0701, mit Isolationsprüfung, ohne Differenzstrommessung");
    EXPECT_EQ(PhaseHint(37), "Schutzklasse 3, nach 0702, mit Isolationsprüfung, ohne Differenzstrommessung");
    EXPECT_EQ(PhaseHint(39), "Schutzklasse 2, nach 0701, ohne Isolationsprüfung, mit Differenzstrommessung");
    EXPECT_EQ(PhaseHint(46), "Schutzklasse 3, nach 0701, mit Isolationsprüfung, mit Differenzstrommessung");
    EXPECT_EQ(PhaseHint(49), "Schutzklasse 3, nach 0702, mit Isolationsprüfung, mit Differenzstrommessung");
    EXPECT_EQ(PhaseHint(51), "Schutzklasse 2, nach 0751, mit Isolationsprüfung");
    EXPECT_EQ(PhaseHint(52), "Schutzklasse 1, nach 0751, ohne Isolationsprüfung");
    EXPECT_EQ(PhaseHint(55), "Schutzklasse 2, nach 0751, mit Differenzstrommessung");
    for (int code : {0, 6, 15, 22, 31, 56, 255})
        EXPECT_TRUE(PhaseHint(code).isEmpty()) << code;
}

TEST(PanelRules, StepTexts)
{
    EXPECT_EQ(StepText(0), "Ruhezustand");
    EXPECT_EQ(StepText(5), "Schutzleiterstrom\r\numgepolt");
    EXPECT_FALSE(StepTextKnown(8));
}

TEST(PanelRules, StandardLimits)
{
    // 0701 class II: the third limit drops to 0.5 mA as soon as insulation is tested.
    EXPECT_EQ(StandardLimitCodes(0, 2, 0, 0).Isolation, 2000);
    EXPECT_EQ(StandardLimitCodes(0, 2, 0, 0).Dritter, 350);
    EXPECT_EQ(StandardLimitCodes(0, 2, 1, 0).Dritter, 50);
    EXPECT_EQ(StandardLimitCodes(0, 2, 1, 0).Schutzleiter, 300);
    // 0751 class I differential: 0.5 mA, 0.1 mA during the touch-current steps.
    EXPECT_EQ(StandardLimitCodes(2, 1, 2, 3).Dritter, 50);
    EXPECT_EQ(StandardLimitCodes(2, 1, 2, 6).Dritter, 10);
    EXPECT_EQ(StandardLimitCodes(2, 1, 2, 7).Dritter, 10);
    EXPECT_EQ(StandardLimitCodes(2, 1, 1, 6).Dritter, 100);
    EXPECT_EQ(StandardLimitCodes(2, 2, 0, 0).Isolation, 7000);
    // No class chosen.
    EXPECT_EQ(StandardLimitCodes(2, 0, 0, 0).Isolation, 0);
    EXPECT_EQ(StandardLimitCodes(2, 0, 0, 0).Dritter, 0);
    EXPECT_EQ(StandardLimitCodes(1, 0, 0, 0).Dritter, 350);
}

TEST(PanelRules, EarthBarPositionsRunInAscendingResistance)
{
    EXPECT_EQ(EarthPositionForIndex(9), 1);
    EXPECT_EQ(EarthPositionForIndex(0), 2);
    EXPECT_EQ(EarthIndexForPosition(0), 8);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(EarthIndexForPosition(EarthPositionForIndex(i)), i);
}

TEST(MeasuringModes, RowsSendTheirColumns)
{
    const TModeSettings r12 = ModeSettingsForRow(12); // code 87
    EXPECT_EQ(ModeRows[12].Code, 87);
    EXPECT_EQ(r12.Schutzklasse, 2);
    EXPECT_EQ(r12.Isolation, 0);
    EXPECT_EQ(r12.Differenz, 0);
    EXPECT_EQ(r12.Beruehrstrom, 1);
    EXPECT_EQ(r12.DinVde, 0);
    EXPECT_EQ(r12.Automatik, 0);

    const TModeSettings r24 = ModeSettingsForRow(24); // code 68
    EXPECT_EQ(r24.Schutzklasse, 1);
    EXPECT_EQ(r24.Differenz, 1);
    EXPECT_EQ(r24.Isolation, 0);
    EXPECT_EQ(r24.Beruehrstrom, 1);

    // "Diff." under 0701 is neither insulation nor differential measurement.
    const TModeSettings r4 = ModeSettingsForRow(4);
    EXPECT_EQ(r4.Isolation + r4.Differenz, 0);
}

TEST(MeasuringModes, Rows0751MapToTheirOwnColumns)
{
    const TModeSettings r36 = ModeSettingsForRow(36); // code 56: I, Isol., 0751
    EXPECT_EQ(r36.DinVde, 2);
    EXPECT_EQ(r36.Isolation, 1);
    EXPECT_EQ(r36.Differenz, 0);
    const TModeSettings r49 = ModeSettingsForRow(49); // code 43: II, Diff., touch, auto
    EXPECT_EQ(r49.Schutzklasse, 2);
    EXPECT_EQ(r49.Differenz, 1);
    EXPECT_EQ(r49.Isolation, 0);
    EXPECT_EQ(r49.Beruehrstrom, 1);
    EXPECT_EQ(r49.Automatik, 1);
    const TModeSettings r40 = ModeSettingsForRow(40); // code 52: I, -, 0751
    EXPECT_EQ(r40.Isolation + r40.Differenz, 0);
    // Codes are unique.
    for (int i = 0; i < ModeRowCount; ++i)
        for (int j = i + 1; j < ModeRowCount; ++j)
            EXPECT_NE(ModeRows[size_t(i)].Code, ModeRows[size_t(j)].Code);
}

TEST(MeasuringModes, LanguageNames)
{
    EXPECT_EQ(LanguageEntryText("de"), "de (deutsch)");
    EXPECT_EQ(LanguageEntryText("sk"), "sk (serbokroatisch)");
    EXPECT_EQ(LanguageEntryText("xx"), "xx");
}

#include "tester/TestControlRules.h"

TEST(TestControlRules, StartConfirmsInTheQueriesAndRestartsElsewhere)
{
    EXPECT_EQ(StartActionCodes(17), QList<quint8>({0x01}));
    EXPECT_EQ(StartActionCodes(19), QList<quint8>({0x01}));
    for (int phase : {1, 2, 16, 18, 20, 21})
        EXPECT_EQ(StartActionCodes(phase), QList<quint8>({0x02, 0x02, 0x01})) << phase;
}

TEST(TestControlRules, EnablingByPhase)
{
    TTestActionState s;
    // Running measurement, single steps.
    s = TestActionsForPhase(16, s, false, false);
    EXPECT_TRUE(s.Abbrechen);
    EXPECT_TRUE(s.Weiter);
    EXPECT_FALSE(s.Drucken);
    EXPECT_FALSE(s.SpeicherClr);
    EXPECT_FALSE(s.Start);
    EXPECT_EQ(s.StartEnableCtr, 0);
    // Automatic sequence: no "weiter" unless the mains warning is shown.
    EXPECT_FALSE(TestActionsForPhase(18, s, true, false).Weiter);
    EXPECT_TRUE(TestActionsForPhase(18, s, true, true).Weiter);
    // Back at rest: the start counter is armed once, not re-armed while counting.
    s = TestActionsForPhase(2, s, false, false);
    EXPECT_FALSE(s.Abbrechen);
    EXPECT_TRUE(s.Drucken);
    EXPECT_TRUE(s.SpeicherClr);
    EXPECT_EQ(s.StartEnableCtr, StartEnableDelayTicks);
    s.StartEnableCtr = 5;
    EXPECT_EQ(TestActionsForPhase(2, s, false, false).StartEnableCtr, 5);
    s.Start = true;
    s.StartEnableCtr = 0;
    EXPECT_EQ(TestActionsForPhase(21, s, false, false).StartEnableCtr, 0);
    EXPECT_TRUE(TestActionsForPhase(21, s, false, false).Start);
    // The mains warning enables "weiter" even at rest.
    EXPECT_TRUE(TestActionsForPhase(2, s, false, true).Weiter);
}
