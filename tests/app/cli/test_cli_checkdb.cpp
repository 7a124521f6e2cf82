// "--check-db" and "--upgrade-db" as a package's scripts and a workshop call
// them: the real program, its exit code and its German lines.

#include "ProgramRun.h"
#include "SqlitePages.h"
#include "StoreTestDb.h"
#include "store/Database.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

using gt_test::TProgramRun;

TProgramRun runProgram(const QString &connectionString, const QString &command)
{
    return gt_test::RunProgramOn(connectionString, {command});
}

QString folderOf(const TTestDb &t)
{
    return QFileInfo(ParseConnectionString(t.connectionString()).databaseName).absolutePath();
}

int backupsBeside(const TTestDb &t)
{
    return int(QDir(folderOf(t) + QStringLiteral("/Sicherung")).entryList(QDir::Files).size());
}

} // namespace

class CliDbCheck : public StoreDb {};

TEST_P(CliDbCheck, CheckDbSaysSoundOrNamesTheFaultAndUpgradeDbMendsIt)
{
    t->addCustomer(1, QStringLiteral("bleibt"));
    TProgramRun r = runProgram(t->connectionString(), QStringLiteral("--check-db"));
    EXPECT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("ist in Ordnung."))) << r.out.toStdString();

    t->exec(QStringLiteral("ALTER TABLE tblPruefung DROP COLUMN PRstrProtokollNr"));
    r = runProgram(t->connectionString(), QStringLiteral("--check-db"));
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Der Tabelle tblPruefung fehlt die Spalte PRstrProtokollNr.")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("--upgrade-db"))) << r.err.toStdString();
    EXPECT_FALSE(r.out.contains(QStringLiteral("in Ordnung"))) << r.out.toStdString();

    r = runProgram(t->connectionString(), QStringLiteral("--upgrade-db"));
    EXPECT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Spalte ergänzt: tblPruefung.PRstrProtokollNr.")))
        << r.out.toStdString();
    EXPECT_EQ(runProgram(t->connectionString(), QStringLiteral("--check-db")).rc, 0);
    EXPECT_EQ(t->count(QStringLiteral("tblKunden")), 1);

    // Up to date: nothing is changed and no further backup piles up.
    // (The server's copies are pg_dump's business.)
    const int backups = t->engine() == TTestEngine::SQLite ? 1 : 0;
    EXPECT_EQ(backupsBeside(*t), backups);
    r = runProgram(t->connectionString(), QStringLiteral("--upgrade-db"));
    EXPECT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("nichts geändert"))) << r.out.toStdString();
    EXPECT_EQ(backupsBeside(*t), backups);
}

// A damaged file is reported and never written into, not even by an upgrade.
TEST(CliCheckDb, ADamagedFileFailsTheCheckAndIsNotUpgraded)
{
    TTestDb t(TTestEngine::SQLite);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    for (int i = 1; i <= 50; ++i)
        t.addCustomer(i, QStringLiteral("Kunde %1").arg(i));
    const QString copy = folderOf(t) + QStringLiteral("/kopie.db");
    t.exec(QStringLiteral("VACUUM INTO %1").arg(SqlQuote(copy)));
    ASSERT_TRUE(gt_test::DamageSqliteTable(copy, QStringLiteral("tblKunden")));
    const QString cs = QStringLiteral("Provider=SQLite;Data Source=%1").arg(copy);

    TProgramRun r = runProgram(cs, QStringLiteral("--check-db"));
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("ist beschädigt"))) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    r = runProgram(cs, QStringLiteral("--upgrade-db"));
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("ist beschädigt"))) << r.err.toStdString();
    EXPECT_EQ(backupsBeside(t), 0);

    // A file that is not there is named, not made.
    const QString gone = folderOf(t) + QStringLiteral("/weg.db");
    r = runProgram(QStringLiteral("Provider=SQLite;Data Source=%1").arg(gone), QStringLiteral("--check-db"));
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("lässt sich nicht öffnen"))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(gone));
}

INSTANTIATE_TEST_SUITE_P(Engines, CliDbCheck, ::testing::Values(TTestEngine::SQLite, TTestEngine::PostgreSQL),
                         EngineName);
