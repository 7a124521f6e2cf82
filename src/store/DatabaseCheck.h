#pragma once

#include "store/Database.h"
#include "store/SchemaUpgrade.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

// Checking a database for damage and for an older schema, and bringing an
// older one up to date with a backup made first. The window's start, the
// commands and gt-initdb share it.

// How backups are found and made. Replaceable so that tests can make a
// backup fail, and so that the program's backup code plugs in at one place.
struct TBackupHooks {
    // The newest backup of an SQLite database file; empty when there is none.
    std::function<QString(const QString &databaseFile)> newestBackup;
    // Writes a consistent copy of the open SQLite database to target.
    std::function<bool(QSqlDatabase db, const QString &target, QString *error)> backupSqlite;
};
TBackupHooks &BackupHooks();

// Start: SQLite's quick check (every page read, indexes not compared with
// their tables). Full: the integrity check with indexes, and the catalogue.
enum class TCheckDepth { Start, Full };

struct TDatabaseCheck {
    QString openError;       // German; the database could not be opened
    QStringList damage;      // what SQLite's check found
    TSchemaUpgradePlan plan; // what an older schema lacks
    bool emptyCatalogue = false;
    bool ok() const { return openError.isEmpty() && damage.isEmpty() && !plan.needed() && !emptyCatalogue; }
};
TDatabaseCheck CheckDatabase(const TConnectionInfo &info, TCheckDepth depth);

// One German line per fault, each group followed by what to do; empty when ok.
QStringList DatabaseCheckReport(const TDatabaseCheck &check, const TConnectionInfo &info);
// The damage with the newest backup named, for the window.
QString DamageReport(const TDatabaseCheck &check, const TConnectionInfo &info);

struct TUpgradeResult {
    bool ok = false;
    QString backupFile; // the copy made before (SQLite)
    QStringList messages;
    QString error; // German
};
// Backup first (SQLite; a failed backup leaves the database untouched), then
// the same completion gt-initdb runs.
TUpgradeResult UpgradeDatabase(const TConnectionInfo &info);
// Where the copy before an upgrade goes: "Sicherung" beside the file.
QString UpgradeBackupPath(const QString &databaseFile);
