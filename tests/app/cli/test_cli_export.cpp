#include "StoreTestDb.h"
#include "app/cli/CliExportCsv.h"
#include "core/IniFile.h"
#include "support/ProgramIniScope.h"
#include "support/RequireTool.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

// The command line reads the program's settings file, here one of the test's own.
// One test for both engines, so no two cases share that file at once.
void commandLineOn(TTestEngine engine)
{
    SCOPED_TRACE(engine == TTestEngine::SQLite ? "SQLite" : "PostgreSQL");
    TTestDb t(engine);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    const gt_test::TProgramIniScope iniScope;
    const QString &iniPath = iniScope.path();
    ASSERT_EQ(TIniFile::ProgramIniPath(), iniPath);
    iniScope.useDatabase(t.connectionString());
    {
        TIniFile ini(iniPath);
        FewExportColumns().Write(ini);
    }
    FillTwoTests(t);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("cli.csv"));
    EXPECT_EQ(RunCsvExportCommand({QStringLiteral("prog"), QStringLiteral("--export-csv"), file}), 0);
    EXPECT_EQ(ReadFileBytes(file).count("\r\n\""), 2);
    EXPECT_EQ(RunCsvExportCommand(
                  {QStringLiteral("--export-csv"), file, QStringLiteral("--test"), QStringLiteral("200")}),
              0);
    EXPECT_TRUE(ReadFileBytes(file).endsWith("\"O'Neill\";\"0701\"\r\n"));

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
}

TEST(CommandLine, FullAndSingleExportAndErrorsOnBothEngines)
{
    commandLineOn(TTestEngine::SQLite);
    if (!TTestDb::Available(TTestEngine::PostgreSQL))
        GT_SKIP_WITHOUT_TOOL("kein PostgreSQL-Server (GT_PG_HOST nicht gesetzt)");
    commandLineOn(TTestEngine::PostgreSQL);
}

} // namespace
