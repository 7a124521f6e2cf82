// The import window: the preview stores nothing, a refused line keeps the
// "Einlesen" button off, a clean file goes in once.

#include "../../support/ProgramIniScope.h"
#include "../../support/TestSupport.h"
#include "../FakePrompt.h"
#include "StoreTestDb.h"
#include "app/extras/ImportDlg.h"
#include "core/IniFile.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

namespace {

class ImportDialog : public StoreDb {};

QString WriteFile(const QTemporaryDir &dir, const char *name, const QByteArray &bytes)
{
    const QString path = dir.filePath(QLatin1String(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

// 20 000 lines: long enough that a run shows progress before it ends.
QString WriteLongList(const QTemporaryDir &dir)
{
    QByteArray bytes = "Name1;Bezeichnung;Datum\r\n";
    for (int i = 0; i < 20000; ++i)
        bytes += QStringLiteral("Kunde %1;Gerät %2;01.02.2025\r\n").arg(i % 40).arg(i).toLatin1();
    return WriteFile(dir, "viel.csv", bytes);
}

TEST_P(ImportDialog, PreviewThenImport)
{
    t->addCustomer(1, QStringLiteral("Meier"));
    QTemporaryDir dir;
    const QString bad =
        WriteFile(dir, "bad.csv",
                  "\"Name1\";\"Bezeichnung\";\"Datum\"\r\n\"Meier\";\"Bohrer\";\"01.02.2025\"\r\n"
                  "\"Schulz\";\"Säge\";\"gestern\"\r\n");
    const QString good = WriteFile(dir, "good.csv",
                                   "\"Name1\";\"Bezeichnung\";\"Datum\";\"Enables\"\r\n"
                                   "\"Meier\";\"Bohrer\";\"01.02.2025\";\"7\"\r\n"
                                   "\"Schulz\";\"S\xE4ge\";\"02.02.2025\";\"7\"\r\n");
    gt_app_test::TFakePrompt prompt;
    TImportDlg d;
    d.setDatabase(t->db());

    ASSERT_TRUE(d.LoadFile(bad));
    EXPECT_FALSE(d.BtnEinlesen->isEnabled());
    ASSERT_EQ(d.Vorschau->rowCount(), 2);
    EXPECT_EQ(d.Vorschau->item(0, 4)->text(), QStringLiteral("vorhanden"));
    EXPECT_EQ(d.Vorschau->item(1, 0)->text(), QStringLiteral("3"));
    EXPECT_TRUE(d.Vorschau->item(1, 7)->text().contains(QStringLiteral("gestern")));
    EXPECT_EQ(t->count(QStringLiteral("tblPruefling")), 0);

    ASSERT_TRUE(d.LoadFile(good));
    EXPECT_TRUE(d.BtnEinlesen->isEnabled());
    EXPECT_TRUE(d.Zusammenfassung->text().contains(QStringLiteral("Enables")));
    EXPECT_EQ(d.Vorschau->item(1, 2)->text(), QStringLiteral("Säge"));
    if (qEnvironmentVariableIsSet("GT_SCREENSHOT_DIR")) {
        d.show();
        d.grab().save(qEnvironmentVariable("GT_SCREENSHOT_DIR") + QStringLiteral("/import.png"));
    }
    EXPECT_TRUE(d.ImportClick());
    EXPECT_EQ(prompt.told(QMessageBox::Information).size(), 1);
    EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 2);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 2);
    EXPECT_FALSE(d.BtnEinlesen->isEnabled());

    // The same file again: everything is there, nothing to store.
    ASSERT_TRUE(d.LoadFile(good));
    EXPECT_FALSE(d.BtnEinlesen->isEnabled());
    EXPECT_EQ(d.Vorschau->item(0, 6)->text(), QStringLiteral("schon vorhanden"));
    const QStringList errors = prompt.told(QMessageBox::Warning);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
}

TEST_P(ImportDialog, ABarcodeOfAnotherCustomersDeviceShowsAsConflict)
{
    t->addCustomer(1, QStringLiteral("Müller"));
    t->addDevice(10, 1, QStringLiteral("Kaffeemaschine"), QStringLiteral("4711"));
    QTemporaryDir dir;
    const QString file = WriteFile(dir, "fremd.csv",
                                   "\"Name1\";\"Bezeichnung\";\"Barcode\";\"Datum\"\r\n"
                                   "\"Elektro Kaiser\";\"Kaffeemaschine\";\"4711\";\"01.02.2025\"\r\n");
    gt_app_test::TFakePrompt prompt;
    TImportDlg d;
    d.setDatabase(t->db());
    ASSERT_TRUE(d.LoadFile(file));
    EXPECT_FALSE(d.BtnEinlesen->isEnabled());
    ASSERT_EQ(d.Vorschau->rowCount(), 1);
    EXPECT_EQ(d.Vorschau->item(0, 0)->text(), QStringLiteral("2"));
    EXPECT_EQ(d.Vorschau->item(0, 5)->text(), QStringLiteral("Konflikt"));
    EXPECT_TRUE(d.Vorschau->item(0, 7)->text().contains(QStringLiteral("Müller")));
    EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 1);
}

TEST_P(ImportDialog, TheColumnsOfACustomersListAreChosenOnceAndRemembered)
{
    gt_test::TProgramIniScope ini;
    QTemporaryDir dir;
    const QString file = WriteFile(
        dir, "kunde.csv", "Firma;Gerät;Prüfdatum\r\nMeier;Bohrer;01.02.2025\r\nMeier;Säge;01.02.2025\r\n");
    gt_app_test::TFakePrompt prompt;
    TImportDlg d;
    d.setDatabase(t->db());
    EXPECT_FALSE(d.LoadFile(file)); // no "Name1": the columns are offered for choosing
    ASSERT_EQ(d.Zuordnung->rowCount(), 3);
    EXPECT_EQ(d.Zuordnung->item(1, 0)->text(), QStringLiteral("Gerät"));
    auto *box = qobject_cast<QComboBox *>(d.Zuordnung->cellWidget(0, 1));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->currentIndex(), 0); // "(nicht einlesen)"
    EXPECT_FALSE(d.MapColumn(QStringLiteral("Firma"), QStringLiteral("Name1")));
    // Customer and device are enough for a preview, without tests yet.
    ASSERT_TRUE(d.MapColumn(QStringLiteral("Gerät"), QStringLiteral("Bezeichnung")));
    EXPECT_TRUE(d.Vorschau->item(0, 6)->text().isEmpty());
    ASSERT_TRUE(d.MapColumn(QStringLiteral("Prüfdatum"), QStringLiteral("Datum")));
    EXPECT_TRUE(d.BtnEinlesen->isEnabled());
    box = qobject_cast<QComboBox *>(d.Zuordnung->cellWidget(1, 1));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->currentText(), QStringLiteral("Bezeichnung"));
    EXPECT_EQ(TIniFile(ini.path()).ReadString(QStringLiteral("ImportSpalten"), QStringLiteral("Firma"), {}),
              QStringLiteral("Name1"));

    // The next list with the same headers is read as chosen before.
    TImportDlg again;
    again.setDatabase(t->db());
    ASSERT_TRUE(again.LoadFile(file));
    ASSERT_EQ(again.Vorschau->rowCount(), 2);
    EXPECT_EQ(again.Vorschau->item(1, 2)->text(), QStringLiteral("Säge"));
    EXPECT_TRUE(again.ImportClick());
    EXPECT_EQ(t->count(QStringLiteral("tblPruefling")), 2);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 2);
}

TEST_P(ImportDialog, AbbrechenWhileStoringStoresNothing)
{
    QTemporaryDir dir;
    const QString file = WriteLongList(dir);
    gt_app_test::TFakePrompt prompt;
    TImportDlg d;
    d.setDatabase(t->db());
    ASSERT_TRUE(d.LoadFile(file));
    EXPECT_FALSE(d.Fortschritt->isVisible());
    // The first progress shown while storing is answered with "Abbrechen".
    bool clicked = false;
    QObject::connect(d.Fortschritt, &QProgressBar::valueChanged, &d, [&](int v) {
        if (v > 0 && !clicked && d.BtnAbbrechen->isEnabled()) {
            clicked = true;
            d.BtnAbbrechen->click();
        }
    });
    EXPECT_FALSE(d.ImportClick());
    EXPECT_TRUE(clicked);
    const QStringList warned = prompt.told(QMessageBox::Warning);
    ASSERT_EQ(warned.size(), 1);
    EXPECT_TRUE(warned[0].contains(QStringLiteral("Abgebrochen"))) << warned[0].toStdString();
    // The summary line no longer shows the counts of the run that stored nothing.
    EXPECT_TRUE(d.Zusammenfassung->text().contains(QStringLiteral("Abgebrochen")));
    EXPECT_FALSE(d.Zusammenfassung->text().contains(QStringLiteral("Kunden")))
        << d.Zusammenfassung->text().toStdString();
    EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 0);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 0);
    EXPECT_TRUE(d.BtnSchliessen->isEnabled());
}

// Closing the window while the file is stored cancels the run and then
// closes the window, without a box about the cancel the user asked for.
TEST_P(ImportDialog, ClosingWhileStoringStoresNothingAndClosesTheWindow)
{
    QTemporaryDir dir;
    const QString file = WriteLongList(dir);
    gt_app_test::TFakePrompt prompt;
    TImportDlg d;
    d.setDatabase(t->db());
    d.show();
    ASSERT_TRUE(d.LoadFile(file));
    bool closed = false;
    QObject::connect(d.Fortschritt, &QProgressBar::valueChanged, &d, [&](int v) {
        if (v > 0 && !closed) {
            closed = true;
            d.close(); // the window's close button
        }
    });
    EXPECT_FALSE(d.ImportClick());
    EXPECT_TRUE(closed);
    EXPECT_TRUE(prompt.told(QMessageBox::Warning).isEmpty());
    ASSERT_TRUE(gt_test::waitFor([&] { return !d.isVisible(); }));
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 0);
}

// A second click on "Einlesen" while the file is being stored (the button
// sits right under the mouse) must not start the same import a second time.
TEST_P(ImportDialog, EinlesenClickedAgainWhileStoringStartsNothing)
{
    QTemporaryDir dir;
    const QString file = WriteLongList(dir);
    gt_app_test::TFakePrompt prompt;
    TImportDlg d;
    d.setDatabase(t->db());
    ASSERT_TRUE(d.LoadFile(file));
    bool clicked = false, enabledWhileStoring = true;
    QObject::connect(d.Fortschritt, &QProgressBar::valueChanged, &d, [&](int v) {
        if (v > 0 && !clicked) {
            clicked = true;
            enabledWhileStoring = d.BtnEinlesen->isEnabled();
            d.BtnEinlesen->click();
        }
    });
    EXPECT_TRUE(d.ImportClick());
    EXPECT_TRUE(clicked);
    EXPECT_FALSE(enabledWhileStoring);
    EXPECT_TRUE(prompt.told(QMessageBox::Warning).isEmpty())
        << prompt.told(QMessageBox::Warning).join(u'|').toStdString();
    const QStringList told = prompt.told(QMessageBox::Information);
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(QStringLiteral("Kunden 40 neu"))) << told[0].toStdString();
    EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 40);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefling")), 20000);
}

INSTANTIATE_TEST_SUITE_P(Engines, ImportDialog,
                         ::testing::Values(TTestEngine::SQLite, TTestEngine::PostgreSQL), EngineName);

} // namespace
