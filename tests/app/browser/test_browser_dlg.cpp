// The browser window offscreen on a real database file: what it shows, the
// buttons, the deletion question, the lists, the visual inspection form.

#include "BrowserFixture.h"
#include "app/browser/AuswListeDlg.h"
#include "app/browser/DatenanzeigeDlg.h"
#include "app/browser/EtikettenDlg.h"
#include "app/browser/ProtDaten.h"
#include "app/common/Configuration.h"
#include "app/shell/AppWindows.h"
#include "app/shell/MainActions.h"
#include "controls/LEDPaint.h"
#include "protocols/Report.h"
#include "store/Database.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

TEST_F(BrowserDlg, OpensAtTheLastViewedTestAndRemembersTheTestOnClose)
{
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Gespeicherte Daten"));
    EXPECT_EQ(dlg->KDstrName1->text(), QStringLiteral("Klinik Nord"));
    EXPECT_EQ(dlg->PLstrBarcode->text(), QStringLiteral("4711"));
    EXPECT_EQ(dlg->CustomerPos->text(), QStringLiteral("[1/2]"));
    EXPECT_EQ(dlg->TestPos->text(), QStringLiteral("[2/2]"));
    EXPECT_TRUE(dlg->Led0751->LEDOn());
    EXPECT_EQ(dlg->ProtText->text(), QStringLiteral("Prot.: 1-seitig"));
    EXPECT_TRUE(dlg->BtnProtokoll3->isEnabled());
    EXPECT_TRUE(dlg->RbErstpruefung->isChecked());
    EXPECT_EQ(dlg->PRstrPruefer->text(), QStringLiteral("Meier"));
    EXPECT_EQ(dlg->GesamtText->text(), QStringLiteral("JA"));
    EXPECT_EQ(dlg->MeasRows[1].limit->text(), QStringLiteral("(min. 2,00 MOhm)"));
    // 0751, class I, with insulation test: earth, insulation, leakage.
    EXPECT_TRUE(dlg->MeasRows[0].caption->isEnabled());
    EXPECT_TRUE(dlg->MeasRows[2].caption->isEnabled());
    EXPECT_FALSE(dlg->MeasRows[3].caption->isEnabled());
    EXPECT_FALSE(dlg->MeasRows[3].value->isVisible());
    EXPECT_FALSE(dlg->BtnMessmod->isEnabled());

    const QString png =
        qEnvironmentVariable("GT_BUILD_DIR", QStringLiteral(".")) + QStringLiteral("/browser.png");
    dlg->grab().save(png);

    dlg->TestNavigator->Prior->click();
    EXPECT_EQ(dlg->TestPos->text(), QStringLiteral("[1/2]"));
    EXPECT_EQ(dlg->ProtText->text(), QStringLiteral("Prot.: Standard"));
    EXPECT_FALSE(dlg->BtnProtokoll1->isEnabled());
    dlg->BtnOK->click();
    EXPECT_EQ(config.aktCheckNumber, 100);
}

TEST_F(BrowserDlg, DeviceWithoutTestsShowsNothingAndCannotPrint)
{
    dlg->DeviceNavigator->Next->click();
    EXPECT_EQ(dlg->PLstrBezeichnung->text(), QStringLiteral("Ohne Prüfung"));
    EXPECT_EQ(dlg->ProtText->text(), QStringLiteral("Prot.: ---"));
    EXPECT_EQ(dlg->TestPos->text(), QStringLiteral("[-/-]"));
    EXPECT_FALSE(dlg->BtnDruck->isEnabled());
    EXPECT_FALSE(dlg->FunktNicht->isChecked() || dlg->FunktBestanden->isChecked());
    EXPECT_TRUE(dlg->GesamtText->text().isEmpty());
    for (const TMeasRowWidgets &r : dlg->MeasRows)
        EXPECT_FALSE(r.caption->isEnabled());
    dlg->hide();
    EXPECT_EQ(config.aktCheckNumber, 0);
}

TEST_F(BrowserDlg, EditsArePostedOnLeavingAndADuplicateBarcodeIsRefused)
{
    type(dlg->KDstrOrt, QStringLiteral("Bremerhaven"));
    emit dlg->KDstrOrt->editingFinished();
    EXPECT_EQ(db->count(QStringLiteral("tblKunden"), QStringLiteral("KDstrOrt = 'Bremerhaven'")), 1);

    type(dlg->PLstrBarcode, QStringLiteral("9000"));
    emit dlg->PLstrBarcode->editingFinished();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith(QStringLiteral("Es existiert bereits ein Prüfling")));
    EXPECT_EQ(dlg->PLstrBarcode->text(), QStringLiteral("4711"));
    EXPECT_EQ(db->count(QStringLiteral("tblPruefling"), QStringLiteral("PLstrBarcode = '9000'")), 1);
}

TEST_F(BrowserDlg, FunctionTestChoiceRecomputesTheVerdict)
{
    dlg->FunktNicht->click();
    EXPECT_EQ(dlg->GesamtText->text(), QStringLiteral("NEIN"));
    EXPECT_EQ(db->count(QStringLiteral("tblPruefung"),
                        QStringLiteral("PRintPruefungsNr = 101 AND PRintGesamtbew = 0")),
              1);
    dlg->FunktBestanden->click();
    EXPECT_EQ(dlg->GesamtText->text(), QStringLiteral("JA"));

    // "Druck" hands over the whole record: customer, device and test.
    dlg->BtnDruck->click();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].first, 0);
    EXPECT_EQ(reports[0].second.Name1, QStringLiteral("Klinik Nord"));
    EXPECT_EQ(reports[0].second.Barcode, QStringLiteral("4711"));
    EXPECT_EQ(reports[0].second.PruefungsNr, 101);
    EXPECT_EQ(reports[0].second.Pruefer, QStringLiteral("Meier"));
}

TEST_F(BrowserDlg, ThreePageProtocolMakesTheRowsOnceAndCancelKeepsTheType)
{
    TProtDaten form;
    dlg->setInspectionForm(&form);
    const int catalogue = db->count(QStringLiteral("tblSichtTeil"));

    onModal([](QWidget *w) { static_cast<QDialog *>(w)->reject(); });
    dlg->BtnProtokoll3->click();
    EXPECT_EQ(db->count(QStringLiteral("tblSichtpruefung")), catalogue);
    EXPECT_EQ(db->count(QStringLiteral("tblPruefung"), QStringLiteral("PRintProtokolltyp = 1")), 0);
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_EQ(dlg->ProtText->text(), QStringLiteral("Prot.: 1-seitig"));

    onModal([&form](QWidget *) {
        form.NotOkBox(2)->click();
        form.OkBox(1)->click();
        form.OkButton->click();
    });
    dlg->BtnProtokoll3->click();
    EXPECT_EQ(db->count(QStringLiteral("tblSichtpruefung")), catalogue);
    EXPECT_EQ(db->count(QStringLiteral("tblPruefung"), QStringLiteral("PRintProtokolltyp = 1")), 1);
    EXPECT_EQ(db->count(QStringLiteral("tblSichtpruefung"),
                        QStringLiteral("SIintZeileNr = 2 AND SIintBestanden = 0")),
              1);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports.first().first, 2);
    EXPECT_EQ(reports.first().second.Sichtpr.size(), catalogue);
    EXPECT_EQ(reports.first().second.Gesamtbew, 0); // a "not OK" row
    EXPECT_EQ(dlg->ProtText->text(), QStringLiteral("Prot.: 3-seitig"));
    EXPECT_EQ(dlg->TestPos->text(), QStringLiteral("[2/2]"));
    EXPECT_EQ(form.RowCount(), 0);

    // The one-page protocol sets the type back and previews without rows.
    dlg->BtnProtokoll1->click();
    EXPECT_EQ(db->count(QStringLiteral("tblPruefung"), QStringLiteral("PRintProtokolltyp = 1")), 0);
    ASSERT_EQ(reports.size(), 2);
    EXPECT_EQ(reports.last().first, 1);
    EXPECT_TRUE(reports.last().second.Sichtpr.isEmpty());
    EXPECT_EQ(dlg->ProtText->text(), QStringLiteral("Prot.: 1-seitig"));
}

TEST_F(BrowserDlg, InspectionRowsAllowAtMostOneMark)
{
    TProtDaten form;
    form.AddRow(0, QStringLiteral("nichts"), QString(), 1);
    form.AddRow(-3, QStringLiteral("nichts"), QString(), 1);
    EXPECT_EQ(form.RowCount(), 0);
    form.AddRow(1, QStringLiteral("Gehäuse"), QStringLiteral("unbeschädigt"), 1);
    form.AddRow(2, QStringLiteral("Leitung"), QStringLiteral("ohne Knicke"), 0);
    form.AddRow(3, QStringLiteral("Stecker"), QStringLiteral("fest"), -1);
    form.show();
    EXPECT_EQ(form.GetRowResult(1), 1);
    EXPECT_EQ(form.GetRowResult(2), 0);
    EXPECT_EQ(form.GetRowResult(3), -1);
    EXPECT_EQ(form.GetRowResult(9), -1);
    form.NotOkBox(1)->click();
    EXPECT_FALSE(form.OkBox(1)->isChecked());
    EXPECT_EQ(form.GetRowResult(1), 0);
    form.OkBox(2)->click();
    EXPECT_EQ(form.GetRowResult(2), 1);
    form.OkBox(2)->click(); // unchecked again: neither
    EXPECT_EQ(form.GetRowResult(2), -1);
    // The other rows are not touched.
    EXPECT_EQ(form.GetRowResult(1), 0);
    const QString png =
        qEnvironmentVariable("GT_BUILD_DIR", QStringLiteral(".")) + QStringLiteral("/sichtpruefung.png");
    form.grab().save(png);
    form.ClearRows();
    EXPECT_EQ(form.RowCount(), 0);
    EXPECT_TRUE(form.RowsArea->widget()->findChildren<QCheckBox *>().isEmpty());
}

TEST_F(BrowserDlg, DeletionAsksAndAFailedCascadeDeletesNothing)
{
    answer = false;
    dlg->CustomerNavigator->Delete->click();
    EXPECT_EQ(questions,
              QStringList{QStringLiteral("Kunde „Klinik Nord“ mit 2 Prüflingen und 2 Prüfungen löschen?")});
    EXPECT_EQ(db->count(QStringLiteral("tblKunden")), 2);

    answer = true;
    db->exec(QStringLiteral("ALTER TABLE tblSichtpruefung RENAME TO tblSichtpruefungWeg"));
    dlg->CustomerNavigator->Delete->click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith(QStringLiteral("Der Datensatz konnte nicht gelöscht werden")));
    db->exec(QStringLiteral("ALTER TABLE tblSichtpruefungWeg RENAME TO tblSichtpruefung"));
    EXPECT_EQ(db->count(QStringLiteral("tblKunden")), 2);
    EXPECT_EQ(db->count(QStringLiteral("tblPruefling")), 3);
    EXPECT_EQ(db->count(QStringLiteral("tblPruefung")), 3);

    dlg->DeviceNavigator->Delete->click();
    EXPECT_EQ(questions.last(),
              QStringLiteral("Prüfling „Patientenbett“ (Barcode 4711) mit 2 Prüfungen löschen?"));
    EXPECT_EQ(db->count(QStringLiteral("tblPruefling")), 2);
    EXPECT_EQ(db->count(QStringLiteral("tblPruefung")), 1);
    EXPECT_EQ(dlg->PLstrBezeichnung->text(), QStringLiteral("Ohne Prüfung"));
}

// "Nein" is the question's default, so Return (answered here as the default) deletes nothing.
TEST_F(BrowserDlg, ReturnInTheDeletionQuestionDeletesNothing)
{
    prompt.onCall = [this](const gt_app_test::TFakePrompt::TCall &call) { answer = call.defaultYes; };
    dlg->TestNavigator->Delete->click();
    ASSERT_EQ(prompt.calls.size(), 1);
    EXPECT_EQ(prompt.calls[0].text, QStringLiteral("Prüfung Nr. 101 vom 02.04.2026 löschen?"));
    EXPECT_FALSE(prompt.calls[0].defaultYes);
    EXPECT_EQ(db->count(QStringLiteral("tblPruefung")), 3);
}

// "+" and OK without typing anything: neither an empty customer nor an empty device.
TEST_F(BrowserDlg, PlusThenOkWithEveryFieldEmptyStoresNothing)
{
    dlg->CustomerNavigator->Insert->click();
    EXPECT_TRUE(dlg->KDstrName1->isEnabled());
    EXPECT_TRUE(dlg->KDstrName1->text().isEmpty());
    // Tabbing through the empty fields keeps the new row open for typing.
    emit dlg->KDstrName1->editingFinished();
    EXPECT_TRUE(dlg->KDstrName2->isEnabled());
    dlg->BtnOK->click();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(db->count(QStringLiteral("tblKunden")), 2);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('|')).toStdString();

    dlg->show();
    dlg->DeviceNavigator->Insert->click();
    dlg->BtnOK->click();
    EXPECT_EQ(db->count(QStringLiteral("tblPruefling")), 3);

    // Typed into, the new customer is stored under the next free number.
    dlg->show();
    dlg->CustomerNavigator->Insert->click();
    type(dlg->KDstrOrt, QStringLiteral("Hamm"));
    dlg->BtnOK->click();
    EXPECT_EQ(
        db->count(QStringLiteral("tblKunden"), QStringLiteral("KDintKundenNr = 3 AND KDstrOrt = 'Hamm'")), 1);
}

TEST_F(BrowserDlg, ListsAndSearchMoveTheBrowser)
{
    TAuswListeDlg list;
    dlg->setListDialog(&list);
    onModal([&list](QWidget *) {
        EXPECT_EQ(list.windowTitle(), QStringLiteral("Kundenauswahl"));
        EXPECT_EQ(list.ListGrid->model()->rowCount(), 2);
        EXPECT_EQ(list.ListGrid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name 1"));
        EXPECT_EQ(list.ListGrid->model()->index(1, 0).data().toString(), QStringLiteral("Praxis Süd"));
        list.grab().save(qEnvironmentVariable("GT_BUILD_DIR", QStringLiteral(".")) +
                         QStringLiteral("/kundenauswahl.png"));
        list.ListGrid->setCurrentIndex(list.ListGrid->model()->index(1, 0));
        list.OkButton->click();
    });
    dlg->BtnKunden->click();
    EXPECT_EQ(dlg->KDstrName1->text(), QStringLiteral("Praxis Süd"));
    EXPECT_EQ(dlg->PLstrBezeichnung->text(), QStringLiteral("Monitor"));
    // Unbound after closing.
    EXPECT_EQ(list.ListGrid->model(), nullptr);
    EXPECT_TRUE(list.Model()->Columns().isEmpty());

    // A scanner types the digits and Enter.
    type(dlg->SearchEdit, QStringLiteral("4712"));
    pressKey(dlg->SearchEdit, Qt::Key_Return);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->KDstrName1->text(), QStringLiteral("Klinik Nord"));
    EXPECT_EQ(dlg->PLstrBezeichnung->text(), QStringLiteral("Ohne Prüfung"));

    dlg->Search(QStringLiteral("o")); // two devices and a customer
    EXPECT_TRUE(dlg->SearchHits->isVisible());
    EXPECT_EQ(dlg->SearchCount->text(), QStringLiteral("3 Treffer (2 Prüflinge, 1 Kunde)"));
    QAbstractItemModel *hits = dlg->SearchHits->model();
    ASSERT_EQ(hits->rowCount(), 3);
    EXPECT_TRUE(hits->index(1, 0).data().toString().startsWith(QStringLiteral("Monitor")));
    EXPECT_EQ(hits->index(2, 0).data().toString(), QStringLiteral("Kunde: Klinik Nord, Bremen"));
    emit dlg->SearchHits->activated(hits->index(1, 0));
    EXPECT_EQ(dlg->PLstrBezeichnung->text(), QStringLiteral("Monitor"));

    dlg->Search(QStringLiteral("gibt es nicht"));
    EXPECT_EQ(dlg->SearchCount->text(), QStringLiteral("Nichts gefunden."));
    EXPECT_FALSE(dlg->SearchHits->isVisible());
}

TEST_F(BrowserDlg, LabelsForTheDeviceOrAllOfTheCustomerFromTheChosenPosition)
{
    QList<std::vector<std::vector<TReport::Placed>>> shown;
    QObject::connect(dlg.get(), &TDatenanzeigeDlg::labelsReady,
                     [&](const TReport &r) { shown << r.Layout(); });
    bool all = false;
    int position = 1;
    dlg->ChooseLabels = [&](TEtikettenDlg &choice) {
        EXPECT_TRUE(choice.RbPruefling->isEnabled());
        (all ? choice.RbKunde : choice.RbPruefling)->setChecked(true);
        choice.ErstesEtikett->setValue(position);
        return true;
    };
    dlg->EtikettenClick(); // device 10 alone: one row of labels
    all = true;
    position = 24; // the customer's two devices: last place, then a new sheet
    dlg->EtikettenClick();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0].size(), 1u);
    EXPECT_EQ(shown[0][0].size(), 1u);
    ASSERT_EQ(shown[1].size(), 2u);
    EXPECT_EQ(shown[1][0].size(), 8u);
    EXPECT_EQ(shown[1][1].size(), 1u);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(BrowserDlg, ExportOfAnEmptyDatabaseIsTheHeaderOnly)
{
    QTemporaryDir dir;
    const QString single = dir.filePath(QStringLiteral("eine.csv"));
    prompt.files << single;
    dlg->BtnEinzelexp->click();
    // A finished export says what went where.
    EXPECT_EQ(
        messages,
        QStringList{
            QStringLiteral("1 Prüfung in die Datei „%1“ exportiert.").arg(QDir::toNativeSeparators(single))});
    messages.clear();
    QFile one(single);
    ASSERT_TRUE(one.open(QIODevice::ReadOnly));
    const QList<QByteArray> oneLines = one.readAll().split('\n');
    ASSERT_EQ(oneLines.size(), 3);
    EXPECT_TRUE(oneLines[1].startsWith("\"Klinik Nord\""));
    // Cancelling the file choice writes nothing and says nothing.
    // (no file queued: the fake cancels)
    dlg->BtnExport->click();
    EXPECT_TRUE(messages.isEmpty());

    dlg->hide();
    db->exec(QStringLiteral("DELETE FROM tblPruefung"));
    db->exec(QStringLiteral("DELETE FROM tblPruefling"));
    db->exec(QStringLiteral("DELETE FROM tblKunden"));
    dlg->show();
    EXPECT_EQ(dlg->CustomerPos->text(), QStringLiteral("[-/-]"));
    EXPECT_FALSE(dlg->KDstrName1->isEnabled());
    const QString file = dir.filePath(QStringLiteral("alle.csv"));
    prompt.files << file;
    dlg->BtnExport->click();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    ASSERT_EQ(lines.size(), 2); // one line and the empty rest after its line end
    EXPECT_TRUE(lines[0].startsWith("\"Name1\""));
    EXPECT_TRUE(lines[1].isEmpty());
    EXPECT_EQ(
        messages,
        QStringList{
            QStringLiteral("0 Prüfungen in die Datei „%1“ exportiert.").arg(QDir::toNativeSeparators(file))});
    messages.clear();

    prompt.files << dir.filePath(QStringLiteral("fehlt/x.csv"));
    dlg->BtnExport->click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().contains(QStringLiteral("kann nicht angelegt werden")));
}

TEST(BrowserInProgram, OpenActionShowsTheBrowserAndTheIdleStepEnablesMessmod)
{
    TTestDb db(TTestEngine::SQLite);
    ASSERT_TRUE(db.ok());
    db.addCustomer(1, QStringLiteral("Klinik Nord"));
    db.addDevice(10, 1, QStringLiteral("Patientenbett"));
    db.addTest(100, 10, day(1));
    gt_app_test::FormFixture f;
    f.withDatabase();
    TForm1 *w = f.make();
    TDatenanzeigeDlg *browser = w->Windows().Datenanzeige;
    ASSERT_NE(browser, nullptr);
    browser->setDatabase(db.db());

    // The port is closed: the idle step greys "Messmod." out.
    browser->BtnMessmod->setEnabled(true);
    w->IdleStep();
    EXPECT_FALSE(browser->BtnMessmod->isEnabled());

    QString shownName;
    onModal([&](QWidget *modal) {
        shownName = browser->KDstrName1->text();
        EXPECT_EQ(modal, static_cast<QWidget *>(browser));
        browser->BtnOK->click();
    });
    w->Actions().D_Oeffnen->trigger();
    EXPECT_EQ(shownName, QStringLiteral("Klinik Nord"));
    EXPECT_EQ(w->Configuration().aktCheckNumber, 100);
}

TEST_F(BrowserDlg, TabGoesThroughTheTestPaneThenDownTheButtonColumn)
{
    QStringList chain;
    for (QWidget *w = dlg->nextInFocusChain(); w != dlg.get(); w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty()) chain << w->objectName();
    const qsizetype notiz = chain.indexOf(QStringLiteral("PRstrNotiz"));
    ASSERT_GE(notiz, 0);
    EXPECT_EQ(chain.mid(notiz, 3), (QStringList{"PRstrNotiz", "PRstrPruefer", "PRstrBewertender"}));
    const qsizetype kunden = chain.indexOf(QStringLiteral("BtnKunden"));
    ASSERT_GT(kunden, notiz);
    EXPECT_EQ(chain.mid(kunden),
              (QStringList{"BtnKunden", "BtnPrueflinge", "PRstrProtokollNr", "RbErstpruefung",
                           "RbWiederholung", "BtnProtokoll1", "BtnProtokoll3", "BtnMessmod", "BtnExport",
                           "BtnEinzelexp", "BtnDruck", "BtnEtiketten", "BtnOK"}));
}

TEST_F(BrowserDlg, DeviceIntervalIsStoredPerDeviceAndRefusedOutsideItsRange)
{
    const auto stored = [this](int device, int months) {
        return db->count(
            QStringLiteral("tblPruefintervall"),
            QStringLiteral("PIintPrueflingNr = %1 AND PIintMonate = %2").arg(device).arg(months));
    };
    EXPECT_TRUE(dlg->PIintMonate->isEnabled());
    EXPECT_TRUE(dlg->PIintMonate->text().isEmpty());
    type(dlg->PIintMonate, QStringLiteral("6"));
    emit dlg->PIintMonate->editingFinished();
    EXPECT_EQ(stored(10, 6), 1);

    // Out of range: said in German, the text kept for correcting, nothing stored.
    type(dlg->PIintMonate, QStringLiteral("121"));
    emit dlg->PIintMonate->editingFinished();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().contains(QStringLiteral("1 bis 120 Monate")))
        << messages.first().toStdString();
    EXPECT_EQ(dlg->PIintMonate->text(), QStringLiteral("121"));
    EXPECT_EQ(stored(10, 6), 1);

    // Each device shows its own; empty gives the default back.
    dlg->DeviceNavigator->Next->click();
    EXPECT_EQ(dlg->PLstrBezeichnung->text(), QStringLiteral("Ohne Prüfung"));
    EXPECT_TRUE(dlg->PIintMonate->text().isEmpty());
    dlg->DeviceNavigator->Prior->click();
    EXPECT_EQ(dlg->PIintMonate->text(), QStringLiteral("6"));
    type(dlg->PIintMonate, QString());
    emit dlg->PIintMonate->editingFinished();
    EXPECT_EQ(db->count(QStringLiteral("tblPruefintervall")), 0);

    // A device being inserted has no number to keep an interval by yet.
    dlg->DeviceNavigator->Insert->click();
    EXPECT_FALSE(dlg->PIintMonate->isEnabled());
}
