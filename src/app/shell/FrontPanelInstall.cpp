#include "app/shell/FrontPanelInstall.h"

#include "app/common/Configuration.h"
#include "app/common/Prompt.h"
#include "app/panel/FrontPanel.h"
#include "app/panel/MessmodusDlg.h"
#include "app/panel/PrintCurrentValues.h"
#include "app/panel/SprachEinstDlg.h"
#include "app/panel/TestControl.h"
#include "app/shell/MainActions.h"
#include "app/shell/MainWindow.h"
#include "store/Database.h"
#include "tester/Commands.h"
#include "tester/ConnectionController.h"
#include "tester/ModeApply.h"
#include "tester/PanelState.h"

#include <QAction>
#include <QRadioButton>

namespace {

void runMessmodus(TForm1 &form, TFrontPanelParts parts)
{
    TMessmodusDlg *dlg = parts.Messmodus;
    const int aktCheck = form.Configuration().aktCheckNumber;
    dlg->FromStoredTest->setEnabled(aktCheck != 0);
    if (dlg->exec() != QDialog::Accepted) return;
    TConnectionController *conn = &form.Connection();
    const TModeWriter writer = TModeWriter::ForCommands(&form.Commands());
    if (dlg->StoredChosen()) {
        TStoredSetup setup;
        QString error;
        if (!QueryStoredSetup(ProgramDatabase(), aktCheck, setup, &error)) {
            // A failed query is no missing row: say what the database said.
            if (!error.isEmpty())
                Prompt().Warn(&form, error);
            else
                Prompt().Inform(&form, QStringLiteral("Der Satz wurde nicht gefunden."));
            return;
        }
        conn->SettingDelay().restart();
        ApplyStoredSetup(writer, setup);
        return;
    }
    const int row = dlg->SelectedRow();
    if (row < 0) return;
    conn->SettingDelay().restart();
    ApplyModeSettings(writer, ModeSettingsForRow(row));
}

void runSprache(TForm1 &form, TFrontPanelParts parts)
{
    if (!form.Connection().PortOpen()) return;
    const TLanguageList list = form.Commands().LanguageList();
    if (list.Codes.isEmpty()) return;
    TSprachEinstDlg *dlg = parts.Sprache;
    dlg->SetLanguages(list.Codes, list.CurrentPosition());
    if (dlg->exec() != QDialog::Accepted) return;
    const QString code = dlg->ChosenCode();
    if (code.isEmpty()) return;
    QString newCode; // the controller shows it in the status bar (languageChosen)
    form.Commands().ChooseLanguage(code, newCode);
}

} // namespace

TFrontPanelParts FrontPanelParts(const TForm1 &form)
{
    return form.FrontParts();
}

TFrontPanelParts InstallFrontPanel(TForm1 &form)
{
    TFrontPanelParts parts;
    auto *panel = new TFrontPanel;
    parts.Panel = panel;
    TPanelState &state = panel->State();
    TConnectionController *conn = &form.Connection();
    state.UseCommands(&form.Commands());
    state.SettingDelay = &conn->SettingDelay();

    auto *control = new TTestControl(conn, &form.Commands(), &state, &form.Configuration(), panel);
    control->CreateButtons(panel->TestButtonArea);
    InstallCurrentValuesPrinting(*control, form.Configuration(), &form);
    form.addActions({control->Prf_Start, control->Prf_Weiter, control->Prf_Abbrechen, control->Prf_Drucken,
                     control->Prf_SpeicherClr});
    parts.Control = control;
    QObject::connect(&state, &TPanelState::phase, control, &TTestControl::ApplyPhase);

    parts.Messmodus = new TMessmodusDlg(&form, form.IniFileName());
    parts.Sprache = new TSprachEinstDlg(&form);
    form.setFrontPanel(panel);

    // Everything below is connected with the panel as context: when the panel
    // goes, so do its connections.
    QAction *messmodus = form.Actions().M_Einstellen;
    QAction *sprache = form.Actions().K_Sprache;
    QObject::connect(conn, &TConnectionController::decodeSlot, panel,
                     [panel](int slot, const TProtok &msg) { panel->State().Decode(slot, msg); });
    QObject::connect(&form.Actions(), &TMainActions::aboutToRun, panel,
                     [panel] { panel->State().CommitPendingEdits(); });
    auto resetParts = [panel, control, messmodus, sprache] {
        panel->State().ResetPanel();
        control->DisableAll();
        messmodus->setEnabled(false);
        sprache->setEnabled(false);
    };
    QObject::connect(conn, &TConnectionController::resetPanel, panel, resetParts);
    QObject::connect(conn, &TConnectionController::enablePanel, panel, [panel, messmodus] {
        panel->State().EnablePanel();
        messmodus->setEnabled(true);
    });
    QObject::connect(conn, &TConnectionController::clearValues, panel,
                     [panel] { panel->State().ClearValues(); });
    QObject::connect(conn, &TConnectionController::startEnabledChanged, control->Prf_Start,
                     &QAction::setEnabled);
    QObject::connect(conn, &TConnectionController::versionRequested, panel,
                     [panel] { panel->State().VersionRequested(); });

    // The window leaves these two actions to the panel, which runs their dialogs.
    QObject::connect(messmodus, &QAction::triggered, panel,
                     [&form] { runMessmodus(form, form.FrontParts()); });
    QObject::connect(sprache, &QAction::triggered, panel, [&form] { runSprache(form, form.FrontParts()); });

    resetParts();
    return parts;
}
