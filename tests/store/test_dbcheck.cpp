// The database check and the upgrade of an older schema: what is found, what
// the user is told, and that an upgrade keeps the rows and never runs
// without its backup.

#include "SqlitePages.h"
#include "StoreTestDb.h"
#include "core/ProgramPaths.h"
#include "store/Database.h"
#include "store/DatabaseCheck.h"
#include "store/InitDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <latch>
#include <thread>

namespace {

// Restores the program's backup hooks when a test has replaced them.
struct THooksScope {
    TBackupHooks saved = BackupHooks();
    ~THooksScope() { BackupHooks() = saved; }
};

QString fileOf(const TTestDb &t)
{
    return ParseConnectionString(t.connectionString()).databaseName;
}

// Enough rows that the tables span many pages.
void fillPages(const TTestDb &t)
{
    t.addCustomer(1, QStringLiteral("Klinikum"));
    t.addDevice(1, 1, QStringLiteral("Pflegebett"));
    t.exec(QStringLiteral("BEGIN"));
    for (int i = 1; i <= 150; ++i)
        t.addTest(i, 1, QDateTime(QDate(2025, 1, 1), QTime(8, 0)), QString(60, QLatin1Char('n')));
    t.exec(QStringLiteral("COMMIT"));
}

QStringList columnsOf(const QSqlDatabase &db, const QString &table)
{
    QStringList names;
    const QSqlRecord rec = db.record(DatabaseEngine(db) == TDbEngine::PostgreSQL ? table.toLower() : table);
    for (int i = 0; i < rec.count(); ++i)
        names << rec.fieldName(i).toLower();
    return names;
}

} // namespace

TEST_P(StoreDb, ASoundDatabasePassesTheFullCheck)
{
    FillTwoTests(*t);
    const TConnectionInfo info = ParseConnectionString(t->connectionString());
    const TDatabaseCheck c = CheckDatabase(info, TCheckDepth::Full);
    EXPECT_TRUE(c.ok()) << DatabaseCheckReport(c, info).join(u'\n').toStdString();
    EXPECT_TRUE(DatabaseCheckReport(c, info).isEmpty());
}

// A column and a bookkeeping table missing, as a file of an earlier version
// has them: named, then added with a backup of the old state first.
TEST_P(StoreDb, AnOlderSchemaIsNamedAndUpgradedAfterABackupKeepingTheRows)
{
    FillTwoTests(*t);
    t->exec(QStringLiteral("ALTER TABLE tblPruefung DROP COLUMN PRintGrwDifferenzstrom"));
    t->exec(QStringLiteral("DROP TABLE tblAbrufSatz"));
    const TConnectionInfo info = ParseConnectionString(t->connectionString());
    const TDatabaseCheck before = CheckDatabase(info, TCheckDepth::Full);
    EXPECT_FALSE(before.ok());
    const QString report = DatabaseCheckReport(before, info).join(u'\n');
    EXPECT_TRUE(
        report.contains(QStringLiteral("Der Tabelle tblPruefung fehlt die Spalte PRintGrwDifferenzstrom.")))
        << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("Der Datenbank fehlt die Tabelle tblAbrufSatz.")))
        << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("geraetetester --upgrade-db"))) << report.toStdString();

    const TUpgradeResult r = UpgradeDatabase(info);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_TRUE(r.messages.join(u'\n').contains(
        QStringLiteral("Spalte ergänzt: tblPruefung.PRintGrwDifferenzstrom.")));
    EXPECT_TRUE(CheckDatabase(info, TCheckDepth::Full).ok());
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 2);
    EXPECT_EQ(t->count(QStringLiteral("tblAbrufSatz")), 0);
    EXPECT_TRUE(
        columnsOf(t->db(), QStringLiteral("tblPruefung")).contains(QStringLiteral("printgrwdifferenzstrom")));
    if (t->engine() == TTestEngine::PostgreSQL) return;

    // The backup holds the state before: the rows, and not yet the column.
    ASSERT_FALSE(r.backupFile.isEmpty());
    EXPECT_EQ(QFileInfo(r.backupFile).absolutePath(),
              QFileInfo(fileOf(*t)).absoluteDir().filePath(QStringLiteral("Sicherung")));
    TConnectionInfo copy = info;
    copy.databaseName = r.backupFile;
    const TDatabaseCheck old = CheckDatabase(copy, TCheckDepth::Full);
    EXPECT_TRUE(old.damage.isEmpty());
    EXPECT_TRUE(old.plan.reasons.join(u'\n').contains(QStringLiteral("PRintGrwDifferenzstrom")));
}

// The date triggers of an earlier version stored other date forms as they came.
TEST(DatabaseCheckSqlite, OldDateTriggersAreFoundAndReplaced)
{
    TTestDb t(TTestEngine::SQLite);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    t.exec(QStringLiteral("DROP TRIGGER trPruefungDatumFormIns"));
    t.exec(QStringLiteral("CREATE TRIGGER trPruefungDatumIns AFTER INSERT ON tblPruefung BEGIN "
                          "UPDATE tblPruefung SET PRdtmUebernahme = PRdtmUebernahme WHERE 0; END"));
    const TConnectionInfo info = ParseConnectionString(t.connectionString());
    const QString reasons = CheckDatabase(info, TCheckDepth::Start).plan.reasons.join(u'\n');
    EXPECT_TRUE(reasons.contains(QStringLiteral("Es fehlen die Trigger trPruefungDatumFormIns.")))
        << reasons.toStdString();
    EXPECT_TRUE(
        reasons.contains(QStringLiteral("Die veralteten Trigger trPruefungDatumIns sind noch vorhanden.")))
        << reasons.toStdString();
    ASSERT_TRUE(UpgradeDatabase(info).ok);
    EXPECT_TRUE(CheckDatabase(info, TCheckDepth::Start).ok());
    t.exec(QStringLiteral(
        "INSERT INTO tblPruefung (PRintPruefungsNr, PRdtmUebernahme) VALUES (1, '7.3.2025 9:05')"));
    QSqlQuery q(t.db());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT PRdtmUebernahme FROM tblPruefung")) && q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("2025-03-07 09:05:00"));
}

// Two workstations answering "Ja" at the same moment: the second waits for
// the first and finds nothing left to add, instead of failing on the column
// the first has just added.
TEST(DatabaseCheckSqlite, TwoUpgradesAtOnceBothSucceed)
{
    TTestDb t(TTestEngine::SQLite);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    const TConnectionInfo info = ParseConnectionString(t.connectionString());
    t.exec(QStringLiteral("ALTER TABLE tblKunden DROP COLUMN KDstrFax"));
    t.exec(QStringLiteral("ALTER TABLE tblPruefung DROP COLUMN PRintGrwDifferenzstrom"));
    std::latch start(2);
    TInitDbResult results[2];
    auto upgrade = [&](int i) {
        start.arrive_and_wait();
        results[i] = InitializeDatabase(info);
    };
    std::thread a(upgrade, 0);
    std::thread b(upgrade, 1);
    a.join();
    b.join();
    for (const TInitDbResult &r : results)
        EXPECT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_TRUE(CheckDatabase(info, TCheckDepth::Start).ok());
}

// The server enforces widths; every column narrower than the script's is found, not only the barcode.
TEST_P(StoreDb, NarrowServerColumnsAreFoundAndWidened)
{
    if (t->engine() != TTestEngine::PostgreSQL) GTEST_SKIP() << "SQLite setzt keine Spaltenbreiten durch";
    t->exec(QStringLiteral("ALTER TABLE tblUebernahme ALTER COLUMN UNstrBarcode TYPE VARCHAR(15)"));
    t->exec(QStringLiteral("ALTER TABLE tblKunden ALTER COLUMN KDstrOrt TYPE VARCHAR(20)"));
    const TConnectionInfo info = ParseConnectionString(t->connectionString());
    const QString report = DatabaseCheckReport(CheckDatabase(info, TCheckDepth::Full), info).join(u'\n');
    EXPECT_TRUE(report.contains(
        QStringLiteral("Die Spalte tblUebernahme.UNstrBarcode ist nur 15 Zeichen breit, nötig sind 16.")))
        << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("tblKunden.KDstrOrt ist nur 20 Zeichen breit")))
        << report.toStdString();
    // The upgrade makes no copy on a server: the advice must not promise one.
    EXPECT_TRUE(report.contains(QStringLiteral("pg_dump"))) << report.toStdString();
    EXPECT_FALSE(report.contains(QStringLiteral("vorher wird eine Sicherung angelegt")))
        << report.toStdString();
    ASSERT_TRUE(UpgradeDatabase(info).ok);
    EXPECT_TRUE(CheckDatabase(info, TCheckDepth::Full).ok());
    t->addCustomer(1, QStringLiteral("Ort"), QString(50, QLatin1Char('o')));
}

// A table a later version adds to the script is found without a list of names.
TEST(DatabaseCheck, ATableAddedToTheScriptIsFoundWithoutBeingNamed)
{
    TTestDb t(TTestEngine::SQLite);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    const QString script =
        SchemaScriptFor(TDbEngine::SQLite) +
        QStringLiteral("\nCREATE TABLE IF NOT EXISTS tblSpaeter (\n  SPintNr INTEGER,\n  SPstrText "
                       "VARCHAR(20)\n);\n");
    const TSchemaUpgradePlan plan = PlanSchemaUpgrade(t.db(), TDbEngine::SQLite, script);
    EXPECT_EQ(plan.missingTables, QStringList{QStringLiteral("tblSpaeter")});
    EXPECT_TRUE(plan.statements.isEmpty()); // the script itself creates it
    EXPECT_FALSE(PlanSchemaUpgrade(t.db()).needed());
}

TEST(DatabaseCheckSqlite, AnOverwrittenPageIsFoundAndTheNewestBackupNamed)
{
    THooksScope hooks;
    TTestDb t(TTestEngine::SQLite);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    fillPages(t);
    // A copy of its own, written whole: no log beside it holds the pages instead.
    const QString file = QFileInfo(fileOf(t)).absoluteDir().filePath(QStringLiteral("kopie.db"));
    t.exec(QStringLiteral("VACUUM INTO %1").arg(SqlQuote(file)));
    const QString backup =
        QFileInfo(file).absoluteDir().filePath(QStringLiteral("Sicherung/VERIDA-2026-12-09.db"));
    BackupHooks().newestBackup = [&](const QString &db) { return db == file ? backup : QString(); };
    // The tests' table: the catalogue stays readable, SQLite's own check finds the page.
    ASSERT_TRUE(gt_test::DamageSqliteTable(file, QStringLiteral("tblPruefung")));

    TConnectionInfo info = ParseConnectionString(t.connectionString());
    info.databaseName = file;
    for (const TCheckDepth depth : {TCheckDepth::Start, TCheckDepth::Full}) {
        const TDatabaseCheck c = CheckDatabase(info, depth);
        EXPECT_TRUE(c.openError.isEmpty()) << c.openError.toStdString();
        EXPECT_TRUE(c.damage.join(u'\n').contains(QStringLiteral("page"), Qt::CaseInsensitive))
            << c.damage.join(u'\n').toStdString();
        const QString report = DatabaseCheckReport(c, info).join(u'\n');
        EXPECT_TRUE(report.contains(QStringLiteral("ist beschädigt"))) << report.toStdString();
        EXPECT_TRUE(report.contains(QDir::toNativeSeparators(backup))) << report.toStdString();
        EXPECT_TRUE(DamageReport(c, info).contains(QDir::toNativeSeparators(backup)));
        // Pasted into a shell as it stands, the command finds the file.
        EXPECT_TRUE(report.contains(QStringLiteral("--restore '%1')").arg(QDir::toNativeSeparators(backup))))
            << report.toStdString();
    }
    // Run with other settings, the pasted call names them: without, it would
    // restore over the database of the usual settings.
    const QString otherIni = QFileInfo(file).absoluteDir().filePath(QStringLiteral("Werkstatt B.ini"));
    SetProgramIniOverride(otherIni);
    const QString withIni = DamageReport(CheckDatabase(info, TCheckDepth::Start), info);
    SetProgramIniOverride(QString());
    EXPECT_TRUE(
        withIni.contains(QStringLiteral("geraetetester --ini '%1' --restore '%2'")
                             .arg(QDir::toNativeSeparators(otherIni), QDir::toNativeSeparators(backup))))
        << withIni.toStdString();
    BackupHooks().newestBackup = [](const QString &) { return QString(); };
    EXPECT_TRUE(DamageReport(CheckDatabase(info, TCheckDepth::Start), info)
                    .contains(QStringLiteral("keine Sicherung")));

    // Broken past reading its catalogue: still damage, not "cannot be opened".
    ASSERT_TRUE(gt_test::OverwriteSqlitePage(file, 2));
    ASSERT_TRUE(gt_test::DamageSqliteTable(file, QStringLiteral("tblSichtTeil")));
    const TDatabaseCheck worse = CheckDatabase(info, TCheckDepth::Start);
    EXPECT_FALSE(worse.damage.isEmpty());
    EXPECT_TRUE(worse.openError.isEmpty()) << worse.openError.toStdString();
}

// A second upgrade in the same second gets a name of its own: its copy must
// not replace the first one, which may be the only one of the older schema.
TEST(DatabaseCheck, TheBackupBeforeAnUpgradeNeverTakesAnExistingName)
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("VERIDA.db"));
    const QString first = UpgradeBackupPath(db);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(first).absolutePath()));
    QFile f(first);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const QString second = UpgradeBackupPath(db);
    EXPECT_NE(second, first);
    EXPECT_FALSE(QFileInfo::exists(second));
    EXPECT_TRUE(QFileInfo(second).fileName().startsWith(QStringLiteral("VERIDA-vor-Aktualisierung-")));
}

TEST(DatabaseCheckSqlite, AFailedBackupPreventsTheUpgrade)
{
    THooksScope hooks;
    TTestDb t(TTestEngine::SQLite);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    t.exec(QStringLiteral("ALTER TABLE tblKunden DROP COLUMN KDstrFax"));
    BackupHooks().backupSqlite = [](QSqlDatabase, const QString &, QString *error) {
        *error = QStringLiteral("Der Datenträger ist voll.");
        return false;
    };
    const TConnectionInfo info = ParseConnectionString(t.connectionString());
    const TUpgradeResult r = UpgradeDatabase(info);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains(QStringLiteral("Sicherung"))) << r.error.toStdString();
    EXPECT_TRUE(r.error.contains(QStringLiteral("Der Datenträger ist voll."))) << r.error.toStdString();
    EXPECT_FALSE(columnsOf(t.db(), QStringLiteral("tblKunden")).contains(QStringLiteral("kdstrfax")));

    // A file that is not there is neither backed up nor made.
    BackupHooks() = hooks.saved;
    TConnectionInfo gone = info;
    gone.databaseName = QFileInfo(fileOf(t)).absoluteDir().filePath(QStringLiteral("weg.db"));
    EXPECT_FALSE(UpgradeDatabase(gone).ok);
    EXPECT_FALSE(QFile::exists(gone.databaseName));
    EXPECT_FALSE(CheckDatabase(gone, TCheckDepth::Full).openError.isEmpty());
}
