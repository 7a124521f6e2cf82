#pragma once

#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Copies of an SQLite database, made while it is in use, and putting one
// back. A copy is taken through SQLite's online backup on the connection's
// own handle, so it is one consistent state even while another connection
// or program writes; it is written under a partial name beside the target
// and renamed at the end, so a killed program never leaves a half file under
// the final name.

// Copies the open SQLite connection db into target (replaced if there).
// The copy is a single file (no -wal beside it). false with a German reason.
bool BackupSqliteDatabase(QSqlDatabase db, const QString &target, QString *error);

// The folder of the dated backups: "Sicherung" beside the database file.
QString BackupFolder(const QString &databaseFile);
// "Sicherung/VERIDA-2026-12-10.db" for the database VERIDA.db.
QString DatedBackupPath(const QString &databaseFile, const QDate &day);
// The dated backups of the database, newest first (by the date in the name).
QStringList DatedBackups(const QString &databaseFile);
// Path of the newest dated backup; empty when there is none.
QString NewestBackup(const QString &databaseFile);
// Deletes all but the newest keep dated backups, and partial files a killed
// copy left behind; returns the paths deleted.
QStringList RemoveOldBackups(const QString &databaseFile, int keep);

// When the automatic backup runs: the newest dated one is at least
// intervalDays old, and the newest keep are kept. 0 in either turns it off.
struct TBackupSchedule {
    int intervalDays = 1;
    int keep = 14;
};

struct TAutoBackupResult {
    enum Kind { Off, NotDue, Written, Failed };
    Kind kind = Off;
    QString path;  // the backup written (Written) or due (Failed)
    QString error; // German, for Failed
};

// The automatic backup of an open SQLite connection on the given day:
// writes the dated backup when one is due, then thins out the old ones.
// Off for other engines and for a schedule that is turned off.
TAutoBackupResult AutomaticBackup(QSqlDatabase db, const TBackupSchedule &schedule, const QDate &today);

// ---- putting a backup back ----

// Why file is no sound database of this program (the integrity check fails,
// a table is missing, it is no database at all); empty when it is sound.
QString BackupFileProblem(const QString &file);

// Whether another connection (of any program) has the SQLite database open
// just now; the test neither takes nor drops a lock.
bool DatabaseInUse(const QString &databaseFile);

struct TRestoreResult {
    bool ok = false;
    QString keptCopy; // the former database, kept in the backup folder (empty: there was none)
    QString error;    // German
};

// Replaces databaseFile by a copy of source: source is checked first, the
// current database is kept as "Sicherung/vor-Wiederherstellung-…db", and the
// old database's -wal and -shm go with it. Refused while the database is in use.
TRestoreResult RestoreDatabase(const QString &source, const QString &databaseFile, const QDateTime &now);
