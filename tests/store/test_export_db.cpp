#include "StoreTestDb.h"
#include "store/CsvExport.h"
#include "store/Database.h"
#include "store/SqliteRows.h"
#include "store/TestRecord.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

namespace {

TEST_P(StoreDb, FullExportWritesHeaderAndOneLinePerTest)
{
    FillTwoTests(*t);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("alle.csv"));
    TExportSwitches sw = FewExportColumns();
    sw.SichtprZeilen = true; // never in the full export
    QString err;
    int n = 0;
    ASSERT_TRUE(ExportAllTests(t->db(), file, sw, &err, &n)) << err.toStdString();
    EXPECT_EQ(n, 2);
    const QByteArray bytes = ReadFileBytes(file);
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
    FillTwoTests(*t);
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
    const QByteArray bytes = ReadFileBytes(file);
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
    FillTwoTests(*t);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("eine.csv"));
    TExportSwitches sw;
    sw.Column.fill(false);
    sw.set(ecPruefungsNr, true);
    ASSERT_TRUE(ExportSingleTest(t->db(), 100, file, sw));
    EXPECT_EQ(ReadFileBytes(file), QByteArray("\"PruefungsNr\"\r\n\"100\"\r\n"));
    sw.SichtprZeilen = true;
    ASSERT_TRUE(ExportSingleTest(t->db(), 100, file, sw));
    EXPECT_EQ(ReadFileBytes(file), QByteArray("\"PruefungsNr\";\"SichtprZl01\";\"SichtprZl02\";\"SichtprZl03\"\r\n"
                                        "\"100\";\"ja\";\"nein\";\"---\"\r\n"));
    // A test without rows: no row columns.
    ASSERT_TRUE(ExportSingleTest(t->db(), 200, file, sw));
    EXPECT_EQ(ReadFileBytes(file), QByteArray("\"PruefungsNr\"\r\n\"200\"\r\n"));
}

TEST_P(StoreDb, ExportOfAnEmptyDatabaseIsTheHeaderOnly)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("leer.csv"));
    int n = -1;
    ASSERT_TRUE(ExportAllTests(t->db(), file, FewExportColumns(), nullptr, &n));
    EXPECT_EQ(n, 0);
    EXPECT_EQ(ReadFileBytes(file).count("\r\n"), 1);
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
    EXPECT_FALSE(ExportSingleTest(t->db(), 4242, file, FewExportColumns(), &err));
    EXPECT_FALSE(err.isEmpty());
    EXPECT_EQ(ReadFileBytes(file), QByteArray("alt"));

    const QString bad = dir.filePath(QStringLiteral("fehlt/x.csv"));
    EXPECT_FALSE(ExportAllTests(t->db(), bad, FewExportColumns(), &err));
    EXPECT_EQ(err, CannotCreateFileMessage(bad));
}

} // namespace
