// The import window: the preview stores nothing, a refused line keeps the
// "Einlesen" button off, a clean file goes in once.

#include "../FakePrompt.h"
#include "StoreTestDb.h"
#include "app/extras/ImportDlg.h"

#include <QFile>
#include <QLabel>
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

INSTANTIATE_TEST_SUITE_P(Engines, ImportDialog,
                         ::testing::Values(TTestEngine::SQLite, TTestEngine::PostgreSQL), EngineName);

} // namespace
