// The customer and device dialogs reached from a fetched row: a new customer
// and device and back, the device choice and its barcode rules.

#include "RetrievalDialogsFixture.h"

namespace {

// Same fixture, a suite of its own.
class EntryDialogs : public RetrievalDialogs {};

} // namespace

// ---- customers and devices ---------------------------------------------------------

TEST_F(EntryDialogs, NewCustomerAndDeviceFromAFetchedRowAssignIt)
{
    db->addCustomer(1, QStringLiteral("Alt"));
    db->addDevice(1, 1, QStringLiteral("Alt-Gerät"), QStringLiteral("1"));
    stage(1, QStringLiteral("1"));
    stage(2, QStringLiteral("4242"));
    abruf->show();
    abruf->setCurrentRow(1);
    EXPECT_EQ(cell(1, 2), QStringLiteral("nein"));

    QString barcodeOffered;
    int customerOffered = -1;
    runOnModals(
        {{QStringLiteral("PrueflingDlg"), [](QWidget *w) { as<TPrueflingDlg>(w)->BtnNeuerKunde->click(); }},
         {QStringLiteral("NeuKundeDlg"),
          [](QWidget *w) {
              auto *d = as<TNeuKundeDlg>(w);
              QTest::keyClicks(d->Kunde.Name1, QStringLiteral("Elektro O'Hara"));
              QTest::keyClicks(d->Kunde.LKZ, QStringLiteral("de"));
              d->grab().save(gt_test::buildDir() + QStringLiteral("/tests/app/neukunde.png"));
              d->BtnOK->click();
          }},
         {QStringLiteral("NeuPrueflingDlg"),
          [&](QWidget *w) {
              auto *d = as<TNeuPrueflingDlg>(w);
              barcodeOffered = d->Geraet.Barcode->text();
              customerOffered = d->KundenNr();
              QTest::keyClicks(d->Geraet.Bezeichnung, QStringLiteral("Bohrmaschine"));
              d->grab().save(gt_test::buildDir() + QStringLiteral("/tests/app/neupruefling.png"));
              d->BtnOK->click();
          }},
         {QStringLiteral("PrueflingDlg"), [](QWidget *w) {
              w->grab().save(gt_test::buildDir() + QStringLiteral("/tests/app/pruefling.png"));
              as<TPrueflingDlg>(w)->BtnOK->click();
          }}});
    abruf->BtnPruefling->click();

    EXPECT_EQ(barcodeOffered, QStringLiteral("4242"));
    EXPECT_EQ(customerOffered, 2);
    EXPECT_EQ(db->count(QStringLiteral("tblKunden"),
                        QStringLiteral("KDstrName1 = 'Elektro O''Hara' AND KDstrLKZ = 'DE'")),
              1);
    EXPECT_EQ(
        db->count(QStringLiteral("tblPruefling"),
                  QStringLiteral("PLintPrueflingNr = 2 AND PLintKundenNr = 2 AND PLstrBarcode = '4242'")),
        1);
    EXPECT_EQ(cell(1, 2), QStringLiteral("ja"));
    EXPECT_EQ(pruefling->SelectedDeviceNr(), 2);
    EXPECT_EQ(pruefling->SelectedBarcode(), QStringLiteral("4242"));
}

TEST_F(EntryDialogs, CustomerGoesAgainWhenItsDeviceIsCancelled)
{
    db->addCustomer(1, QStringLiteral("Alt"));
    db->addDevice(1, 1, QStringLiteral("Alt-Gerät"));
    runOnModals(
        {{QStringLiteral("NeuKundeDlg"),
          [](QWidget *w) {
              QTest::keyClicks(as<TNeuKundeDlg>(w)->Kunde.Name1, QStringLiteral("Neu"));
              as<TNeuKundeDlg>(w)->BtnOK->click();
          }},
         {QStringLiteral("NeuPrueflingDlg"),
          [](QWidget *w) { as<TNeuPrueflingDlg>(w)->BtnAbbrechen->click(); }},
         {QStringLiteral("PrueflingDlg"), [](QWidget *w) { as<TPrueflingDlg>(w)->BtnAbbrechen->click(); }}});
    runOnModals(
        {{QStringLiteral("PrueflingDlg"), [](QWidget *w) { as<TPrueflingDlg>(w)->BtnNeuerKunde->click(); }}});
    pruefling->exec();
    EXPECT_EQ(db->count(QStringLiteral("tblKunden")), 1);
    EXPECT_EQ(db->count(QStringLiteral("tblPruefling")), 1);
}

// When the customer cannot be removed again, the user is told it stayed.
TEST_F(EntryDialogs, CustomerThatCannotGoAgainIsReported)
{
    db->addCustomer(1, QStringLiteral("Alt"));
    db->addDevice(1, 1, QStringLiteral("Alt-Gerät"));
    runOnModals({{QStringLiteral("NeuKundeDlg"),
                  [](QWidget *w) {
                      QTest::keyClicks(as<TNeuKundeDlg>(w)->Kunde.Name1, QStringLiteral("Neu"));
                      as<TNeuKundeDlg>(w)->BtnOK->click();
                  }},
                 {QStringLiteral("NeuPrueflingDlg"), [this](QWidget *w) {
                      db->exec(QStringLiteral("ALTER TABLE tblSichtpruefung RENAME TO tblSichtpruefungWeg"));
                      as<TNeuPrueflingDlg>(w)->BtnAbbrechen->click();
                  }}});
    kunde->exec();
    db->exec(QStringLiteral("ALTER TABLE tblSichtpruefungWeg RENAME TO tblSichtpruefung"));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(
        asked.first().startsWith(QStringLiteral("Der Kunde „Neu“ ist ohne Prüfling gespeichert geblieben")))
        << asked.first().toStdString();
    EXPECT_EQ(db->count(QStringLiteral("tblKunden")), 2);
}

TEST_F(EntryDialogs, DuplicateBarcodeKeepsTheNewDeviceDialogOpen)
{
    db->addCustomer(1, QStringLiteral("K"));
    db->addDevice(1, 1, QStringLiteral("A"), QStringLiteral("99"));
    db->addDevice(2, 1, QStringLiteral("B"));
    bool stayedOpen = false;
    runOnModals({{QStringLiteral("NeuPrueflingDlg"), [&](QWidget *w) {
                      auto *d = as<TNeuPrueflingDlg>(w);
                      QTest::keyClicks(d->Geraet.Barcode, QStringLiteral("99"));
                      d->BtnOK->click();
                      stayedOpen = d->isVisible();
                      // Without barcode a second device is fine.
                      d->Geraet.Barcode->clear();
                      d->BtnOK->click();
                  }}});
    pruefling->show();
    pruefling->BtnNeuerPruefling->click();
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(asked, QStringList{TNeuPrueflingDlg::MsgBarcodeVergeben});
    EXPECT_EQ(db->count(QStringLiteral("tblPruefling")), 3);
    EXPECT_EQ(db->count(QStringLiteral("tblPruefling"),
                        QStringLiteral("PLintPrueflingNr = 3 AND PLintKundenNr = 1")),
              1);
    // The list stands on the new device.
    EXPECT_EQ(pruefling->CurrentRow(), 2);
}

// The number shown while typing is a proposal: another workstation storing a
// device meanwhile does not make saving fail, the device takes the next key.
TEST_F(EntryDialogs, NewDeviceTakesItsKeyWhenSaved)
{
    db->addCustomer(1, QStringLiteral("K"));
    db->addDevice(1, 1, QStringLiteral("A"));
    int proposed = 0, got = 0;
    runOnModals({{QStringLiteral("NeuPrueflingDlg"), [&](QWidget *w) {
                      auto *d = as<TNeuPrueflingDlg>(w);
                      proposed = d->PrueflingNr();
                      db->addDevice(2, 1, QStringLiteral("Fremd"));
                      QTest::keyClicks(d->Geraet.Bezeichnung, QStringLiteral("Leiter"));
                      d->BtnOK->click();
                      got = d->PrueflingNr();
                  }}});
    pruefling->show();
    pruefling->BtnNeuerPruefling->click();
    EXPECT_EQ(proposed, 2);
    EXPECT_EQ(got, 3);
    EXPECT_TRUE(asked.isEmpty()) << asked.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(db->count(QStringLiteral("tblPruefling"),
                        QStringLiteral("PLintPrueflingNr = 3 AND PLstrBezeichnung = 'Leiter'")),
              1);
}

TEST_F(EntryDialogs, SelectionStartsOnThePreselectedOrTheNewestDevice)
{
    pruefling->show();
    pruefling->hide();
    EXPECT_EQ(pruefling->SelectedDeviceNr(), 0);
    EXPECT_EQ(pruefling->SelectedBarcode(), QString());
    EXPECT_FALSE(pruefling->BtnNeuerPruefling->isEnabled());

    db->addCustomer(1, QStringLiteral("K"));
    db->addDevice(1, 1, QStringLiteral("A"), QStringLiteral("10"));
    db->addDevice(2, 1, QStringLiteral("B"), QStringLiteral("20"));
    db->addDevice(3, 1, QStringLiteral("C"), QStringLiteral("30"));
    pruefling->setSelectedDeviceNr(2);
    pruefling->show();
    EXPECT_EQ(pruefling->CurrentRow(), 1);
    EXPECT_EQ(pruefling->Geraet.Bezeichnung->text(), QStringLiteral("B"));
    EXPECT_EQ(pruefling->Kunde.Name1->text(), QStringLiteral("K"));
    pruefling->hide();
    EXPECT_EQ(pruefling->SelectedBarcode(), QStringLiteral("20"));
    pruefling->setSelectedDeviceNr(77);
    pruefling->show();
    EXPECT_EQ(pruefling->CurrentRow(), 2);
    pruefling->hide();
}

TEST_F(EntryDialogs, HandChosenDeviceWithoutBarcodeStaysOnARowWithoutBarcode)
{
    db->addCustomer(1, QStringLiteral("K"));
    db->addDevice(1, 1, QStringLiteral("ohne Barcode"));
    db->addDevice(2, 1, QStringLiteral("mit"), QStringLiteral("5"));
    stage(1, QString());
    abruf->show();
    pruefling->setSelectedDeviceNr(1);
    runOnModals({{QStringLiteral("PrueflingDlg"), [](QWidget *w) {
                      auto *d = as<TPrueflingDlg>(w);
                      d->DeviceGrid->setCurrentIndex(d->Model()->index(0, 0));
                      d->BtnOK->click();
                  }}});
    abruf->BtnPruefling->click();
    EXPECT_EQ(cell(0, 2), QStringLiteral("ja"));
    abruf->hide();
    abruf->show(); // and it stays so when the list comes back
    EXPECT_EQ(cell(0, 2), QStringLiteral("ja"));
}

TEST_F(EntryDialogs, DeviceChoiceKeepsTheTestersBarcodeUnlessTheDeviceHasOne)
{
    stage(1, QStringLiteral("4711"));
    abruf->show();
    // OK on an empty list chooses nothing.
    runOnModals({{QStringLiteral("PrueflingDlg"), [](QWidget *w) { as<TPrueflingDlg>(w)->BtnOK->click(); }}});
    abruf->BtnPruefling->click();
    EXPECT_EQ(cell(0, 1), QStringLiteral("4711"));
    EXPECT_EQ(db->count(QStringLiteral("tblUebernahme"), QStringLiteral("UNstrBarcode = '4711'")), 1);

    db->addCustomer(1, QStringLiteral("K"));
    db->addDevice(1, 1, QStringLiteral("ohne Barcode"));
    db->addDevice(2, 1, QStringLiteral("mit"), QStringLiteral("5"));
    auto choose = [](int row) {
        runOnModals({{QStringLiteral("PrueflingDlg"), [row](QWidget *w) {
                          auto *d = as<TPrueflingDlg>(w);
                          d->DeviceGrid->setCurrentIndex(d->Model()->index(row, 0));
                          d->BtnOK->click();
                      }}});
    };
    choose(0);
    abruf->BtnPruefling->click();
    EXPECT_EQ(db->count(QStringLiteral("tblUebernahme"),
                        QStringLiteral("UNstrBarcode = '4711' AND UNintPrueflingNr = 1")),
              1);
    abruf->hide();
    abruf->show(); // the hand choice survives the list coming back
    EXPECT_EQ(cell(0, 1), QStringLiteral("4711"));
    EXPECT_EQ(cell(0, 2), QStringLiteral("ja"));

    // A device with a barcode brings it along.
    choose(1);
    abruf->BtnPruefling->click();
    EXPECT_EQ(db->count(QStringLiteral("tblUebernahme"),
                        QStringLiteral("UNstrBarcode = '5' AND UNintPrueflingNr = 2")),
              1);
    // Now the row's barcode names device 2: a device without barcode cannot take it over silently.
    choose(0);
    abruf->BtnPruefling->click();
    EXPECT_EQ(asked.value(asked.size() - 1),
              TDatenabrufDlg::MsgBarcodeGehoertAnderemPruefling.arg(QStringLiteral("5")));
    EXPECT_EQ(db->count(QStringLiteral("tblUebernahme"),
                        QStringLiteral("UNstrBarcode = '5' AND UNintPrueflingNr = 2")),
              1);
}

// OK with every field empty: no nameless customer, the dialog stays open.
TEST_F(EntryDialogs, NewCustomerWithEveryFieldEmptyIsNotStored)
{
    bool stayedOpen = false;
    // Were the empty customer stored, the device dialog would come next.
    QTimer guard;
    guard.setInterval(10);
    QObject::connect(&guard, &QTimer::timeout, &guard, [] {
        if (auto *d = qobject_cast<TNeuPrueflingDlg *>(QApplication::activeModalWidget()))
            d->BtnAbbrechen->click();
    });
    guard.start();
    runOnModals({{QStringLiteral("NeuKundeDlg"), [&](QWidget *w) {
                      auto *d = as<TNeuKundeDlg>(w);
                      QTest::keyClicks(d->Kunde.Name1, QStringLiteral("   "));
                      d->BtnOK->click();
                      stayedOpen = d->isVisible();
                      d->BtnAbbrechen->click();
                  }}});
    kunde->exec();
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(asked, QStringList{TNeuKundeDlg::MsgKundeLeer});
    EXPECT_EQ(db->count(QStringLiteral("tblKunden")), 0);
}
