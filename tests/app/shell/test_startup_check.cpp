// The database looked at as the window starts: a damaged file is reported
// with the newest backup named; an older schema gets its upgrade offered,
// with a backup first, and is left alone when the user says no.

#include "../../store/SqlitePages.h"
#include "../AppTestSupport.h"

#include "app/shell/MainStatusBar.h"
#include "store/Database.h"
#include "store/DatabaseCheck.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QSqlQuery>
#include <QSqlRecord>

#include <gtest/gtest.h>

using namespace gt_app_test;

namespace {

struct THooksScope {
    TBackupHooks saved = BackupHooks();
    ~THooksScope() { BackupHooks() = saved; }
};

// The fixture's database of an earlier version: a column missing, in WAL mode as the program leaves it.
void makeOlderDatabase(FormFixture &f)
{
    f.withDatabase();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("older"));
        db.setDatabaseName(f.path(QStringLiteral("VERIDA.db")));
        if (db.open()) {
            QSqlQuery(db).exec(QStringLiteral("ALTER TABLE tblKunden DROP COLUMN KDstrFax"));
            QSqlQuery(db).exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("older"));
}

bool hasFax()
{
    return ProgramDatabase().record(QStringLiteral("tblKunden")).contains(QStringLiteral("KDstrFax"));
}

QStringList backups(const FormFixture &f)
{
    return QDir(f.path(QStringLiteral("Sicherung"))).entryList(QDir::Files);
}

TForm1 *started(FormFixture &f)
{
    TForm1 *w = f.make();
    EXPECT_TRUE(waitUntil([&] { return !w->StatusBar1().PanelText(6).isEmpty(); }));
    return w;
}

} // namespace

TEST(StartupCheck, DeclinedUpgradeLeavesTheFileAsItWas)
{
    FormFixture f;
    makeOlderDatabase(f);
    const QByteArray before = readFile(f.path(QStringLiteral("VERIDA.db")));
    TForm1 *w = started(f);
    ASSERT_EQ(f.questions.size(), 1);
    EXPECT_TRUE(f.questions[0].contains(QStringLiteral("älteren Aufbau"))) << f.questions[0].toStdString();
    EXPECT_TRUE(f.questions[0].contains(QStringLiteral("Der Tabelle tblKunden fehlt die Spalte KDstrFax.")));
    EXPECT_TRUE(f.questions[0].contains(QStringLiteral("Sicherung")));
    // Refused by the opening; the user just said no, so no box follows that
    // calls the database missing.
    EXPECT_EQ(w->StatusBar1().PanelText(6), QStringLiteral(" Keine Datenbank!"));
    EXPECT_TRUE(f.messages.isEmpty()) << f.messages.join(u'|').toStdString();
    f.destroy();
    EXPECT_TRUE(backups(f).isEmpty());
    EXPECT_EQ(readFile(f.path(QStringLiteral("VERIDA.db"))), before);
}

TEST(StartupCheck, AcceptedUpgradeMakesABackupThenOpensTheDatabase)
{
    FormFixture f;
    makeOlderDatabase(f);
    f.answerYes = true;
    TForm1 *w = started(f);
    EXPECT_EQ(f.questions.size(), 1);
    EXPECT_TRUE(f.messages.isEmpty()) << f.messages.join(u'|').toStdString();
    EXPECT_EQ(w->StatusBar1().PanelText(6), QStringLiteral(" Datenbankverbindung ok."));
    EXPECT_TRUE(hasFax());
    EXPECT_EQ(backups(f).size(), 1);
}

TEST(StartupCheck, AFailedBackupStopsTheUpgrade)
{
    THooksScope hooks;
    BackupHooks().backupSqlite = [](QSqlDatabase, const QString &, QString *error) {
        *error = QStringLiteral("Kein Platz.");
        return false;
    };
    FormFixture f;
    makeOlderDatabase(f);
    f.answerYes = true;
    TForm1 *w = started(f);
    ASSERT_FALSE(f.messages.isEmpty());
    EXPECT_TRUE(f.messages[0].contains(QStringLiteral("nicht aktualisiert"))) << f.messages[0].toStdString();
    EXPECT_TRUE(f.messages[0].contains(QStringLiteral("Kein Platz."))) << f.messages[0].toStdString();
    EXPECT_EQ(w->StatusBar1().PanelText(6), QStringLiteral(" Keine Datenbank!"));
}

TEST(StartupCheck, ADamagedFileIsReportedWithTheNewestBackup)
{
    THooksScope hooks;
    FormFixture f;
    f.withDatabase();
    const QString backup = f.path(QStringLiteral("Sicherung/VERIDA-2026-12-01.db"));
    BackupHooks().newestBackup = [&](const QString &) { return backup; };
    ASSERT_TRUE(gt_test::DamageSqliteTable(f.path(QStringLiteral("VERIDA.db")), QStringLiteral("tblKunden")));
    started(f);
    EXPECT_TRUE(f.questions.isEmpty()) << f.questions.join(u'|').toStdString();
    // The damage report alone, not a second box that calls the file missing.
    ASSERT_EQ(f.messages.size(), 1) << f.messages.join(u'|').toStdString();
    EXPECT_TRUE(f.messages[0].contains(QStringLiteral("ist beschädigt"))) << f.messages[0].toStdString();
    EXPECT_TRUE(f.messages[0].contains(QDir::toNativeSeparators(backup))) << f.messages[0].toStdString();
}

// A sound, current database starts without a word.
TEST(StartupCheck, ACurrentDatabaseIsNotAskedAbout)
{
    FormFixture f;
    f.withDatabase();
    TForm1 *w = started(f);
    EXPECT_TRUE(f.prompt.texts.isEmpty()) << f.prompt.texts.join(u'|').toStdString();
    EXPECT_EQ(w->StatusBar1().PanelText(6), QStringLiteral(" Datenbankverbindung ok."));
}
