// What the browser's test pane shows for a test: the decisions of the
// display algorithm, without a window.

#include "store/BrowserData.h"

#include <gtest/gtest.h>

namespace {

TWerteSatz test0701(int klasse, int isolDiff, bool beruehr)
{
    TWerteSatz t{};
    t.PruefungsNr = 1;
    t.DINVDE = 0;
    t.Schutzklasse = klasse;
    t.IsolDiff = isolDiff;
    t.MitBeruehr = beruehr;
    t.Schutzleiterwid = 120;
    t.Isolationswid = 2500;
    t.GrwSchutzleiterwid = 300;
    t.GrwIsolationswid = 2000;
    t.GrwAbleitstrom = 350;
    t.GrwSchnellabschaltung = 1000;
    return t;
}

QList<bool> enabledRows(const TTestDisplay &d)
{
    QList<bool> l;
    for (const TMeasRowDisplay &r : d.rows)
        l << r.enabled;
    return l;
}

} // namespace

TEST(TestDisplay, ClassTwoWithoutInsulationShowsRowsOnlyWithTouchCurrent)
{
    const TWerteSatz plain = test0701(2, 0, false);
    const TTestDisplay without = ComputeTestDisplay(&plain);
    EXPECT_EQ(without.mask, 0);
    EXPECT_EQ(enabledRows(without), QList<bool>(8, false));

    const TWerteSatz with = test0701(2, 0, true);
    const TTestDisplay d = ComputeTestDisplay(&with);
    EXPECT_EQ(d.mask, 0x60);
    EXPECT_EQ(enabledRows(d), (QList<bool>{false, false, false, false, false, true, true, true}));
    EXPECT_EQ(d.protText, QStringLiteral("Prot.: Standard"));
    EXPECT_FALSE(d.protEnabled);
    EXPECT_FALSE(d.erstChecked || d.wiederChecked);
    EXPECT_TRUE(d.led0701 && !d.led0702 && !d.led0751);
    EXPECT_EQ(d.klasseText, QStringLiteral("II"));
    EXPECT_EQ(d.isolText, QStringLiteral("ohne Isol.-Pr."));
}

TEST(TestDisplay, Class1Of0751WithInsulationShowsEarthInsulationLeakage)
{
    TWerteSatz t = test0701(1, 1, false);
    t.DINVDE = 2;
    t.Protokolltyp = 1;
    t.SichWied = 1;
    t.Grenzwertflags = 0x02;
    t.Schnellabbruch = true;
    const TTestDisplay d = ComputeTestDisplay(&t);
    EXPECT_EQ(d.mask, 0x07);
    EXPECT_EQ(enabledRows(d), (QList<bool>{true, true, true, false, false, false, false, false}));
    EXPECT_EQ(d.protText, QStringLiteral("Prot.: 3-seitig"));
    EXPECT_TRUE(d.protEnabled);
    EXPECT_TRUE(d.wiederChecked);
    EXPECT_FALSE(d.rows[0].led);
    EXPECT_TRUE(d.rows[1].led);
    EXPECT_TRUE(d.rows[7].led);
    EXPECT_EQ(d.rows[0].value, QStringLiteral("120"));
    // Limits in the caption's unit, not the stored integer.
    EXPECT_EQ(d.rows[0].limit, QStringLiteral("300"));
    EXPECT_EQ(d.rows[1].limit, QStringLiteral("2,00"));
    EXPECT_EQ(d.rows[2].limit, QStringLiteral("3,50"));
    EXPECT_TRUE(d.rows[4].limit.isEmpty());
    t.IsolDiff = 2;
    EXPECT_EQ(ComputeTestDisplay(&t).isolText, QStringLiteral("DiffStr.-Mess"));
    t.DINVDE = 1;
    EXPECT_EQ(ComputeTestDisplay(&t).isolText, QStringLiteral("Isol. und Diff."));
}

TEST(TestDisplay, TextsOfVerdictVisualInspectionAndNoTest)
{
    TWerteSatz t = test0701(3, 1, false);
    for (const auto &[value, text] : {std::pair{0, "NEIN"}, {1, "JA"}, {2, "---"}}) {
        t.Gesamtbew = value;
        EXPECT_EQ(ComputeTestDisplay(&t).gesamtText, QString::fromUtf8(text));
    }
    for (const auto &[value, text] : {std::pair{0, "nein"}, {1, "ja"}, {-1, "---"}}) {
        t.Sichtpruef = value;
        EXPECT_EQ(ComputeTestDisplay(&t).sichtText, QString::fromUtf8(text));
    }
    t.Schutzklasse = 0;
    EXPECT_TRUE(ComputeTestDisplay(&t).klasseText.isEmpty());

    const TTestDisplay none = ComputeTestDisplay(nullptr);
    EXPECT_FALSE(none.hasTest);
    EXPECT_EQ(none.protText, QStringLiteral("Prot.: ---"));
    EXPECT_EQ(none.isolText, QStringLiteral("ohne Isol.-Pr."));
    EXPECT_EQ(none.funktIndex, -1);
    EXPECT_TRUE(none.gesamtText.isEmpty() && none.sichtText.isEmpty() && none.klasseText.isEmpty());
    EXPECT_EQ(enabledRows(none), QList<bool>(8, false));
}
