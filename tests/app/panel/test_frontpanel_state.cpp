// The live tester state behind the front panel, without widgets: decoders,
// limit rules, enabling, the hold-off after user changes, and what the
// set-up procedures write.

#include "core/FormatSettings.h"
#include "tester/Limits.h"
#include "tester/ModeApply.h"
#include "tester/PanelState.h"

#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

namespace {

struct Bytes {
    quint8 d[8] = {};
    Bytes(std::initializer_list<int> v)
    {
        int i = 0;
        for (int x : v)
            d[i++] = quint8(x);
    }
};

Bytes words(int w0, int w1, int w2, int w3 = 0)
{
    auto lo = [](int w) { return quint8(w & 0xFF); };
    auto hi = [](int w) { return quint8((w >> 8) & 0xFF); };
    return Bytes{lo(w0), hi(w0), lo(w1), hi(w1), lo(w2), hi(w2), lo(w3), hi(w3)};
}

// $34: menu flags, class flags, measuring time, switch, lock, sequence flags.
Bytes block(int menu, int klasse, int messzeit = 30, int schalt = 0, int sperr = 0, int ablauf = 0)
{
    return Bytes{menu, 0, klasse, messzeit, schalt, sperr, ablauf, 0};
}

// $3A: step, the four limit indexes, phase.
Bytes ablauf(int step, int pe, int iso, int leak, int diff, int phase)
{
    return Bytes{0, step, pe, iso, leak, diff, 0, phase};
}

struct Recorder {
    QStringList calls;
    void attach(TPanelState &s)
    {
        s.WriteSetting = [this](const TSettingChange &c) {
            calls << QStringLiteral("set %1 %2 %3").arg(int(c.Kind)).arg(int(c.Bit)).arg(c.Value);
            return true;
        };
        s.WriteIsolationMode = [this](int m) {
            calls << QStringLiteral("isol %1").arg(m);
            return true;
        };
        s.WriteLimit = [this](TLimitTable t, int i) {
            calls << QStringLiteral("limit %1 %2").arg(int(t)).arg(i);
            return true;
        };
    }
};

class PanelStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitFormatSettings();
        s.SettingDelay = &delay;
        rec.attach(s);
        s.EnablePanel();
    }
    TSettingDelay delay{6};
    TPanelState s;
    Recorder rec;
};

} // namespace

TEST_F(PanelStateTest, StandardLimits0701ClassTwoDependOnTheInsulationTest)
{
    // 0701, class II, without insulation test (the tester adds touch current):
    // 300 mOhm, 2.00 MOhm, 3.50 mA selected, none of them measured, so dashes.
    s.Decode34(block(mfBeruehrstrom, 0x02).d);
    EXPECT_EQ(s.View.BarPos[lbSchutzleiter], 2);
    EXPECT_EQ(s.View.BarPos[lbIsolation], LimitIndexOfCode(ltIsolationswid, 2000));
    EXPECT_EQ(s.View.BarPos[lbDritter], LimitIndexOfCode(ltAbleitstrom, 350));
    EXPECT_EQ(s.View.LimitText[lbDritter], NotMeasuredText());

    s.Decode34(block(mfIsolation, 0x02).d);
    EXPECT_EQ(s.View.BarPos[lbDritter], LimitIndexOfCode(ltAbleitstrom, 50));
    EXPECT_EQ(s.View.LimitText[lbSchutzleiter], NotMeasuredText()); // class II: no protective earth
    EXPECT_EQ(s.View.LimitText[lbIsolation], QStringLiteral("2,00"));
    EXPECT_EQ(s.View.LimitText[lbDritter], QStringLiteral("0,50"));
    EXPECT_EQ(s.Live.GrwAbleitstrom, 50);
    EXPECT_EQ(s.Live.GrwIsolationswid, 2000);

    s.Decode34(block(mfIsolation, 0x01).d); // class I shows all three
    EXPECT_EQ(s.View.LimitText[lbSchutzleiter], QStringLiteral("300"));
    EXPECT_EQ(s.View.LimitText[lbIsolation], QStringLiteral("1,00"));
    EXPECT_EQ(s.View.LimitText[lbDritter], QStringLiteral("3,50"));
}

// With standard limits the tester's stored indexes ($3A) must not replace the
// limits of the standard, in either order and over many reports.
TEST_F(PanelStateTest, StandardLimitsStayPutWhateverTheSequenceReports)
{
    const QStringList expected{QStringLiteral("300"), QStringLiteral("1,00"), QStringLiteral("3,50")};
    auto shown = [&] {
        return QStringList{s.View.LimitText[lbSchutzleiter], s.View.LimitText[lbIsolation],
                           s.View.LimitText[lbDritter]};
    };
    s.Decode34(block(mfIsolation, 0x01).d);
    ASSERT_EQ(shown(), expected);
    const TWerteSatz before = s.Live;
    for (int i = 0; i < 4; ++i) {
        s.Decode3A(ablauf(0, 9, 5, 1, 0, 2).d);
        EXPECT_EQ(shown(), expected) << "after $3A, report " << i;
        EXPECT_EQ(s.Live.GrwSchutzleiterwid, before.GrwSchutzleiterwid);
        EXPECT_EQ(s.Live.GrwIsolationswid, before.GrwIsolationswid);
        EXPECT_EQ(s.Live.GrwAbleitstrom, before.GrwAbleitstrom);
        s.Decode34(block(mfIsolation, 0x01).d);
        EXPECT_EQ(shown(), expected) << "after $34, report " << i;
    }
    EXPECT_TRUE(rec.calls.isEmpty());
}

TEST_F(PanelStateTest, Differential0751LimitDropsDuringTouchCurrentSteps)
{
    // 0751 (class flags bit 2), class I, insulation and differential.
    s.Decode34(block(mfIsolDiff, skDin0751 | 1).d);
    EXPECT_EQ(s.View.DinVde, 2);
    EXPECT_EQ(s.View.IsolMode, 2);
    EXPECT_EQ(s.View.ThirdLimitCaption, QStringLiteral("Differenzstrom"));
    EXPECT_EQ(s.View.Bar3Max, 3);
    EXPECT_EQ(s.View.LimitText[lbDritter], QStringLiteral("0,50"));

    for (int step : {6, 7}) {
        s.Decode3A(ablauf(step, 0, 4, 5, 1, 16).d);
        s.Decode34(block(mfIsolDiff, skDin0751 | 1).d);
        EXPECT_EQ(s.View.LimitText[lbDritter], QStringLiteral("0,10")) << step;
        EXPECT_EQ(s.Live.GrwAbleitstrom, 10);
    }
    s.Decode3A(ablauf(5, 0, 4, 5, 1, 16).d);
    s.Decode34(block(mfIsolDiff, skDin0751 | 1).d);
    EXPECT_EQ(s.View.LimitText[lbDritter], QStringLiteral("0,50"));
}

TEST_F(PanelStateTest, A0751ReportSelectsTheStandardAndRenamesTheThirdItem)
{
    s.Decode34(block(0x02, 0x06).d); // class 2, 0751; the 0702 bit is ignored under 0751
    EXPECT_EQ(s.View.DinVde, 2);
    EXPECT_EQ(s.Live.DINVDE, 2);
    EXPECT_EQ(s.View.KlasseIndex, 1);
    EXPECT_EQ(s.Live.Schutzklasse, 2);
    EXPECT_EQ(s.View.IsolItem3, QStringLiteral("Diffstr.-Mess."));
    s.Decode34(block(0x02, 0x02).d);
    EXPECT_EQ(s.View.DinVde, 1);
    EXPECT_EQ(s.View.IsolItem3, QStringLiteral("Isol. und Diff."));
}

TEST_F(PanelStateTest, TheRunningStepBelongsToTheLiveValue)
{
    s.Decode34(block(mfIsolation, 0x01).d); // 0701 class I with insulation: earth, insulation, leakage
    s.Decode3A(ablauf(2, 0, 3, 5, 0, 16).d);
    s.Decode37(words(120, 5000, 30).d);
    EXPECT_EQ(s.View.ValueText[0], QStringLiteral("120"));
    EXPECT_EQ(s.View.ValueText[1], NotMeasuredText()); // untouched by $37 while running
    EXPECT_EQ(s.Live.Isolationswid, 5000);
    s.Decode39(Bytes{0, 0, 0, 0, 0x20, 0x03, 0, 0}.d); // 800 kOhm
    EXPECT_EQ(s.View.ValueText[1], QStringLiteral("0,80"));
    s.Decode37(words(120, 5000, 30).d);
    EXPECT_EQ(s.View.ValueText[1], QStringLiteral("0,80"));
    // Step over: the stored value comes back.
    s.Decode3A(ablauf(3, 0, 3, 5, 0, 16).d);
    s.Decode37(words(120, 5000, 30).d);
    EXPECT_EQ(s.View.ValueText[1], QStringLiteral("5,00"));
}

// The screen rounds insulation the way exports and protocols do: half up from the integer.
TEST_F(PanelStateTest, InsulationOnTheScreenRoundsHalfUpFromTheInteger)
{
    s.Decode34(block(mfIsolation, 0x01).d);
    s.Decode3A(ablauf(3, 0, 3, 5, 0, 16).d);
    for (const auto &[kOhm, text] :
         {std::pair{205, "0,21"}, std::pair{1005, "1,01"}, std::pair{1115, "1,12"}}) {
        s.Decode37(words(120, kOhm, 30).d);
        EXPECT_EQ(s.View.ValueText[1], QString::fromLatin1(text)) << kOhm;
    }
}

TEST_F(PanelStateTest, DisplaysOfMeasurementsThatDoNotApplyShowDashes)
{
    // 0701 class II without insulation test, touch current on: no earth, no insulation.
    s.Decode34(block(mfBeruehrstrom, 0x02).d);
    s.Decode37(words(120, 5000, 30).d);
    s.Decode38(words(11, 12, 13, 14).d);
    EXPECT_FALSE(s.View.ValueCaptionEnabled[0]);
    EXPECT_EQ(s.View.ValueText[0], NotMeasuredText());
    EXPECT_EQ(s.View.ValueText[1], NotMeasuredText());
    EXPECT_EQ(s.View.LimitText[lbSchutzleiter], NotMeasuredText());
    EXPECT_EQ(s.View.ValueText[5], QStringLiteral("0,13"));
    EXPECT_FALSE(s.View.BarEnabled(lbDritter)); // standard limits
}

TEST_F(PanelStateTest, RedLabelsFollowTheLimitFlagsAndTheRunningStepFollowsTheLiveFlag)
{
    s.Decode34(block(mfIsolation | mfBeruehrstrom, 0x01).d);
    s.Decode3A(ablauf(1, 0, 3, 5, 0, 16).d);
    s.Decode37(Bytes{0, 0, 0, 0, 0, 0, gwIsolationswid | gwSchutzleiterwid, 0}.d);
    EXPECT_FALSE(s.View.RedVisible[0]); // running step: not from $37
    EXPECT_TRUE(s.View.RedVisible[1]);
    s.Decode34(block(mfIsolation | mfBeruehrstrom, 0x01, 30, 0, 0, maGrenzwertAktiv).d);
    EXPECT_TRUE(s.View.RedVisible[0]);
    EXPECT_TRUE(s.View.Indicators[inGrenzwert]);
    EXPECT_FALSE(s.View.MainsLabelVisible);
    s.Decode3A(ablauf(4, 0, 3, 5, 0, 16).d);
    s.Decode34(block(mfIsolation, 0x01, 30, sfUmschalt, spNetzspannung, maSchnellabbruch | maAbgebrochen).d);
    EXPECT_TRUE(s.View.MainsLabelVisible);
    EXPECT_TRUE(s.View.NetzWarnVisible);
    EXPECT_TRUE(s.View.Indicators[inUmschalt]);
    EXPECT_TRUE(s.View.Indicators[inAbbruch]);
    EXPECT_TRUE(s.View.Indicators[inNotAus]);
}

TEST_F(PanelStateTest, ReportedEarthIndexNineSitsAtPositionOneAndShows200)
{
    s.Decode34(block(mfManuGrenz | mfIsolation, 0x01).d);
    s.Decode3A(ablauf(0, 9, 3, 5, 0, 2).d);
    EXPECT_EQ(s.View.BarPos[lbSchutzleiter], 1);
    EXPECT_EQ(s.View.LimitText[lbSchutzleiter], QStringLiteral("200"));
    EXPECT_EQ(s.Live.GrwSchutzleiterwid, 200);
    EXPECT_EQ(s.View.LimitText[lbIsolation], QStringLiteral("1,00"));
    EXPECT_TRUE(rec.calls.isEmpty());
}

TEST_F(PanelStateTest, BarMovesWriteOnlyWithManualLimitsAndOnTheNextSequenceReport)
{
    s.Decode34(block(mfIsolation, 0x01).d); // standard limits
    s.UserBarMoved(lbIsolation, 5);
    s.Decode3A(ablauf(0, 0, 3, 5, 0, 2).d);
    EXPECT_TRUE(rec.calls.isEmpty());
    EXPECT_FALSE(s.LimitChanged[lbIsolation]);

    s.Decode34(block(mfIsolation | mfManuGrenz, 0x01).d);
    s.UserBarMoved(lbSchutzleiter, 0); // position 0 is 100 mOhm, index 8
    EXPECT_EQ(s.View.LimitText[lbSchutzleiter], QStringLiteral("100"));
    EXPECT_TRUE(rec.calls.isEmpty());
    s.Decode3A(ablauf(0, 0, 3, 5, 0, 2).d);
    EXPECT_EQ(rec.calls, QStringList{QStringLiteral("limit 0 8")});
    EXPECT_EQ(delay.Remaining(), 6);
    // The report predates the write: the bar and the value stay where the user put them.
    EXPECT_EQ(s.View.BarPos[lbSchutzleiter], 0);
    EXPECT_EQ(s.View.LimitText[lbSchutzleiter], QStringLiteral("100"));
    s.Decode3A(ablauf(0, 1, 3, 5, 0, 2).d);
    EXPECT_EQ(s.View.BarPos[lbSchutzleiter], 0); // still held off
    delay.clear();
    s.Decode3A(ablauf(0, 8, 3, 5, 0, 2).d);
    EXPECT_EQ(rec.calls.size(), 1);
}

TEST_F(PanelStateTest, ThirdBarWritesTheDifferentialIndexIn0751DifferentialMode)
{
    s.Decode34(block(mfIsolDiff | mfManuGrenz, skDin0751 | 1).d);
    s.UserBarMoved(lbDritter, 3);
    s.Decode3A(ablauf(0, 0, 3, 5, 1, 2).d);
    EXPECT_EQ(rec.calls, QStringList{QStringLiteral("limit 3 3")});
}

TEST_F(PanelStateTest, MemoryFullWinsOverTheFreeBytes)
{
    s.Decode33(Bytes{12, 0, 0x10, 0x27, 0, 0, 0, 0}.d);
    EXPECT_EQ(s.View.Gespeichert, QStringLiteral("12"));
    EXPECT_EQ(s.View.FreieBytes, QStringLiteral("10000"));
    s.Decode33(Bytes{12, 0, 0x10, 0x27, 1, 0, 0, 0}.d);
    EXPECT_EQ(s.View.FreieBytes, QStringLiteral("voll"));
}

TEST_F(PanelStateTest, AReportDuringTheSettingDelayDoesNotUndoTheUsersChoice)
{
    s.Decode34(block(0x00, 0x01).d);
    s.UserDinVde(1);
    EXPECT_EQ(delay.Remaining(), 6);
    ASSERT_EQ(rec.calls.size(), 1);
    s.Decode34(block(0x00, 0x01).d); // the tester has not taken it yet
    EXPECT_EQ(s.View.DinVde, 1);
    s.UserKlasse(2);
    s.Decode34(block(0x02, 0x01).d);
    EXPECT_EQ(s.View.KlasseIndex, 2);
    delay.clear();
    s.Decode34(block(0x02, 0x03).d);
    EXPECT_EQ(s.View.DinVde, 1);
    EXPECT_EQ(s.View.KlasseIndex, 2);
}

TEST_F(PanelStateTest, UserChangesWriteTheRightSettings)
{
    s.UserMessablauf(1);
    s.UserIsolMode(2);
    s.UserBeruehr(0);
    s.UserGrenzwerte(1);
    s.UserSteuerbarcode(true);
    s.UserEinstellsperre(true);
    s.UserMesszeit(12.5);
    const QStringList expected = {
        QStringLiteral("set %1 %2 1").arg(int(scMenueBit)).arg(int(mfAutomatisch)),
        QStringLiteral("isol 2"),
        QStringLiteral("set %1 %2 0").arg(int(scMenueBit)).arg(int(mfBeruehrstrom)),
        QStringLiteral("set %1 %2 1").arg(int(scMenueBit)).arg(int(mfManuGrenz)),
        QStringLiteral("set %1 %2 1").arg(int(scMenueBit)).arg(int(mfSteuerbarcode)),
        QStringLiteral("set %1 0 1").arg(int(scEinstellsperre)),
        QStringLiteral("set %1 0 125").arg(int(scMesszeit)),
    };
    EXPECT_EQ(rec.calls, expected);
}

TEST_F(PanelStateTest, VisualInspectionChoiceWritesNotAskedThenPassed)
{
    s.UserSichtpr(0);
    s.UserSichtpr(2);
    const QStringList expected = {
        QStringLiteral("set %1 0 1").arg(int(scSichtNichtAbgefragt)),
        QStringLiteral("set %1 0 0").arg(int(scSichtBestanden)),
        QStringLiteral("set %1 0 0").arg(int(scSichtNichtAbgefragt)),
        QStringLiteral("set %1 0 1").arg(int(scSichtBestanden)),
    };
    EXPECT_EQ(rec.calls, expected);
    // Reported back: "ja" also goes to the visual-inspection window.
    delay.clear();
    s.Decode34(block(0, 0x01, 30, 0, 0, maSichtBestanden).d);
    EXPECT_EQ(s.View.Sichtpr, 2);
    EXPECT_EQ(s.View.SichtWinAnswer, QStringLiteral("ja"));
    s.Decode34(block(0, 0x01 | skSichtNichtAbgefragt, 30, 0, 0, maSichtBestanden).d);
    EXPECT_EQ(s.View.Sichtpr, 0);
}

TEST_F(PanelStateTest, ControlsTheUserIsInAreNotOverwritten)
{
    bool open = true, focus = true;
    s.KlasseListOpen = [&] { return open; };
    s.MesszeitHasFocus = [&] { return focus; };
    s.Decode34(block(0, 0x02, 77).d);
    EXPECT_EQ(s.View.KlasseIndex, -1);
    EXPECT_DOUBLE_EQ(s.View.Messzeit, 3.0);
    open = focus = false;
    s.Decode34(block(0, 0x02, 77).d);
    EXPECT_EQ(s.View.KlasseIndex, 1);
    EXPECT_DOUBLE_EQ(s.View.Messzeit, 7.7);
}

TEST_F(PanelStateTest, StepAndPhaseTextsAndTheQueryWindows)
{
    s.Decode3A(ablauf(5, 0, 3, 5, 0, 16).d);
    EXPECT_EQ(s.View.StepCaption, QStringLiteral("Schutzleiterstrom\r\numgepolt"));
    EXPECT_EQ(s.View.StepHint, QStringLiteral("Ablaufphase: Prüfung-Vorbereitung"));
    s.Decode3A(ablauf(9, 0, 3, 5, 0, 17).d); // unknown step keeps the caption
    EXPECT_EQ(s.View.StepCaption, QStringLiteral("Schutzleiterstrom\r\numgepolt"));
    EXPECT_TRUE(s.View.SichtWinVisible);
    EXPECT_FALSE(s.View.SpeicherWinVisible);
    s.Decode3A(ablauf(0, 0, 3, 5, 0, 19).d);
    EXPECT_FALSE(s.View.SichtWinVisible);
    EXPECT_TRUE(s.View.SpeicherWinVisible);
    s.Decode3A(ablauf(0, 0, 3, 5, 0, 39).d);
    EXPECT_EQ(s.View.StepHint,
              QStringLiteral("Schutzklasse 2, nach 0701, ohne Isolationsprüfung, mit Differenzstrommessung"));
    s.Decode3A(ablauf(0, 0, 3, 5, 0, 99).d);
    EXPECT_TRUE(s.View.StepHint.isEmpty());
}

TEST_F(PanelStateTest, ResetClearsEverythingTheTesterReported)
{
    s.Decode34(block(mfIsolation, 0x01, 30, sfUmschalt, spNetzspannung).d);
    s.Decode33(Bytes{3, 0, 5, 0, 0, 0, 0, 0}.d);
    s.Decode37(words(120, 5000, 30).d);
    s.Decode3A(ablauf(4, 0, 3, 5, 0, 19).d);
    s.ResetPanel();
    EXPECT_FALSE(s.View.SettingsEnabled);
    EXPECT_EQ(s.View.Gespeichert, QStringLiteral("-"));
    EXPECT_EQ(s.View.ValueText[0], NotMeasuredText());
    EXPECT_EQ(s.View.LimitText[1], NotMeasuredText());
    EXPECT_FALSE(s.View.Indicators[inUmschalt]);
    EXPECT_FALSE(s.View.NetzWarnVisible || s.View.SpeicherWinVisible || s.View.SichtWinVisible);
    EXPECT_TRUE(s.View.StepCaption.isEmpty());
    EXPECT_TRUE(s.View.StepHint.isEmpty()); // no phase of the last connection stays
    EXPECT_EQ(s.Messschritt, 0);
    EXPECT_EQ(s.Live.Menueflags, 0);
    EXPECT_EQ(s.Live.Schutzleiterwid, 0);
}

TEST(PanelStateRules, MeasuringTimeRoundsHalvesToEven)
{
    EXPECT_EQ(MesszeitTenths(3.0), 30);
    EXPECT_EQ(MesszeitTenths(3.05), 30);
    EXPECT_EQ(MesszeitTenths(3.15), 32);
    EXPECT_EQ(MesszeitTenths(12.34), 123);
    EXPECT_EQ(MesszeitTenths(25.0), 250);
}

// ---- set-ups written in one go ---------------------------------------------------

namespace {
struct WriterLog {
    QStringList calls;
    int failAt = -1; // index of the call that gets no answer
    TModeWriter writer()
    {
        TModeWriter w;
        auto ok = [this] { return failAt < 0 || calls.size() <= failAt; };
        w.Schutzklasse = [this, ok](int k) {
            calls << QStringLiteral("klasse %1").arg(k);
            return ok();
        };
        w.MenueBit = [this, ok](quint8 b, bool on) {
            calls << QStringLiteral("bit %1=%2").arg(b, 2, 16, QLatin1Char('0')).arg(on ? 1 : 0);
            return ok();
        };
        w.DinVde = [this, ok](int i) {
            calls << QStringLiteral("din %1").arg(i);
            return ok();
        };
        w.Limit = [this, ok](int t, int i) {
            calls << QStringLiteral("limit %1 %2").arg(t).arg(i);
            return ok();
        };
        return w;
    }
};
} // namespace

TEST(ModeApply, Row12AndRow24SendTheirSettingsInOrder)
{
    WriterLog a;
    EXPECT_TRUE(ApplyModeSettings(a.writer(), ModeSettingsForRow(12)));
    EXPECT_EQ(a.calls, QStringList({"din 0", "klasse 2", "bit 40=0", "bit 04=0", "bit 10=1", "bit 01=0"}));
    WriterLog b;
    EXPECT_TRUE(ApplyModeSettings(b.writer(), ModeSettingsForRow(24)));
    EXPECT_EQ(b.calls, QStringList({"din 0", "klasse 1", "bit 40=1", "bit 04=0", "bit 10=1", "bit 01=0"}));
}

TEST(ModeApply, The0751RowsMapTheirColumns)
{
    WriterLog isol, none, diff;
    ApplyModeSettings(isol.writer(), ModeSettingsForRow(37)); // 55: I, Isol., nein, 0751, ja
    EXPECT_EQ(isol.calls, QStringList({"din 2", "klasse 1", "bit 40=0", "bit 04=1", "bit 10=0", "bit 01=1"}));
    ApplyModeSettings(none.writer(), ModeSettingsForRow(42)); // 50: II, -, nein, 0751, nein
    EXPECT_EQ(none.calls, QStringList({"din 2", "klasse 2", "bit 40=0", "bit 04=0", "bit 10=0", "bit 01=0"}));
    ApplyModeSettings(diff.writer(), ModeSettingsForRow(48)); // 44: II, Diff., ja, 0751, nein
    EXPECT_EQ(diff.calls, QStringList({"din 2", "klasse 2", "bit 40=1", "bit 04=0", "bit 10=1", "bit 01=0"}));
}

TEST(ModeApply, AFailedSettingStopsTheSequence)
{
    WriterLog a;
    a.failAt = 1;
    EXPECT_FALSE(ApplyModeSettings(a.writer(), ModeSettingsForRow(0)));
    EXPECT_EQ(a.calls.size(), 2);
}

TEST(ModeApply, StoredSetupWritesLimitsOnlyWhenManualAndSkipsUnknownOnes)
{
    TStoredSetup s;
    s.Schutzklasse = 1;
    s.Menueflags = mfIsolation | mfDin0702 | mfAutomatisch;
    s.GrwSchutzleiterwid = 450;
    s.GrwIsolationswid = 2000;
    s.GrwAbleitstrom = 350;
    WriterLog a;
    EXPECT_TRUE(ApplyStoredSetup(a.writer(), s));
    EXPECT_EQ(a.calls,
              QStringList({"din 1", "klasse 1", "bit 40=0", "bit 04=1", "bit 10=0", "bit 01=1", "bit 08=0"}));
    s.Menueflags |= mfManuGrenz;
    WriterLog b;
    EXPECT_TRUE(ApplyStoredSetup(b.writer(), s));
    EXPECT_EQ(b.calls.mid(7), QStringList({"limit 1 4", "limit 2 5"})); // 450 mOhm is not in the table

    // A stored 0751 test goes back as 0751, its third limit from the differential table.
    s.DinVde = 2;
    s.Menueflags = mfIsolDiff | mfManuGrenz;
    s.GrwDifferenzstrom = 50;
    WriterLog c;
    EXPECT_TRUE(ApplyStoredSetup(c.writer(), s));
    EXPECT_EQ(c.calls.first(), QStringLiteral("din 2"));
    EXPECT_TRUE(c.calls.contains(
        QStringLiteral("limit %1 %2").arg(int(ltDifferenzstrom)).arg(LimitIndexOfCode(ltDifferenzstrom, 50))))
        << c.calls.join(',').toStdString();
    EXPECT_FALSE(c.calls.contains(
        QStringLiteral("limit %1 %2").arg(int(ltAbleitstrom)).arg(LimitIndexOfCode(ltAbleitstrom, 350))));
}

TEST(ModeApply, PrintRecordCarriesNoCustomerButTheTesterAndTheNames)
{
    TWerteSatz live;
    live.KundenNr = 7;
    live.Name1 = QStringLiteral("Kunde");
    live.PruefungsNr = 12;
    live.Barcode = QStringLiteral("123");
    live.Menueflags = mfIsolation;
    live.SchutzklasseFlags = skDin0751 | 1;
    live.Schutzklasse = 1;
    live.MessablaufFlags = maSichtBestanden;
    const QDateTime now(QDate(2026, 12, 8), QTime(10, 0));
    const TWerteSatz w = CurrentValuesRecord(live, QStringLiteral("0612345678"), QStringLiteral("Prüfer"),
                                             QStringLiteral("Bewerter"), now);
    EXPECT_EQ(w.KundenNr, 0);
    EXPECT_TRUE(w.Name1.isEmpty());
    EXPECT_EQ(w.PruefungsNr, 0);
    EXPECT_TRUE(w.Barcode.isEmpty());
    EXPECT_EQ(w.Protokolltyp, 0);
    EXPECT_EQ(w.Datum, now);
    EXPECT_EQ(w.GTSeriennummer, QStringLiteral("0612345678"));
    EXPECT_EQ(w.Pruefer, QStringLiteral("Prüfer"));
    EXPECT_EQ(w.Bewertender, QStringLiteral("Bewerter"));
    EXPECT_TRUE(w.Pruefungsergebnis);
    EXPECT_EQ(w.DINVDE, 2);
    live.MessablaufFlags = maGrenzwFehler;
    EXPECT_FALSE(CurrentValuesRecord(live, {}, {}, {}, now).Pruefungsergebnis);
}

TEST(ModeApply, StoredSetupIsReadByTestNumber)
{
    QSqlDatabase db =
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("frontpanel_setup"));
    db.setDatabaseName(QStringLiteral(":memory:"));
    ASSERT_TRUE(db.open());
    {
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(
            QStringLiteral("CREATE TABLE tblPruefung (PRintPruefungsNr INTEGER, PRintMenueflags INTEGER, "
                           "PRintSchutzklasse INTEGER, PRintGrwSchutzleiterwid INTEGER, "
                           "PRintGrwIsolationswid INTEGER, PRintGrwAbleitstrom INTEGER, "
                           "PRintGrwDifferenzstrom INTEGER, PRintDINVDE INTEGER)")));
        ASSERT_TRUE(
            q.exec(QStringLiteral("INSERT INTO tblPruefung VALUES (7, 13, 2, 200, 2000, NULL, 50, 1)")));
        TStoredSetup s;
        EXPECT_FALSE(QueryStoredSetup(db, 8, s));
        ASSERT_TRUE(QueryStoredSetup(db, 7, s));
        EXPECT_EQ(s.Menueflags, 13);
        EXPECT_EQ(s.Schutzklasse, 2);
        EXPECT_EQ(s.GrwSchutzleiterwid, 200);
        EXPECT_EQ(s.GrwIsolationswid, 2000);
        EXPECT_EQ(s.GrwAbleitstrom, 0); // NULL reads as 0
        EXPECT_EQ(s.GrwDifferenzstrom, 50);
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("frontpanel_setup"));
}

// A failing query says why; only a query that ran and found nothing is a
// missing test. A row without a stored standard falls back to the menu flags.
TEST(ModeApply, StoredSetupQueryTellsAFailureFromAMissingRow)
{
    const QString name = QStringLiteral("storedsetup");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QStringLiteral(":memory:"));
        ASSERT_TRUE(db.open());
        TStoredSetup setup;
        QString error;
        EXPECT_FALSE(QueryStoredSetup(db, 1, setup, &error));
        EXPECT_FALSE(error.isEmpty());

        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral(
            "CREATE TABLE tblPruefung (PRintPruefungsNr INTEGER, PRintMenueflags INTEGER, PRintSchutzklasse "
            "INTEGER, PRintGrwSchutzleiterwid INTEGER, PRintGrwIsolationswid INTEGER, PRintGrwAbleitstrom "
            "INTEGER, PRintGrwDifferenzstrom INTEGER, PRintDINVDE INTEGER)")));
        error.clear();
        EXPECT_FALSE(QueryStoredSetup(db, 1, setup, &error));
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();

        ASSERT_TRUE(
            q.exec(QStringLiteral("INSERT INTO tblPruefung VALUES (1, 4, 1, 300, 2000, 350, 50, 2)")));
        ASSERT_TRUE(
            q.exec(QStringLiteral("INSERT INTO tblPruefung VALUES (2, 4, 1, 300, 2000, 350, 50, NULL)")));
        ASSERT_TRUE(QueryStoredSetup(db, 1, setup, &error));
        EXPECT_EQ(setup.DinVde, 2);
        ASSERT_TRUE(QueryStoredSetup(db, 2, setup, &error));
        EXPECT_EQ(setup.DinVde, -1);
    }
    QSqlDatabase::removeDatabase(name);
}
