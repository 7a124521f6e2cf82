// The backup commands as a user runs them (the real program, its own INI
// file), and the backup the window writes at its end.

#include "../AppTestSupport.h"
#include "ProgramRun.h"
#include "StoreTestDb.h"
#include "app/shell/AutoBackup.h"
#include "app/shell/MainStatusBar.h"
#include "core/IniFile.h"
#include "store/Backup.h"
#include "store/Database.h"
#include "support/RequireTool.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QLabel>
#include <QProcess>

#include <gtest/gtest.h>

using namespace gt_app_test;

namespace {

using TRun = gt_test::TProgramRun;

TRun runProgram(const QString &connectionString, const QStringList &args)
{
    return gt_test::RunProgramOn(connectionString, args);
}

QLabel *backupWarning(TForm1 &w)
{
    return w.StatusBar1().findChild<QLabel *>(QStringLiteral("BackupWarning"));
}

} // namespace

// Backup while this process holds the database open with a row only in its
// -wal; restore refused while it is open, done once it is closed.
TEST(BackupCommands, BackupWhileOpenAndRestoreOnceClosed)
{
    TTestDb t(TTestEngine::SQLite);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    t.addCustomer(1, QStringLiteral("Erster"));
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("kopie.db"));
    TRun r = runProgram(t.connectionString(), {QStringLiteral("--backup"), copy});
    ASSERT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("gesichert"))) << r.out.toStdString();
    EXPECT_EQ(BackupFileProblem(copy), QString());

    t.addCustomer(2, QStringLiteral("Nach der Sicherung"));
    r = runProgram(t.connectionString(), {QStringLiteral("--restore"), copy});
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("gerade geöffnet"))) << r.err.toStdString();
    EXPECT_EQ(t.count(QStringLiteral("tblKunden")), 2);

    const QString file = ParseConnectionString(t.connectionString()).databaseName;
    t.db().close();
    r = runProgram(t.connectionString(), {QStringLiteral("--restore"), copy});
    ASSERT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("vor-Wiederherstellung-"))) << r.out.toStdString();
    const QStringList kept =
        QDir(BackupFolder(file)).entryList({QStringLiteral("vor-Wiederherstellung-*.db")}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    ASSERT_TRUE(t.db().open());
    EXPECT_EQ(t.count(QStringLiteral("tblKunden")), 1);

    r = runProgram(t.connectionString(), {QStringLiteral("--backup")});
    EXPECT_EQ(r.rc, 2);
}

// A server database: the way to back it up is named, nothing is written.
TEST(BackupCommands, OnPostgreSqlTheServersToolsAreNamed)
{
    if (!TTestDb::Available(TTestEngine::PostgreSQL))
        GT_SKIP_WITHOUT_TOOL("no PostgreSQL server (GT_PG_HOST)");
    TTestDb t(TTestEngine::PostgreSQL);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    const TConnectionInfo info = ParseConnectionString(t.connectionString());
    QTemporaryDir dir;
    // A name with a blank: the example call must still be one word for the shell.
    const QString file = dir.filePath(QStringLiteral("meine sicherung.db"));
    for (const char *command : {"--backup", "--restore"}) {
        SCOPED_TRACE(command);
        const TRun r = runProgram(t.connectionString(), {QLatin1String(command), file});
        EXPECT_EQ(r.rc, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("PostgreSQL-Server „%1“").arg(info.host)))
            << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("„%1“").arg(info.databaseName))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(command) == QLatin1String("--backup")
                                       ? QStringLiteral("pg_dump -h")
                                       : QStringLiteral("pg_restore -h")))
            << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1Char('\'') + file + QLatin1Char('\''))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
    EXPECT_FALSE(QFile::exists(file));
}

// The window's end writes the day's backup once; turned off in the INI it
// writes none.
TEST(WindowBackup, TheEndWritesTheDaysBackupUnlessTurnedOff)
{
    FormFixture f;
    f.withDatabase();
    const QString db = f.path(QStringLiteral("VERIDA.db"));
    TIniFile(f.iniPath()).WriteInteger(QStringLiteral("Sicherung"), QStringLiteral("AbstandTage"), 0);
    f.make();
    ASSERT_TRUE(waitUntil([] { return ProgramDatabase().isOpen(); }));
    f.destroy();
    EXPECT_TRUE(NewestBackup(db).isEmpty());

    TIniFile(f.iniPath()).WriteInteger(QStringLiteral("Sicherung"), QStringLiteral("AbstandTage"), 1);
    f.make();
    ASSERT_TRUE(waitUntil([] { return ProgramDatabase().isOpen(); }));
    f.destroy();
    EXPECT_EQ(NewestBackup(db), DatedBackupPath(db, QDate::currentDate()));
    EXPECT_EQ(BackupFileProblem(NewestBackup(db)), QString());
    EXPECT_TRUE(f.messages.isEmpty()) << f.messages.join(u'\n').toStdString();
}

// A backup folder that cannot be made is a note in the status bar, now and
// at the next start, never a message box; the next good backup clears it.
TEST(WindowBackup, AFailedBackupIsANoteThatTheNextStartShowsAgain)
{
    FormFixture f;
    f.withDatabase();
    const QString db = f.path(QStringLiteral("VERIDA.db"));
    writeFile(BackupFolder(db), "kein Ordner");
    TForm1 *w = f.make();
    ASSERT_TRUE(waitUntil([] { return ProgramDatabase().isOpen(); }));
    EXPECT_EQ(backupWarning(*w), nullptr);
    const QString failure = RunAutomaticBackup(*w);
    EXPECT_FALSE(failure.isEmpty());
    ASSERT_NE(backupWarning(*w), nullptr);
    EXPECT_EQ(backupWarning(*w)->toolTip(), failure);
    f.destroy();
    EXPECT_TRUE(f.messages.isEmpty()) << f.messages.join(u'\n').toStdString();

    w = f.make();
    ASSERT_NE(backupWarning(*w), nullptr);
    EXPECT_TRUE(backupWarning(*w)->toolTip().contains(QStringLiteral("Sicherung"))) << failure.toStdString();
    ASSERT_TRUE(waitUntil([] { return ProgramDatabase().isOpen(); }));
    ASSERT_TRUE(QFile::remove(BackupFolder(db)));
    f.destroy();
    EXPECT_FALSE(NewestBackup(db).isEmpty());
    w = f.make();
    EXPECT_EQ(backupWarning(*w), nullptr);
    f.destroy();
}
