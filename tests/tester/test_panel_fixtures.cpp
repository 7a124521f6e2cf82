// Hand-written tester reports replayed the way they reach the front panel:
// bytes into the bus engine, unhandled messages into the autosend mailbox,
// the idle step's visits into the panel decoders.

#include "fixtures/PanelReports.h"

#include "bus/SyncBus.h"
#include "tester/Mailbox.h"
#include "tester/PanelState.h"

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class PanelFixtures : public ::testing::Test {
protected:
    void SetUp() override
    {
        bus.setWriteLog({});
        QObject::connect(&bus, &TSynchroBus::msgUnhandled, [this](const TProtok &m) { mailbox.Dispatch(m); });
        panel.EnablePanel();
    }

    // The stream in reads cut at the given sizes (the rest in a last read).
    void Deliver(const QByteArray &stream, std::initializer_list<int> sizes = {})
    {
        qsizetype from = 0;
        for (int n : sizes) {
            const QByteArray chunk = stream.mid(from, n);
            bus.ReceiveBytes(chunk.constData(), quint16(chunk.size()));
            from += n;
        }
        const QByteArray rest = stream.mid(from);
        bus.ReceiveBytes(rest.constData(), quint16(rest.size()));
    }

    // One round of the idle step over all eight slots.
    void IdleRound()
    {
        for (int i = 0; i < AutosendSlotCount; ++i) {
            const int slot = mailbox.IdleVisit();
            if (slot >= 0) panel.Decode(slot, mailbox.Take(slot));
        }
    }

    TSynchroBus bus;
    TAutosendMailbox mailbox;
    TPanelState panel;
};

} // namespace

TEST_F(PanelFixtures, ReportsShowSettingsValuesLimitsAndIndicators)
{
    const QByteArray stream = Hex(Rep34) + Hex(Rep37Panel) + Hex(Rep37Foreign) + Hex(Rep38) + Hex(Rep3AIdle) +
                              Hex(Rep33) + Hex(Rep33Full) + Hex(Rep32);
    ASSERT_EQ(stream.size(), 8 * 12);
    // Cuts after a start byte, inside a checksum pair, and two frames and a half in one read.
    Deliver(stream, {1, 2, 9, 30, 11, 5});
    EXPECT_EQ(mailbox.AutosendPending, 0x02 | 0x04 | 0x08 | 0x10 | 0x20 | 0x80);
    IdleRound();
    EXPECT_EQ(mailbox.AutosendPending, 0);
    const TPanelView &v = panel.View;

    // Settings ($34).
    EXPECT_EQ(v.DinVde, 0);
    EXPECT_EQ(v.IsolItem3, QStringLiteral("Isol. und Diff."));
    EXPECT_EQ(v.Messablauf, 1);
    EXPECT_EQ(v.IsolMode, 0);
    EXPECT_EQ(v.Beruehr, 1);
    EXPECT_TRUE(v.RadioGroup5Enabled());
    EXPECT_EQ(v.Grenzwerte, 1);
    EXPECT_EQ(v.KlasseIndex, 0);
    EXPECT_EQ(v.Sichtpr, 2); // "ja"
    EXPECT_EQ(v.SichtWinAnswer, QStringLiteral("ja"));
    EXPECT_FALSE(v.Steuerbarcode);
    EXPECT_TRUE(v.Einstellsperre);
    EXPECT_DOUBLE_EQ(v.Messzeit, 5.0);
    EXPECT_EQ(v.EnableMask, 0xFD);
    EXPECT_EQ(v.ThirdLimitCaption, QStringLiteral("Ersatz-Geräteableitstrom"));
    EXPECT_EQ(v.Bar3Max, 17);
    // Umschalt, Abbruch, Grenzwert, Not-Aus.
    EXPECT_EQ(v.Indicators, (std::array<bool, IndicatorCount>{true, false, true, false}));
    EXPECT_FALSE(v.NetzWarnVisible);
    EXPECT_EQ(panel.Live.Menueflags, 0x19);
    EXPECT_EQ(panel.Live.SchutzklasseFlags, 0x01);
    EXPECT_EQ(panel.Live.Schutzklasse, 1);
    EXPECT_EQ(panel.Live.MessablaufFlags, 0x44);
    EXPECT_EQ(panel.Live.DINVDE, 0);

    // Measured values ($37, $38); the foreign $37 changed nothing.
    const std::array<QString, ValueDisplayCount> values{"400",   " --- ", "0,35", "0,50",
                                                        ">10.0", "0,07",  " --- "};
    EXPECT_EQ(v.ValueText, values);
    EXPECT_EQ(v.RedVisible,
              (std::array<bool, ValueDisplayCount>{true, false, false, false, false, false, false}));
    EXPECT_EQ(panel.Live.Schutzleiterwid, 400);
    EXPECT_EQ(panel.Live.Isolationswid, 4947);
    EXPECT_EQ(panel.Live.Ableitstrom, 35);
    EXPECT_EQ(panel.Live.Grenzwertflags, 0x01);
    EXPECT_EQ(panel.Live.SchutzlStromL1N, 50);
    EXPECT_EQ(panel.Live.SchutzlStromNL1, 1073);
    EXPECT_EQ(panel.Live.BeruehrungsstromL1N, 7);
    EXPECT_EQ(panel.Live.BeruehrungsstromNL1, -1);

    // Limits ($3A with manual limits, $32).
    EXPECT_EQ(v.BarPos, (std::array<int, LimitBarCount>{1, 4, 5}));
    EXPECT_EQ(v.LimitText, (std::array<QString, LimitBarCount>{"200", " --- ", "3,50"}));
    EXPECT_EQ(panel.Live.GrwSchutzleiterwid, 200);
    EXPECT_EQ(panel.Live.GrwAbleitstrom, 350);
    EXPECT_EQ(panel.Live.GrwSchutzleiterstrom, 100);
    EXPECT_EQ(panel.Live.GrwBeruehrungsstrom, 50);
    EXPECT_EQ(panel.Live.GrwSchnellabschaltung, 1000);

    // Step and phase ($3A), memory ($33: the newest report wins).
    EXPECT_EQ(panel.Messschritt, 0);
    EXPECT_EQ(panel.Ablaufphase, 2);
    EXPECT_EQ(v.StepCaption, QStringLiteral("Ruhezustand"));
    EXPECT_EQ(v.StepHint, QStringLiteral("Ablaufphase: Ruhezustand"));
    EXPECT_FALSE(v.SichtWinVisible);
    EXPECT_FALSE(v.SpeicherWinVisible);
    EXPECT_EQ(v.Gespeichert, QStringLiteral("3"));
    EXPECT_EQ(v.FreieBytes, QStringLiteral("voll"));
}

// During a running step its digits belong to the live value ($39); the
// periodic value report leaves them alone.
TEST_F(PanelFixtures, TheRunningStepShowsTheLiveValue)
{
    Deliver(Hex(Rep34) + Hex(Rep37Panel) + Hex(Rep38));
    IdleRound();
    Deliver(Hex(Rep3AStep6), {4});
    IdleRound();
    EXPECT_EQ(panel.Messschritt, 6);
    EXPECT_EQ(panel.View.StepCaption, QStringLiteral("Berührungsstrom"));
    EXPECT_EQ(panel.View.StepHint, QStringLiteral("Ablaufphase: Sichtprüfung abfragen"));
    EXPECT_TRUE(panel.View.SichtWinVisible);

    Deliver(Hex(Rep38) + Hex(Rep39), {13});
    IdleRound();
    EXPECT_EQ(panel.View.ValueText[5], QStringLiteral("0,16"));
    Deliver(Hex(Rep38));
    IdleRound();
    EXPECT_EQ(panel.View.ValueText[5], QStringLiteral("0,16"));
    EXPECT_EQ(panel.View.ValueText[3], QStringLiteral("0,50")); // the other steps still follow $38
    EXPECT_EQ(panel.Live.BeruehrungsstromL1N, 7);
}

// A 0751 differential set-up with standard limits, the three status
// indicators of the sequence and the mains warning, while steps run.
TEST_F(PanelFixtures, A0751ReportShowsItsLimitsIndicatorsAndWarnings)
{
    Deliver(Hex(Rep3AStep3) + Hex(Rep34Din0751), {7});
    IdleRound(); // $34 (slot 3) before $3A (slot 7): step 3 is not yet known
    Deliver(Hex(Rep34Din0751), {12});
    IdleRound();
    const TPanelView &v = panel.View;
    EXPECT_EQ(v.DinVde, 2);
    EXPECT_EQ(v.IsolItem3, QStringLiteral("Diffstr.-Mess."));
    EXPECT_EQ(v.IsolMode, 2);
    EXPECT_EQ(v.Messablauf, 0);
    EXPECT_EQ(v.Beruehr, 0);
    EXPECT_EQ(v.Grenzwerte, 0);
    EXPECT_EQ(v.KlasseIndex, 1);
    EXPECT_EQ(v.Sichtpr, 0); // "----"
    EXPECT_DOUBLE_EQ(v.Messzeit, 25.0);
    EXPECT_EQ(v.ThirdLimitCaption, QStringLiteral("Differenzstrom"));
    EXPECT_EQ(v.Bar3Max, 3);
    EXPECT_EQ(v.EnableMask, 0x04);
    EXPECT_EQ(v.LimitText, (std::array<QString, LimitBarCount>{" --- ", " --- ", "0,10"}));
    EXPECT_EQ(v.BarPos[2], 0);
    EXPECT_EQ(panel.Live.GrwAbleitstrom, 10);
    EXPECT_EQ(panel.Live.DINVDE, 2);
    EXPECT_EQ(v.Indicators, (std::array<bool, IndicatorCount>{false, true, true, true}));
    EXPECT_TRUE(v.NetzWarnVisible);
    // Step 3 runs and the limit is violated now: its label shows; no mains yet.
    EXPECT_EQ(panel.Messschritt, 3);
    EXPECT_TRUE(v.RedVisible[2]);
    EXPECT_FALSE(v.MainsLabelVisible);
    EXPECT_EQ(v.StepHint, QStringLiteral("Ablaufphase: Prüfung-Vorbereitung"));

    Deliver(Hex(Rep3AStep4) + Hex(Rep34Din0751), {1});
    IdleRound();
    Deliver(Hex(Rep34Din0751));
    IdleRound();
    EXPECT_EQ(panel.Messschritt, 4);
    EXPECT_TRUE(v.RedVisible[3]);
    EXPECT_TRUE(v.MainsLabelVisible);
}

// Step captions and phase hints from the tables, the windows that go with
// them, an undefined step that leaves the caption, and a not-measured live value.
TEST_F(PanelFixtures, StepCaptionsAndPhaseHints)
{
    struct {
        const char *frame;
        const char *caption;
        const char *hint;
    } const cases[] = {
        {Rep3APhase39, "Schutzleiter-\r\nwiderstand",
         "Schutzklasse 2, nach 0701, ohne Isolationsprüfung, mit Differenzstrommessung"},
        {Rep3APhase46, "Isolations-\r\nwiderstand",
         "Schutzklasse 3, nach 0701, mit Isolationsprüfung, mit Differenzstrommessung"},
        {Rep3APhase53, "Berührungsstrom\r\numgepolt", "Schutzklasse 2, nach 0751, ohne Isolationsprüfung"},
        {Rep3APhase19, "Ruhezustand", "Ablaufphase: Abfrage auf Speicherung"},
        {Rep3AStep8, "Ruhezustand", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.frame);
        Deliver(Hex(c.frame), {3});
        IdleRound();
        EXPECT_EQ(panel.View.StepCaption, QString::fromUtf8(c.caption));
        EXPECT_EQ(panel.View.StepHint, QString::fromUtf8(c.hint));
        EXPECT_EQ(panel.View.SpeicherWinVisible, c.frame == Rep3APhase19);
        EXPECT_FALSE(panel.View.SichtWinVisible);
    }

    Deliver(Hex(Rep3APhase46) + Hex(Rep39NotMeasured));
    IdleRound(); // $39 before $3A: the step is not yet known
    Deliver(Hex(Rep39NotMeasured));
    IdleRound();
    EXPECT_EQ(panel.View.ValueText[1], QStringLiteral(" --- "));

    // Counts are unsigned words.
    Deliver(Hex(Rep33Unsigned));
    IdleRound();
    EXPECT_EQ(panel.View.Gespeichert, QStringLiteral("32768"));
    EXPECT_EQ(panel.View.FreieBytes, QStringLiteral("65535"));
}

// 0751 class I with differential current: the standard third limit drops
// from 0.5 to 0.1 mA while the touch current is measured.
TEST_F(PanelFixtures, The0751DifferentialLimitFollowsTheRunningStep)
{
    Deliver(Hex(Rep34Din0751KlasseI), {2});
    IdleRound();
    EXPECT_EQ(panel.View.EnableMask, 0x1D);
    EXPECT_EQ(panel.View.LimitText, (std::array<QString, LimitBarCount>{"300", " --- ", "0,50"}));
    EXPECT_EQ(panel.View.BarPos[0], 2);
    EXPECT_EQ(panel.View.BarPos[2], 1);
    EXPECT_EQ(panel.Live.GrwSchutzleiterwid, 300);
    EXPECT_EQ(panel.Live.GrwAbleitstrom, 50);

    Deliver(Hex(Rep3AStep6));
    IdleRound();
    Deliver(Hex(Rep34Din0751KlasseI));
    IdleRound();
    EXPECT_EQ(panel.View.LimitText[2], QStringLiteral("0,10"));
    EXPECT_EQ(panel.View.BarPos[2], 0);
    EXPECT_EQ(panel.Live.GrwAbleitstrom, 10);
}
