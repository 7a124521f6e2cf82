#include "store/Backup.h"

#include "core/ProgramPaths.h"
#include "store/BackupCopy.h"
#include "store/Database.h"
#include "store/DatabaseFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Whether some process holds a lock that a write lock on these bytes would
// meet. F_GETLK only asks: it takes nothing, so nothing is dropped on close.
bool lockedByOther(const QString &file, off_t start, off_t length)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = length;
    const bool busy = ::fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
    ::close(fd);
    return busy;
}

// The current database into the backup folder, with what its -wal holds.
// A database too damaged for that is copied as its files are.
bool keepCurrent(sqlite3 *current, const QString &databaseFile, const QString &kept, QString *error)
{
    QString why;
    if (!MakeParentDir(kept, &why)) {
        *error = why;
        return false;
    }
    QString part;
    if (current && backupcopy::WritePartial(current, kept, &part, &why) &&
        backupcopy::CommitPartial(part, kept, &why))
        return true;
    for (const char *suffix : {"", "-wal"}) {
        const QString from = databaseFile + QLatin1String(suffix);
        if (QFileInfo::exists(from) && !QFile::copy(from, kept + QLatin1String(suffix))) {
            *error = why.isEmpty() ? QStringLiteral("„%1“ kann nicht kopiert werden.").arg(shown(from)) : why;
            return false;
        }
    }
    return true;
}

// Brings the old database's -wal into the file and ends WAL mode, so no
// journal of the old file is left to be played into the new one. false when
// another program opened the database meanwhile: its journal must stay.
bool closeCurrent(sqlite3 *current, const QString &databaseFile)
{
    if (current) sqlite3_exec(current, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
    backupcopy::CloseSqliteFile(current);
    if (DatabaseInUse(databaseFile)) return false;
    for (const char *suffix : {"-wal", "-shm", "-journal"})
        QFile::remove(databaseFile + QLatin1String(suffix));
    return true;
}

// Two restores within one second must not share a name: the rename would
// replace the first kept copy, the only one of the database as it was.
QString freeKeptName(const QString &databaseFile, const QDateTime &now)
{
    const QString stem = QDir(BackupFolder(databaseFile))
                             .filePath(QStringLiteral("vor-Wiederherstellung-") +
                                       now.toString(QStringLiteral("yyyy-MM-dd-HHmmss")));
    QString kept = stem + QStringLiteral(".db");
    for (int n = 2; QFileInfo::exists(kept); ++n)
        kept = stem + QStringLiteral("-%1.db").arg(n);
    return kept;
}

QString inUseText(const QString &databaseFile)
{
    return QStringLiteral("Die Datenbank „%1“ ist gerade geöffnet (vom Programm oder an einem anderen "
                          "Arbeitsplatz). Bitte das Programm überall beenden und dann wiederholen.")
        .arg(shown(databaseFile));
}

} // namespace

QString BackupFileProblem(const QString &file)
{
    if (!QFileInfo(file).isFile()) return QStringLiteral("Die Datei „%1“ gibt es nicht.").arg(shown(file));
    QString error;
    sqlite3 *h = backupcopy::OpenSqliteFile(file, true, &error);
    if (!h) return error;
    QStringList rows;
    QStringList tables;
    QString problem;
    if (!backupcopy::FirstColumn(h, "PRAGMA integrity_check(3)", &rows, &error)) {
        // Pages too broken for the check itself to run through.
        problem =
            sqlite3_errcode(h) == SQLITE_CORRUPT
                ? QStringLiteral("„%1“ ist beschädigt (%2).").arg(shown(file), error)
                : QStringLiteral("„%1“ ist keine Datenbank oder nicht lesbar (%2).").arg(shown(file), error);
    } else if (rows != QStringList{QStringLiteral("ok")}) {
        problem = QStringLiteral("„%1“ ist beschädigt; die Prüfung der Datenbank meldet: %2")
                      .arg(shown(file), rows.mid(0, 3).join(QStringLiteral("; ")));
    } else if (!backupcopy::FirstColumn(h, "SELECT lower(name) FROM sqlite_master WHERE type = 'table'",
                                        &tables, &error)) {
        problem = QStringLiteral("„%1“ ist keine Datenbank oder nicht lesbar (%2).").arg(shown(file), error);
    } else {
        QStringList missing;
        for (const QString &t : kStoreTables)
            if (!tables.contains(t.toLower())) missing << t;
        if (!missing.isEmpty())
            problem = QStringLiteral("„%1“ ist keine Datenbank dieses Programms: es fehlen die Tabellen %2.")
                          .arg(shown(file), missing.join(QStringLiteral(", ")));
    }
    backupcopy::CloseSqliteFile(h);
    return problem;
}

bool DatabaseInUse(const QString &databaseFile)
{
    // Asked of this process by name: a descriptor of our own, once closed,
    // would end the locks of our own connection.
    if (IsOpenDatabaseFile(databaseFile)) return true;
    // SQLite's lock bytes: the pending, reserved and shared range of the
    // database file (a writer of a rollback journal), and the byte of the
    // -shm file that every WAL connection holds shared while it is open.
    return lockedByOther(databaseFile, 0x40000000, 512) ||
           lockedByOther(databaseFile + QStringLiteral("-shm"), 128, 1);
}

TRestoreResult RestoreDatabase(const QString &source, const QString &databaseFile, const QDateTime &now)
{
    TRestoreResult r;
    const QFileInfo from(source), to(databaseFile);
    if (from.exists() && to.exists() && from.canonicalFilePath() == to.canonicalFilePath()) {
        r.error = QStringLiteral("„%1“ ist die Datenbank selbst.").arg(shown(source));
        return r;
    }
    if (DatabaseInUse(databaseFile)) {
        r.error = inUseText(databaseFile);
        return r;
    }
    if (const QString problem = BackupFileProblem(source); !problem.isEmpty()) {
        r.error = problem + QStringLiteral(" Die Datenbank bleibt, wie sie ist.");
        return r;
    }
    QString why;
    sqlite3 *incoming = backupcopy::OpenSqliteFile(source, true, &why);
    QString part;
    const bool written = incoming && backupcopy::WritePartial(incoming, databaseFile, &part, &why);
    backupcopy::CloseSqliteFile(incoming);
    if (!written) {
        r.error = why + QStringLiteral(" Die Datenbank bleibt, wie sie ist.");
        return r;
    }
    sqlite3 *current = nullptr;
    if (to.exists()) {
        current = backupcopy::OpenSqliteFile(databaseFile, false, &why);
        const QString kept = freeKeptName(databaseFile, now);
        if (!keepCurrent(current, databaseFile, kept, &why)) {
            backupcopy::CloseSqliteFile(current);
            backupcopy::DiscardPartial(part);
            r.error =
                QStringLiteral("Die bisherige Datenbank kann nicht gesichert werden: %1 Sie bleibt, wie "
                               "sie ist.")
                    .arg(why);
            return r;
        }
        r.keptCopy = kept;
    }
    if (!closeCurrent(current, databaseFile)) {
        backupcopy::DiscardPartial(part);
        r.error = inUseText(databaseFile);
        return r;
    }
    if (!backupcopy::CommitPartial(part, databaseFile, &why)) {
        r.error = why;
        return r;
    }
    r.ok = true;
    return r;
}
