// The commands for scheduled use, run as the command table runs them, on a
// database named by a settings file of their own.

#include "StoreTestDb.h"
#include "app/cli/CliDue.h"
#include "app/cli/CliExportXlsx.h"
#include "app/cli/CliImportCsv.h"
#include "app/cli/CliLabels.h"
#include "app/cli/CliPdfArchive.h"
#include "store/CsvExport.h"
#include "support/ProgramIniScope.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

class CliExtras : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TTestDb>(TTestEngine::SQLite);
        ASSERT_TRUE(db->ok()) << db->error().toStdString();
        iniScope.useDatabase(db->connectionString());
        TIniFile(iniScope.path())
            .WriteInteger(QStringLiteral("Configuration"), QStringLiteral("ServiceInterv"), 365);
        db->addCustomer(1, QStringLiteral("Kunde: A/B"));
        db->addDevice(10, 1, QStringLiteral("Bohrer"), QStringLiteral("0612"));
        db->addDevice(11, 1, QStringLiteral("Lampe"));
        db->addTest(100, 10, QDateTime(QDate::currentDate().addDays(-400), QTime(9, 0)));
    }
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }

    QTemporaryDir dir;
    gt_test::TProgramIniScope iniScope;
    std::unique_ptr<TTestDb> db;
};

TEST_F(CliExtras, DueListOfOneCustomer)
{
    db->addCustomer(2, QStringLiteral("Praxis"));
    db->addDevice(20, 2, QStringLiteral("Monitor"));
    const QString p = QStringLiteral("geraetetester");
    EXPECT_EQ(RunDueCommand({p, QStringLiteral("--due"), path("k.csv"), QStringLiteral("--customer"),
                             QStringLiteral("2")}),
              0);
    const QStringList lines =
        DecodeWindows1252(ReadFileBytes(path("k.csv"))).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("\"Praxis\";\"Monitor\"")));
    // Customer 1: its two devices; a number that is no customer or no number refuses.
    EXPECT_EQ(RunDueCommand({p, QStringLiteral("--due"), path("k.csv"), QStringLiteral("--customer"),
                             QStringLiteral("1"), QStringLiteral("--days"), QStringLiteral("0")}),
              0);
    EXPECT_EQ(DecodeWindows1252(ReadFileBytes(path("k.csv"))).count(QStringLiteral("\r\n")), 3);
    EXPECT_EQ(RunDueCommand({p, QStringLiteral("--due"), path("k.csv"), QStringLiteral("--customer"),
                             QStringLiteral("9")}),
              1);
    EXPECT_EQ(RunDueCommand({p, QStringLiteral("--due"), path("k.csv"), QStringLiteral("--customer"),
                             QStringLiteral("zwei")}),
              1);
}

TEST_F(CliExtras, EveryCommandRunsAndRefusesBadValues)
{
    const QString p = QStringLiteral("geraetetester");
    EXPECT_EQ(RunDueCommand({p, QStringLiteral("--due"), path("f.csv")}), 0);
    const QStringList lines =
        DecodeWindows1252(ReadFileBytes(path("f.csv"))).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].contains(QStringLiteral("Lampe"))); // never tested first
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("\"-35\"")));
    EXPECT_EQ(RunDueCommand({p, QStringLiteral("--due"), path("f.csv"), QStringLiteral("--days"),
                             QStringLiteral("viele")}),
              1);
    EXPECT_EQ(RunDueCommand({p, QStringLiteral("--due"), path("f.xlsx")}), 0);
    EXPECT_TRUE(ReadFileBytes(path("f.xlsx")).startsWith("PK"));

    EXPECT_EQ(RunPdfArchiveCommand({p, QStringLiteral("--pdf-archive"), path("archiv")}), 0);
    EXPECT_TRUE(QFileInfo::exists(path("archiv") + QStringLiteral("/1 Kunde_ A_B/0612_") +
                                  QDate::currentDate().addDays(-400).toString(QStringLiteral("yyyy-MM-dd")) +
                                  QStringLiteral("_100.pdf")));
    EXPECT_EQ(RunPdfArchiveCommand({p, QStringLiteral("--pdf-archive"), path("archiv"),
                                    QStringLiteral("--since"), QStringLiteral("31.02.2025")}),
              1);

    EXPECT_EQ(RunLabelsCommand({p, QStringLiteral("--labels"), path("l.pdf"), QStringLiteral("--customer"),
                                QStringLiteral("1"), QStringLiteral("--position"), QStringLiteral("5")}),
              0);
    EXPECT_TRUE(ReadFileBytes(path("l.pdf")).startsWith("%PDF"));
    EXPECT_EQ(RunLabelsCommand({p, QStringLiteral("--labels"), path("l.pdf"), QStringLiteral("--position"),
                                QStringLiteral("25")}),
              1);
    EXPECT_EQ(RunLabelsCommand({p, QStringLiteral("--labels"), path("l.pdf"), QStringLiteral("--customer"),
                                QStringLiteral("9")}),
              1); // no devices

    EXPECT_EQ(RunXlsxExportCommand({p, QStringLiteral("--export-xlsx"), path("a.xlsx")}), 0);
    EXPECT_EQ(RunXlsxExportCommand({p, QStringLiteral("--export-xlsx"), path("a.xlsx"),
                                    QStringLiteral("--test"), QStringLiteral("999")}),
              1);

    QFile csv(path("in.csv"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write(
        "\"Name1\";\"Bezeichnung\";\"Barcode\";\"Datum\"\r\n\"Neu\";\"S\xE4ge\";\"77\";\"01.02.2025\"\r\n");
    csv.close();
    EXPECT_EQ(
        RunImportCsvCommand({p, QStringLiteral("--import-csv"), path("in.csv"), QStringLiteral("--dry-run")}),
        0);
    EXPECT_EQ(db->count(QStringLiteral("tblKunden")), 1);
    EXPECT_EQ(RunImportCsvCommand({p, QStringLiteral("--import-csv"), path("in.csv")}), 0);
    EXPECT_EQ(db->count(QStringLiteral("tblKunden")), 2);
    EXPECT_EQ(db->count(QStringLiteral("tblPruefung")), 2);
    EXPECT_EQ(RunImportCsvCommand({p, QStringLiteral("--import-csv"), path("fehlt.csv")}), 1);
}

// A customer's list: columns read as the options say, over what the window remembered.
TEST_F(CliExtras, ImportReadsAListWithItsOwnHeadersAsMapped)
{
    const QString p = QStringLiteral("geraetetester");
    QFile csv(path("kunde.csv"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("Firma;Ger\xE4t;Pr\xFC"
              "fdatum;Notizen\r\nNeu;S\xE4ge;01.02.2025;egal\r\n");
    csv.close();
    const QString file = path("kunde.csv");
    EXPECT_EQ(RunImportCsvCommand({p, QStringLiteral("--import-csv"), file}), 1); // no "Name1"
    EXPECT_EQ(RunImportCsvCommand({p, QStringLiteral("--import-csv"), file, QStringLiteral("--column"),
                                   QStringLiteral("Firma=Kundenname")}),
              2);
    // Remembered by the window: the device column.
    TIniFile(iniScope.path())
        .WriteString(QStringLiteral("ImportSpalten"), QStringLiteral("Gerät"), QStringLiteral("Bezeichnung"));
    EXPECT_EQ(RunImportCsvCommand({p, QStringLiteral("--import-csv"), file, QStringLiteral("--column"),
                                   QStringLiteral("Firma=Name1"), QStringLiteral("--column"),
                                   QStringLiteral("Prüfdatum=Datum")}),
              0);
    EXPECT_EQ(db->count(QStringLiteral("tblKunden"), QStringLiteral("KDstrName1 = 'Neu'")), 1);
    EXPECT_EQ(db->count(QStringLiteral("tblPruefling"), QStringLiteral("PLstrBezeichnung = 'Säge'")), 1);
    EXPECT_EQ(db->count(QStringLiteral("tblPruefung")), 2);
}

} // namespace

namespace {

TEST_F(CliExtras, LabelsForDueDevicesWithTheirOwnPrinterArea)
{
    const QString p = QStringLiteral("geraetetester");
    db->addCustomer(2, QStringLiteral("Frisch"));
    db->addDevice(20, 2, QStringLiteral("Neu geprüft"), QStringLiteral("200000"));
    db->addTest(200, 20, QDateTime(QDate::currentDate().addDays(-1), QTime(9, 0)));
    const auto run = [&](QStringList options) {
        return RunLabelsCommand(QStringList{p, QStringLiteral("--labels"), path("d.pdf")} + options);
    };
    EXPECT_EQ(run({"--due-within", "30", "--offset-x", "-2,5", "--offset-y", "1", "--margin", "8"}), 0);
    EXPECT_TRUE(ReadFileBytes(path("d.pdf")).startsWith("%PDF"));
    EXPECT_EQ(run({"--customer", "2", "--due-within", "30"}), 1); // nothing due
    EXPECT_EQ(run({"--customer", "2"}), 0);
    EXPECT_EQ(run({"--margin", "13"}), 1);
    EXPECT_EQ(run({"--offset-x", "links"}), 1);
    EXPECT_EQ(run({"--due-within", "-1"}), 1);
}

} // namespace
