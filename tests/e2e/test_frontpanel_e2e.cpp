// The front panel against the tester simulator: a whole test driven from the
// PC, and every setting written from the panel read back from the tester.

#include "E2eSupport.h"

#include "app/panel/FrontPanel.h"
#include "app/panel/MessmodusDlg.h"
#include "app/panel/TestControl.h"
#include "app/panel/WarnWindows.h"
#include "app/shell/FrontPanelInstall.h"
#include "bus/SyncBus.h"
#include "controls/Edits.h"
#include "store/Globals.h"
#include "tester/ModeApply.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSlider>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace gt_e2e;

namespace {

struct PanelFixture : ConnectedFixture {
    gt_test::SimProcess sim;
    TFrontPanelParts parts;
    int slotCounts[8] = {};

    TFrontPanel *panel() const { return parts.Panel; }
    TPanelState &state() const { return parts.Panel->State(); }

    // Starts the simulator, presets it, connects and waits for the first settings report.
    bool connect(const QStringList &options, const QStringList &preset = {})
    {
        QStringList opts = options;
        opts << QStringLiteral("--autosend-ms") << QStringLiteral("150");
        if (!sim.start(opts)) return false;
        for (const QString &line : preset)
            if (sim.command(line) != QLatin1String("ok")) return false;
        configure(sim.path());
        TForm1 *w = make();
        parts = FrontPanelParts(*w);
        if (!parts.Panel) return false;
        QObject::connect(&w->Connection(), &TConnectionController::decodeSlot, w,
                         [this](int slot) { ++slotCounts[slot]; });
        w->Actions().G_Verbinden->trigger();
        if (!connected()) {
            ADD_FAILURE() << "not connected: " << messages.join(QLatin1Char('|')).toStdString();
            return false;
        }
        const bool ok = waitUntil([this] { return state().View.DinVde >= 0 && state().Ablaufphase != 0; });
        if (!ok)
            ADD_FAILURE() << "no reports: DinVde " << state().View.DinVde << " phase " << state().Ablaufphase
                          << " slots " << slotCounts[0] << ' ' << slotCounts[3] << ' ' << slotCounts[7];
        return ok;
    }

    int simInt(const QString &key) { return sim.stateInt(key); }
    // No request of the program on the line, none waiting behind it.
    bool busIdle() const
    {
        const TSynchroBus &bus = form->SynchroBus1();
        return !bus.AnswerAwaited() && !bus.RequestPending() && bus.StackedCount() == 0;
    }
    // Waits until the program has decoded `count` more reports of `cmd`.
    bool waitReports(quint8 cmd, int count, int ms = 5000)
    {
        const int slot = AutosendSlotForCmd(cmd);
        const int until = slotCounts[slot] + count;
        return waitUntil([&] { return slotCounts[slot] >= until; }, ms);
    }
    bool waitSim(const QString &key, int value, int ms = 5000)
    {
        return sim.waitForState([&](const auto &s) { return s.value(key).toInt(nullptr, 0) == value; }, ms);
    }
    bool waitPhase(int phase, int ms = 10000)
    {
        return waitUntil([&] { return state().Ablaufphase == phase; }, ms);
    }
};

// The tester's values on the displays once the reports have caught up; the
// protective-conductor resistance is over its limit, nothing else is.
void expectTestersValuesShown(PanelFixture &f, TFrontPanel *p)
{
    const auto s = f.sim.state();
    const QString expected[7] = {FormatResistanceMilliohm(s.value("pe").toInt()),
                                 NotMeasuredText(),
                                 FormatLeakageMilliampere(s.value("leak").toInt()),
                                 FormatCurrentMilliampere(s.value("pec").toInt()),
                                 FormatCurrentMilliampere(s.value("pec_rev").toInt()),
                                 FormatCurrentMilliampere(s.value("touch").toInt()),
                                 FormatCurrentMilliampere(s.value("touch_rev").toInt())};
    EXPECT_TRUE(waitUntil([&] {
        for (int k = 0; k < 7; ++k)
            if (p->ValueDisplay[size_t(k)]->Text() != expected[k]) return false;
        return true;
    }));
    for (int k = 0; k < 7; ++k)
        EXPECT_EQ(p->ValueDisplay[size_t(k)]->Text(), expected[k]) << k;
    EXPECT_EQ(p->ValueDisplay[0]->Text(), QStringLiteral("450"));
    // 450 mOhm is above the 300 mOhm limit: the red label and the limit-error flag.
    EXPECT_TRUE(p->ValueRed[0]->isVisibleTo(p));
    EXPECT_EQ(p->ValueRed[0]->text(), QStringLiteral("Grenzwert überschritten"));
    for (int k = 1; k < 7; ++k)
        EXPECT_FALSE(p->ValueRed[size_t(k)]->isVisibleTo(p)) << k;
    EXPECT_FALSE(p->Indicator[inAbbruch]->On());
    EXPECT_FALSE(p->Indicator[inNotAus]->On());
    EXPECT_TRUE(waitUntil([&] { return p->StoredCountValue->text() == QStringLiteral("1"); }));
}

} // namespace

TEST(FrontPanelE2e, AutomaticTestFromThePcEndsWithTheTestersValuesOnTheDisplays)
{
    PanelFixture f;
    // 0701, class I, no insulation test, touch current, automatic: steps 1, 3, 4..7.
    // Every phase lasts at least 400 ms, so that the reports show each one
    // even on a busy machine.
    ASSERT_TRUE(f.connect({QStringLiteral("--speed"), QStringLiteral("10"), QStringLiteral("--min-phase-ms"),
                           QStringLiteral("400")},
                          {QStringLiteral("set menu=0x11 klasse=0x01 messzeit=10"),
                           QStringLiteral("dut pe=450 leak=120 pec=20 pec_rev=25 touch=5 touch_rev=6")}));
    TFrontPanel *p = f.panel();
    TTestControl *c = f.parts.Control;
    EXPECT_EQ(p->SequenceGroup->ItemIndex(), 1);
    EXPECT_EQ(p->ClassCombo->currentIndex(), 0);
    EXPECT_EQ(p->LimitDisplay[0]->Text(), QStringLiteral("300"));
    EXPECT_EQ(p->LimitDisplay[1]->Text(), NotMeasuredText()); // no insulation test
    EXPECT_EQ(p->LimitDisplay[2]->Text(), QStringLiteral("3,50"));

    // Idle: abort is off, print and memory clear are on; start comes 0.8 s after connecting.
    EXPECT_FALSE(c->Prf_Abbrechen->isEnabled());
    EXPECT_TRUE(c->Prf_Drucken->isEnabled());
    EXPECT_TRUE(c->Prf_SpeicherClr->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return c->Prf_Start->isEnabled(); }, 3000));
    EXPECT_TRUE(c->StartButton->isEnabled());

    QSet<int> phases;
    QStringList hints;
    QObject listener; // goes before the lists it fills
    QObject::connect(&f.state(), &TPanelState::phase, &listener, [&](int phase) { phases.insert(phase); });
    QObject::connect(&f.state(), &TPanelState::changed, &listener, [&] {
        if (hints.isEmpty() || hints.last() != p->StepBox->toolTip()) hints << p->StepBox->toolTip();
    });

    c->Prf_Start->trigger();
    // Visual inspection query: the start key only confirms it ($01 alone).
    ASSERT_TRUE(f.waitPhase(17));
    EXPECT_TRUE(p->SichtpruefungWin->isVisible());
    EXPECT_FALSE(c->Prf_Start->isEnabled()); // released only 3.8 s into a rest phase
    EXPECT_FALSE(c->Prf_Abbrechen->isEnabled());
    EXPECT_TRUE(c->Prf_Drucken->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return c->Prf_Start->isEnabled(); }, 6000));
    c->Prf_Start->trigger();
    EXPECT_TRUE(
        f.sim.waitForState([](const auto &s) { return s.value("stage") != QLatin1String("visual"); }));
    EXPECT_EQ(f.simInt(QStringLiteral("ablauf")) & maAbgebrochen, 0);

    // During the measurement: abort on, print and clear off; automatic, so no "weiter".
    ASSERT_TRUE(waitUntil([&] { return f.state().Ablaufphase >= 32; }, 5000));
    EXPECT_TRUE(c->Prf_Abbrechen->isEnabled());
    EXPECT_FALSE(c->Prf_Drucken->isEnabled());
    EXPECT_FALSE(c->Prf_SpeicherClr->isEnabled());
    EXPECT_TRUE(p->StepBox->toolTip().startsWith(QStringLiteral("Schutzklasse 1, nach 0701, ")))
        << p->StepBox->toolTip().toStdString();

    // Mains warning before the current steps: "weiter" confirms it.
    ASSERT_TRUE(waitUntil([&] { return p->NetzspgWarnWin->isVisible(); }, 8000));
    ASSERT_TRUE(waitUntil([&] { return c->Prf_Weiter->isEnabled(); }, 2000));
    c->Prf_Weiter->trigger();
    EXPECT_TRUE(waitUntil([&] { return !p->NetzspgWarnWin->isVisible(); }, 3000));

    // The store query: start confirms it, the record is stored.
    ASSERT_TRUE(f.waitPhase(19, 15000));
    EXPECT_TRUE(p->SpeicherungWin->isVisible());
    c->Start();
    ASSERT_TRUE(f.waitPhase(21, 8000));
    EXPECT_TRUE(f.waitSim(QStringLiteral("records"), 1));
    EXPECT_FALSE(p->SpeicherungWin->isVisible());

    expectTestersValuesShown(f, p);

    // The phases on the way, with their texts.
    for (int ph : {16, 17, 18, 19, 21})
        EXPECT_TRUE(phases.contains(ph)) << ph;
    EXPECT_TRUE(hints.contains(QStringLiteral("Ablaufphase: Prüfung-Vorbereitung")));
    EXPECT_TRUE(hints.contains(QStringLiteral("Ablaufphase: Sichtprüfung abfragen")));
    EXPECT_TRUE(hints.contains(QStringLiteral("Ablaufphase: Abfrage auf Speicherung")));
    EXPECT_TRUE(hints.contains(QStringLiteral("Ablaufphase: Anzeige der Meßdaten")));
    // Display of the data is a rest phase: print and clear are back.
    EXPECT_TRUE(c->Prf_Drucken->isEnabled());
    EXPECT_FALSE(c->Prf_Abbrechen->isEnabled());
}

TEST(FrontPanelE2e, SettingsChangedOnThePanelReachTheTester)
{
    PanelFixture f;
    ASSERT_TRUE(f.connect({}, {QStringLiteral("set menu=0x04 klasse=0x01 messzeit=30")}));
    TFrontPanel *p = f.panel();
    ASSERT_TRUE(p->DinVdeGroup->isEnabled());

    p->DinVdeGroup->Click(1);
    EXPECT_TRUE(f.waitSim(QStringLiteral("standard"), 1));

    // Class III: the tester's consistency rule adds the insulation test.
    p->IsolationGroup->Click(0);
    EXPECT_TRUE(f.waitSim(QStringLiteral("isolmode"), 0));
    p->ClassCombo->setCurrentIndex(2);
    emit p->ClassCombo->activated(2);
    EXPECT_TRUE(f.waitSim(QStringLiteral("class"), 3));
    EXPECT_TRUE(f.waitSim(QStringLiteral("isolmode"), 1));
    EXPECT_TRUE(waitUntil([&] { return p->IsolationGroup->ItemIndex() == 1; }));
    p->ClassCombo->setCurrentIndex(0);
    emit p->ClassCombo->activated(0);
    EXPECT_TRUE(f.waitSim(QStringLiteral("class"), 1));

    p->IsolationGroup->Click(2);
    EXPECT_TRUE(f.waitSim(QStringLiteral("isolmode"), 2));
    // Touch current is offered again once the tester reports no insulation bit.
    ASSERT_TRUE(waitUntil([&] { return p->TouchCurrentGroup->isEnabled(); }));
    p->TouchCurrentGroup->Click(1);
    EXPECT_TRUE(
        f.sim.waitForState([](const auto &s) { return s.value("menu").toInt(nullptr, 0) & mfBeruehrstrom; }));
    p->SequenceGroup->Click(1);
    EXPECT_TRUE(
        f.sim.waitForState([](const auto &s) { return s.value("menu").toInt(nullptr, 0) & mfAutomatisch; }));
    // Measuring time: typed and confirmed with Enter.
    p->MeasuringTimeEdit->setText(QStringLiteral("12,5"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(p->MeasuringTimeEdit, &enter);
    EXPECT_TRUE(f.waitSim(QStringLiteral("messzeit"), 125));

    // Manual limits: the bars write with the next sequence report.
    p->LimitsGroup->Click(1);
    EXPECT_TRUE(
        f.sim.waitForState([](const auto &s) { return s.value("menu").toInt(nullptr, 0) & mfManuGrenz; }));
    ASSERT_TRUE(waitUntil(
        [&] { return p->InsulationLimitBar->isEnabled() && p->ProtectiveEarthLimitBar->isEnabled(); }));
    p->ProtectiveEarthLimitBar->setValue(0); // 100 mOhm
    // The write goes out with the next sequence report the idle step decodes.
    auto written = [&f](int bar) {
        return waitUntil([&f, bar] { return !f.state().LimitChanged[size_t(bar)]; });
    };
    EXPECT_TRUE(written(0));
    EXPECT_TRUE(f.waitSim(QStringLiteral("lim_pe"), 8));
    p->InsulationLimitBar->setValue(5);
    EXPECT_TRUE(written(1));
    EXPECT_TRUE(f.waitSim(QStringLiteral("lim_iso"), 5));
    p->LeakageLimitBar->setValue(7);
    EXPECT_TRUE(written(2));
    EXPECT_TRUE(f.waitSim(QStringLiteral("lim_leak"), 7));
    EXPECT_TRUE(waitUntil([&] { return p->LimitDisplay[0]->Text() == QStringLiteral("100"); }));

    p->ControlBarcodeCheck->click();
    EXPECT_TRUE(f.sim.waitForState(
        [](const auto &s) { return s.value("menu").toInt(nullptr, 0) & mfSteuerbarcode; }));
    p->VisualCheckCombo->setCurrentIndex(0);
    emit p->VisualCheckCombo->activated(0);
    EXPECT_TRUE(f.sim.waitForState(
        [](const auto &s) { return s.value("klasse").toInt(nullptr, 0) & skSichtNichtAbgefragt; }));

    // Setting lock last: it keeps the tester's keys off.
    p->SettingsLockCheck->click();
    EXPECT_TRUE(f.sim.waitForState(
        [](const auto &s) { return s.value("sperr").toInt(nullptr, 0) & spEinstellsperre; }));
}

TEST(FrontPanelE2e, StandardLimitBarsSendNothingAndTheLimitsFollowTheStandard)
{
    PanelFixture f;
    ASSERT_TRUE(f.connect({}, {QStringLiteral("set menu=0x04 klasse=0x01")}));
    TFrontPanel *p = f.panel();
    // The start release ($34, $66) follows the connect by a few seconds: let
    // it pass first, so that only what the bar move sends is counted.
    ASSERT_TRUE(waitUntil([&] { return f.parts.Control->Prf_Start->isEnabled() && f.busIdle(); }, 8000));
    QList<quint8> sent;
    QObject guard; // goes before the list it writes to
    QObject::connect(&f.form->SynchroBus1(), &TSynchroBus::sendMsg, &guard,
                     [&](const TProtok &m) { sent << m.Cmd; });
    f.state().UserBarMoved(lbIsolation, 5); // as a move would, though the bar is disabled
    // A limit write would go out with the next sequence report: let two pass.
    ASSERT_TRUE(f.waitReports(cmdMessablauf, 2));
    ASSERT_TRUE(gt_test::runPostedEvents());
    EXPECT_EQ(f.simInt(QStringLiteral("lim_iso")), LimitIndexOfCode(ltIsolationswid, 1000));
    // A limit write reads the sequence ($3A) and writes the indexes ($68):
    // neither may have gone out, whatever else (refresh orders, the end of
    // the start release) did.
    EXPECT_FALSE(sent.contains(cmdGrenzwertIndex));
    EXPECT_FALSE(sent.contains(cmdMessablauf));

    // 0751 class I with differential current: 0.50 mA.
    p->DinVdeGroup->Click(2);
    ASSERT_TRUE(f.waitSim(QStringLiteral("standard"), 2));
    p->IsolationGroup->Click(2);
    ASSERT_TRUE(f.waitSim(QStringLiteral("isolmode"), 2));
    EXPECT_TRUE(waitUntil([&] {
        return p->LimitCaption[2]->text() == QStringLiteral("Differenzstrom") &&
               p->LimitDisplay[2]->Text() == QStringLiteral("0,50");
    }));
    EXPECT_EQ(p->IsolationGroup->ItemText(2), QStringLiteral("Diffstr.-Mess."));
    EXPECT_EQ(p->LeakageLimitBar->maximum(), 3);
}

TEST(FrontPanelE2e, AReportDuringTheSettingDelayDoesNotUndoTheChoice)
{
    PanelFixture f;
    // The second $66 (the first is the start release) gets lost: the write
    // needs a retry, and reports with the old standard keep coming meanwhile.
    ASSERT_TRUE(f.connect({QStringLiteral("--drop"), QStringLiteral("66:2")},
                          {QStringLiteral("set menu=0x04 klasse=0x01")}));
    TFrontPanel *p = f.panel();
    ASSERT_TRUE(waitUntil([&] { return f.parts.Control->Prf_Start->isEnabled() && f.busIdle(); }, 3000));
    bool reverted = false;
    QObject listener;
    QObject::connect(&f.state(), &TPanelState::changed, &listener, [&] {
        if (p->DinVdeGroup->ItemIndex() != 1) reverted = true;
    });
    p->DinVdeGroup->Click(1);
    EXPECT_TRUE(f.waitSim(QStringLiteral("standard"), 1));
    // Reports of the settings keep coming; none of them may undo the choice.
    EXPECT_TRUE(f.waitReports(cmdFlags, 4));
    EXPECT_FALSE(reverted);
    EXPECT_EQ(p->DinVdeGroup->ItemIndex(), 1);
}

TEST(FrontPanelE2e, Mode0751DiffRowSetsTheTester)
{
    PanelFixture f;
    ASSERT_TRUE(f.connect({}, {QStringLiteral("set menu=0x04 klasse=0x01")}));
    TForm1 *w = f.form.get();
    // Row 48 (code 44): class II, "Diff.", touch current, 0751, single steps.
    ASSERT_TRUE(ApplyModeSettings(TModeWriter::ForCommands(&w->Commands()), ModeSettingsForRow(48)));
    EXPECT_TRUE(f.waitSim(QStringLiteral("standard"), 2));
    EXPECT_EQ(f.simInt(QStringLiteral("class")), 2);
    EXPECT_EQ(f.simInt(QStringLiteral("isolmode")), 2);
    EXPECT_TRUE(f.simInt(QStringLiteral("menu")) & mfBeruehrstrom);
    EXPECT_FALSE(f.simInt(QStringLiteral("menu")) & mfAutomatisch);
    // Row 12 (code 87): class II, nothing, touch current, 0701, single steps.
    ASSERT_TRUE(ApplyModeSettings(TModeWriter::ForCommands(&w->Commands()), ModeSettingsForRow(12)));
    EXPECT_TRUE(f.waitSim(QStringLiteral("standard"), 0));
    EXPECT_EQ(f.simInt(QStringLiteral("isolmode")), 0);
    EXPECT_EQ(f.simInt(QStringLiteral("class")), 2);
}

TEST(FrontPanelE2e, DisconnectResetsThePanel)
{
    PanelFixture f;
    ASSERT_TRUE(f.connect({}, {QStringLiteral("set menu=0x04 klasse=0x01")}));
    TFrontPanel *p = f.panel();
    ASSERT_TRUE(waitUntil([&] { return p->StoredCountValue->text() != QStringLiteral("-"); }));
    f.form->Actions().G_Verbinden->trigger();
    EXPECT_FALSE(p->DinVdeGroup->isEnabled());
    EXPECT_FALSE(p->ProtectiveEarthLimitBar->isEnabled());
    EXPECT_EQ(p->StoredCountValue->text(), QStringLiteral("-"));
    EXPECT_EQ(p->LimitDisplay[0]->Text(), NotMeasuredText());
    EXPECT_FALSE(f.form->Actions().M_Einstellen->isEnabled());
    EXPECT_FALSE(f.parts.Control->Prf_Drucken->isEnabled());
}

// Renders the main window in the middle of a test (for looking at it; the
// picture goes to GT_RENDER_DIR when set). Run with QT_SCALE_FACTOR=1.5 for
// the larger scaling.
TEST(FrontPanelE2e, RenderedMidTestShowsValuesAndTheRunningStep)
{
    PanelFixture f;
    ASSERT_TRUE(f.connect({}, {QStringLiteral("set menu=0x11 klasse=0x01 messzeit=60"),
                               QStringLiteral("dut pe=450 leak=120 pec=20 pec_rev=25 touch=5 touch_rev=6")}));
    TTestControl *c = f.parts.Control;
    TFrontPanel *p = f.panel();
    f.form->resize(800, 572);
    f.form->show();
    ASSERT_TRUE(waitUntil([&] { return c->Prf_Start->isEnabled(); }, 3000));
    c->Prf_Start->trigger();
    ASSERT_TRUE(f.waitPhase(17));
    f.sim.pressConfirm();
    ASSERT_TRUE(
        waitUntil([&] { return p->NetzspgWarnWin->isVisible() && c->Prf_Weiter->isEnabled(); }, 20000));
    c->Prf_Weiter->trigger();
    ASSERT_TRUE(
        waitUntil([&] { return f.state().Messschritt == 4 && p->MainsOnSocketLabel->isVisible(); }, 8000));
    // The values of the step reach the displays with the next reports.
    EXPECT_TRUE(waitUntil([&] {
        return p->StepBox->text() == QStringLiteral("Schutzleiterstrom") &&
               p->ValueDisplay[0]->Text() == QStringLiteral("450");
    }));
    ASSERT_TRUE(gt_test::runPostedEvents());
    const QPixmap shot = f.form->grab();
    EXPECT_GE(shot.width(), 800);
    EXPECT_EQ(p->StepBox->text(), QStringLiteral("Schutzleiterstrom"));
    EXPECT_EQ(p->ValueDisplay[0]->Text(), QStringLiteral("450"));
    const QString dir = qEnvironmentVariable("GT_RENDER_DIR");
    if (!dir.isEmpty()) {
        const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1"));
        EXPECT_TRUE(shot.save(dir + QStringLiteral("/frontpanel-") + scale + QStringLiteral(".png")));
    }
    c->Prf_Abbrechen->trigger();
}

// Runs fn once the modal dialog is up (the exchanges before it keep the loop busy).
void whenShown(QDialog *d, const std::function<void()> &fn)
{
    auto *t = new QTimer(d);
    t->setInterval(10);
    QObject::connect(t, &QTimer::timeout, d, [d, t, fn] {
        if (!d->isVisible()) return;
        t->stop();
        t->deleteLater();
        fn();
    });
    t->start();
}

TEST(FrontPanelE2e, MeasuringModeAndLanguageDialogsDriveTheTester)
{
    PanelFixture f;
    ASSERT_TRUE(f.connect({}, {QStringLiteral("set menu=0x04 klasse=0x01")}));
    TForm1 *w = f.form.get();
    ASSERT_TRUE(w->Actions().M_Einstellen->isEnabled());

    // Row 44 (code 48): class I, differential current, touch current, 0751.
    whenShown(f.parts.Messmodus, [&f] {
        TMessmodusDlg *d = f.parts.Messmodus;
        EXPECT_FALSE(d->FromStoredTest->isEnabled()); // no current stored test
        QTreeWidgetItem *row = d->ModeTable->topLevelItem(44);
        d->ModeTable->setCurrentItem(row);
        emit d->ModeTable->itemClicked(row, 0);
        d->accept();
    });
    w->Actions().M_Einstellen->trigger();
    EXPECT_TRUE(f.waitSim(QStringLiteral("standard"), 2));
    EXPECT_EQ(f.simInt(QStringLiteral("class")), 1);
    EXPECT_EQ(f.simInt(QStringLiteral("isolmode")), 2);
    EXPECT_TRUE(waitUntil(
        [&] { return f.panel()->IsolationGroup->ItemText(2) == QStringLiteral("Diffstr.-Mess."); }));

    whenShown(f.parts.Sprache, [&f] {
        TSprachEinstDlg *d = f.parts.Sprache;
        EXPECT_EQ(d->ChosenCode(), QStringLiteral("de")); // the current language is selected
        const QList<QListWidgetItem *> fr =
            d->LanguageList->findItems(QStringLiteral("fr (französisch)"), Qt::MatchExactly);
        ASSERT_EQ(fr.size(), 1);
        d->LanguageList->setCurrentItem(fr.first());
        d->accept();
    });
    w->Actions().K_Sprache->trigger();
    EXPECT_TRUE(f.sim.waitForState([](const auto &s) { return s.value("language") == QLatin1String("fr"); }));
    EXPECT_EQ(f.ConnectedFixture::panel(4), QStringLiteral("fr"));
}
