#include "StoreTestDb.h"
#include "store/CsvExport.h"
#include "store/Database.h"

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
    EXPECT_EQ(ReadFileBytes(file),
              QByteArray("\"PruefungsNr\";\"SichtprZl01\";\"SichtprZl02\";\"SichtprZl03\"\r\n"
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
