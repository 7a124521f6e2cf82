// The front panel's widgets in the main window: names and captions, reports
// that never turn into writes, the test actions' enabling and the dialogs.

#include "../AppTestSupport.h"

#include "app/panel/FrontPanel.h"
#include "app/panel/MessmodusDlg.h"
#include "app/panel/SprachEinstDlg.h"
#include "app/panel/TestControl.h"
#include "app/panel/WarnWindows.h"
#include "app/shell/FrontPanelInstall.h"
#include "app/shell/MainActions.h"
#include "controls/Edits.h"
#include "tester/ConnectionController.h"
#include "tester/Limits.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace gt_app_test;

namespace {

struct PanelForm : FormFixture {
    TFrontPanelParts parts;
    QStringList writes;

    TFrontPanel *panel() { return parts.Panel; }
    TPanelState &state() { return parts.Panel->State(); }

    void build()
    {
        make();
        parts = FrontPanelParts(*form);
        ASSERT_NE(parts.Panel, nullptr);
        // Record instead of talking to a tester.
        state().WriteSetting = [this](const TSettingChange &c) {
            writes << QStringLiteral("set %1 %2").arg(int(c.Kind)).arg(c.Value);
            return true;
        };
        state().WriteIsolationMode = [this](int m) {
            writes << QStringLiteral("isol %1").arg(m);
            return true;
        };
        state().WriteLimit = [this](TLimitTable t, int i) {
            writes << QStringLiteral("limit %1 %2").arg(int(t)).arg(i);
            return true;
        };
        state().EnablePanel();
    }

    void report34(int menu, int klasse, int messzeit = 30, int sperr = 0, int ablauf = 0)
    {
        const quint8 d[8] = {quint8(menu),   0, quint8(klasse), quint8(messzeit), 0, quint8(sperr),
                             quint8(ablauf), 0};
        state().Decode34(d);
    }
    void report3A(int step, int pe, int iso, int leak, int diff, int phase)
    {
        const quint8 d[8] = {0, quint8(step), quint8(pe), quint8(iso), quint8(leak), quint8(diff),
                             0, quint8(phase)};
        state().Decode3A(d);
    }
};

} // namespace

TEST(FrontPanelWidget, ControlsCarryTheirNamesCaptionsAndItems)
{
    PanelForm f;
    f.build();
    TFrontPanel *p = f.panel();
    EXPECT_EQ(f.form->FrontPanel(), p);
    EXPECT_EQ(p->DinVdeGroup->title(), QStringLiteral("DIN/VDE"));
    EXPECT_EQ(p->DinVdeGroup->ItemText(2), QStringLiteral("07&51"));
    EXPECT_EQ(p->SequenceGroup->ItemText(1), QStringLiteral("&automatisch"));
    EXPECT_EQ(p->IsolationGroup->ItemText(0), QStringLiteral("ohne Isol.-Pr."));
    EXPECT_EQ(p->IsolationGroup->ItemText(2), QStringLiteral("Isol. und Diff."));
    EXPECT_EQ(p->TouchCurrentGroup->ItemText(1), QStringLiteral("mit Ber.-Str."));
    EXPECT_EQ(p->LimitsGroup->ItemText(0), QStringLiteral("S&tandard"));
    EXPECT_EQ(p->VisualCheckCombo->itemText(0), QStringLiteral("----"));
    for (const char *name :
         {"RadioGroup1", "RadioGroup2", "RadioGroup3", "RadioGroup4", "RadioGroup5", "ComboBox1", "ComboBox2",
          "CheckBox1", "CheckBox2", "FloatEdit1", "TrackBar1", "TrackBar2", "TrackBar3", "Label21", "Label26",
          "Label28", "Label30", "BitBtn1", "BitBtn5"})
        EXPECT_NE(f.form->findChild<QWidget *>(QLatin1String(name)), nullptr) << name;
    EXPECT_EQ(f.parts.Control->Prf_Drucken->text(), QStringLiteral("&Drucken"));
    EXPECT_EQ(f.parts.Control->StartButton->text(), QStringLiteral("Prüfung Start"));
    EXPECT_EQ(p->NetzspgWarnWin->size(), QSize(480, 97));
    EXPECT_TRUE(p->NetzspgWarnWin->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(p->MainsOnSocketLabel->text(), QStringLiteral("ACHTUNG! 230 V~ 16A an Prüfdose"));
}

TEST(FrontPanelWidget, DisconnectedPanelIsDisabledAndShowsDashes)
{
    PanelForm f;
    f.make();
    TFrontPanel *p = FrontPanelParts(*f.form).Panel;
    ASSERT_NE(p, nullptr);
    EXPECT_FALSE(p->DinVdeGroup->isEnabled());
    EXPECT_FALSE(p->ClassCombo->isEnabled());
    EXPECT_FALSE(p->ProtectiveEarthLimitBar->isEnabled());
    EXPECT_EQ(p->ProtectiveEarthLimitBar->maximum(), 7);
    EXPECT_EQ(p->StoredCountValue->text(), QStringLiteral("-"));
    EXPECT_EQ(p->ValueDisplay[0]->Text(), QStringLiteral(" --- "));
    EXPECT_EQ(p->LimitDisplay[2]->Text(), QStringLiteral(" --- "));
    EXPECT_FALSE(f.form->Actions().M_Einstellen->isEnabled());
    for (QAction *a :
         {FrontPanelParts(*f.form).Control->Prf_Start, FrontPanelParts(*f.form).Control->Prf_Drucken})
        EXPECT_FALSE(a->isEnabled());
}

TEST(FrontPanelWidget, DigitDisplayAskedForNoCellsGetsTheOneThatTakesTheText)
{
    TDigitDisplay none(QStringLiteral("None"), nullptr, 0);
    TDigitDisplay one(QStringLiteral("One"), nullptr, 1);
    ASSERT_NE(none.Digit(), nullptr);
    EXPECT_EQ(none.size(), one.size());
    none.setText(QStringLiteral("5"));
    EXPECT_EQ(none.Text(), QStringLiteral("5"));
}

TEST(FrontPanelWidget, ReportsSetTheControlsWithoutWritingBack)
{
    PanelForm f;
    f.build();
    TFrontPanel *p = f.panel();
    f.report34(mfAutomatisch | mfManuGrenz | mfBeruehrstrom | mfSteuerbarcode, skDin0751 | 1, 125,
               spEinstellsperre);
    f.report3A(0, 9, 5, 3, 2, 2);
    EXPECT_EQ(p->DinVdeGroup->ItemIndex(), 2);
    EXPECT_EQ(p->IsolationGroup->ItemText(2), QStringLiteral("Diffstr.-Mess."));
    EXPECT_EQ(p->SequenceGroup->ItemIndex(), 1);
    EXPECT_EQ(p->LimitsGroup->ItemIndex(), 1);
    EXPECT_EQ(p->ClassCombo->currentIndex(), 0);
    EXPECT_TRUE(p->ControlBarcodeCheck->isChecked());
    EXPECT_TRUE(p->SettingsLockCheck->isChecked());
    EXPECT_EQ(p->MeasuringTimeEdit->text(), QStringLiteral("12,5"));
    EXPECT_EQ(p->ProtectiveEarthLimitBar->value(), 1);
    EXPECT_EQ(p->InsulationLimitBar->value(), 5);
    EXPECT_EQ(p->LimitDisplay[0]->Text(), QStringLiteral("200"));
    EXPECT_TRUE(f.writes.isEmpty()) << f.writes.join(QLatin1Char(',')).toStdString();
    EXPECT_FALSE(f.state().LimitChanged[0] || f.state().LimitChanged[1] || f.state().LimitChanged[2]);

    // The user's own click writes once.
    p->DinVdeGroup->Click(0);
    EXPECT_EQ(f.writes, QStringList{QStringLiteral("set %1 0").arg(int(scDinVde))});
    // A user's bar move in manual mode waits for the next sequence report.
    f.writes.clear();
    p->InsulationLimitBar->setValue(3);
    EXPECT_TRUE(f.writes.isEmpty());
    f.report3A(0, 9, 5, 3, 2, 2);
    EXPECT_EQ(f.writes, QStringList{QStringLiteral("limit 1 3")});
}

// The tester repeats its reports several times a second: one with nothing new
// leaves the controls alone, unless a control no longer shows the state (the
// user moved it and the move was not taken); that one is put back.
TEST(FrontPanelWidget, RepeatedReportsLeaveTheControlsAloneButPutBackAStrayOne)
{
    PanelForm f;
    f.build();
    TFrontPanel *p = f.panel();
    auto report = [&] { f.report34(mfAutomatisch | mfSteuerbarcode, skDin0751 | 1, 125); };
    report();
    ASSERT_EQ(p->DinVdeGroup->ItemIndex(), 2);
    const QString stored = p->StoredCountValue->text();
    // Only the panel writes this label: a repeat that touched it would show.
    p->StoredCountValue->setText(QStringLiteral("x"));
    report();
    EXPECT_EQ(p->StoredCountValue->text(), QStringLiteral("x"));

    p->DinVdeGroup->setItemIndex(0);
    report();
    EXPECT_EQ(p->DinVdeGroup->ItemIndex(), 2);
    EXPECT_EQ(p->StoredCountValue->text(), stored);
    {
        const QSignalBlocker b(p->ControlBarcodeCheck);
        p->ControlBarcodeCheck->setChecked(false);
    }
    report();
    EXPECT_TRUE(p->ControlBarcodeCheck->isChecked());
    p->ProtectiveEarthLimitBar->blockSignals(true);
    p->ProtectiveEarthLimitBar->setValue(p->ProtectiveEarthLimitBar->value() + 1);
    p->ProtectiveEarthLimitBar->blockSignals(false);
    report();
    EXPECT_EQ(p->ProtectiveEarthLimitBar->value(), f.state().View.BarPos[0]);
    EXPECT_TRUE(f.writes.isEmpty()) << f.writes.join(QLatin1Char(',')).toStdString();
}

TEST(FrontPanelWidget, TestActionsFollowThePhase)
{
    PanelForm f;
    f.build();
    TTestControl *c = f.parts.Control;
    TConnectionController *conn = &f.form->Connection();

    f.report34(0, 1); // single steps
    f.report3A(1, 0, 3, 5, 0, 16);
    EXPECT_TRUE(c->Prf_Abbrechen->isEnabled());
    EXPECT_TRUE(c->Prf_Weiter->isEnabled());
    EXPECT_FALSE(c->Prf_Drucken->isEnabled());
    EXPECT_FALSE(c->Prf_SpeicherClr->isEnabled());
    EXPECT_FALSE(c->Prf_Start->isEnabled());
    EXPECT_EQ(conn->StartEnableCtr(), 0);
    EXPECT_FALSE(c->PrintButton->isEnabled());

    f.report34(mfAutomatisch, 1);
    f.report3A(1, 0, 3, 5, 0, 18);
    EXPECT_FALSE(c->Prf_Weiter->isEnabled());
    f.report34(mfAutomatisch, 1, 30, spNetzspannung); // mains warning: "weiter" confirms it
    f.report3A(3, 0, 3, 5, 0, 20);
    EXPECT_TRUE(c->Prf_Weiter->isEnabled());
    EXPECT_TRUE(f.panel()->NetzspgWarnWin->isVisible());

    f.report34(mfAutomatisch, 1);
    f.report3A(0, 0, 3, 5, 0, 2);
    EXPECT_FALSE(c->Prf_Abbrechen->isEnabled());
    EXPECT_TRUE(c->Prf_Drucken->isEnabled());
    EXPECT_TRUE(c->Prf_SpeicherClr->isEnabled());
    EXPECT_EQ(conn->StartEnableCtr(), 38);
    EXPECT_FALSE(f.panel()->NetzspgWarnWin->isVisible());
}

TEST(FrontPanelWidget, PrintHandsOnTheCurrentValues)
{
    PanelForm f;
    f.build();
    f.form->Configuration().Operator = QStringLiteral("Meier");
    TWerteSatz printed;
    int calls = 0;
    // Only this listener: the window's own one would print.
    QObject::disconnect(f.parts.Control, &TTestControl::print, nullptr, nullptr);
    QObject::connect(f.parts.Control, &TTestControl::print, [&](const TWerteSatz &w) {
        printed = w;
        ++calls;
    });
    f.report34(mfIsolation, skDin0751 | 1);
    f.parts.Control->Drucken();
    ASSERT_EQ(calls, 1);
    EXPECT_EQ(printed.DINVDE, 2);
    EXPECT_EQ(printed.Protokolltyp, 0);
    EXPECT_EQ(printed.Pruefer, QStringLiteral("Meier"));
    EXPECT_TRUE(printed.Datum.isValid());
}

TEST(FrontPanelWidget, MeasuringModeDialogListsFiftyRowsAndClickingChoosesTheTable)
{
    TMessmodusDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Messmodus-Einstellung"));
    ASSERT_EQ(dlg.ModeTable->topLevelItemCount(), 50);
    EXPECT_EQ(dlg.ModeTable->headerItem()->text(3), QStringLiteral("Berührstr."));
    EXPECT_EQ(dlg.ModeTable->topLevelItem(12)->text(0), QStringLiteral("87"));
    EXPECT_EQ(dlg.ModeTable->topLevelItem(49)->text(2), QStringLiteral("Diff."));
    dlg.FromStoredTest->setChecked(true);
    QTreeWidgetItem *row = dlg.ModeTable->topLevelItem(24);
    dlg.ModeTable->setCurrentItem(row);
    emit dlg.ModeTable->itemClicked(row, 0);
    EXPECT_TRUE(dlg.FromTable->isChecked());
    EXPECT_EQ(dlg.SelectedRow(), 24);
    EXPECT_FALSE(dlg.StoredChosen());
}

TEST(FrontPanelWidget, LanguageDialogNamesKnownCodes)
{
    TSprachEinstDlg dlg;
    dlg.SetLanguages({QStringLiteral("en"), QStringLiteral("de"), QStringLiteral("xx")}, 1);
    ASSERT_EQ(dlg.LanguageList->count(), 3);
    EXPECT_EQ(dlg.LanguageList->item(1)->text(), QStringLiteral("de (deutsch)"));
    EXPECT_EQ(dlg.LanguageList->item(2)->text(), QStringLiteral("xx"));
    EXPECT_EQ(dlg.ChosenCode(), QStringLiteral("de"));
}

// The buttons never take the focus, so a measuring time typed into the field
// is committed by the action itself, before it runs.
TEST(FrontPanelWidget, TypedMeasuringTimeIsWrittenBeforeAnAction)
{
    PanelForm f;
    f.build();
    TFrontPanel *p = f.panel();
    f.report34(0, 1, 30);
    const QString messzeit = QStringLiteral("set %1 ").arg(int(scMesszeit));

    p->MeasuringTimeEdit->selectAll();
    p->MeasuringTimeEdit->insert(QStringLiteral("7,5"));
    f.parts.Control->Prf_Start->setEnabled(true); // as after the start release
    f.parts.Control->Prf_Weiter->setEnabled(true);
    f.parts.Control->Prf_Start->trigger();
    EXPECT_EQ(f.writes, QStringList{messzeit + QStringLiteral("75")});

    // Nothing typed since: the next action writes nothing.
    f.writes.clear();
    f.parts.Control->Prf_Weiter->trigger();
    EXPECT_TRUE(f.writes.isEmpty()) << f.writes.join(',').toStdString();

    // A window action commits as well.
    p->MeasuringTimeEdit->selectAll();
    p->MeasuringTimeEdit->insert(QStringLiteral("12,0"));
    f.form->Actions().K_Hinweise->trigger();
    EXPECT_EQ(f.writes, QStringList{messzeit + QStringLiteral("120")});
}
