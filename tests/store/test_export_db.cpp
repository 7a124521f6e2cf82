#include "StoreTestDb.h"
#include "serial/IniFile.h"
#include "store/CsvExport.h"
#include "store/Database.h"
#include "store/SqliteRows.h"
#include "store/TestRecord.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void fillTwoTests(const TTestDb &t)
{
    t.addCustomer(1, QStringLiteral("Müller & \"Söhne\""), QStringLiteral("Düsseldorf"));
    t.addCustomer(2, QStringLiteral("Ωmega 测试"), QStringLiteral("Zürich"));
    t.addDevice(10, 1, QStringLiteral("Bett; elektrisch"), QStringLiteral("1001"));
    t.addDevice(20, 2, QStringLiteral("Monitor"));
    t.addTest(100, 10, QDateTime(QDate(2026, 12, 7), QTime(23, 53, 6)), QStringLiteral("zwei\r\nZeilen"), 1);
    t.addTest(200, 20, QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5)), QStringLiteral("O'Neill"));
    t.addRow(100, 1, 10, 1);
    t.addRow(100, 2, 20, 0);
    t.addRow(100, 3, 30, -1);
}

TExportSwitches fewColumns()
{
    TExportSwitches sw;
    sw.Column.fill(false);
    for (TExportColumn c : {ecPruefungsNr, ecName1, ecKdOrt, ecBezeichnung, ecDatum, ecNotiz,
                            ecSchutzleiterwid, ecAbleitstrom, ecDINVDE})
        sw.set(c, true);
    return sw;
}

TEST_P(StoreDb, FullExportWritesHeaderAndOneLinePerTest)
{
    fillTwoTests(*t);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("alle.csv"));
    TExportSwitches sw = fewColumns();
    sw.SichtprZeilen = true; // never in the full export
    QString err;
    int n = 0;
    ASSERT_TRUE(ExportAllTests(t->db(), file, sw, &err, &n)) << err.toStdString();
    EXPECT_EQ(n, 2);
    const QByteArray bytes = readAll(file);
    const QString text = DecodeWindows1252(bytes);
    const QString header = QStringLiteral("\"PruefungsNr\";\"Name1\";\"KdOrt\";\"Bezeichnung\";\"Datum\";"
                                          "\"Schutzleiterwid\";\"Ableitstrom\";\"Notiz\";\"DINVDE\"\r\n");
    const QString line100 =
        QStringLiteral("\"100\";\"Müller & 'Söhne'\";\"Düsseldorf\";\"Bett; elektrisch\";"
                       "\"07.12.2026\";\"120\";\" --- \";\"zwei\r\nZeilen\";\"0751\"\r\n");
    const QString line200 =
        QStringLiteral("\"200\";\"?mega ??\";\"Zürich\";\"Monitor\";\"02.01.2025\";\"120\";"
                       "\" --- \";\"O'Neill\";\"0701\"\r\n");
    EXPECT_TRUE(text.startsWith(header)) << text.toStdString();
    EXPECT_TRUE(text.contains(line100)) << text.toStdString();
    EXPECT_TRUE(text.contains(line200)) << text.toStdString();
    EXPECT_EQ(text.size(), header.size() + line100.size() + line200.size());
    EXPECT_FALSE(text.contains(QStringLiteral("SichtprZl")));
    EXPECT_TRUE(bytes.contains("M\xFCller")); // Windows-1252, not UTF-8
}

// The full export reads SQLite through its own interface, everything else
// (a single test, the other engines) through Qt SQL: both must say the same,
// also for NULLs, numbers stored as text, odd characters and date forms.
TEST_P(StoreDb, FullExportSaysWhatEachTestLoadsAs)
{
    fillTwoTests(*t);
    t->addCustomer(3, QStringLiteral("=1+2 \U0001D11E \u0080"), QString());
    t->addDevice(30, 3, QStringLiteral("Gerät \"A\""));
    t->exec(QStringLiteral("INSERT INTO tblPruefung (PRintPruefungsNr, PRintPrueflingNr, PRdtmUebernahme, "
                           "PRintSchutzleiterwid, PRintIsolationswid, PRblnPruefungsergebnis, PRintDINVDE) "
                           "VALUES (300, 30, '1.2.2026 3:04', NULL, 1115, 1, 2)"));
    if (GetParam() == TTestEngine::SQLite) // SQLite keeps what it is given
        t->exec(QStringLiteral("INSERT INTO tblPruefung (PRintPruefungsNr, PRintPrueflingNr, "
                               "PRintIsolationswid, PRintAbleitstrom, PRblnPruefungsergebnis) "
                               "VALUES (301, 30, '205', 12.7, 't')"));
    // SQLite takes the direct way.
    EXPECT_EQ(TSqliteQuery::Handle(t->db()) != nullptr, GetParam() == TTestEngine::SQLite);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("alle.csv"));
    TExportSwitches all;
    all.Column.fill(true);
    QString err;
    int n = 0;
    ASSERT_TRUE(ExportAllTests(t->db(), file, all, &err, &n)) << err.toStdString();
    const QByteArray bytes = readAll(file);
    qsizetype expectedSize = EncodeWindows1252(BuildCsvHeader(TWerteSatz{}, all)).size() + 2;
    QList<int> tests = {100, 200, 300};
    if (GetParam() == TTestEngine::SQLite) tests << 301;
    ASSERT_EQ(n, tests.size());
    for (int nr : tests) {
        TWerteSatz w;
        ASSERT_TRUE(LoadTestRecord(t->db(), nr, false, w)) << nr;
        const QByteArray line = "\r\n" + EncodeWindows1252(BuildCsvLine(w, all)) + "\r\n";
        EXPECT_TRUE(bytes.contains(line)) << nr << "\n" << line.toStdString() << "\n" << bytes.toStdString();
        expectedSize += line.size() - 2;
    }
    EXPECT_EQ(bytes.size(), expectedSize);
}

TEST_P(StoreDb, SingleExportCarriesTheInspectionRowsWhenSwitchedOn)
{
    fillTwoTests(*t);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("eine.csv"));
    TExportSwitches sw;
    sw.Column.fill(false);
    sw.set(ecPruefungsNr, true);
    ASSERT_TRUE(ExportSingleTest(t->db(), 100, file, sw));
    EXPECT_EQ(readAll(file), QByteArray("\"PruefungsNr\"\r\n\"100\"\r\n"));
    sw.SichtprZeilen = true;
    ASSERT_TRUE(ExportSingleTest(t->db(), 100, file, sw));
    EXPECT_EQ(readAll(file), QByteArray("\"PruefungsNr\";\"SichtprZl01\";\"SichtprZl02\";\"SichtprZl03\"\r\n"
                                        "\"100\";\"ja\";\"nein\";\"---\"\r\n"));
    // A test without rows: no row columns.
    ASSERT_TRUE(ExportSingleTest(t->db(), 200, file, sw));
    EXPECT_EQ(readAll(file), QByteArray("\"PruefungsNr\"\r\n\"200\"\r\n"));
}

TEST_P(StoreDb, ExportOfAnEmptyDatabaseIsTheHeaderOnly)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("leer.csv"));
    int n = -1;
    ASSERT_TRUE(ExportAllTests(t->db(), file, fewColumns(), nullptr, &n));
    EXPECT_EQ(n, 0);
    EXPECT_EQ(readAll(file).count("\r\n"), 1);
}

TEST_P(StoreDb, FailedExportKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("alt.csv"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("alt");
    }
    QString err;
    EXPECT_FALSE(ExportSingleTest(t->db(), 4242, file, fewColumns(), &err));
    EXPECT_FALSE(err.isEmpty());
    EXPECT_EQ(readAll(file), QByteArray("alt"));

    const QString bad = dir.filePath(QStringLiteral("fehlt/x.csv"));
    EXPECT_FALSE(ExportAllTests(t->db(), bad, fewColumns(), &err));
    EXPECT_EQ(err, CannotCreateFileMessage(bad));
}

// The command line reads the program's own INI file (beside the test binary).
// One test for both engines, so no two cases write that file at once.
void commandLineOn(TTestEngine engine)
{
    SCOPED_TRACE(engine == TTestEngine::SQLite ? "SQLite" : "PostgreSQL");
    TTestDb t(engine);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    const QString iniPath = TIniFile::ProgramIniPath();
    QFile::remove(iniPath);
    {
        TIniFile ini(iniPath);
        ini.WriteString(QStringLiteral("DataBase"), QStringLiteral("ConnectionString"), t.connectionString());
        fewColumns().Write(ini);
    }
    fillTwoTests(t);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("cli.csv"));
    EXPECT_TRUE(IsCsvExportCommand({QStringLiteral("prog"), QStringLiteral("--export-csv"), file}));
    EXPECT_FALSE(IsCsvExportCommand({QStringLiteral("prog")}));
    EXPECT_EQ(RunCsvExportCommand({QStringLiteral("prog"), QStringLiteral("--export-csv"), file}), 0);
    EXPECT_EQ(readAll(file).count("\r\n\""), 2);
    EXPECT_EQ(RunCsvExportCommand(
                  {QStringLiteral("--export-csv"), file, QStringLiteral("--test"), QStringLiteral("200")}),
              0);
    EXPECT_TRUE(readAll(file).endsWith("\"O'Neill\";\"0701\"\r\n"));

    EXPECT_EQ(RunCsvExportCommand(
                  {QStringLiteral("--export-csv"), file, QStringLiteral("--test"), QStringLiteral("9")}),
              1);
    EXPECT_EQ(RunCsvExportCommand({QStringLiteral("--export-csv")}), 1);
    EXPECT_EQ(RunCsvExportCommand(
                  {QStringLiteral("--export-csv"), file, QStringLiteral("--test"), QStringLiteral("x")}),
              1);

    {
        TIniFile ini(iniPath);
        ini.WriteString(QStringLiteral("DataBase"), QStringLiteral("ConnectionString"),
                        QStringLiteral("Provider=SQLite;Data Source=/nirgends/VERIDA.db"));
    }
    const QString other = dir.filePath(QStringLiteral("x.csv"));
    EXPECT_EQ(RunCsvExportCommand({QStringLiteral("--export-csv"), other}), 1);
    EXPECT_FALSE(QFile::exists(other));
    QFile::remove(iniPath);
}

TEST(CommandLine, FullAndSingleExportAndErrorsOnBothEngines)
{
    commandLineOn(TTestEngine::SQLite);
    if (TTestDb::Available(TTestEngine::PostgreSQL)) commandLineOn(TTestEngine::PostgreSQL);
}

} // namespace
