// Backups of the SQLite database taken while others write, their rotation,
// a copy killed half-way, and putting a backup back.

#include "SqlitePages.h"
#include "StoreTestDb.h"
#include "store/Backup.h"
#include "store/Database.h"
#include "support/RequireTool.h"
#include "support/SmallDisk.h"
#include "support/TestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

QString helper()
{
    return gt_test::buildDir() + QStringLiteral("/tests/store/backup-helper");
}

// The first column of every row of sql in file, read through a connection
// that is closed again at once.
QStringList column(const QString &file, const QString &sql)
{
    static int n = 0;
    const QString name = QStringLiteral("backup_read_%1").arg(++n);
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql))
                while (q.next())
                    rows << q.value(0).toString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

QString one(const QString &file, const QString &sql)
{
    return column(file, sql).value(0);
}

// A database made by gt-initdb in its own process, so this process never
// held a connection to it.
QString initdb(const QTemporaryDir &dir, const QString &name = QStringLiteral("VERIDA.db"))
{
    const QString file = dir.filePath(name);
    const TInitdbRun r = RunInitdb({file});
    EXPECT_EQ(r.rc, 0) << (r.out + r.err).toStdString();
    return file;
}

// Runs statements on file through a connection of its own, closed afterwards.
void execOn(const QString &file, const QStringList &statements)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("backup_exec"));
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        for (const QString &s : statements) {
            QSqlQuery q(db);
            EXPECT_TRUE(q.exec(s)) << s.toStdString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("backup_exec"));
}

// The largest number the writer has reported committed so far.
int lastCommitted(QProcess &writer, int last)
{
    while (writer.canReadLine())
        last = qMax(last, writer.readLine().trimmed().toInt());
    return last;
}

bool waitForCommitted(QProcess &writer, int atLeast, int *last)
{
    QDeadlineTimer deadline(20000);
    while ((*last = lastCommitted(writer, *last)) < atLeast) {
        if (deadline.hasExpired() || writer.state() == QProcess::NotRunning) return false;
        writer.waitForReadyRead(100);
    }
    return true;
}

void stop(QProcess &p)
{
    p.kill();
    p.waitForFinished(10000);
}

} // namespace

// Another program writes one row per commit while copies are taken: each copy
// is sound and holds every row committed before it began, with no gap.
TEST(Backup, CopiesTakenWhileAnotherProgramWritesHoldEveryCommittedRow)
{
    TTestDb t(TTestEngine::SQLite);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    t.exec(QStringLiteral("CREATE TABLE backup_probe (n INTEGER PRIMARY KEY)"));
    const QString file = ParseConnectionString(t.connectionString()).databaseName;
    QProcess writer;
    writer.start(helper(), {QStringLiteral("write"), file});
    ASSERT_TRUE(writer.waitForStarted());
    QTemporaryDir dir;
    int last = 0;
    for (int round = 1; round <= 4; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(waitForCommitted(writer, last + 40, &last))
            << writer.readAllStandardError().toStdString();
        const QString copy = dir.filePath(QStringLiteral("copy%1.db").arg(round));
        QString error;
        ASSERT_TRUE(BackupSqliteDatabase(t.db(), copy, &error)) << error.toStdString();
        EXPECT_EQ(one(copy, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
        const QStringList counts = column(copy, QStringLiteral("SELECT COUNT(*) FROM backup_probe UNION ALL "
                                                               "SELECT MAX(n) FROM backup_probe"));
        ASSERT_EQ(counts.size(), 2);
        EXPECT_EQ(counts[0], counts[1]) << "rows missing in the copy";
        EXPECT_GE(counts[1].toInt(), last);
        // One file: nothing of the copy waits in a journal beside it.
        EXPECT_EQ(one(copy, QStringLiteral("PRAGMA journal_mode")), QStringLiteral("delete"));
        EXPECT_FALSE(QFile::exists(copy + QStringLiteral("-wal")));
    }
    stop(writer);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 4) << "partial files left";
}

// A transaction still open on a second connection neither holds the copy up
// nor gets into it; once committed, the next copy has it.
TEST(Backup, AnOpenTransactionElsewhereStaysOutOfTheCopy)
{
    TTestDb t(TTestEngine::SQLite);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    t.addCustomer(1, QStringLiteral("Vorher"));
    const TConnectionInfo info = ParseConnectionString(t.connectionString());
    QString error;
    ASSERT_TRUE(OpenConnection(info, QStringLiteral("second"), &error)) << error.toStdString();
    {
        QSqlDatabase second = QSqlDatabase::database(QStringLiteral("second"), false);
        ASSERT_TRUE(second.transaction());
        QSqlQuery q(second);
        ASSERT_TRUE(
            q.exec(QStringLiteral("INSERT INTO tblKunden (KDintKundenNr, KDstrName1) VALUES (2, 'Offen')")));
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("a.db"));
        ASSERT_TRUE(BackupSqliteDatabase(t.db(), copy, &error)) << error.toStdString();
        EXPECT_EQ(column(copy, QStringLiteral("SELECT KDstrName1 FROM tblKunden ORDER BY 1")),
                  QStringList{QStringLiteral("Vorher")});
        ASSERT_TRUE(second.commit());
        // Replaces the earlier copy of the same name.
        ASSERT_TRUE(BackupSqliteDatabase(t.db(), copy, &error)) << error.toStdString();
        EXPECT_EQ(column(copy, QStringLiteral("SELECT KDstrName1 FROM tblKunden ORDER BY 1")),
                  QStringList({QStringLiteral("Offen"), QStringLiteral("Vorher")}));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("a.db")});
    }
    QSqlDatabase::database(QStringLiteral("second"), false).close();
    QSqlDatabase::removeDatabase(QStringLiteral("second"));
}

TEST(Backup, RefusesTargetsThatCannotTakeTheCopy)
{
    TTestDb t(TTestEngine::SQLite);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    t.addCustomer(1, QStringLiteral("Bleibt"));
    const QString file = ParseConnectionString(t.connectionString()).databaseName;
    QString error;
    for (const QString &target : {file, file + QStringLiteral("-wal")}) {
        EXPECT_FALSE(BackupSqliteDatabase(t.db(), target, &error));
        EXPECT_TRUE(error.contains(QStringLiteral("ist die Datenbank des Programms"))) << error.toStdString();
    }
    EXPECT_EQ(t.count(QStringLiteral("tblKunden")), 1);

    QTemporaryDir dir;
    QFile plain(dir.filePath(QStringLiteral("datei")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_FALSE(BackupSqliteDatabase(t.db(), dir.filePath(QStringLiteral("datei/kopie.db")), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Den Ordner gibt es nicht."))) << error.toStdString();
    EXPECT_FALSE(BackupSqliteDatabase(t.db(), dir.path(), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Unter diesem Namen gibt es einen Ordner.")))
        << error.toStdString();
    EXPECT_FALSE(BackupSqliteDatabase(QSqlDatabase(), dir.filePath(QStringLiteral("x.db")), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("SQLite"))) << error.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("datei")});
}

// A disk that fills up during the copy: a failure with its reason, the
// earlier copy of that name stays as it was, nothing partial is left.
TEST(Backup, AFullDiskFailsAndKeepsTheEarlierCopy)
{
    gt_test::TSmallDisk disk(256);
    GT_REQUIRE_SMALL_DISK(disk);
    TTestDb t(TTestEngine::SQLite);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    t.exec(QStringLiteral("CREATE TABLE ballast (x BLOB)"));
    t.exec(QStringLiteral("INSERT INTO ballast VALUES (randomblob(600000))"));
    const QString target = disk.path(QStringLiteral("kopie.db"));
    const QByteArray old(9000, 'a');
    writeFile(target, old);
    QString error;
    EXPECT_FALSE(BackupSqliteDatabase(t.db(), target, &error));
    // The copy's disk is named, not the database's.
    EXPECT_TRUE(error.contains(QStringLiteral("„%1“ ist voll").arg(QFileInfo(target).absolutePath())))
        << error.toStdString();
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), old);
    EXPECT_EQ(QDir(disk.path(QString())).entryList(QDir::Files), QStringList{QStringLiteral("kopie.db")});
}

// Dated backups: one per interval, the newest kept, the date read from the
// name, partial files of a killed copy cleared once they are old.
TEST(AutoBackup, WritesWhenDueKeepsTheNewestAndLeavesOtherFiles)
{
    TTestDb t(TTestEngine::SQLite);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    const QString file = ParseConnectionString(t.connectionString()).databaseName;
    EXPECT_TRUE(NewestBackup(file).isEmpty());
    const QDate today(2026, 12, 10);
    const QDir folder(BackupFolder(file));
    ASSERT_TRUE(QDir().mkpath(folder.path()));
    for (int age = 1; age <= 20; ++age)
        writeFile(DatedBackupPath(file, today.addDays(-age)), "alt");
    const QStringList others = {QStringLiteral("vor-Wiederherstellung-2020-01-01-120000.db"),
                                QStringLiteral("VERIDA-kopie.db"), QStringLiteral("VERIDA-2099-13-01.db"),
                                QStringLiteral("fresh.db.0000abcd.part")};
    for (const QString &name : others)
        writeFile(folder.filePath(name), "x");
    const QString stale = folder.filePath(QStringLiteral("VERIDA-2026-12-09.db.1234abcd.part"));
    writeFile(stale, "halb");
    QFile staleFile(stale);
    ASSERT_TRUE(staleFile.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        staleFile.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime));
    staleFile.close();

    TAutoBackupResult r = AutomaticBackup(t.db(), {1, 14}, today);
    ASSERT_EQ(r.kind, TAutoBackupResult::Written) << r.error.toStdString();
    EXPECT_EQ(r.path, DatedBackupPath(file, today));
    EXPECT_EQ(NewestBackup(file), r.path);
    const QStringList kept = DatedBackups(file);
    ASSERT_EQ(kept.size(), 14);
    EXPECT_EQ(kept.last(), DatedBackupPath(file, today.addDays(-13)));
    EXPECT_EQ(BackupFileProblem(r.path), QString());
    for (const QString &name : others)
        EXPECT_TRUE(folder.exists(name)) << name.toStdString();
    EXPECT_FALSE(QFile::exists(stale));

    EXPECT_EQ(AutomaticBackup(t.db(), {1, 14}, today).kind, TAutoBackupResult::NotDue);
    EXPECT_EQ(AutomaticBackup(t.db(), {2, 14}, today.addDays(1)).kind, TAutoBackupResult::NotDue);
    EXPECT_EQ(AutomaticBackup(t.db(), {2, 3}, today.addDays(2)).kind, TAutoBackupResult::Written);
    EXPECT_EQ(DatedBackups(file).size(), 3);
    EXPECT_EQ(AutomaticBackup(t.db(), {0, 14}, today.addDays(9)).kind, TAutoBackupResult::Off);
    EXPECT_EQ(AutomaticBackup(t.db(), {1, 0}, today.addDays(9)).kind, TAutoBackupResult::Off);
    // A backup dated ahead (a clock once set wrong) does not stop the next ones.
    writeFile(DatedBackupPath(file, today.addYears(3)), "x");
    EXPECT_EQ(AutomaticBackup(t.db(), {1, 14}, today.addDays(3)).kind, TAutoBackupResult::Written);
}

// Backups dated ahead by a clock once set wrong must not push out the one
// just written (it would be gone at once, every day), and a file of the
// user's that merely ends in .part is not a partial copy of ours.
TEST(AutoBackup, RotationKeepsTheCopyJustWrittenAndOnlyRemovesItsOwnPartials)
{
    TTestDb t(TTestEngine::SQLite);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    const QString file = ParseConnectionString(t.connectionString()).databaseName;
    const QDate today(2026, 12, 10);
    const QDir folder(BackupFolder(file));
    ASSERT_TRUE(QDir().mkpath(folder.path()));
    const QString ahead = DatedBackupPath(file, today.addYears(1));
    writeFile(ahead, "x");
    const QString mine = folder.filePath(QStringLiteral("Notizen.part"));
    writeFile(mine, "vom Benutzer");
    QFile old(mine);
    ASSERT_TRUE(old.open(QIODevice::ReadWrite));
    ASSERT_TRUE(old.setFileTime(QDateTime::currentDateTime().addDays(-2), QFileDevice::FileModificationTime));
    old.close();

    const TAutoBackupResult r = AutomaticBackup(t.db(), {1, 1}, today);
    ASSERT_EQ(r.kind, TAutoBackupResult::Written) << r.error.toStdString();
    EXPECT_TRUE(QFile::exists(r.path));
    EXPECT_EQ(BackupFileProblem(r.path), QString());
    EXPECT_FALSE(QFile::exists(ahead));
    EXPECT_TRUE(QFile::exists(mine));
}

// A damaged database is not copied under a dated name: rotation would push
// out the sound backups, the very ones its damage report tells to restore.
TEST(AutoBackup, ADamagedDatabaseLeavesTheSoundBackupsAlone)
{
    QTemporaryDir dir;
    const QString file = initdb(dir);
    const QDate today(2026, 12, 10);
    const QString sound = DatedBackupPath(file, today.addDays(-3));
    ASSERT_TRUE(QDir().mkpath(BackupFolder(file)));
    ASSERT_TRUE(QFile::copy(file, sound));
    ASSERT_TRUE(gt_test::DamageSqliteTable(file, QStringLiteral("tblKunden")));
    TAutoBackupResult r;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("auto_damaged"));
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        r = AutomaticBackup(db, {1, 1}, today);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("auto_damaged"));
    EXPECT_EQ(r.kind, TAutoBackupResult::Failed);
    EXPECT_TRUE(r.error.contains(QStringLiteral("beschädigt"))) << r.error.toStdString();
    EXPECT_EQ(DatedBackups(file), QStringList{sound});
    EXPECT_TRUE(QDir(BackupFolder(file)).entryList({QStringLiteral("*.part*")}, QDir::Files).isEmpty());
}

TEST(AutoBackup, AFolderThatCannotBeMadeIsAFailureWithItsReason)
{
    TTestDb t(TTestEngine::SQLite);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    const QString file = ParseConnectionString(t.connectionString()).databaseName;
    writeFile(BackupFolder(file), "kein Ordner");
    const TAutoBackupResult r = AutomaticBackup(t.db(), {}, QDate(2026, 12, 10));
    EXPECT_EQ(r.kind, TAutoBackupResult::Failed);
    EXPECT_TRUE(r.error.contains(QStringLiteral("Sicherung"))) << r.error.toStdString();
    EXPECT_TRUE(NewestBackup(file).isEmpty());
}

// A copy killed half-way leaves only its partial file, never one under the
// final name that would later pass for a backup.
TEST(AutoBackup, ACopyKilledHalfWayLeavesNoFileUnderItsName)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("gross.db"));
    execOn(file,
           {QStringLiteral("PRAGMA journal_mode=WAL"), QStringLiteral("CREATE TABLE big (x BLOB)"),
            QStringLiteral("WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 60000) "
                           "INSERT INTO big SELECT randomblob(1000) FROM c")});
    const QString target = DatedBackupPath(file, QDate(2026, 12, 10));
    ASSERT_TRUE(QDir().mkpath(BackupFolder(file)));
    QProcess copier;
    copier.start(helper(), {QStringLiteral("backup"), file, target});
    ASSERT_TRUE(copier.waitForStarted());
    const QDir folder(BackupFolder(file));
    const QStringList partial = {QStringLiteral("*.part")};
    QDeadlineTimer deadline(30000);
    while (folder.entryList(partial, QDir::Files).isEmpty() && !deadline.hasExpired() &&
           copier.state() == QProcess::Running)
        ::usleep(200);
    stop(copier);
    const QStringList parts = folder.entryList(partial, QDir::Files);
    ASSERT_FALSE(parts.isEmpty()) << "the copy ended before it could be killed";
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_TRUE(NewestBackup(file).isEmpty());

    // Once old, the next rotation clears it.
    QFile part(folder.filePath(parts.constFirst()));
    ASSERT_TRUE(part.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        part.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime));
    part.close();
    RemoveOldBackups(file, 14);
    EXPECT_TRUE(folder.entryList(partial, QDir::Files).isEmpty());
}

TEST(AutoBackup, OnlyForAnSqliteFile)
{
    if (!TTestDb::Available(TTestEngine::PostgreSQL))
        GT_SKIP_WITHOUT_TOOL("no PostgreSQL server (GT_PG_HOST)");
    TTestDb t(TTestEngine::PostgreSQL);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    EXPECT_EQ(AutomaticBackup(t.db(), {}, QDate(2026, 12, 10)).kind, TAutoBackupResult::Off);
    QString error;
    EXPECT_FALSE(BackupSqliteDatabase(t.db(), QDir::temp().filePath(QStringLiteral("nie.db")), &error));
}

// The old database, with rows a killed program left in its -wal, is kept
// before the backup takes its place; the old -wal is not played into the new
// file.
TEST(Restore, KeepsTheOldDatabaseAndLeavesNoJournalOfItBehind)
{
    QTemporaryDir dir;
    const QString file = initdb(dir);
    execOn(file,
           {QStringLiteral("CREATE TABLE backup_probe (n INTEGER PRIMARY KEY)"),
            QStringLiteral("INSERT INTO tblKunden (KDintKundenNr, KDstrName1) VALUES (1, 'Gesichert')")});
    const QString backup = dir.filePath(QStringLiteral("sicherung.db"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("restore_src"));
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        QString error;
        EXPECT_TRUE(BackupSqliteDatabase(db, backup, &error)) << error.toStdString();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("restore_src"));
    EXPECT_EQ(BackupFileProblem(backup), QString());

    QProcess writer;
    writer.start(helper(), {QStringLiteral("write"), file});
    int last = 0;
    ASSERT_TRUE(waitForCommitted(writer, 30, &last)) << writer.readAllStandardError().toStdString();
    stop(writer);
    ASSERT_TRUE(QFile::exists(file + QStringLiteral("-wal")));
    EXPECT_FALSE(DatabaseInUse(file));

    const TRestoreResult r = RestoreDatabase(backup, file, QDateTime(QDate(2026, 12, 10), QTime(3, 15, 7)));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(
        r.keptCopy,
        QDir(BackupFolder(file)).filePath(QStringLiteral("vor-Wiederherstellung-2026-12-10-031507.db")));
    EXPECT_GE(one(r.keptCopy, QStringLiteral("SELECT COUNT(*) FROM backup_probe")).toInt(), last);
    EXPECT_EQ(one(r.keptCopy, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    for (const char *suffix : {"-wal", "-shm", "-journal"})
        EXPECT_FALSE(QFile::exists(file + QLatin1String(suffix))) << suffix;
    EXPECT_EQ(one(file, QStringLiteral("SELECT COUNT(*) FROM backup_probe")), QStringLiteral("0"));
    EXPECT_EQ(one(file, QStringLiteral("SELECT KDstrName1 FROM tblKunden")), QStringLiteral("Gesichert"));
    EXPECT_EQ(one(file, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    // The kept copy is no dated backup: it must not pass for the newest one.
    EXPECT_TRUE(NewestBackup(file).isEmpty());
}

// What is not a sound database of this program is refused before anything
// is touched.
TEST(Restore, RefusesWhatIsNoSoundDatabaseOfThisProgram)
{
    QTemporaryDir dir;
    const QString file = initdb(dir);
    const QString sound = initdb(dir, QStringLiteral("gut.db"));
    const QByteArray before = [&file] {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();

    const QString broken = dir.filePath(QStringLiteral("kaputt.db"));
    ASSERT_TRUE(QFile::copy(sound, broken));
    {
        // The second page is a table's root: garbage there is found by the check.
        const int pageSize = one(sound, QStringLiteral("PRAGMA page_size")).toInt();
        QFile f(broken);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek(pageSize));
        f.write(QByteArray(pageSize, '\x55'));
    }
    const QString text = dir.filePath(QStringLiteral("text.db"));
    writeFile(text, "Kunde;Ort\n");
    const QString foreign = dir.filePath(QStringLiteral("fremd.db"));
    execOn(foreign, {QStringLiteral("CREATE TABLE tblKunden (KDintKundenNr INTEGER)")});

    const struct {
        QString file;
        QString says;
    } cases[] = {{broken, QStringLiteral("beschädigt")},
                 {text, QStringLiteral("keine Datenbank")},
                 {foreign, QStringLiteral("es fehlen die Tabellen tblPruefling")},
                 {dir.filePath(QStringLiteral("fehlt.db")), QStringLiteral("gibt es nicht")},
                 {file, QStringLiteral("die Datenbank selbst")}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        const TRestoreResult r = RestoreDatabase(c.file, file, QDateTime::currentDateTime());
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.error.contains(c.says)) << r.error.toStdString();
    }
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_FALSE(QFileInfo::exists(BackupFolder(file)));
}

// Open in another program (another workstation) or in this one: refused.
TEST(Restore, RefusedWhileTheDatabaseIsOpen)
{
    QTemporaryDir dir;
    const QString file = initdb(dir);
    const QString backup = initdb(dir, QStringLiteral("sicherung.db"));
    QProcess holder;
    holder.start(helper(), {QStringLiteral("hold"), file});
    ASSERT_TRUE(holder.waitForReadyRead(10000)) << holder.readAllStandardError().toStdString();
    EXPECT_TRUE(DatabaseInUse(file));
    const TRestoreResult r = RestoreDatabase(backup, file, QDateTime::currentDateTime());
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains(QStringLiteral("gerade geöffnet"))) << r.error.toStdString();
    holder.closeWriteChannel();
    ASSERT_TRUE(holder.waitForFinished(10000));
    EXPECT_FALSE(DatabaseInUse(file));

    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("restore_own"));
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        EXPECT_TRUE(DatabaseInUse(file));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("restore_own"));
    EXPECT_TRUE(RestoreDatabase(backup, file, QDateTime::currentDateTime()).ok);
    // The copy put back (a WAL file as gt-initdb leaves it) gets nothing beside it.
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("sicherung.db*")}, QDir::Files),
              QStringList{QStringLiteral("sicherung.db")});
    EXPECT_EQ(one(backup, QStringLiteral("PRAGMA journal_mode")), QStringLiteral("wal"));
}

// Two restores within one second (a script putting back one copy after
// another) must not let the second kept copy replace the first: that one is
// the only copy of the database as it was.
TEST(Restore, TwoRestoresInOneSecondKeepBothEarlierDatabases)
{
    QTemporaryDir dir;
    const QString file = initdb(dir);
    execOn(file,
           {QStringLiteral("INSERT INTO tblKunden (KDintKundenNr, KDstrName1) VALUES (1, 'Original')")});
    const QString first = initdb(dir, QStringLiteral("erste.db"));
    execOn(first, {QStringLiteral("INSERT INTO tblKunden (KDintKundenNr, KDstrName1) VALUES (1, 'Erste')")});
    const QString second = initdb(dir, QStringLiteral("zweite.db"));
    const QDateTime now(QDate(2026, 12, 10), QTime(4, 1, 2));

    const TRestoreResult a = RestoreDatabase(first, file, now);
    ASSERT_TRUE(a.ok) << a.error.toStdString();
    const TRestoreResult b = RestoreDatabase(second, file, now);
    ASSERT_TRUE(b.ok) << b.error.toStdString();
    EXPECT_NE(a.keptCopy, b.keptCopy);
    EXPECT_EQ(one(a.keptCopy, QStringLiteral("SELECT KDstrName1 FROM tblKunden")),
              QStringLiteral("Original"));
    EXPECT_EQ(one(b.keptCopy, QStringLiteral("SELECT KDstrName1 FROM tblKunden")), QStringLiteral("Erste"));
}
