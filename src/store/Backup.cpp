#include "store/Backup.h"

#include "core/ProgramPaths.h"
#include "store/BackupCopy.h"
#include "store/Database.h"
#include "store/DatabaseFiles.h"
#include "store/SqliteRows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

#include <sqlite3.h>

namespace {

// "VERIDA-2026-12-10.db": the database's name, the day, its suffix.
QRegularExpression datedPattern(const QString &databaseFile)
{
    const QFileInfo info(databaseFile);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    return QRegularExpression(
        QStringLiteral("^%1-(\\d{4}-\\d{2}-\\d{2})%2$")
            .arg(QRegularExpression::escape(info.completeBaseName()), QRegularExpression::escape(suffix)));
}

QDate dayOf(const QString &backup, const QRegularExpression &pattern)
{
    const QRegularExpressionMatch m = pattern.match(QFileInfo(backup).fileName());
    return m.hasMatch() ? QDate::fromString(m.captured(1), Qt::ISODate) : QDate();
}

// A partial file is left only by a copy that was killed; one still being
// written is younger than this (its time changes with every page written).
constexpr qint64 kStalePartialSeconds = 3600;

QStringList removeStalePartials(const QString &folder)
{
    QStringList removed;
    const QDateTime limit = QDateTime::currentDateTime().addSecs(-kStalePartialSeconds);
    // Only names our own copies take ("….db.1a2b3c4d.part"): a file of the
    // user's that merely ends in .part is not ours to delete.
    static const QRegularExpression own(QStringLiteral("\\.[0-9a-f]{8}\\.part(-journal)?$"));
    const QFileInfoList parts =
        QDir(folder).entryInfoList({QStringLiteral("*.part"), QStringLiteral("*.part-journal")}, QDir::Files);
    for (const QFileInfo &part : parts)
        if (own.match(part.fileName()).hasMatch() && part.lastModified() < limit &&
            QFile::remove(part.filePath()))
            removed << part.filePath();
    return removed;
}

// The newest `keep` by the day in their names, the one just written always
// among them: files dated ahead (a clock once set wrong) would otherwise
// push it out at once, and every later backup with it.
QStringList rotate(const QString &databaseFile, int keep, const QString &written)
{
    QStringList removed = removeStalePartials(BackupFolder(databaseFile));
    if (keep <= 0) return removed;
    QStringList backups = DatedBackups(databaseFile);
    if (backups.removeAll(written) > 0) backups.prepend(written);
    for (qsizetype i = keep; i < backups.size(); ++i)
        if (QFile::remove(backups[i])) removed << backups[i];
    return removed;
}

// SQLite's quick check of a finished copy: empty when sound, else its first fault.
QString copyFault(const QString &file)
{
    QString error;
    sqlite3 *h = backupcopy::OpenSqliteFile(file, true, &error);
    if (!h) return error;
    QStringList rows;
    const bool ran = backupcopy::FirstColumn(h, "PRAGMA quick_check(1)", &rows, &error);
    backupcopy::CloseSqliteFile(h);
    const QString fault = ran && !rows.isEmpty() ? rows.first() : error;
    return fault == QLatin1String("ok") ? QString() : fault.section(QLatin1Char('\n'), 0, 1);
}

// A damaged database copied under a dated name would push the sound
// backups out one by one, the very ones its damage report names.
bool writeSoundCopy(QSqlDatabase db, const QString &target, QString *error)
{
    QString part;
    sqlite3 *source = TSqliteQuery::Handle(db);
    if (!source || IsOpenDatabaseFile(target)) return BackupSqliteDatabase(db, target, error);
    if (!backupcopy::WritePartial(source, target, &part, error)) return false;
    if (const QString fault = copyFault(part); !fault.isEmpty()) {
        backupcopy::DiscardPartial(part);
        *error = QStringLiteral("Die Datenbank ist beschädigt (%1); die bisherigen Sicherungen bleiben "
                                "unverändert.")
                     .arg(fault);
        return false;
    }
    return backupcopy::CommitPartial(part, target, error);
}

} // namespace

bool BackupSqliteDatabase(QSqlDatabase db, const QString &target, QString *error)
{
    auto fail = [error](const QString &text) {
        if (error) *error = text;
        return false;
    };
    sqlite3 *source = TSqliteQuery::Handle(db);
    if (!source)
        return fail(QStringLiteral("Nur eine SQLite-Datenbank kann so gesichert werden; die Verbindung ist "
                                   "keine offene SQLite-Datenbank."));
    if (target.isEmpty()) return fail(QStringLiteral("Es fehlt der Name der Sicherungsdatei."));
    // Written over, the database (or its journal) would be gone with its copy.
    if (IsOpenDatabaseFile(target)) return fail(DatabaseFileRefusal(target));
    QString part;
    if (!backupcopy::WritePartial(source, target, &part, error)) return false;
    return backupcopy::CommitPartial(part, target, error);
}

QString BackupFolder(const QString &databaseFile)
{
    return QFileInfo(databaseFile).absoluteDir().filePath(QStringLiteral("Sicherung"));
}

QString DatedBackupPath(const QString &databaseFile, const QDate &day)
{
    const QFileInfo info(databaseFile);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    return QDir(BackupFolder(databaseFile))
        .filePath(info.completeBaseName() + QLatin1Char('-') + day.toString(Qt::ISODate) + suffix);
}

QStringList DatedBackups(const QString &databaseFile)
{
    const QRegularExpression pattern = datedPattern(databaseFile);
    QStringList found;
    const QDir folder(BackupFolder(databaseFile));
    for (const QString &name : folder.entryList(QDir::Files))
        if (dayOf(name, pattern).isValid()) found << folder.filePath(name);
    // The date is in the name: a copy moved to a new computer keeps its day.
    std::sort(found.begin(), found.end(), [&pattern](const QString &a, const QString &b) {
        return dayOf(a, pattern) > dayOf(b, pattern);
    });
    return found;
}

QString NewestBackup(const QString &databaseFile)
{
    return DatedBackups(databaseFile).value(0);
}

QStringList RemoveOldBackups(const QString &databaseFile, int keep)
{
    return rotate(databaseFile, keep, QString());
}

TAutoBackupResult AutomaticBackup(QSqlDatabase db, const TBackupSchedule &schedule, const QDate &today)
{
    TAutoBackupResult r;
    if (schedule.intervalDays <= 0 || schedule.keep <= 0 || DatabaseEngine(db) != TDbEngine::SQLite ||
        !db.isOpen())
        return r;
    const QString file = QFileInfo(db.databaseName()).absoluteFilePath();
    const QDate newest = dayOf(NewestBackup(file), datedPattern(file));
    // A backup dated ahead (a clock set wrong once) would stop every later one.
    const qint64 age = newest.isValid() ? newest.daysTo(today) : -1;
    if (age >= 0 && age < schedule.intervalDays) {
        r.kind = TAutoBackupResult::NotDue;
        return r;
    }
    r.path = DatedBackupPath(file, today);
    QString why;
    if (!MakeParentDir(r.path, &why) || !writeSoundCopy(db, r.path, &why)) {
        r.kind = TAutoBackupResult::Failed;
        r.error = QStringLiteral("Automatische Sicherung fehlgeschlagen: ") + why;
        return r;
    }
    r.kind = TAutoBackupResult::Written;
    rotate(file, schedule.keep, r.path);
    return r;
}
